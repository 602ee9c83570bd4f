// MAPI result codes with their published names and numbers, and the helpers
// that report them ("%08lx" as the system prints every MAPI failure).
//
//   HRESULT hr = store->GetReceiveFolder("", 0, &inbox_id, nullptr);
//   if (FAILED(hr)) Report("GetReceiveFolder failed with Code = " + HResultHex(hr));
#pragma once

#include <cstdint>
#include <string>

#include "platform/mapi/mapi_defs.h"

namespace korvale::mapi {

constexpr HRESULT MakeHResult(uint32_t value) { return static_cast<HRESULT>(value); }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool HR_FAILED(HRESULT hr) { return hr < 0; }
constexpr bool HR_SUCCEEDED(HRESULT hr) { return hr >= 0; }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT hrSuccess = 0;

// COM codes that MAPI reuses
constexpr HRESULT E_FAIL = MakeHResult(0x80004005);
constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002);
constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001);
constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005);
constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057);
constexpr HRESULT STG_E_INVALIDFUNCTION = MakeHResult(0x80030001);

constexpr HRESULT MAPI_E_CALL_FAILED = E_FAIL;
constexpr HRESULT MAPI_E_NOT_ENOUGH_MEMORY = E_OUTOFMEMORY;
constexpr HRESULT MAPI_E_INVALID_PARAMETER = E_INVALIDARG;
constexpr HRESULT MAPI_E_INTERFACE_NOT_SUPPORTED = E_NOINTERFACE;
constexpr HRESULT MAPI_E_NO_ACCESS = E_ACCESSDENIED;

