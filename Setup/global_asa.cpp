#include "Setup/global_asa.h"

#include <filesystem>
#include <fstream>

namespace korvale::setup {

const std::vector<LocaleEntry>& CodePageLocales() {
  static const std::vector<LocaleEntry> locales = {
      {"Afrikaans", 1078},
      {"Albanian", 1052},
      {"Arabic(Saudi Arabia)", 1025},
      {"Arabic(Iraq)", 2049},
      {"Arabic(Egypt)", 3073},
      {"Arabic(Libya)", 4097},
      {"Arabic(Algeria)", 5121},
      {"Arabic(Morocco)", 6145},
      {"Arabic(Tunisia)", 7169},
      {"Arabic(Oman)", 8193},
      {"Arabic(Yemen)", 9217},
      {"Arabic(Syria)", 10241},
      {"Arabic(Jordan)", 11265},
      {"Arabic(Lebanon)", 12289},
      {"Arabic(Kuwait)", 13313},
      {"Arabic(U.A.E.)", 14337},
      {"Arabic(Bahrain)", 15361},
      {"Arabic(Qatar)", 16385},
      {"Basque", 1069},
      {"Bulgarian", 1026},
      {"Belarusian", 1059},
      {"Catalan", 1027},
      {"Chinese(Taiwan)", 1028},
      {"Chinese(PRC)", 2052},
      {"Chinese(Hong Kong)", 3076},
      {"Chinese(Singapore)", 4100},
      {"Croatian", 1050},
      {"Czech", 1029},
      {"Danish", 1030},
      {"Dutch(Standard)", 1043},
      {"Dutch(Belgian)", 2067},
      {"English", 9},
      {"English(United States)", 1033},
      {"English(British)", 2057},
      {"English(Australian)", 3081},
      {"English(Canadian)", 4105},
      {"English(New Zealand)", 5129},
      {"English(Ireland)", 6153},
      {"English(South Africa)", 7177},
      {"English(Jamaica)", 8201},
      {"English(Caribbean)", 9225},
      {"English(Belize)", 10249},
      {"English(Trinidad)", 11273},
      {"Estonian", 1061},
      {"Faeroese", 1080},
      {"Farsi", 1065},
      {"Finnish", 1035},
      {"French(Standard)", 1036},
      {"French(Belgian)", 2060},
      {"French(Canadian)", 3084},
      {"French(Swiss)", 4108},
      {"French(Luxembourg)", 5132},
      {"Gaelic(Scots)", 1084},
      {"Gaelic(Irish)", 2108},
      {"German(Standard)", 1031},
      {"German(Swiss)", 2055},
      {"German(Austrian)", 3079},
      {"German(Luxembourg)", 4103},
      {"German(Liechtenstein)", 5127},
      {"Greek", 1032},
      {"Hebrew", 1037},
      {"Hindi", 1081},
      {"Hungarian", 1038},
      {"Icelandic", 1039},
      {"Indonesian", 1057},
      {"Italian(Standard)", 1040},
      {"Italian(Swiss)", 2064},
      {"Japanese", 1041},
      {"Korean", 1042},
      {"Korean(Johab)", 2066},
      {"Latvian", 1062},
      {"Lithuanian", 1063},
      {"Macedonian", 1071},
      {"Malaysian", 1086},
      {"Maltese", 1082},
      {"Norwegian(Bokmal)", 1044},
      {"Norwegian(Nynorsk)", 2068},
      {"Polish", 1045},
      {"Portuguese(Brazilian)", 1046},
      {"Portuguese(Standard)", 2070},
      {"Rhaeto-Romanic", 1047},
      {"Romanian", 1048},
      {"Romanian(Moldavia)", 2072},
      {"Russian", 1049},
      {"Russian(Moldavia)", 2073},
      {"Sami(Lappish)", 1083},
      {"Serbian(Cyrillic)", 3098},
      {"Serbian(Latin)", 2074},
      {"Slovak", 1051},
      {"Slovenian", 1060},
      {"Sorbian", 1070},
      {"Spanish(Spain - Traditional Sort)", 1034},
      {"Spanish(Mexican)", 2058},
      {"Spanish(Spain - Modern Sort)", 3082},
      {"Spanish(Guatemala)", 4106},
      {"Spanish(Costa Rica)", 5130},
      {"Spanish(Panama)", 6154},
      {"Spanish(Dominican Republic)", 7178},
      {"Spanish(Venezuela)", 8202},
      {"Spanish(Colombia)", 9226},
      {"Spanish(Peru)", 10250},
      {"Spanish(Argentina)", 11274},
      {"Spanish(Ecuador)", 12298},
      {"Spanish(Chile)", 13322},
      {"Spanish(Uruguay)", 14346},
      {"Spanish(Paraguay)", 15370},
      {"Spanish(Bolivia)", 16394},
      {"Spanish(El Salvador)", 17418},
      {"Spanish(Honduras)", 18442},
      {"Spanish(Nicaragua)", 19466},
      {"Spanish(Puerto Rico)", 20490},
      {"Sutu", 1072},
      {"Swedish", 1053},
      {"Swedish(Finland)", 2077},
      {"Thai", 1054},
      {"Tsonga", 1073},
      {"Tswana", 1074},
      {"Turkish", 1055},
      {"Ukrainian", 1058},
      {"Urdu", 1056},
      {"Venda", 1075},
      {"Vietnamese", 1066},
      {"Xhosa", 1076},
      {"Yiddish", 1085},
      {"Zulu", 1077},
      {"use server default", 0},
  };
  return locales;
}

std::string GlobalAsaText(std::uint32_t lcid) {
  // Written in text mode: every line ends in CR LF.
  std::string text = "<SCRIPT LANGUAGE=\"VBScript\" RUNAT=\"Server\">\r\nSub Application_OnStart\r\n";
  for (const LocaleEntry& locale : CodePageLocales()) {
    const std::string number = std::to_string(locale.lcid);
    // The entry English has four blanks after its number, as the file always had.
    const std::string gap = std::string(locale.name) == "English" ? "    " : " ";
    text += "'  Application(\"CodePage\") = " + number + gap + "'" + locale.name + "\r\n";
  }
  text += "Application(\"CodePage\") = " + std::to_string(lcid) + "\r\n";
  text += "End Sub\r\n\r\nSub Application_OnEnd\r\nEnd Sub\r\n\r\n";
  text += "Sub Session_OnStart\r\n  Session(\"LEVEL\") = 0\r\nEnd Sub\r\n\r\n";
  text += "</SCRIPT>";
  return text;
}

bool WriteGlobalAsa(const std::string& folder, std::uint32_t lcid, SetupUi& ui) {
  const std::string path = (std::filesystem::path(folder) / "GLOBAL.ASA").string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << GlobalAsaText(lcid);
  if (!out.flush()) {
    ui.ShowMessage("Could not write to " + path + ".", "File Error", MessageIcon::kError);
    return false;
  }
  return true;
}

}  // namespace korvale::setup
