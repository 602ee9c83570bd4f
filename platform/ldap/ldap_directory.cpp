#include "platform/ldap/ldap_directory.h"

#include <ldap.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "common/text.h"

namespace korvale::ldap {

namespace {

// LDAP result codes and the directory-service errors (Win32 codes) that
// stand for them, so that callers see the codes they know.
struct CodePair {
  int ldap;
  uint32_t win32;
};
constexpr std::array<CodePair, 30> kCodes{{
    {LDAP_OPERATIONS_ERROR, 8224},
    {LDAP_PROTOCOL_ERROR, 8225},
    {LDAP_TIMELIMIT_EXCEEDED, 8226},
    {LDAP_SIZELIMIT_EXCEEDED, 8227},
    {LDAP_ADMINLIMIT_EXCEEDED, 8228},
    {LDAP_AUTH_METHOD_NOT_SUPPORTED, 8231},
    {LDAP_STRONG_AUTH_REQUIRED, 8232},
    {LDAP_INAPPROPRIATE_AUTH, 8233},
    {LDAP_AUTH_UNKNOWN, 8234},
    {LDAP_REFERRAL, 8235},
    {LDAP_UNAVAILABLE_CRITICAL_EXTENSION, 8236},
    {LDAP_CONFIDENTIALITY_REQUIRED, 8237},
    {LDAP_INAPPROPRIATE_MATCHING, 8238},
    {LDAP_CONSTRAINT_VIOLATION, 8239},
    {LDAP_NO_SUCH_OBJECT, 8240},
    {LDAP_INVALID_DN_SYNTAX, 8242},
    {LDAP_UNWILLING_TO_PERFORM, 8245},
    {LDAP_LOOP_DETECT, 8246},
    {LDAP_SERVER_DOWN, 8250},
    {LDAP_LOCAL_ERROR, 8251},
    {LDAP_ENCODING_ERROR, 8252},
    {LDAP_DECODING_ERROR, 8253},
    {LDAP_FILTER_ERROR, 8254},
    {LDAP_PARAM_ERROR, 8255},
    {LDAP_NOT_SUPPORTED, 8256},
    {LDAP_INVALID_CREDENTIALS, 1326},
    {LDAP_INSUFFICIENT_ACCESS, 5},
    {LDAP_BUSY, 8206},
    {LDAP_UNAVAILABLE, 8207},
    {LDAP_TIMEOUT, 1460},
}};
// A failure the table does not name: ERROR_DS_GENERIC_ERROR.
constexpr uint32_t kGenericWin32 = 8341;

int32_t FromWin32(uint32_t code) { return static_cast<int32_t>(0x80070000u | (code & 0xFFFFu)); }

int32_t HresultOf(int ldap_code) {
  if (ldap_code == LDAP_CONNECT_ERROR) ldap_code = LDAP_SERVER_DOWN;
  for (const auto& pair : kCodes)
    if (pair.ldap == ldap_code) return FromWin32(pair.win32);
  return FromWin32(kGenericWin32);
}

Status Failure(int ldap_code, const std::string& what) {
  return Status::Error(what + ": " + ldap_err2string(ldap_code), HresultOf(ldap_code));
}

// The session handle; unbinding also frees it.
struct LdapCloser {
  void operator()(LDAP* ld) const { ldap_unbind_ext_s(ld, nullptr, nullptr); }
};
using LdapHandle = std::unique_ptr<LDAP, LdapCloser>;

struct MessageFree {
  void operator()(LDAPMessage* m) const { ldap_msgfree(m); }
};
using MessageHandle = std::unique_ptr<LDAPMessage, MessageFree>;

// A program without a terminal cannot answer SASL's questions; the
// mechanisms meant here (EXTERNAL, GSSAPI with the user's ticket) ask none.
int NoInteraction(LDAP*, unsigned, void*, void*) { return LDAP_SUCCESS; }

class LdapConnection : public LdapDirectory {
 public:
  explicit LdapConnection(LdapHandle ld) : ld_(std::move(ld)) {}

  Expected<std::vector<std::string>> ReadRootDse(const std::string& attribute) override {
    auto rows = Search("", LDAP_SCOPE_BASE, "(objectClass=*)", {attribute});
    if (!rows.ok()) return rows.status();
    if (rows->empty()) return Status::Error("the root DSE cannot be read", FromWin32(8240));
    auto it = rows->front().find(Lower(attribute));
    if (it == rows->front().end() || it->second.empty())
      return Status::Error("the root DSE has no " + attribute, kPropertyNotFound);
    return it->second;
  }

  Status OpenEntry(const std::string& dn) override {
    auto rows = Search(dn, LDAP_SCOPE_BASE, "(objectClass=*)", {"1.1"});
    if (!rows.ok()) return rows.status();
    if (rows->empty()) return Failure(LDAP_NO_SUCH_OBJECT, dn);
    return Status::Ok();
  }

  Expected<std::vector<LdapRow>> SearchSubtree(const std::string& base, const std::string& filter,
                                               const std::vector<std::string>& attributes) override {
    return Search(base, LDAP_SCOPE_SUBTREE, filter, attributes);
  }

