// Web applications as values of their root key: the application service
// records the application's root path and whether it runs in the server's
// process, as the metabase publishes them.
#include "platform/metabase/metabase.h"

namespace korvale::metabase {
namespace {

constexpr uint32_t MD_APP_ROOT = 2103;
constexpr uint32_t MD_APP_ISOLATED = 2104;
constexpr uint32_t IIS_MD_UT_FILE = 2;
constexpr uint32_t IIS_MD_UT_WAM = 100;
constexpr uint32_t kInProcess = 0;  // MD_APP_ISOLATED: 0 in process, 1 isolated
constexpr uint32_t kIsolated = 1;
constexpr uint32_t kTimeoutMs = 60000;

class MetabaseApplicationAdmin final : public ApplicationAdmin {
 public:
  explicit MetabaseApplicationAdmin(MetabaseAdmin& admin) : admin_(admin) {}

  Status AppCreate(std::string_view path, bool in_process) override {
    auto key = admin_.OpenKey(path, METADATA_PERMISSION_READ | METADATA_PERMISSION_WRITE, kTimeoutMs);
    if (!key.ok()) return key.status();
    MetadataRecord root{MD_APP_ROOT, METADATA_INHERIT, IIS_MD_UT_FILE, std::string(path)};
    if (Status s = admin_.SetData(*key, "", root); !s.ok()) return s;
    MetadataRecord isolated{MD_APP_ISOLATED, METADATA_INHERIT, IIS_MD_UT_WAM,
                            in_process ? kInProcess : kIsolated};
    if (Status s = admin_.SetData(*key, "", isolated); !s.ok()) return s;
    return key->Close();
  }

 private:
  MetabaseAdmin& admin_;
};

}  // namespace

Expected<std::unique_ptr<ApplicationAdmin>> CreateApplicationAdmin(MetabaseAdmin& admin) {
  auto service = admin.OpenKey(kApplicationServiceKey, METADATA_PERMISSION_READ, kTimeoutMs);
  if (!service.ok()) {
    if (!Is(service.status(), MetabaseError::kPathNotFound)) return service.status();
    return Status::Error("ERROR_SERVICE_DOES_NOT_EXIST: no application service (no key " +
                             std::string(kApplicationServiceKey) + ")",
                         static_cast<int>(MetabaseError::kServiceNotFound));
  }
  return std::unique_ptr<ApplicationAdmin>(std::make_unique<MetabaseApplicationAdmin>(admin));
}

}  // namespace korvale::metabase
