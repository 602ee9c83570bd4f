// The owner properties the scan asks the directory for: which custom
// attributes are requested decides whether a mailbox is hidden, which
// security group it names and whether it may book.
#include "agent/scan/owner_entry.h"

#include <gtest/gtest.h>

namespace korvale {
namespace {

using namespace mapi;

TEST(OwnerPropertyTags, ConfiguredAttributesFollowTheFixedTagsOnceEach) {
  AgentSettings s;
  s.mailbox_custom_attribute = 5;
  s.mb_cust_attr_sec_group = 7;
  s.mb_cust_attr_book_meetings = 5;  // the same attribute as the first: requested once
  SPropTagArray tags = OwnerPropertyTags(s);
  ASSERT_EQ(tags.size(), 17u);
  EXPECT_EQ(tags[13], 0x8031001Eu) << "attribute 5 is 0x802C + 5";
  EXPECT_EQ(tags[14], 0x8033001Eu);
  EXPECT_EQ(tags[15], PR_SMTP_ADDRESS);
  EXPECT_EQ(tags[16], PR_NULL);

  std::vector<SPropValue> values(tags.size());
  values[13] = SPropValue(tags[13], std::string("1"));
  values[14] = SPropValue(tags[14], std::string("Managers"));
  values[15] = SPropValue(PR_SMTP_ADDRESS, std::string("ann@x.example"));
  OwnerProperties o = ReadOwnerProperties(s, values);
  EXPECT_EQ(o.security_attribute, "1");
  EXPECT_EQ(o.book_meetings_attribute, "1") << "both settings read the one value";
  EXPECT_EQ(o.sec_group_attribute, "Managers");
  EXPECT_EQ(o.smtp_address, "ann@x.example");
}

// A number whose identifier would leave the property range names no
// attribute: nothing is requested and the value reads as missing.
TEST(OwnerPropertyTags, NumbersPastThePropertyRangeNameNoAttribute) {
  AgentSettings s;
  s.mailbox_custom_attribute = 0xFFFE - 0x802C;  // the last identifier
  s.mb_cust_attr_sec_group = 0xFFFF - 0x802C;
  s.mb_cust_attr_book_meetings = -3;
  SPropTagArray tags = OwnerPropertyTags(s);
  ASSERT_EQ(tags.size(), 17u);
  EXPECT_EQ(tags[13], 0xFFFE001Eu);
  EXPECT_EQ(tags[14], PR_SMTP_ADDRESS);
  std::vector<SPropValue> values(tags.size());
  values[13] = SPropValue(tags[13], std::string("1"));
  OwnerProperties o = ReadOwnerProperties(s, values);
  EXPECT_EQ(o.security_attribute, "1");
  EXPECT_EQ(o.sec_group_attribute, std::nullopt);
  EXPECT_EQ(o.book_meetings_attribute, std::nullopt);
}

}  // namespace
}  // namespace korvale
