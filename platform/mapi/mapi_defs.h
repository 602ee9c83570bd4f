// Basic vocabulary of Extended MAPI as this platform offers it: scalar types,
// property tags and types, object types, flags, recipient types and the
// GUIDs of the property sets and interfaces the system uses.
//
// Everything keeps the name and the number that the Windows SDK and the
// published Exchange protocol documents give it, so that code written against
// these headers reads like MAPI code:
//
//   ULONG tag = PROP_TAG(PT_SYSTIME, PROP_ID(named_tag));
//   if (PROP_TYPE(value.ulPropTag) == PT_ERROR) ...
//
// Where MAPI uses C macros this header uses constexpr constants and functions.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvale::mapi {

using ULONG = uint32_t;
using LONG = int32_t;
using BYTE = uint8_t;
// 32-bit result code; negative is failure. Printed with "%08lx" after a cast
// to unsigned long (see HResultHex in mapi_codes.h).
using HRESULT = int32_t;
// 100-nanosecond intervals since 1601-01-01 00:00 UTC.
using FILETIME = uint64_t;
// Bytes of a PT_BINARY value, an entry identifier, a search key ...
using SBinary = std::vector<uint8_t>;
using ENTRYID = SBinary;
// A 16-byte provider or service identifier.
using MAPIUID = std::array<uint8_t, 16>;

struct GUID {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  std::array<uint8_t, 8> Data4{};
  friend bool operator==(const GUID&, const GUID&) = default;
  friend auto operator<=>(const GUID&, const GUID&) = default;
};
using IID = GUID;

// "{00062002-0000-0000-C000-000000000046}" (upper case, with braces).
std::string ToString(const GUID& guid);
// Accepts the form above with or without braces; false when malformed.
bool GuidFromString(const std::string& text, GUID* guid);
// The 16-byte little-endian wire form (as in entry identifiers and blobs).
std::array<uint8_t, 16> GuidToBytes(const GUID& guid);
GUID GuidFromBytes(const uint8_t* bytes16);
// A new random (version 4) GUID, as CoCreateGuid gives one.
GUID NewGuid();

// ---- Property tags -------------------------------------------------------
constexpr ULONG PROP_TAG(ULONG type, ULONG id) { return (id << 16) | (type & 0xFFFF); }
constexpr ULONG PROP_TYPE(ULONG tag) { return tag & 0xFFFF; }
constexpr ULONG PROP_ID(ULONG tag) { return tag >> 16; }
constexpr ULONG CHANGE_PROP_TYPE(ULONG tag, ULONG type) { return (tag & 0xFFFF0000) | type; }

constexpr ULONG PT_UNSPECIFIED = 0x0000;  // in requests: whatever type is stored
constexpr ULONG PT_NULL = 0x0001;
constexpr ULONG PT_I2 = 0x0002;
constexpr ULONG PT_SHORT = PT_I2;
constexpr ULONG PT_LONG = 0x0003;
constexpr ULONG PT_I4 = PT_LONG;
constexpr ULONG PT_R4 = 0x0004;
constexpr ULONG PT_FLOAT = PT_R4;
constexpr ULONG PT_DOUBLE = 0x0005;
constexpr ULONG PT_R8 = PT_DOUBLE;
constexpr ULONG PT_CURRENCY = 0x0006;
constexpr ULONG PT_APPTIME = 0x0007;
constexpr ULONG PT_ERROR = 0x000A;
constexpr ULONG PT_BOOLEAN = 0x000B;
constexpr ULONG PT_OBJECT = 0x000D;
constexpr ULONG PT_I8 = 0x0014;
constexpr ULONG PT_LONGLONG = PT_I8;
constexpr ULONG PT_STRING8 = 0x001E;
constexpr ULONG PT_UNICODE = 0x001F;
constexpr ULONG PT_SYSTIME = 0x0040;
constexpr ULONG PT_CLSID = 0x0048;
constexpr ULONG PT_BINARY = 0x0102;
constexpr ULONG MV_FLAG = 0x1000;
constexpr ULONG MV_INSTANCE = 0x2000;
constexpr ULONG PT_MV_I2 = MV_FLAG | PT_I2;
constexpr ULONG PT_MV_LONG = MV_FLAG | PT_LONG;
constexpr ULONG PT_MV_DOUBLE = MV_FLAG | PT_DOUBLE;
constexpr ULONG PT_MV_CURRENCY = MV_FLAG | PT_CURRENCY;
constexpr ULONG PT_MV_I8 = MV_FLAG | PT_I8;
constexpr ULONG PT_MV_STRING8 = MV_FLAG | PT_STRING8;
constexpr ULONG PT_MV_UNICODE = MV_FLAG | PT_UNICODE;
constexpr ULONG PT_MV_SYSTIME = MV_FLAG | PT_SYSTIME;
constexpr ULONG PT_MV_CLSID = MV_FLAG | PT_CLSID;
constexpr ULONG PT_MV_BINARY = MV_FLAG | PT_BINARY;
// PT_TSTRING is the 8-bit form: the system reads string properties as PT_STRING8.
constexpr ULONG PT_TSTRING = PT_STRING8;
constexpr ULONG PT_MV_TSTRING = PT_MV_STRING8;

