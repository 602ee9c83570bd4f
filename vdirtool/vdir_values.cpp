#include "vdirtool/vdir_values.h"

namespace korvale::vdirtool {
namespace {

using metabase::METADATA_INHERIT;

constexpr uint32_t kAccessReadWriteExecuteScript = 0x1 | 0x2 | 0x4 | 0x200;  // 519
constexpr uint32_t kAuthNtlm = 4;                                            // integrated only
constexpr uint32_t kDirBrowseLoadDefault = 0x40000000;                       // default document, no listing
constexpr int kFirstWebSite = 1;

VdirValue Dword(uint32_t id, uint32_t user_type, uint32_t value, LaterStep step) {
  return {{id, METADATA_INHERIT, user_type, value}, Bit(step)};
}

VdirValue Text(uint32_t id, uint32_t user_type, std::string value, LaterStep step) {
  return {{id, METADATA_INHERIT, user_type, std::move(value)}, Bit(step)};
}

}  // namespace

std::string VirtualDirectoryKey(std::string_view name) {
  return "/LM/W3SVC/" + std::to_string(kFirstWebSite) + "/ROOT/" + std::string(name);
}

VdirValue KeyTypeValue() {
  return {{MD_KEY_TYPE, METADATA_INHERIT, IIS_MD_UT_FILE, std::string("IIsWebVirtualDir")}, 0};
}

VdirValue PathValue(std::string_view physical_path) {
  return {{MD_VR_PATH, METADATA_INHERIT, IIS_MD_UT_FILE, std::string(physical_path)}, 0};
}

VdirValue AccessPermValue() {
  return Dword(MD_ACCESS_PERM, IIS_MD_UT_FILE, kAccessReadWriteExecuteScript, LaterStep::kAccessPerm);
}

std::vector<VdirValue> AspValues() {
  return {
      Dword(MD_ASP_ENABLEPARENTPATHS, ASP_MD_UT_APP, 1, LaterStep::kParentPaths),
      Dword(MD_ASP_SCRIPTERRORSSENTTOBROWSER, ASP_MD_UT_APP, 1, LaterStep::kScriptErrors),
      Text(MD_ASP_SCRIPTLANGUAGE, ASP_MD_UT_APP, "VBScript", LaterStep::kScriptLanguage),
      Dword(MD_AUTHORIZATION, IIS_MD_UT_FILE, kAuthNtlm, LaterStep::kAuthorization),
      Dword(MD_DIRECTORY_BROWSING, IIS_MD_UT_FILE, kDirBrowseLoadDefault, LaterStep::kDirectoryBrowsing),
      Text(MD_DEFAULT_LOAD_FILE, IIS_MD_UT_FILE, "default.asp", LaterStep::kDefaultLoadFile),
      Dword(MD_ASP_BUFFERINGON, ASP_MD_UT_APP, 0, LaterStep::kBufferingOff),
  };
}

}  // namespace korvale::vdirtool