constexpr HRESULT MAPI_E_NO_SUPPORT = MakeHResult(0x80040102);
constexpr HRESULT MAPI_E_BAD_CHARWIDTH = MakeHResult(0x80040103);
constexpr HRESULT MAPI_E_STRING_TOO_LONG = MakeHResult(0x80040105);
constexpr HRESULT MAPI_E_UNKNOWN_FLAGS = MakeHResult(0x80040106);
constexpr HRESULT MAPI_E_INVALID_ENTRYID = MakeHResult(0x80040107);
constexpr HRESULT MAPI_E_INVALID_OBJECT = MakeHResult(0x80040108);
constexpr HRESULT MAPI_E_OBJECT_CHANGED = MakeHResult(0x80040109);
constexpr HRESULT MAPI_E_OBJECT_DELETED = MakeHResult(0x8004010A);
constexpr HRESULT MAPI_E_BUSY = MakeHResult(0x8004010B);
constexpr HRESULT MAPI_E_NOT_ENOUGH_DISK = MakeHResult(0x8004010D);
constexpr HRESULT MAPI_E_NOT_ENOUGH_RESOURCES = MakeHResult(0x8004010E);
constexpr HRESULT MAPI_E_NOT_FOUND = MakeHResult(0x8004010F);
constexpr HRESULT MAPI_E_VERSION = MakeHResult(0x80040110);
constexpr HRESULT MAPI_E_LOGON_FAILED = MakeHResult(0x80040111);
constexpr HRESULT MAPI_E_SESSION_LIMIT = MakeHResult(0x80040112);
constexpr HRESULT MAPI_E_USER_CANCEL = MakeHResult(0x80040113);
constexpr HRESULT MAPI_E_UNABLE_TO_ABORT = MakeHResult(0x80040114);
constexpr HRESULT MAPI_E_NETWORK_ERROR = MakeHResult(0x80040115);
constexpr HRESULT MAPI_E_DISK_ERROR = MakeHResult(0x80040116);
constexpr HRESULT MAPI_E_TOO_COMPLEX = MakeHResult(0x80040117);
constexpr HRESULT MAPI_E_BAD_COLUMN = MakeHResult(0x80040118);
constexpr HRESULT MAPI_E_EXTENDED_ERROR = MakeHResult(0x80040119);
constexpr HRESULT MAPI_E_COMPUTED = MakeHResult(0x8004011A);
constexpr HRESULT MAPI_E_CORRUPT_DATA = MakeHResult(0x8004011B);
constexpr HRESULT MAPI_E_UNCONFIGURED = MakeHResult(0x8004011C);
constexpr HRESULT MAPI_E_FAILONEPROVIDER = MakeHResult(0x8004011D);
constexpr HRESULT MAPI_E_END_OF_SESSION = MakeHResult(0x80040200);
constexpr HRESULT MAPI_E_UNKNOWN_ENTRYID = MakeHResult(0x80040201);
constexpr HRESULT MAPI_E_MISSING_REQUIRED_COLUMN = MakeHResult(0x80040202);
constexpr HRESULT MAPI_E_BAD_VALUE = MakeHResult(0x80040301);
constexpr HRESULT MAPI_E_INVALID_TYPE = MakeHResult(0x80040302);
constexpr HRESULT MAPI_E_TYPE_NO_SUPPORT = MakeHResult(0x80040303);
constexpr HRESULT MAPI_E_UNEXPECTED_TYPE = MakeHResult(0x80040304);
constexpr HRESULT MAPI_E_TOO_BIG = MakeHResult(0x80040305);
constexpr HRESULT MAPI_E_DECLINE_COPY = MakeHResult(0x80040306);
constexpr HRESULT MAPI_E_UNEXPECTED_ID = MakeHResult(0x80040307);
constexpr HRESULT MAPI_E_UNABLE_TO_COMPLETE = MakeHResult(0x80040400);
constexpr HRESULT MAPI_E_TIMEOUT = MakeHResult(0x80040401);
constexpr HRESULT MAPI_E_TABLE_EMPTY = MakeHResult(0x80040402);
constexpr HRESULT MAPI_E_TABLE_TOO_BIG = MakeHResult(0x80040403);
constexpr HRESULT MAPI_E_INVALID_BOOKMARK = MakeHResult(0x80040405);
constexpr HRESULT MAPI_E_WAIT = MakeHResult(0x80040500);
constexpr HRESULT MAPI_E_CANCEL = MakeHResult(0x80040501);
constexpr HRESULT MAPI_E_NOT_ME = MakeHResult(0x80040502);
constexpr HRESULT MAPI_E_CORRUPT_STORE = MakeHResult(0x80040600);
constexpr HRESULT MAPI_E_NOT_IN_QUEUE = MakeHResult(0x80040601);
constexpr HRESULT MAPI_E_NO_SUPPRESS = MakeHResult(0x80040602);
constexpr HRESULT MAPI_E_COLLISION = MakeHResult(0x80040604);
constexpr HRESULT MAPI_E_NOT_INITIALIZED = MakeHResult(0x80040605);
constexpr HRESULT MAPI_E_NON_STANDARD = MakeHResult(0x80040606);
constexpr HRESULT MAPI_E_NO_RECIPIENTS = MakeHResult(0x80040607);
constexpr HRESULT MAPI_E_SUBMITTED = MakeHResult(0x80040608);
constexpr HRESULT MAPI_E_HAS_FOLDERS = MakeHResult(0x80040609);
constexpr HRESULT MAPI_E_HAS_MESSAGES = MakeHResult(0x8004060A);
constexpr HRESULT MAPI_E_FOLDER_CYCLE = MakeHResult(0x8004060B);
constexpr HRESULT MAPI_E_AMBIGUOUS_RECIP = MakeHResult(0x80040700);

// Warnings (success codes)
constexpr HRESULT MAPI_W_NO_SERVICE = MakeHResult(0x00040203);
constexpr HRESULT MAPI_W_ERRORS_RETURNED = MakeHResult(0x00040380);
constexpr HRESULT MAPI_W_POSITION_CHANGED = MakeHResult(0x00040481);
constexpr HRESULT MAPI_W_APPROX_COUNT = MakeHResult(0x00040482);
constexpr HRESULT MAPI_W_CANCEL_MESSAGE = MakeHResult(0x00040580);
constexpr HRESULT MAPI_W_PARTIAL_COMPLETION = MakeHResult(0x00040680);

// "8004010f": the code as the system prints it ("%08lx", lower case).
std::string HResultHex(HRESULT hr);
// "MAPI_E_NOT_FOUND"; HResultHex for a code without a name here.
std::string HResultName(HRESULT hr);
// "MAPI_E_NOT_FOUND (8004010f)" for logs and test messages. (Not an overload of
// ToString: HRESULT and property tags are both plain 32-bit integers.)
std::string HResultToString(HRESULT hr);

}  // namespace korvale::mapi