constexpr ULONG PR_NULL = PROP_TAG(PT_NULL, 0);  // 0x00000001, a slot left empty
constexpr ULONG kFirstNamedPropId = 0x8000;      // named properties are mapped from here up
constexpr ULONG kLastNamedPropId = 0xFFFE;

// "PT_LONG", "PT_MV_STRING8" ...; "0x%04X" for an unknown type.
std::string PropTypeName(ULONG type);

// ---- Object types (PR_OBJECT_TYPE) ----------------------------------------
constexpr ULONG MAPI_STORE = 1;
constexpr ULONG MAPI_ADDRBOOK = 2;
constexpr ULONG MAPI_FOLDER = 3;
constexpr ULONG MAPI_ABCONT = 4;
constexpr ULONG MAPI_MESSAGE = 5;
constexpr ULONG MAPI_MAILUSER = 6;
constexpr ULONG MAPI_ATTACH = 7;
constexpr ULONG MAPI_DISTLIST = 8;
constexpr ULONG MAPI_PROFSECT = 9;
constexpr ULONG MAPI_STATUS = 10;
constexpr ULONG MAPI_SESSION = 11;
constexpr ULONG MAPI_FORMINFO = 12;

// PR_DISPLAY_TYPE values of address-book entries.
constexpr ULONG DT_MAILUSER = 0;
constexpr ULONG DT_DISTLIST = 1;
constexpr ULONG DT_FORUM = 2;
constexpr ULONG DT_AGENT = 3;
constexpr ULONG DT_ORGANIZATION = 4;
constexpr ULONG DT_PRIVATE_DISTLIST = 5;
constexpr ULONG DT_REMOTE_MAILUSER = 6;
// PR_DISPLAY_TYPE_EX of a room / equipment mailbox.
constexpr ULONG DT_ROOM = 7;
constexpr ULONG DT_EQUIPMENT = 8;

// ---- Recipient types ----------------------------------------------------
constexpr ULONG MAPI_ORIG = 0;
constexpr ULONG MAPI_TO = 1;
constexpr ULONG MAPI_CC = 2;
constexpr ULONG MAPI_BCC = 3;
constexpr ULONG MAPI_SUBMITTED = 0x80000000;

