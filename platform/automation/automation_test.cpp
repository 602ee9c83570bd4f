// The class registry file and object creation through it: what a page's
// container relies on to find a control and the mail client by ProgID.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/automation/com.h"
#include "tests/support/temp_dir.h"

namespace korvale::automation {
namespace {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("class-registry.json");
    ::setenv("KORVALE_CLASS_REGISTRY", path_.c_str(), 1);
    CoInitialize();
  }
  void TearDown() override {
    CoUninitialize();
    ::unsetenv("KORVALE_CLASS_REGISTRY");
  }
  testing::TempDir dir_;
  std::string path_;
};

TEST_F(RegistryTest, KeysAndValuesSurviveSaveAndLoadWithoutRegardToCase) {
  ClassRegistry reg(path_);
  ASSERT_TRUE(reg.Load().ok()) << "a missing file is an empty registry";
  reg.SetValue("CLSID\\{1}", "", "Some Control");
  reg.SetValue("CLSID\\{1}\\InprocServer32", "ThreadingModel", "Apartment");
  reg.CreateKey("CLSID\\{1}\\Implemented Categories\\{2}");
  ASSERT_TRUE(reg.Save().ok());

  ClassRegistry again(path_);
  ASSERT_TRUE(again.Load().ok());
  EXPECT_EQ(again.GetValue("clsid\\{1}"), "Some Control") << "key names ignore case";
  EXPECT_EQ(again.GetValue("CLSID\\{1}\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_TRUE(again.HasKey("CLSID\\{1}\\Implemented Categories\\{2}")) << "an empty key is kept";
  EXPECT_EQ(again.SubKeys("CLSID\\{1}"),
            (std::vector<std::string>{"Implemented Categories", "InprocServer32"}));
  EXPECT_TRUE(again.DeleteTree("CLSID\\{1}"));
  EXPECT_FALSE(again.HasKey("CLSID\\{1}\\Implemented Categories\\{2}")) << "a tree goes with its key";
  EXPECT_FALSE(again.DeleteTree("CLSID\\{1}"));
}

TEST_F(RegistryTest, ADamagedFileIsReportedAndNothingIsGuessed) {
  for (const char* text : {"{not json", "{\"keys\": {\"A\": {\"x\": 5}}}", "[]", "\xff\xfe"}) {
    SCOPED_TRACE(text);
    testing::WriteFileBytes(path_, text);
    ClassRegistry reg(path_);
    Status s = reg.Load();
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find(path_), std::string::npos) << "the message names the file: " << s.message();
    std::shared_ptr<IDispatch> object;
    EXPECT_EQ(CoCreateInstance("Outlook.Application", &object), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(object);
  }
}

TEST_F(RegistryTest, CreationFailsCleanlyForWhatIsNotThere) {
  std::shared_ptr<IDispatch> object;
  EXPECT_EQ(CoCreateInstance("Outlook.Application", &object), CO_E_CLASSSTRING) << "no such ProgID";

  ClassRegistry reg(path_);
  const CLSID clsid = mapi::NewGuid();
  reg.SetValue("Broken.Control\\CLSID", "", mapi::ToString(clsid));
  ASSERT_TRUE(reg.Save().ok());
  EXPECT_EQ(CoCreateInstance("Broken.Control", &object), REGDB_E_CLASSNOTREG) << "a ProgID without a server";

  reg.SetValue(ClassKey(clsid) + "\\InprocServer32", "", dir_.File("missing.so"));
  ASSERT_TRUE(reg.Save().ok());
  EXPECT_EQ(CoCreateInstance("Broken.Control", &object), CO_E_DLLNOTFOUND);

  reg.DeleteTree(ClassKey(clsid));
  reg.SetValue(ClassKey(clsid) + "\\LocalServer32", "", "no-such-server");
  ASSERT_TRUE(reg.Save().ok());
  EXPECT_EQ(CoCreateInstance("Broken.Control", &object), REGDB_E_CLASSNOTREG);

  CoUninitialize();
  EXPECT_EQ(CoCreateInstance(clsid, &object), CO_E_NOTINITIALIZED) << "creation needs an initialised thread";
  CoInitialize();
}

TEST_F(RegistryTest, CategoriesAreRegisteredWithCutDescriptions) {
  ClassRegistry reg(path_);
  const GUID cat = mapi::NewGuid();
  const CLSID clsid = mapi::NewGuid();
  RegisterCategories(reg, {{cat, 1033, std::string(200, 'x')}});
  EXPECT_EQ(reg.GetValue("Component Categories\\" + mapi::ToString(cat), "409"), std::string(127, 'x'));
  RegisterClassImplCategories(reg, clsid, {cat});
  EXPECT_TRUE(IsClassOfCategory(reg, clsid, cat));
  UnRegisterClassImplCategories(reg, clsid, {cat});
  EXPECT_FALSE(IsClassOfCategory(reg, clsid, cat));
}

}  // namespace
}  // namespace korvale::automation
