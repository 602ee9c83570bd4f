// Entry identifier layouts.
#include "platform/mapi/orgstore/entry_ids.h"

#include <algorithm>

#include "platform/mapi/orgstore/codec.h"

namespace korvale::mapi::orgstore {

const MAPIUID kStoreProviderUid{0x38, 0xA1, 0xBB, 0x10, 0x05, 0xE5, 0x10, 0x1A,
                                0xA1, 0xBB, 0x08, 0x00, 0x2B, 0x2A, 0x56, 0xC2};
const MAPIUID kAddressBookProviderUid{0xDC, 0xA7, 0x40, 0xC8, 0xC0, 0x42, 0x10, 0x1A,
                                      0xB4, 0xB9, 0x08, 0x00, 0x2B, 0x2F, 0xE1, 0x82};
const MAPIUID kOneOffProviderUid{0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                 0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};

namespace {

// The wrapped provider UID of a private mailbox store and its type.
const MAPIUID kPrivateStoreWrappedUid{0x1B, 0x55, 0xFA, 0x20, 0xAA, 0x66, 0x11, 0xCD,
                                      0x9B, 0xC8, 0x00, 0xAA, 0x00, 0x2F, 0xC4, 0x5A};
constexpr uint32_t kWrappedTypePrivate = 0x0000000C;
constexpr uint16_t kPrivateFolder = 0x0001;
constexpr uint16_t kPrivateMessage = 0x0007;

void PutUid(std::vector<uint8_t>& out, const MAPIUID& uid) { out.insert(out.end(), uid.begin(), uid.end()); }
void PutGuid(std::vector<uint8_t>& out, const GUID& g) {
  auto b = GuidToBytes(g);
  out.insert(out.end(), b.begin(), b.end());
}
void PutCString(std::vector<uint8_t>& out, const std::string& s) {
  out.insert(out.end(), s.begin(), s.end());
  out.push_back(0);
}
// A 48-bit global counter, big-endian as Exchange writes it.
void PutCounter(std::vector<uint8_t>& out, int64_t v) {
  for (int i = 5; i >= 0; --i) out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
}

bool ReadUid(ByteReader& r, MAPIUID* uid) {
  std::vector<uint8_t> b;
  if (!r.Bytes(16, &b)) return false;
  std::copy(b.begin(), b.end(), uid->begin());
  return true;
}
bool ReadGuid(ByteReader& r, GUID* g) {
  std::vector<uint8_t> b;
  if (!r.Bytes(16, &b)) return false;
  *g = GuidFromBytes(b.data());
  return true;
}
bool ReadCounter(ByteReader& r, int64_t* v) {
  std::vector<uint8_t> b;
  if (!r.Bytes(6, &b)) return false;
  uint64_t x = 0;
  for (uint8_t c : b) x = (x << 8) | c;
  *v = static_cast<int64_t>(x);
  return true;
}
bool ReadHeader(ByteReader& r, const MAPIUID& expected) {
  uint32_t flags;
  MAPIUID uid;
  return r.U32(&flags) && ReadUid(r, &uid) && uid == expected;
}

}  // namespace

ENTRYID MakeStoreEid(const StoreEid& eid) {
  ENTRYID out;
  PutU32(out, 0);
  PutUid(out, kStoreProviderUid);
  out.push_back(0);                    // version
  out.push_back(0);                    // flag
  const char kDll[14] = "emsmdb.dll";  // zero-padded to 14 bytes
  out.insert(out.end(), kDll, kDll + 14);
  PutU32(out, 0);  // wrapped flags
  PutUid(out, kPrivateStoreWrappedUid);
  PutU32(out, kWrappedTypePrivate);
  PutCString(out, eid.server_short_name);
  PutCString(out, eid.mailbox_dn);
  return out;
}

std::optional<StoreEid> ParseStoreEid(const ENTRYID& bytes) {
  ByteReader r(bytes);
  uint8_t version, flag;
  std::vector<uint8_t> dll;
  uint32_t wflags, wtype;
  MAPIUID wuid;
  StoreEid eid;
  if (!ReadHeader(r, kStoreProviderUid) || !r.U8(&version) || !r.U8(&flag) || !r.Bytes(14, &dll) ||
      !r.U32(&wflags) || !ReadUid(r, &wuid) || !r.U32(&wtype) || !r.CString(&eid.server_short_name) ||
      !r.CString(&eid.mailbox_dn))
    return std::nullopt;
  if (std::string(reinterpret_cast<const char*>(dll.data())) != "emsmdb.dll") return std::nullopt;
  if (wuid != kPrivateStoreWrappedUid || wtype != kWrappedTypePrivate) return std::nullopt;
  return eid;
}

ENTRYID MakeFolderEid(const FolderEid& eid) {
  ENTRYID out;
  PutU32(out, 0);
  PutGuid(out, eid.store_guid);
  PutU16(out, kPrivateFolder);
  PutGuid(out, eid.database_guid);
  PutCounter(out, eid.folder_id);
  PutU16(out, 0);
  return out;
}

std::optional<FolderEid> ParseFolderEid(const ENTRYID& bytes) {
  if (bytes.size() != 46) return std::nullopt;
  ByteReader r(bytes);
  uint32_t flags;
  uint16_t type, pad;
  FolderEid eid;
  if (!r.U32(&flags) || !ReadGuid(r, &eid.store_guid) || !r.U16(&type) || type != kPrivateFolder ||
      !ReadGuid(r, &eid.database_guid) || !ReadCounter(r, &eid.folder_id) || !r.U16(&pad))
    return std::nullopt;
  return eid;
}

ENTRYID MakeMessageEid(const MessageEid& eid) {
  ENTRYID out;
  PutU32(out, 0);
  PutGuid(out, eid.store_guid);
  PutU16(out, kPrivateMessage);
  PutGuid(out, eid.database_guid);
  PutCounter(out, eid.folder_id);
  PutU16(out, 0);
  PutGuid(out, eid.database_guid);
  PutCounter(out, eid.message_id);
  PutU16(out, 0);
  return out;
}

std::optional<MessageEid> ParseMessageEid(const ENTRYID& bytes) {
  if (bytes.size() != 70) return std::nullopt;
  ByteReader r(bytes);
  uint32_t flags;
  uint16_t type, pad;
  GUID db2;
  MessageEid eid;
  if (!r.U32(&flags) || !ReadGuid(r, &eid.store_guid) || !r.U16(&type) || type != kPrivateMessage ||
      !ReadGuid(r, &eid.database_guid) || !ReadCounter(r, &eid.folder_id) || !r.U16(&pad) ||
      !ReadGuid(r, &db2) || !ReadCounter(r, &eid.message_id) || !r.U16(&pad))
    return std::nullopt;
  return eid;
}

ENTRYID MakeAddressBookEid(const AddressBookEid& eid) {
  ENTRYID out;
  PutU32(out, 0);
  PutUid(out, kAddressBookProviderUid);
  PutU32(out, 1);  // version
  PutU32(out, eid.type);
  PutCString(out, eid.dn);
  return out;
}

std::optional<AddressBookEid> ParseAddressBookEid(const ENTRYID& bytes) {
  ByteReader r(bytes);
  uint32_t version;
  AddressBookEid eid;
  if (!ReadHeader(r, kAddressBookProviderUid) || !r.U32(&version) || !r.U32(&eid.type) || !r.CString(&eid.dn))
    return std::nullopt;
  return eid;
}

ENTRYID MakeOneOffEid(const OneOffEid& eid) {
  ENTRYID out;
  PutU32(out, 0);
  PutUid(out, kOneOffProviderUid);
  PutU16(out, 0);       // version
  PutU16(out, 0x0001);  // MAPI_ONE_OFF_NO_RICH_INFO; 8-bit strings
  PutCString(out, eid.display_name);
  PutCString(out, eid.address_type);
  PutCString(out, eid.address);
  return out;
}

std::optional<OneOffEid> ParseOneOffEid(const ENTRYID& bytes) {
  ByteReader r(bytes);
  uint16_t version, flags;
  OneOffEid eid;
  if (!ReadHeader(r, kOneOffProviderUid) || !r.U16(&version) || !r.U16(&flags)) return std::nullopt;
  if (flags & 0x8000) {
    // UTF-16 strings (MAPI_ONE_OFF_UNICODE): written by other clients; keep
    // the ASCII subset readable.
    auto read16 = [&](std::string* s) {
      for (;;) {
        uint16_t c;
        if (!r.U16(&c)) return false;
        if (c == 0) return true;
        *s += c < 0x80 ? static_cast<char>(c) : '?';
      }
    };
    if (!read16(&eid.display_name) || !read16(&eid.address_type) || !read16(&eid.address))
      return std::nullopt;
    return eid;
  }
  if (!r.CString(&eid.display_name) || !r.CString(&eid.address_type) || !r.CString(&eid.address))
    return std::nullopt;
  return eid;
}

}  // namespace korvale::mapi::orgstore
