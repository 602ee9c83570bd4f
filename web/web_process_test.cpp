// The korvale-web program itself: a clear error when its port is taken, a
// real browser (headless Chromium) rendering a group page of the demo, the
// visitor taken from the proxy's header, and forms from other sites refused.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/dates.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "web/web_demo_fixture.h"

namespace korvale::web {
namespace {

using korvale::testing::Backend;
using korvale::testing::BuiltProgram;
using korvale::testing::RunProcess;
using testing::BackgroundProcess;
using testing::FreePort;
using testing::WebDemoTest;

TEST(KorvaleWebProgram, APortInUseIsAClearError) {
  korvale::testing::TempDir dir;
  korvale::testing::WriteFileBytes(dir.path() / "Caldrun.ini", "[Config]\r\nDB=nowhere\r\nSQLite=1\r\n");
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(fd, 1), 0);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  const std::string port = std::to_string(ntohs(address.sin_port));

  auto result = RunProcess(BuiltProgram("web/korvale-web"), {dir.path().string(), "--port", port});
  close(fd);
  EXPECT_EQ(result.exit_code, 2) << result.output;
  EXPECT_NE(result.output.find("cannot listen on 127.0.0.1:" + port + ": the port is already in use"),
            std::string::npos)
      << result.output;
}

TEST(KorvaleWebProgram, AFolderWithoutSettingsIsAClearError) {
  korvale::testing::TempDir dir;
  auto result = RunProcess(BuiltProgram("web/korvale-web"), {dir.path().string()});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_NE(result.output.find("No settings file"), std::string::npos) << result.output;
}

// Chromium is required where KORVALE_TEST_CHROMIUM_REQUIRED is set (CI).
std::string Chromium() {
  for (const char* candidate : {"/usr/bin/chromium", "/usr/bin/chromium-browser"}) {
    if (access(candidate, X_OK) == 0) return candidate;
  }
  return "";
}

// One raw HTTP/1.1 request to 127.0.0.1:port; the whole response.
std::string RawRequest(const std::string& port, const std::string& request) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(std::stoi(port)));
  std::string response;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
      response.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return response;
}

class WebServer : public WebDemoTest {
 protected:
  void CheckInChromium();
  void CheckProxyHeaderAndOrigin();
};

TEST_P(WebServer, OverTheDemoAfterOneCycle) {
  RunCycle("Korvale Update Service");
  CheckProxyHeaderAndOrigin();
  CheckInChromium();  // last: it may skip
}

// Headless Chromium loads the group page: the rendered DOM and a screenshot.
void WebServer::CheckInChromium() {
  const std::string chromium = Chromium();
  if (chromium.empty()) {
    if (std::getenv("KORVALE_TEST_CHROMIUM_REQUIRED")) FAIL() << "chromium is required but not installed";
    GTEST_SKIP() << "chromium is not installed (Debian package chromium)";
  }
  const std::string port = std::to_string(FreePort());
  BackgroundProcess server(BuiltProgram("web/korvale-web"),
                           {dir_.path().string(), "--port", port, "--user", "DEMO\\david"});
  std::string seen;
  ASSERT_TRUE(server.WaitForLine("serving", &seen)) << seen;

  const std::string url = "http://127.0.0.1:" + port + "/group/1";
  std::vector<std::string> common = {"--headless",
                                     "--disable-gpu",
                                     "--no-sandbox",
                                     "--no-first-run",
                                     "--user-data-dir=" + dir_.File("chromium-profile"),
                                     "--window-size=1400,900"};
  std::vector<std::string> dump = common;
  dump.insert(dump.end(), {"--dump-dom", url});
  auto dom = RunProcess(chromium, dump);
  ASSERT_EQ(dom.exit_code, 0) << dom.output;
  EXPECT_NE(dom.output.find("<table class=\"week\" id=\"week\" data-group=\"Staff\">"), std::string::npos)
      << dom.output;
  EXPECT_NE(dom.output.find("<tr data-member=\"Clara Diaz\">"), std::string::npos);
  EXPECT_NE(dom.output.find("Design review"), std::string::npos) << "david reads Clara's calendar";
  EXPECT_NE(dom.output.find("DEMO\\david"), std::string::npos) << "the fixed visitor is named";

  std::vector<std::string> shot = common;
  shot.insert(shot.end(), {"--screenshot=" + dir_.File("group.png"), url});
  auto picture = RunProcess(chromium, shot);
  ASSERT_EQ(picture.exit_code, 0) << picture.output;
  std::string png = korvale::testing::ReadFileBytes(dir_.path() / "group.png");
  ASSERT_GT(png.size(), 1000u) << picture.output;
  EXPECT_EQ(png.substr(1, 3), "PNG");
}

// The visitor comes from the proxy's header; a form from another site is refused.
void WebServer::CheckProxyHeaderAndOrigin() {
  const std::string port = std::to_string(FreePort());
  BackgroundProcess server(BuiltProgram("web/korvale-web"),
                           {dir_.path().string(), "--port", port, "--user-header", "X-Korvale-User"});
  std::string seen;
  ASSERT_TRUE(server.WaitForLine("serving", &seen)) << seen;
  const std::string get = "GET /group/1 HTTP/1.1\r\nHost: 127.0.0.1:" + port + "\r\nConnection: close\r\n";
  std::string as_david = RawRequest(port, get + "X-Korvale-User: DEMO\\david\r\n\r\n");
  std::string anonymous = RawRequest(port, get + "\r\n");
  EXPECT_NE(as_david.find("HTTP/1.1 200"), std::string::npos) << as_david;
  EXPECT_NE(as_david.find("Design review"), std::string::npos) << "david reads Clara's calendar";
  EXPECT_EQ(anonymous.find("Design review"), std::string::npos) << "without the header nobody is signed in";
  EXPECT_NE(anonymous.find("not signed in"), std::string::npos);

  const std::string body = "group=Staff&organizer=David+Evans&date=" + korvale::testing::DayFromToday(3) +
                           "&start=08%3A00&end=09%3A00&title=Forged";
  auto post_booking = [&](const std::string& origin) {
    return RawRequest(port, "POST /book HTTP/1.1\r\nHost: 127.0.0.1:" + port + "\r\nOrigin: " + origin +
                                "\r\nX-Korvale-User: DEMO\\david\r\n"
                                "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
  };
  std::string forged = post_booking("http://elsewhere.example");
  EXPECT_NE(forged.find("HTTP/1.1 403"), std::string::npos) << forged;
  EXPECT_TRUE(Rows("SELECT * FROM Meetings").empty()) << "a form from another site books nothing";
  std::string own = post_booking("http://127.0.0.1:" + port);
  EXPECT_NE(own.find("HTTP/1.1 303"), std::string::npos) << own;
  EXPECT_EQ(Rows("SELECT * FROM Meetings").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Backends, WebServer, ::testing::Values(Backend::kSqlite),
                         korvale::testing::BackendName);

}  // namespace
}  // namespace korvale::web
