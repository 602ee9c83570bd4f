#include "agent/scan/owner_entry.h"

#include <strings.h>

#include <algorithm>

namespace korvale {

using namespace mapi;

namespace {

constexpr ULONG kHomeMta = 0x8007001E;
constexpr ULONG kAssocNtAccount = 0x80270102;

const ULONG kFixedTags[] = {kHomeMta,
                            PR_EMAIL_ADDRESS,
                            PR_ACCOUNT,
                            PR_BUSINESS_TELEPHONE_NUMBER,
                            PR_OFFICE_LOCATION,
                            PR_INITIALS,
                            PR_DEPARTMENT_NAME,
                            PR_TITLE,
                            PR_PRIMARY_FAX_NUMBER,
                            PR_HOME_TELEPHONE_NUMBER,
                            PR_MOBILE_TELEPHONE_NUMBER,
                            PR_COMMENT,
                            kAssocNtAccount};

// Custom attribute n is the string property 0x802C + n. Only numbers whose
// identifier stays a valid property identifier (at most 0xFFFE) name one; any
// other number names no attribute, which reads as a missing value.
constexpr int kFirstAttributeId = 0x802C;
constexpr int kLastPropertyId = 0xFFFE;

std::optional<ULONG> CustomAttributeTag(int n) {
  if (n <= 0 || n > kLastPropertyId - kFirstAttributeId) return std::nullopt;
  return PR_EMS_AB_EXTENSION_ATTRIBUTE(n);
}

std::string Text(const std::vector<SPropValue>& values, size_t i) {
  if (i >= values.size()) return {};
  const std::string* s = values[i].String();
  return s ? *s : std::string();
}

std::optional<std::string> OptionalText(const std::vector<SPropValue>& values, ULONG tag) {
  for (const auto& v : values) {
    if (v.ulPropTag == tag) {
      if (const std::string* s = v.String()) return *s;
    }
  }
  return std::nullopt;
}

}  // namespace

SPropTagArray OwnerPropertyTags(const AgentSettings& s) {
  SPropTagArray tags(std::begin(kFixedTags), std::end(kFixedTags));
  for (int n : {s.mailbox_custom_attribute, s.mb_cust_attr_sec_group, s.mb_cust_attr_book_meetings}) {
    std::optional<ULONG> tag = CustomAttributeTag(n);
    if (!tag) continue;
    // An attribute named by two settings is requested once and read by both.
    if (std::find(tags.begin(), tags.end(), *tag) == tags.end()) tags.push_back(*tag);
  }
  tags.push_back(PR_SMTP_ADDRESS);
  while (tags.size() < 17) tags.push_back(PR_NULL);
  return tags;
}

OwnerProperties ReadOwnerProperties(const AgentSettings& s, const std::vector<SPropValue>& values) {
  OwnerProperties o;
  if (!values.empty() && values[0].String()) o.home_mta = *values[0].String();
  o.email_address = Text(values, 1);
  o.alias = Text(values, 2);
  o.phone = Text(values, 3);
  o.office = Text(values, 4);
  o.initials = Text(values, 5);
  o.department = Text(values, 6);
  o.prof_title = Text(values, 7);
  o.off_fax = Text(values, 8);
  o.home_phone = Text(values, 9);
  o.mobile_phone = Text(values, 10);
  o.adr_comment = Text(values, 11);
  if (values.size() > 12 && values[12].Binary()) o.assoc_nt_account = *values[12].Binary();
  auto attribute = [&](int n) -> std::optional<std::string> {
    std::optional<ULONG> tag = CustomAttributeTag(n);
    if (!tag) return std::nullopt;
    return OptionalText(values, *tag);
  };
  o.security_attribute = attribute(s.mailbox_custom_attribute);
  o.sec_group_attribute = attribute(s.mb_cust_attr_sec_group);
  o.book_meetings_attribute = attribute(s.mb_cust_attr_book_meetings);
  o.smtp_address = OptionalText(values, PR_SMTP_ADDRESS);
  return o;
}

HomeServer ParseHomeMta(const std::string& home_mta) {
  HomeServer h;
  auto mta = home_mta.find("/cn=Microsoft MTA");
  h.directory_name = mta == std::string::npos ? home_mta : home_mta.substr(0, mta);
  auto servers = h.directory_name.find("/cn=Servers/cn=");
  if (servers != std::string::npos) h.server_name = h.directory_name.substr(servers + 15);
  h.store_name = h.directory_name + "/cn=Microsoft Private MDB";
  return h;
}

bool AttributeIsOne(const std::optional<std::string>& value) {
  return value && strcasecmp(value->c_str(), "1") == 0;
}

}  // namespace korvale
