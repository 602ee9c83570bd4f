// What the module's registration leaves in the class registry: containers
// find the control and decide whether a page may script it from these keys.
#include "viewercontrol/registration.h"

#include <gtest/gtest.h>

#include "platform/automation/com.h"
#include "tests/support/temp_dir.h"

namespace korvale::vistrel {
namespace {

using automation::ClassKey;
using automation::ClassRegistry;

ClassRegistry Load(const std::string& path) {
  ClassRegistry reg(path);
  EXPECT_TRUE(reg.Load().ok());
  return reg;
}

TEST(Registration, RegisterAndUnregisterRoundTrip) {
  korvale::testing::TempDir dir;
  std::string path = dir.File("class-registry.json");
  std::string module = "/opt/korvale/libVistrel.so";
  {
    ClassRegistry other(path);
    other.SetValue("Other.Control\\CLSID", "", "{1}");
    ASSERT_TRUE(other.Save().ok());
  }
  ASSERT_EQ(RegisterServer(path, module), S_OK);
  ASSERT_EQ(RegisterServer(path, module), S_OK) << "registering again is harmless";
  ClassRegistry reg = Load(path);
  std::string control = ClassKey(CLSID_Vistrel);
  EXPECT_EQ(reg.GetValue("VISTREL.VistrelCtrl.1\\CLSID"), "{8B84E36B-7DEE-11D2-A457-0060976E5CAC}");
  EXPECT_EQ(reg.GetValue(control), "Vistrel Control");
  EXPECT_EQ(reg.GetValue(control + "\\InprocServer32"), module);
  EXPECT_EQ(reg.GetValue(control + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_TRUE(reg.HasKey(control + "\\Insertable"));
  EXPECT_EQ(reg.GetValue(control + "\\MiscStatus\\1"), "132497") << "0x20591";
  EXPECT_EQ(reg.GetValue(control + "\\Version"), "4.5");
  EXPECT_EQ(reg.GetValue(control + "\\ToolboxBitmap32"), module + ", 1");
  EXPECT_TRUE(automation::IsClassOfCategory(reg, CLSID_Vistrel, CATID_SafeForScripting));
  EXPECT_TRUE(automation::IsClassOfCategory(reg, CLSID_Vistrel, CATID_SafeForInitializing));
  EXPECT_EQ(reg.GetValue("Component Categories\\{7DD95801-9882-11CF-9FA9-00AA00C4426C}", "409"),
            "Controls that are safely scriptable");
  EXPECT_EQ(reg.GetValue("Component Categories\\{7DD95802-9882-11CF-9FA9-00AA00C4426C}", "409"),
            "Controls safely initializable from persistent data");
  EXPECT_EQ(reg.GetValue("VISTREL.VistrelPropPage.1\\CLSID"), "{8B84E36C-7DEE-11D2-A457-0060976E5CAC}");
  EXPECT_EQ(reg.GetValue(ClassKey(CLSID_VistrelPropPage)), "Vistrel Property Page");
  EXPECT_EQ(reg.GetValue("TypeLib\\{8B84E366-7DEE-11D2-A457-0060976E5CAC}\\4.5"),
            "Vistrel ActiveX Control module");
  EXPECT_EQ(reg.GetValue("TypeLib\\{8B84E366-7DEE-11D2-A457-0060976E5CAC}\\4.5", "HelpFile"), "Vistrel.hlp");
  EXPECT_EQ(reg.GetValue("Interface\\{8B84E369-7DEE-11D2-A457-0060976E5CAC}"), "_DVistrel");
  EXPECT_EQ(reg.GetValue("Interface\\{8B84E36A-7DEE-11D2-A457-0060976E5CAC}", "HelpString"),
            "Event interface for Vistrel Control");

  ASSERT_EQ(UnregisterServer(path), S_OK);
  reg = Load(path);
  for (const char* key :
       {"VISTREL.VistrelCtrl.1", "VISTREL.VistrelPropPage.1", "CLSID\\{8B84E36B-7DEE-11D2-A457-0060976E5CAC}",
        "CLSID\\{8B84E36C-7DEE-11D2-A457-0060976E5CAC}", "TypeLib\\{8B84E366-7DEE-11D2-A457-0060976E5CAC}",
        "Interface\\{8B84E369-7DEE-11D2-A457-0060976E5CAC}",
        "Interface\\{8B84E36A-7DEE-11D2-A457-0060976E5CAC}"}) {
    EXPECT_FALSE(reg.HasKey(key)) << key;
    EXPECT_TRUE(reg.SubKeys(key).empty()) << key;
  }
  EXPECT_EQ(reg.GetValue("Other.Control\\CLSID"), "{1}") << "other classes stay";
  EXPECT_TRUE(reg.HasKey("Component Categories\\{7DD95801-9882-11CF-9FA9-00AA00C4426C}"))
      << "categories are shared with other controls";
}

TEST(Registration, ARegistryThatCannotBeWrittenGivesTheSelfRegistrationCodes) {
  korvale::testing::TempDir dir;
  std::string unwritable = dir.File("no-such-folder/class-registry.json");
  EXPECT_EQ(RegisterServer(unwritable, "/opt/korvale/libVistrel.so"), SELFREG_E_TYPELIB);
  EXPECT_EQ(UnregisterServer(unwritable), SELFREG_E_CLASS);

  std::string damaged = dir.File("damaged.json");
  korvale::testing::WriteFileBytes(damaged, "{\"keys\": ");
  EXPECT_EQ(RegisterServer(damaged, "/opt/korvale/libVistrel.so"), SELFREG_E_TYPELIB);
  EXPECT_EQ(korvale::testing::ReadFileBytes(damaged), "{\"keys\": ")
      << "a damaged registry is not overwritten";
}

}  // namespace
}  // namespace korvale::vistrel
