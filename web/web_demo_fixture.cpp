#include "web/web_demo_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <regex>

#include "tests/support/dates.h"

namespace korvale::web::testing {

namespace {

SqlTimestamp LocalNow() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

std::string WebDemoTest::DemoFile(const std::string& name) {
  const char* source = std::getenv("KORVALE_SOURCE_DIR");
  std::string text =
      korvale::testing::ReadFileBytes(std::string(source ? source : ".") + "/examples/demo/" + name);
  static const std::regex kDay(R"(@DAY(C?)([+-]\d+)@)");
  std::string out;
  auto begin = std::sregex_iterator(text.begin(), text.end(), kDay);
  size_t last = 0;
  for (auto it = begin; it != std::sregex_iterator(); ++it) {
    out += text.substr(last, it->position() - last);
    std::string day = korvale::testing::DayFromToday(std::stoi((*it)[2].str()));
    if ((*it)[1].length() > 0) day.erase(std::remove(day.begin(), day.end(), '-'), day.end());
    out += day;
    last = it->position() + it->length();
  }
  return out + text.substr(last);
}

void WebDemoTest::SetUp() {
  AgentProcessTest::SetUp();
  if (IsSkipped()) return;
  CreateOrganisation(DemoFile("organisation.json.in"));
  // The demo's [Config] keys after its DB and dialect lines (which the fixture
  // writes for the test's data source), then its other sections; the SQL
  // trace goes to the event log so that tests can follow the agent's statements.
  std::string ini = std::regex_replace(DemoFile("Caldrun.ini.in"), std::regex("@DSN@"), DsnName());
  std::string config, sections;
  size_t first_section = ini.find("\n[", ini.find("[Config]"));
  std::string config_part = ini.substr(0, first_section);
  std::string rest = first_section == std::string::npos ? "" : ini.substr(first_section + 1);
  size_t pos = config_part.find("[Config]") + 8;
  for (size_t end; pos < config_part.size(); pos = end + 1) {
    end = config_part.find('\n', pos);
    if (end == std::string::npos) end = config_part.size();
    std::string line = config_part.substr(pos, end - pos);
    if (line.empty() || line.rfind("DB=", 0) == 0 || line.rfind("SQLite=", 0) == 0) continue;
    config += line + "\r\n";
  }
  WriteIni(config + "SQLLog=1\r\n", rest);
}

WebApp& WebDemoTest::App() {
  if (!app_) {
    auto installation = LoadInstallation(dir_.path().string());
    if (!installation.ok()) {
      ADD_FAILURE() << installation.status().message();
      std::abort();
    }
    app_ = std::make_unique<WebApp>(std::move(*installation), LocalNow);
  }
  return *app_;
}

WebResponse WebDemoTest::Get(const std::string& path, const std::string& visitor) {
  std::string query;
  size_t q = path.find('?');
  FormFields params;
  if (q != std::string::npos) {
    std::string rest = path.substr(q + 1);
    size_t eq = rest.find('=');
    params.emplace(rest.substr(0, eq), rest.substr(eq + 1));
  }
  return App().Handle({"GET", path.substr(0, q), params, visitor});
}

WebResponse WebDemoTest::Post(const std::string& path, const FormFields& fields, const std::string& visitor) {
  return App().Handle({"POST", path, fields, visitor});
}

BackgroundProcess::BackgroundProcess(const std::string& program, const std::vector<std::string>& args) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    dup2(pipe_fds[1], 1);
    dup2(pipe_fds[1], 2);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(pipe_fds[1]);
  out_ = pipe_fds[0];
}

BackgroundProcess::~BackgroundProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  if (out_ >= 0) close(out_);
}

bool BackgroundProcess::WaitForLine(const std::string& text, std::string* seen) {
  std::string output;
  char buffer[256];
  while (output.find(text) == std::string::npos) {
    ssize_t n = read(out_, buffer, sizeof buffer);
    if (n <= 0) break;
    output.append(buffer, static_cast<size_t>(n));
  }
  if (seen) *seen = output;
  return output.find(text) != std::string::npos;
}

int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

}  // namespace korvale::web::testing
