#include "tests/support/slapd_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/support/process.h"

namespace korvale::testing {

namespace {

std::string FindTool(const std::string& name) {
  if (const char* override_path = std::getenv("KORVALE_SLAPD_DIR")) {
    std::string path = std::string(override_path) + "/" + name;
    return access(path.c_str(), X_OK) == 0 ? path : std::string();
  }
  // slapd lives in sbin, which is not on every user's PATH.
  std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "";
  dirs += ":/usr/sbin:/usr/local/sbin:/sbin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string path = dirs.substr(start, end - start) + "/" + name;
    if (end > start && access(path.c_str(), X_OK) == 0) return path;
    start = end + 1;
  }
  return {};
}

// A port nobody listens on right now (the kernel's choice for port 0).
int FreeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
    port = ntohs(addr.sin_port);
  close(fd);
  return port;
}

bool Answers(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

bool SlapdRequired() {
  const char* ci = std::getenv("CI");
  const char* required = std::getenv("KORVALE_TEST_SLAPD_REQUIRED");
  return ci && std::string(ci) == "true" && required && std::string(required) == "1";
}

SlapdServer::SlapdServer(const SlapdConfig& config) {
  slapd_ = FindTool("slapd");
  slapadd_ = FindTool("slapadd");
  if (slapd_.empty() || slapadd_.empty()) {
    binary_missing_ = true;
    reason_ = "slapd and slapadd were not found in PATH or /usr/sbin (Debian package slapd)";
    return;
  }
  Start(config);
}

SlapdServer::~SlapdServer() { Stop(); }

std::string SlapdServer::uri() const { return "ldap://127.0.0.1:" + std::to_string(port_) + "/"; }

bool SlapdServer::Start(const SlapdConfig& config) {
  const std::string conf = dir_.File("slapd.conf");
  std::filesystem::create_directories(dir_.path() / "db");
  {
    std::ofstream out(conf);
    out << "include /etc/ldap/schema/core.schema\n";
    for (const auto& schema : config.schema_files) out << "include " << Quoted(schema) << "\n";
    out << "pidfile " << Quoted(dir_.File("slapd.pid")) << "\n";
    out << "modulepath /usr/lib/ldap\nmoduleload back_mdb\n";
    if (!config.root_dse_file.empty()) out << "rootDSE " << Quoted(config.root_dse_file) << "\n";
    out << "database mdb\nsuffix " << Quoted(config.suffix) << "\n";
    out << "directory " << Quoted(dir_.File("db")) << "\nmaxsize 16777216\n";
    // No size limit: tests list more entries than slapd's default 500.
    out << "limits anonymous size=unlimited\naccess to * by * read\n";
  }
  for (const auto& ldif : config.ldif_files) {
    ProcessResult added = RunProcess(slapadd_, {"-q", "-f", conf, "-l", ldif});
    if (added.exit_code != 0) {
      reason_ = "slapadd " + ldif + " failed: " + added.output;
      return false;
    }
  }
  // The port may be taken between choosing and listening: a few tries.
  for (int attempt = 0; attempt < 3; ++attempt) {
    port_ = FreeLoopbackPort();
    const std::string log = dir_.File("slapd.log");
    pid_ = fork();
    if (pid_ < 0) {
      reason_ = "fork failed";
      return false;
    }
    if (pid_ == 0) {
      int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (fd >= 0) {
        dup2(fd, 1);
        dup2(fd, 2);
        close(fd);
      }
      std::string url = uri();
      // "-d 0": stay in the foreground (this process is the server) and log nothing but failures.
      execl(slapd_.c_str(), slapd_.c_str(), "-d", "0", "-f", conf.c_str(), "-h", url.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int wait = 0; wait < 400; ++wait) {
      if (Answers(port_)) return true;
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;  // it ended by itself (the log says why)
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    Stop();
    reason_ = "slapd did not answer on " + uri() + ": " + ReadFileBytes(log);
  }
  return false;
}

void SlapdServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

}  // namespace korvale::testing