// ---- Flags ------------------------------------------------------------
// Generic
constexpr ULONG MAPI_MODIFY = 0x00000001;
constexpr ULONG MAPI_CREATE = 0x00000002;
constexpr ULONG MAPI_ACCESS_MODIFY = 0x00000001;
constexpr ULONG MAPI_DEFERRED_ERRORS = 0x00000008;
constexpr ULONG MAPI_BEST_ACCESS = 0x00000010;
constexpr ULONG MAPI_UNICODE = 0x80000000;
constexpr ULONG MAPI_ASSOCIATED = 0x00000040;
constexpr ULONG MAPI_DIALOG = 0x00000008;
constexpr ULONG MAPI_NO_STRINGS = 0x00000001;
constexpr ULONG MAPI_NO_IDS = 0x00000002;
// MAPIInitialize
constexpr ULONG MAPI_INIT_VERSION = 0;
constexpr ULONG MAPI_MULTITHREAD_NOTIFICATIONS = 0x00000001;
constexpr ULONG MAPI_NT_SERVICE = 0x00010000;
constexpr ULONG MAPI_NO_COINIT = 0x00000008;
// MAPILogonEx
constexpr ULONG MAPI_LOGON_UI = 0x00000001;
constexpr ULONG MAPI_NEW_SESSION = 0x00000002;
constexpr ULONG MAPI_EXTENDED = 0x00000020;
constexpr ULONG MAPI_EXPLICIT_PROFILE = 0x00000010;
constexpr ULONG MAPI_USE_DEFAULT = 0x00000040;
constexpr ULONG MAPI_NO_MAIL = 0x00008000;
constexpr ULONG MAPI_PASSWORD_UI = 0x00020000;
// OpenMsgStore
constexpr ULONG MDB_NO_DIALOG = 0x00000001;
constexpr ULONG MDB_WRITE = 0x00000004;
constexpr ULONG MDB_TEMPORARY = 0x00000020;
constexpr ULONG MDB_NO_MAIL = 0x00000080;
// IExchangeManageStore::CreateStoreEntryID
constexpr ULONG OPENSTORE_USE_ADMIN_PRIVILEGE = 0x00000001;
constexpr ULONG OPENSTORE_PUBLIC = 0x00000002;
constexpr ULONG OPENSTORE_HOME_LOGON = 0x00000004;
constexpr ULONG OPENSTORE_TAKE_OWNERSHIP = 0x00000008;
constexpr ULONG OPENSTORE_OVERRIDE_HOME_MDB = 0x00000010;
// OpenAddressBook, ResolveName
constexpr ULONG AB_NO_DIALOG = 0x00000001;
constexpr ULONG MAPI_SEND_NO_RICH_INFO = 0x00010000;
// SaveChanges
constexpr ULONG KEEP_OPEN_READONLY = 0x00000001;
constexpr ULONG KEEP_OPEN_READWRITE = 0x00000002;
constexpr ULONG FORCE_SAVE = 0x00000004;
// ModifyRecipients
constexpr ULONG MODRECIP_ADD = 0x00000002;
constexpr ULONG MODRECIP_MODIFY = 0x00000004;
constexpr ULONG MODRECIP_REMOVE = 0x00000008;
// CopyTo
constexpr ULONG MAPI_MOVE = 0x00000001;
constexpr ULONG MAPI_NOREPLACE = 0x00000002;
// DeleteMessages
constexpr ULONG DELETE_HARD_DELETE = 0x00000010;
// Profiles and services
constexpr ULONG MAPI_DEFAULT_SERVICES = 0x00000001;
constexpr ULONG SERVICE_UI_ALWAYS = 0x00000002;
constexpr ULONG SERVICE_UI_ALLOWED = 0x00000010;
constexpr ULONG MAPI_FORCE_ACCESS = 0x00080000;
constexpr ULONG CONNECT_IGNORE_NO_PF = 0x00008000;
// Message flags (PR_MESSAGE_FLAGS)
constexpr ULONG MSGFLAG_READ = 0x00000001;
constexpr ULONG MSGFLAG_UNMODIFIED = 0x00000002;
constexpr ULONG MSGFLAG_SUBMIT = 0x00000004;
constexpr ULONG MSGFLAG_UNSENT = 0x00000008;
constexpr ULONG MSGFLAG_HASATTACH = 0x00000010;
constexpr ULONG MSGFLAG_FROMME = 0x00000020;
// Attachment methods
constexpr ULONG NO_ATTACHMENT = 0;
constexpr ULONG ATTACH_BY_VALUE = 1;
constexpr ULONG ATTACH_BY_REFERENCE = 2;
constexpr ULONG ATTACH_BY_REF_RESOLVE = 3;
constexpr ULONG ATTACH_BY_REF_ONLY = 4;
constexpr ULONG ATTACH_EMBEDDED_MSG = 5;
constexpr ULONG ATTACH_OLE = 6;
// OpenProperty
constexpr ULONG STGM_READ = 0x00000000;
constexpr ULONG STGM_WRITE = 0x00000001;
constexpr ULONG STGM_READWRITE = 0x00000002;
// Tables
constexpr ULONG TBL_ASYNC = 0x00000001;
constexpr ULONG TBL_BATCH = 0x00000002;
constexpr ULONG TBL_NOADVANCE = 0x00000001;
constexpr ULONG DIR_BACKWARD = 0x00000001;
using BOOKMARK = ULONG;
constexpr BOOKMARK BOOKMARK_BEGINNING = 0;
constexpr BOOKMARK BOOKMARK_CURRENT = 1;
constexpr BOOKMARK BOOKMARK_END = 2;
constexpr ULONG TABLE_SORT_ASCEND = 0x00000000;
constexpr ULONG TABLE_SORT_DESCEND = 0x00000001;
// Named properties (MAPINAMEID::ulKind)
constexpr ULONG MNID_ID = 0;
constexpr ULONG MNID_STRING = 1;

