// Value types, their text forms, codes and identifier layouts.
#include <gtest/gtest.h>

#include "platform/mapi/mapi.h"
#include "platform/mapi/orgstore/codec.h"
#include "platform/mapi/orgstore/entry_ids.h"

namespace korvale::mapi {
namespace {

// The numbers are the published ones: other parts of the system print and compare them.
TEST(MapiValues, TagsAndCodesKeepThePublishedNumbers) {
  EXPECT_EQ(PR_SUBJECT, 0x0037001Eu);
  EXPECT_EQ(PR_IPM_APPOINTMENT_ENTRYID, 0x36D00102u);
  EXPECT_EQ(PR_ATTACH_DATA_OBJ, 0x3701000Du);
  EXPECT_EQ(PR_EXCEPTION_STARTTIME, 0x7FFB0040u);
  EXPECT_EQ(PR_EMS_AB_ASSOC_NT_ACCOUNT, 0x80270102u);
  EXPECT_EQ(PR_EMS_AB_EXTENSION_ATTRIBUTE(1), 0x802D001Eu);
  EXPECT_EQ(PR_EMS_AB_EXTENSION_ATTRIBUTE(15), PROP_TAG(PT_STRING8, 0x803B));
  EXPECT_EQ(MDB_NO_DIALOG | MAPI_BEST_ACCESS | MDB_TEMPORARY | MDB_NO_MAIL, 0xB1u);
  EXPECT_EQ(MAPI_NT_SERVICE | MAPI_NO_MAIL | MAPI_EXTENDED, 0x18020u);
  EXPECT_EQ(HResultHex(MAPI_E_NOT_FOUND), "8004010f");
  EXPECT_EQ(HResultHex(MAPI_W_ERRORS_RETURNED), "00040380");
  EXPECT_EQ(HResultName(MAPI_E_AMBIGUOUS_RECIP), "MAPI_E_AMBIGUOUS_RECIP");
  EXPECT_EQ(HResultToString(E_ACCESSDENIED), "MAPI_E_NO_ACCESS (80070005)");
  EXPECT_TRUE(FAILED(MAPI_E_CALL_FAILED));
  EXPECT_FALSE(FAILED(MAPI_W_ERRORS_RETURNED));
}

// Log lines and test messages must show what a value is without a debugger.
TEST(MapiValues, ToStringNamesTagsAndValues) {
  EXPECT_EQ(ToString(SPropValue(PR_SUBJECT, std::string("Hi \"you\""))), "PR_SUBJECT = \"Hi \\\"you\\\"\"");
  EXPECT_EQ(ToString(SPropValue::Error(PR_BODY, MAPI_E_NOT_FOUND)),
            "PR_BODY:PT_ERROR = <error MAPI_E_NOT_FOUND (8004010f)>");
  EXPECT_EQ(ToString(SPropValue(PR_ENTRYID, SBinary{0x0A, 0xFF})), "PR_ENTRYID = <0AFF>");
  EXPECT_EQ(ToString(SPropValue::Time(PROP_TAG(PT_SYSTIME, 0x8205), 116444736000000000ULL)),
            "0x82050040 = 1970-01-01 00:00:00Z");
  EXPECT_EQ(ToString(PSETID_Appointment), "{00062002-0000-0000-C000-000000000046}");
  EXPECT_EQ(ToString(MAPINAMEID::Name(PS_PUBLIC_STRINGS, "Keywords")),
            "{00020329-0000-0000-C000-000000000046}:\"Keywords\"");
}

// A ULONG handed to a PT_LONG tag must land in the int32 alternative, or
// typed readers would miss it.
TEST(MapiValues, NumbersFollowTheTagType) {
  ULONG flags = 0x80000001u;
  SPropValue v(PR_MESSAGE_FLAGS, static_cast<int64_t>(flags));
  ASSERT_NE(v.Long(), nullptr);
  EXPECT_EQ(static_cast<ULONG>(*v.Long()), flags);
  SPropValue b(PROP_TAG(PT_BOOLEAN, 0x8223), 0);
  ASSERT_NE(b.Boolean(), nullptr);
  EXPECT_FALSE(*b.Boolean());
  EXPECT_TRUE(ValueMatchesType(PT_MV_STRING8, std::vector<std::string>{"a"}));
  EXPECT_FALSE(ValueMatchesType(PT_LONG, std::string("a")));
}

TEST(MapiValues, HexConversionRoundTripsAndRejectsBadText) {
  SBinary bytes{0x00, 0x12, 0xAB, 0xFF};
  EXPECT_EQ(HexFromBin(bytes), "0012ABFF");
  SBinary back;
  ASSERT_TRUE(FBinFromHex("0012abff", &back));
  EXPECT_EQ(back, bytes);
  EXPECT_FALSE(FBinFromHex("123", &back));
  EXPECT_FALSE(FBinFromHex("12G4", &back));
}

// Blobs come from a file that may be damaged: decoding must refuse, not read past the end.
TEST(MapiValues, BrokenPropertyBlobsAreRefused) {
  std::vector<SPropValue> props{{PR_SUBJECT, std::string("x")},
                                {PROP_TAG(PT_MV_STRING8, 0x8001), std::vector<std::string>{"a", "bc"}},
                                SPropValue::Time(PR_START_DATE, 123)};
  auto blob = orgstore::EncodePropList(props);
  auto decoded = orgstore::DecodePropList(blob);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(*decoded, props);
  for (size_t cut = 0; cut < blob.size(); ++cut) {
    std::vector<uint8_t> truncated(blob.begin(), blob.begin() + cut);
    EXPECT_FALSE(orgstore::DecodePropList(truncated).has_value()) << "cut at " << cut;
  }
  EXPECT_FALSE(orgstore::DecodeValue(PT_LONG, {1, 2, 3}).has_value());
}

// Identifiers follow the published layouts, so hex text of them looks and parses like Exchange's.
TEST(MapiValues, EntryIdentifiersRoundTrip) {
  using namespace orgstore;
  ENTRYID store = MakeStoreEid({"SRV1", "/o=Org/ou=Site/cn=Recipients/cn=alice"});
  auto s = ParseStoreEid(store);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->server_short_name, "SRV1");
  EXPECT_EQ(s->mailbox_dn, "/o=Org/ou=Site/cn=Recipients/cn=alice");
  GUID a = NewGuid(), b = NewGuid();
  ENTRYID msg = MakeMessageEid({a, b, 7, 1234567});
  EXPECT_EQ(msg.size(), 70u);
  auto m = ParseMessageEid(msg);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->message_id, 1234567);
  EXPECT_FALSE(ParseFolderEid(msg));
  auto oneoff = ParseOneOffEid(MakeOneOffEid({"Ext", "SMTP", "ext@example.com"}));
  ASSERT_TRUE(oneoff);
  EXPECT_EQ(oneoff->address, "ext@example.com");
  ENTRYID truncated(store.begin(), store.begin() + 30);
  EXPECT_FALSE(ParseStoreEid(truncated));
  EXPECT_FALSE(ParseAddressBookEid(SBinary{}));
}

}  // namespace
}  // namespace korvale::mapi
