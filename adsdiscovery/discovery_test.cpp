// Discovery against a real directory: slapd on loopback with the schema,
// root DSE and forests of testdata/, read through the real libKrvADS.so
// loaded with dlopen as the programs load it.
//
// libldap reads its configuration (ldap.conf, LDAPURI ...) once per process,
// so every directory access runs in a child process with its own environment.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "adsdiscovery/ads_discovery.h"
#include "adsdiscovery/discovery.h"
#include "tests/support/child_process.h"
#include "tests/support/slapd_server.h"
#include "tests/support/temp_dir.h"

namespace korvale::ads {
namespace {

constexpr char kSuffix[] = "cn=Configuration,dc=korvale,dc=test";
constexpr char kExchange[] = "cn=Microsoft Exchange,cn=Services,cn=Configuration,dc=korvale,dc=test";

std::string TestData(const std::string& name) { return std::string(ADS_TESTDATA) + "/" + name; }

testing::SlapdConfig Forest(const std::vector<std::string>& ldif_files) {
  return {{TestData("korvale-directory.schema")}, TestData("rootdse.ldif"), kSuffix, ldif_files};
}

struct Call {
  int32_t hresult = 0;
  std::string buffer;  // all 49152 bytes after the call
  std::string printed;
  std::string Area(int i) const { return std::string(buffer.c_str() + i * kAreaSize); }
};

// Loads libKrvADS.so, calls ADSGetOrgAndServers on a buffer filled with 'X'.
Call CallLibrary(const std::map<std::string, std::string>& env) {
  testing::ChildOutput child = testing::InChild(env, [] {
    void* library = dlopen(KRVADS_LIBRARY, RTLD_NOW);
    if (!library) return std::string("dlopen: ") + dlerror();
    auto fn = reinterpret_cast<ADSGetOrgAndServersFn>(dlsym(library, "ADSGetOrgAndServers"));
    if (!fn) return std::string("dlsym: ") + dlerror();
    std::string buffer(kResultBufferSize, 'X');
    int32_t hr = fn(buffer.data());
    dlclose(library);
    return std::string(reinterpret_cast<const char*>(&hr), sizeof hr) + buffer;
  });
  Call call;
  if (child.result.size() != sizeof(int32_t) + kResultBufferSize) {
    ADD_FAILURE() << "the child did not call the library: " << child.result;
    return call;
  }
  std::memcpy(&call.hresult, child.result.data(), sizeof call.hresult);
  call.buffer = child.result.substr(sizeof(int32_t));
  call.printed = child.stdout_text;
  return call;
}

// The environment of a child that finds the directory through LDAPURI only.
std::map<std::string, std::string> PointedAt(const std::string& uri, const testing::TempDir& home) {
  return {{"LDAPURI", uri},   {"LDAPCONF", ""},     {"LDAPRC", ""}, {"HOME", home.path().string()},
          {"LDAPNOINIT", ""}, {"LDAPSASL_MECH", ""}};
}

// The example forest of the library's contract, found through ldap.conf as an
// administrator configures it (URI and BASE; anonymous bind).
TEST(DirectoryDiscovery, OneOrganisationThroughLdapConfGivesTheExactAreas) {
  testing::SlapdServer slapd(Forest({TestData("one-organisation.ldif")}));
  KORVALE_REQUIRE_SLAPD(slapd);
  const std::string conf = slapd.dir().File("ldap.conf");
  std::ofstream(conf) << "# the test directory\nURI " << slapd.uri() << "\nBASE " << kSuffix << "\n";
  auto env = PointedAt("", slapd.dir());
  env["LDAPCONF"] = conf;
  Call call = CallLibrary(env);
  EXPECT_EQ(call.hresult, 0) << call.printed;
  EXPECT_EQ(call.Area(0), "Org;");
  EXPECT_EQ(call.Area(1), "000First;000Second;");
  EXPECT_EQ(call.Area(2), "000000S1;000001S2;000001S3;");
  EXPECT_EQ(call.printed, "");
}

// Group numbers run over all organisations: the callers match servers by them.
TEST(DirectoryDiscovery, SecondOrganisationContinuesTheGroupNumbers) {
  testing::SlapdServer slapd(Forest({TestData("two-organisations.ldif")}));
  KORVALE_REQUIRE_SLAPD(slapd);
  Call call = CallLibrary(PointedAt(slapd.uri(), slapd.dir()));
  EXPECT_EQ(call.hresult, 0);
  EXPECT_EQ(call.Area(0), "Org;Other Org;");
  EXPECT_EQ(call.Area(1), "000First;000Second;001Third;001Empty Group;");
  EXPECT_EQ(call.Area(2), "000000S1;000001S2;001002T1;001002T2;");
  DiscoveredNames names = ReadDiscoveryAreas(call.buffer.data());
  EXPECT_EQ(names.ServersOf(1, 2), (std::vector<std::string>{"T1", "T2"}));
}

// Without the mail system's container the failure comes back with empty areas.
TEST(DirectoryDiscovery, DirectoryWithoutTheContainerReturnsItsFailureAndEmptyAreas) {
  testing::SlapdServer slapd(Forest({TestData("no-exchange.ldif")}));
  KORVALE_REQUIRE_SLAPD(slapd);
  Call call = CallLibrary(PointedAt(slapd.uri(), slapd.dir()));
  EXPECT_EQ(static_cast<uint32_t>(call.hresult), 0x80072030u) << "no such object";
  EXPECT_EQ(call.buffer, std::string(kResultBufferSize, '\0')) << "the empty result is handed over";
  EXPECT_EQ(ldap::LdapErrorText(call.hresult), "No such object");
}

// A server nobody answers on: the message on standard output, the caller's buffer untouched.
TEST(DirectoryDiscovery, UnreachableServerLeavesTheBufferUnchanged) {
  testing::TempDir home;
  int port = 0;
  {
    testing::SlapdServer slapd(Forest({TestData("no-exchange.ldif")}));
    KORVALE_REQUIRE_SLAPD(slapd);
    port = std::stoi(slapd.uri().substr(std::strlen("ldap://127.0.0.1:")));
  }  // stopped: nothing listens on its port now
  Call call = CallLibrary(PointedAt("ldap://127.0.0.1:" + std::to_string(port) + "/", home));
  EXPECT_EQ(static_cast<uint32_t>(call.hresult), 0x8007203Au) << "the server is not operational";
  EXPECT_EQ(call.printed, "Not Found. Could not bind to the domain.\n");
  EXPECT_EQ(call.buffer, std::string(kResultBufferSize, 'X'));
  EXPECT_EQ(ldap::LdapErrorText(call.hresult), "Can't contact LDAP server");
}

// 600 servers of 37 characters each overflow the server area: whole entries up
// to 16383 characters are kept, nothing is written past the area, and an
// organisation whose name holds ";" is left out without taking a number.
TEST(DirectoryDiscovery, OverflowingAreaKeepsWholeEntriesWithinItsSize) {
  testing::TempDir data;
  const std::string ldif = data.File("overflow.ldif");
  {
    std::ofstream out(ldif);
    auto entry = [&](const std::string& dn, const std::string& cls, const std::string& cn) {
      out << "dn: " << dn << "\nobjectClass: " << cls << "\ncn: " << cn << "\n";
      if (cls != "krvContainer") out << "objectCategory: " << cls << "\n";
      out << "\n";
    };
    entry(kSuffix, "krvContainer", "Configuration");
    entry(std::string("cn=Services,") + kSuffix, "krvContainer", "Services");
    entry(kExchange, "krvContainer", "Microsoft Exchange");
    for (const std::string org : {"Semi;colon", "Big"}) {
      const std::string odn = "cn=" + std::string(org == "Big" ? "Big" : "Semi\\3Bcolon") + "," + kExchange;
      entry(odn, "msExchOrganizationContainer", org);
      entry("cn=Groups," + odn, "msExchAdminGroupContainer", "Groups");
      entry("cn=G," + std::string("cn=Groups,") + odn, "msExchAdminGroup", "G");
      const std::string servers = "cn=Servers,cn=G,cn=Groups," + odn;
      entry(servers, "msExchServersContainer", "Servers");
      for (int i = 0; i < 600 && org == "Big"; ++i) {
        char name[40];
        std::snprintf(name, sizeof name, "server-%03d-with-a-long-name-xx", i);  // 30 characters
        entry("cn=" + std::string(name) + "," + servers, "msExchExchangeServer", name);
      }
    }
  }
  testing::SlapdServer slapd(Forest({ldif}));
  KORVALE_REQUIRE_SLAPD(slapd);
  Call call = CallLibrary(PointedAt(slapd.uri(), slapd.dir()));
  EXPECT_EQ(call.hresult, 0);
  EXPECT_EQ(call.Area(0), "Big;");
  EXPECT_EQ(call.Area(1), "000G;");
  const std::string servers = call.Area(2);
  EXPECT_EQ(servers.size(), 442u * 37u) << "16383 / 37 whole entries";
  EXPECT_EQ(servers.substr(servers.size() - 37), "000000server-441-with-a-long-name-xx;");
  EXPECT_EQ(call.buffer.find_first_not_of('\0', 32768 + servers.size()), std::string::npos);
}

// A directory that fails some reads, over the real connection: only the
// failing subtree is lost.
class FailingDirectory : public ldap::LdapDirectory {
 public:
  FailingDirectory(std::unique_ptr<ldap::LdapDirectory> real, std::string fail_open, std::string fail_search)
      : real_(std::move(real)), fail_open_(std::move(fail_open)), fail_search_(std::move(fail_search)) {}
  Expected<std::vector<std::string>> ReadRootDse(const std::string& attribute) override {
    return real_->ReadRootDse(attribute);
  }
  Status OpenEntry(const std::string& dn) override {
    if (dn == fail_open_) return Status::Error("injected", static_cast<int32_t>(0x80072030));
    return real_->OpenEntry(dn);
  }
  Expected<std::vector<ldap::LdapRow>> SearchSubtree(const std::string& base, const std::string& filter,
                                                     const std::vector<std::string>& attributes) override {
    if (base + filter == fail_search_) return Status::Error("injected", static_cast<int32_t>(0x80072020));
    return real_->SearchSubtree(base, filter, attributes);
  }