// Folder permission rights (PR_MEMBER_RIGHTS, [MS-OXCPERM])
constexpr ULONG frightsReadAny = 0x00000001;
constexpr ULONG frightsCreate = 0x00000002;
constexpr ULONG frightsEditOwned = 0x00000008;
constexpr ULONG frightsDeleteOwned = 0x00000010;
constexpr ULONG frightsEditAny = 0x00000020;
constexpr ULONG frightsDeleteAny = 0x00000040;
constexpr ULONG frightsCreateSubfolder = 0x00000080;
constexpr ULONG frightsOwner = 0x00000100;
constexpr ULONG frightsContact = 0x00000200;
constexpr ULONG frightsVisible = 0x00000400;
constexpr ULONG frightsFreeBusySimple = 0x00000800;
constexpr ULONG frightsFreeBusyDetailed = 0x00001000;
constexpr ULONG rightsNone = 0x00000000;
constexpr ULONG rightsReadOnly = frightsReadAny;
constexpr ULONG rightsReadWrite = frightsReadAny | frightsEditAny;
// Outlook's permission levels
constexpr ULONG ROLE_OWNER = 0x000007FB;
constexpr ULONG ROLE_PUBLISH_EDITOR = 0x000004FB;
constexpr ULONG ROLE_EDITOR = 0x0000047B;
constexpr ULONG ROLE_PUBLISH_AUTHOR = 0x0000049B;
constexpr ULONG ROLE_AUTHOR = 0x0000041B;
constexpr ULONG ROLE_NONEDITING_AUTHOR = 0x00000413;
constexpr ULONG ROLE_REVIEWER = 0x00000401;
constexpr ULONG ROLE_CONTRIBUTOR = 0x00000402;
constexpr ULONG ROLE_NONE = 0x00000400;

// ---- Property sets ----------------------------------------------------------
inline constexpr GUID PS_MAPI{0x00020328, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PS_PUBLIC_STRINGS{0x00020329, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Appointment{0x00062002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Task{0x00062003, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Address{0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Common{0x00062008, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Meeting{
    0x6ED8DA90, 0x450B, 0x101B, {0x98, 0xDA, 0x00, 0xAA, 0x00, 0x3F, 0x13, 0x05}};

// ---- Interface identifiers ----------------------------------------------------
inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IStream{0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMAPISession{0x00020300, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMAPITable{0x00020301, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMAPIProp{0x00020303, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IProfSect{0x00020304, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMsgStore{0x00020306, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMessage{0x00020307, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IAttachment{0x00020308, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IAddrBook{0x00020309, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMailUser{0x0002030A, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMAPIContainer{0x0002030B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMAPIFolder{0x0002030C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IABContainer{0x0002030D, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IDistList{0x0002030E, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IProfAdmin{0x0002031C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMsgServiceAdmin{0x0002031D, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IExchangeManageStore{
    0x559D10B0, 0xA772, 0x11CD, {0x9B, 0xC8, 0x00, 0xAA, 0x00, 0x2F, 0xC4, 0x5A}};

// The global section of every profile (OpenProfileSection with this uid).
inline constexpr MAPIUID pbGlobalProfileSectionGuid{0x13, 0xDB, 0xB0, 0xC8, 0xAA, 0x05, 0x10, 0x1A,
                                                    0x9B, 0xB0, 0x00, 0xAA, 0x00, 0x2F, 0xC4, 0x5A};

}  // namespace korvale::mapi