 private:
  Expected<std::vector<LdapRow>> Search(const std::string& base, int scope, const std::string& filter,
                                        const std::vector<std::string>& attributes) {
    std::vector<char*> attrs;
    std::vector<std::string> names(attributes);
    for (auto& name : names) attrs.push_back(name.data());
    attrs.push_back(nullptr);
    LDAPMessage* raw = nullptr;
    int rc = ldap_search_ext_s(ld_.get(), base.c_str(), scope, filter.c_str(), attrs.data(), 0, nullptr,
                               nullptr, nullptr, LDAP_NO_LIMIT, &raw);
    MessageHandle result(raw);
    // A server's size limit still hands over the entries up to it: keep them.
    if (rc != LDAP_SUCCESS && rc != LDAP_SIZELIMIT_EXCEEDED)
      return Failure(rc, "search " + filter + " under " + base);
    std::vector<LdapRow> rows;
    for (LDAPMessage* e = ldap_first_entry(ld_.get(), result.get()); e; e = ldap_next_entry(ld_.get(), e))
      rows.push_back(RowOf(e));
    return rows;
  }

  LdapRow RowOf(LDAPMessage* entry) {
    LdapRow row;
    if (char* dn = ldap_get_dn(ld_.get(), entry)) {
      row["distinguishedname"].push_back(dn);
      ldap_memfree(dn);
    }
    BerElement* ber = nullptr;
    for (char* a = ldap_first_attribute(ld_.get(), entry, &ber); a;
         a = ldap_next_attribute(ld_.get(), entry, ber)) {
      std::string name = Lower(a);
      ldap_memfree(a);
      if (name == "distinguishedname") continue;  // the entry's own name is the one taken
      berval** values = ldap_get_values_len(ld_.get(), entry, name.c_str());
      for (int i = 0; values && values[i]; ++i) row[name].emplace_back(values[i]->bv_val, values[i]->bv_len);
      ldap_value_free_len(values);
    }
    if (ber) ber_free(ber, 0);
    return row;
  }

  LdapHandle ld_;
};

Status Bind(LDAP* ld) {
  char* mech = nullptr;
  ldap_get_option(ld, LDAP_OPT_X_SASL_MECH, &mech);
  if (mech) {
    std::string mechanism(mech);
    ldap_memfree(mech);
    int rc = ldap_sasl_interactive_bind_s(ld, nullptr, mechanism.c_str(), nullptr, nullptr, LDAP_SASL_QUIET,
                                          NoInteraction, nullptr);
    if (rc != LDAP_SUCCESS) return Failure(rc, "SASL bind (" + mechanism + ")");
    return Status::Ok();
  }
  berval empty{0, nullptr};
  int rc = ldap_sasl_bind_s(ld, nullptr, LDAP_SASL_SIMPLE, &empty, nullptr, nullptr, nullptr);
  if (rc != LDAP_SUCCESS) return Failure(rc, "anonymous bind");
  return Status::Ok();
}

}  // namespace

Expected<std::unique_ptr<LdapDirectory>> LdapDirectory::Connect() {
  LDAP* raw = nullptr;
  // No URI: the configured one (ldap.conf URI, or LDAPURI).
  int rc = ldap_initialize(&raw, nullptr);
  LdapHandle ld(raw);
  if (rc != LDAP_SUCCESS || !ld)
    return Failure(rc == LDAP_SUCCESS ? LDAP_LOCAL_ERROR : rc, "ldap_initialize");
  int version = LDAP_VERSION3;
  ldap_set_option(ld.get(), LDAP_OPT_PROTOCOL_VERSION, &version);
  // Directories answer with referrals to other servers; discovery reads only its own.
  ldap_set_option(ld.get(), LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  // A server that accepts no connection must not hold a waiting dialog for
  // ever: 15 seconds unless ldap.conf sets NETWORK_TIMEOUT.
  timeval* configured = nullptr;
  if (ldap_get_option(ld.get(), LDAP_OPT_NETWORK_TIMEOUT, &configured) == LDAP_OPT_SUCCESS && configured) {
    ldap_memfree(configured);
  } else {
    timeval limit{15, 0};
    ldap_set_option(ld.get(), LDAP_OPT_NETWORK_TIMEOUT, &limit);
  }
  if (Status bound = Bind(ld.get()); !bound.ok()) return bound;
  return std::unique_ptr<LdapDirectory>(std::make_unique<LdapConnection>(std::move(ld)));
}

std::string LdapErrorText(int32_t hresult) {
  if (hresult == kPropertyNotFound) return "The directory property cannot be found in the cache.";
  uint32_t code = static_cast<uint32_t>(hresult);
  if ((code & 0xFFFF0000u) == 0x80070000u) {
    for (const auto& pair : kCodes)
      if (pair.win32 == (code & 0xFFFFu)) return ldap_err2string(pair.ldap);
    if ((code & 0xFFFFu) == kGenericWin32) return "A directory service error has occurred.";
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "Unknown error %08lx.", static_cast<unsigned long>(code));
  return buffer;
}

}  // namespace korvale::ldap
