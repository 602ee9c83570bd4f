// What KvCrVDir writes into the metabase: the key of the virtual directory,
// its values with their published identifiers, and the exit codes by which
// the setup learns what failed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/metabase/metabase.h"

namespace korvale::vdirtool {

// Metabase identifiers and user types as published.
inline constexpr uint32_t MD_KEY_TYPE = 1002;
inline constexpr uint32_t MD_VR_PATH = 3001;
inline constexpr uint32_t MD_ACCESS_PERM = 6016;
inline constexpr uint32_t MD_ASP_ENABLEPARENTPATHS = 7008;
inline constexpr uint32_t MD_ASP_SCRIPTERRORSSENTTOBROWSER = 7002;
inline constexpr uint32_t MD_ASP_SCRIPTLANGUAGE = 7012;
inline constexpr uint32_t MD_AUTHORIZATION = 6000;
inline constexpr uint32_t MD_DIRECTORY_BROWSING = 6005;
inline constexpr uint32_t MD_DEFAULT_LOAD_FILE = 6006;
inline constexpr uint32_t MD_ASP_BUFFERINGON = 7000;
inline constexpr uint32_t IIS_MD_UT_FILE = 2;
inline constexpr uint32_t ASP_MD_UT_APP = 101;

// Exit codes of KvCrVDir.
inline constexpr int kExitSuccess = 0;  // also after printing the usage
inline constexpr int kExitComInit = 1047;
inline constexpr int kExitAdminBase = 1048;
inline constexpr int kExitCreateKey = 1049;
inline constexpr int kExitKeyType = 1050;
inline constexpr int kExitPath = 1051;

// Later steps whose failure does not stop the tool; each sets its bit of the
// exit code (bits 0 to 8, in the order the setup names them).
enum class LaterStep : int {
  kAccessPerm = 0,
  kParentPaths = 1,
  kScriptErrors = 2,
  kScriptLanguage = 3,
  kAuthorization = 4,
  kDirectoryBrowsing = 5,
  kDefaultLoadFile = 6,
  kAppCreate = 7,
  kBufferingOff = 8,
};
inline constexpr int Bit(LaterStep step) { return 1 << static_cast<int>(step); }

// The key of the virtual directory `name` in the first web site.
std::string VirtualDirectoryKey(std::string_view name);

// One value to write, with the later step it belongs to (none for the two
// values whose failure stops the tool).
struct VdirValue {
  metabase::MetadataRecord record;
  int failure_bit = 0;
};

// MD_KEY_TYPE and MD_VR_PATH for `physical_path`, then MD_ACCESS_PERM.
VdirValue KeyTypeValue();
VdirValue PathValue(std::string_view physical_path);
VdirValue AccessPermValue();
// The seven values written after the application is created, in their order.
std::vector<VdirValue> AspValues();

}  // namespace korvale::vdirtool
