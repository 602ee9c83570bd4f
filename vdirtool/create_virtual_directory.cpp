#include "vdirtool/create_virtual_directory.h"

#include "vdirtool/vdir_values.h"

namespace korvale::vdirtool {
namespace {

using metabase::MetabaseAdmin;
constexpr uint32_t kReadWrite = metabase::METADATA_PERMISSION_READ | metabase::METADATA_PERMISSION_WRITE;
constexpr uint32_t kTimeoutMs = 60000;

constexpr const char* kUsage[] = {
    "Usage:",
    "",
    "KvCrVDir.exe <path> <name>",
    "path - physical path which Virtual Directory will refer to",
    "name - name for virtual directory",
};

// Adds the last name of `key` below its parent; every call's failure counts.
bool CreateKey(MetabaseAdmin& admin, const std::string& key) {
  size_t slash = key.rfind('/');
  auto parent = admin.OpenKey(key.substr(0, slash), kReadWrite, kTimeoutMs);
  if (!parent.ok()) return false;
  if (!admin.AddKey(*parent, key.substr(slash + 1)).ok()) return false;
  return parent->Close().ok();
}

// Opens the key, sets one value and closes the key again.
bool WriteValue(MetabaseAdmin& admin, const std::string& key, const metabase::MetadataRecord& record) {
  auto handle = admin.OpenKey(key, kReadWrite, kTimeoutMs);
  if (!handle.ok()) return false;
  if (!admin.SetData(*handle, "", record).ok()) return false;
  return handle->Close().ok();
}

// The application of the key, run in the server's process; 0 or its failure bit.
int CreateApplication(metabase::ApplicationAdmin* apps, const std::string& key) {
  if (apps == nullptr) return Bit(LaterStep::kAppCreate);
  std::string path = key.starts_with("/") ? key : "/LM/" + key;
  return apps->AppCreate(path, /*in_process=*/true).ok() ? 0 : Bit(LaterStep::kAppCreate);
}

}  // namespace

int CreateVirtualDirectory(std::string_view physical_path, std::string_view name,
                           const MetabaseServices& services) {
  // There is no component library to initialise here, so kExitComInit never arises.
  auto admin = services.create_admin_base();
  if (!admin.ok()) return kExitAdminBase;
  auto apps = services.create_app_admin(**admin);  // a missing service only costs the application

  const std::string key = VirtualDirectoryKey(name);
  if (!CreateKey(**admin, key)) return kExitCreateKey;
  if (!WriteValue(**admin, key, KeyTypeValue().record)) return kExitKeyType;
  if (!WriteValue(**admin, key, PathValue(physical_path).record)) return kExitPath;

  int failed = 0;
  VdirValue access = AccessPermValue();
  if (!WriteValue(**admin, key, access.record)) failed |= access.failure_bit;
  failed |= CreateApplication(apps.ok() ? apps->get() : nullptr, key);
  for (const VdirValue& value : AspValues()) {
    if (!WriteValue(**admin, key, value.record)) failed |= value.failure_bit;
  }
  // Every change is in the metabase already; a failed save loses nothing here.
  (void)(*admin)->SaveData();
  return failed;
}

int RunKvCrVDir(const std::vector<std::string>& args, std::ostream& out, const MetabaseServices& services) {
  if (args.size() != 2) {
    for (const char* line : kUsage) out << line << '\n';
    return kExitSuccess;
  }
  return CreateVirtualDirectory(args[0], args[1], services);
}

MetabaseServices FileMetabaseServices() {
  return {
      [] { return metabase::OpenMetabaseFile(metabase::MetabasePathFromEnvironment()); },
      [](MetabaseAdmin& admin) { return metabase::CreateApplicationAdmin(admin); },
  };
}

}  // namespace korvale::vdirtool