 private:
  std::unique_ptr<ldap::LdapDirectory> real_;
  std::string fail_open_, fail_search_;
};

std::string DiscoverWith(const std::string& fail_open, const std::string& fail_search) {
  auto real = ldap::LdapDirectory::Connect();
  if (!real.ok()) return "connect: " + real.status().message();
  FailingDirectory directory(std::move(*real), fail_open, fail_search);
  DiscoveryAreas areas;
  DiscoveryResult result = Discover(directory, areas);
  return std::to_string(result.hresult) + (result.copy ? " copy|" : " keep|") + areas.organisations() + "|" +
         areas.groups() + "|" + areas.servers();
}

TEST(DirectoryDiscovery, FailuresBelowTheOrganisationSearchSkipOnlyTheirSubtree) {
  testing::SlapdServer slapd(Forest({TestData("two-organisations.ldif")}));
  KORVALE_REQUIRE_SLAPD(slapd);
  auto env = PointedAt(slapd.uri(), slapd.dir());
  // The bases as discovery spells them: the container as it builds it, below it as the directory answers.
  const std::string exchange = std::string("CN=Microsoft Exchange,CN=Services,") + kSuffix;
  const std::string org = std::string("cn=Org,") + kExchange;
  const std::string second = "cn=Second,cn=Administrative Groups," + org;
  struct Case {
    const char* what;
    std::string fail_open, fail_search, expected;
  } cases[] = {
      {"servers search of one group fails", "",
       "cn=Servers," + second + "(objectCategory=msExchExchangeServer)",
       "0 copy|Org;Other Org;|000First;000Second;001Third;001Empty Group;|000000S1;001002T1;001002T2;"},
      {"an organisation cannot be opened", org, "",
       "0 copy|Org;Other Org;|001Third;001Empty Group;|001000T1;001000T2;"},
      {"the organisation search fails", "", exchange + "(objectCategory=msExchOrganizationContainer)",
       std::to_string(static_cast<int32_t>(0x80072020)) + " keep|||"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::ChildOutput out =
        testing::InChild(env, [&] { return DiscoverWith(c.fail_open, c.fail_search); });
    EXPECT_EQ(out.result, c.expected);
  }
}

}  // namespace
}  // namespace korvale::ads
