// The local service registry: one file per service in a directory, holding
// the image path, the arguments and, while it runs, the process id. A started
// service is a detached process (its own session, reparented away from the
// starter); stop sends SIGTERM and the service is "stop pending" while the
// process lives.
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/scm/service_account.h"
#include "platform/scm/service_manager.h"

namespace korvale::scm {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSuffix = ".service";

struct Record {
  ServiceDefinition definition;
  pid_t pid = 0;
  bool stop_requested = false;
};

bool ValidName(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos && name != "." && name != ".." &&
         name.find('\n') == std::string::npos;
}

bool ProcessAlive(pid_t pid) {
  if (pid <= 0) return false;
  if (kill(pid, 0) != 0 && errno != EPERM) return false;
  // A process that has ended but is not yet reaped is gone for us.
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  auto close = text.rfind(')');
  return close == std::string::npos || close + 2 >= text.size() || text[close + 2] != 'Z';
}

// Becomes the service's account when the registry is the system
// administrator's; anyone else's services run as the starter.
bool RunAs(const std::string& account) {
  if (account.empty() || geteuid() != 0) return true;
  const auto user = ServiceAccountUser(account);
  passwd* entry = user ? getpwnam(user->c_str()) : nullptr;
  errno = EPERM;  // what the start reports when the switch fails
  return entry != nullptr && initgroups(entry->pw_name, entry->pw_gid) == 0 && setgid(entry->pw_gid) == 0 &&
         setuid(entry->pw_uid) == 0;
}

class LocalRegistry : public ServiceManager {
 public:
  explicit LocalRegistry(std::string directory) : dir_(std::move(directory)) {}

  Expected<std::vector<ServiceDefinition>> EnumerateServices() override {
    std::error_code ec;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_, ec)) {
      std::string file = entry.path().filename().string();
      if (file.size() > strlen(kSuffix) && file.ends_with(kSuffix)) names.push_back(file);
    }
    if (ec && ec != std::errc::no_such_file_or_directory) {
      return Status::Error("Cannot read the service registry " + dir_ + ": " + ec.message());
    }
    std::sort(names.begin(), names.end());
    std::vector<ServiceDefinition> services;
    for (const auto& file : names) {
      if (auto record = Load(file.substr(0, file.size() - strlen(kSuffix)))) {
        services.push_back(record->definition);
      }
    }
    return services;
  }

  Status OpenService(const std::string& name) override {
    return Load(name) ? Status::Ok()
                      : Status::Error("The specified service does not exist as an installed service.");
  }

  Status Stop(const std::string& name) override {
    auto record = Load(name);
    if (!record) return Status::Error("The specified service does not exist as an installed service.");
    if (!ProcessAlive(record->pid)) return Status::Error("The service has not been started.");
    if (kill(record->pid, SIGTERM) != 0) return Status::Error(strerror(errno), errno);
    record->stop_requested = true;
    return Save(*record);
  }

  Expected<ServiceState> Query(const std::string& name) override {
    auto record = Load(name);
    if (!record) return Status::Error("The specified service does not exist as an installed service.");
    if (!ProcessAlive(record->pid)) return ServiceState::kStopped;
    return record->stop_requested ? ServiceState::kStopPending : ServiceState::kRunning;
  }

  Status Start(const std::string& name) override {
    auto record = Load(name);
    if (!record) return Status::Error("The specified service does not exist as an installed service.");
    if (ProcessAlive(record->pid)) return Status::Error("An instance of the service is already running.");
    Expected<pid_t> pid = SpawnDetached(record->definition);
    if (!pid.ok()) return pid.status();
    record->pid = *pid;
    record->stop_requested = false;
    return Save(*record);
  }

  Status Create(const ServiceDefinition& definition) override {
    if (!ValidName(definition.name)) return Status::Error("The name is invalid.");
    if (Load(definition.name)) return Status::Error("The specified service already exists.");
    if (!definition.account.empty() && !ServiceAccountUser(definition.account)) {
      return Status::Error("The account name is invalid or does not exist: " + definition.account);
    }
    std::error_code ec;
    fs::create_directories(dir_, ec);
    return Save(Record{definition, 0, false});
  }

  Status Delete(const std::string& name) override {
    auto record = Load(name);
    if (!record) return Status::Error("The specified service does not exist as an installed service.");
    // Its process would run on with nothing left to stop it by.
    if (ProcessAlive(record->pid))
      return Status::Error("The service is running: stop it before removing it.");
    std::error_code ec;
    fs::remove(Path(name), ec);
    if (ec) return Status::Error("Cannot remove " + Path(name) + ": " + ec.message());
    return Status::Ok();
  }

 private:
  std::string Path(const std::string& name) const { return (fs::path(dir_) / (name + kSuffix)).string(); }

  std::optional<Record> Load(const std::string& name) const {
    if (!ValidName(name)) return std::nullopt;
    std::ifstream in(Path(name));
    if (!in) return std::nullopt;
    Record record;
    record.definition.name = name;
    for (std::string line; std::getline(in, line);) {
      auto eq = line.find('=');
      if (eq == std::string::npos) continue;
      std::string key = line.substr(0, eq), value = line.substr(eq + 1);
      if (key == "ImagePath") record.definition.image_path = value;
      if (key == "Argument") record.definition.arguments.push_back(value);
      if (key == "Account") record.definition.account = value;
      if (key == "Pid") record.pid = static_cast<pid_t>(std::atol(value.c_str()));
      if (key == "StopRequested") record.stop_requested = value == "1";
    }
    return record;
  }

  // Written beside the old file and renamed over it, so a reader never sees half a record.
  Status Save(const Record& record) const {
    std::ostringstream text;
    text << "ImagePath=" << record.definition.image_path << "\n";
    for (const auto& argument : record.definition.arguments) text << "Argument=" << argument << "\n";
    if (!record.definition.account.empty()) text << "Account=" << record.definition.account << "\n";
    if (record.pid > 0) text << "Pid=" << record.pid << "\n";
    if (record.stop_requested) text << "StopRequested=1\n";
    const std::string path = Path(record.definition.name), temp = path + ".new";
    {
      std::ofstream out(temp, std::ios::trunc);
      out << text.str();
      if (!out.flush()) return Status::Error("Cannot write " + temp);
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) return Status::Error("Cannot write " + path + ": " + ec.message());
    return Status::Ok();
  }

  static Expected<pid_t> SpawnDetached(const ServiceDefinition& definition);

  std::string dir_;
};

// Double fork: the service runs in its own session and is not our child, so
// it outlives the starter and is never left a zombie of ours. The grandchild's
// pid and any exec failure come back through a close-on-exec pipe.
Expected<pid_t> LocalRegistry::SpawnDetached(const ServiceDefinition& definition) {
  std::vector<std::string> args = {definition.image_path};
  args.insert(args.end(), definition.arguments.begin(), definition.arguments.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return Status::Error(strerror(errno), errno);
  pid_t child = fork();
  if (child < 0) {
    int err = errno;
    close(fds[0]);
    close(fds[1]);
    return Status::Error(strerror(err), err);
  }
  if (child == 0) {
    close(fds[0]);
    setsid();
    pid_t grandchild = fork();
    if (grandchild != 0) {
      struct {
        pid_t pid;
        int err;
      } report{grandchild, grandchild < 0 ? errno : 0};
      (void)!write(fds[1], &report, sizeof report);
      _exit(0);
    }
    int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      dup2(devnull, 0);
      dup2(devnull, 1);
      dup2(devnull, 2);
    }
    (void)!chdir(fs::path(definition.image_path).parent_path().c_str());
    if (RunAs(definition.account)) execv(argv[0], argv.data());
    struct {
      pid_t pid;
      int err;
    } report{0, errno};
    (void)!write(fds[1], &report, sizeof report);
    _exit(127);
  }
  close(fds[1]);
  waitpid(child, nullptr, 0);
  struct {
    pid_t pid;
    int err;
  } spawned{0, 0}, failed{0, 0};
  ssize_t got = read(fds[0], &spawned, sizeof spawned);
  ssize_t more = got == sizeof spawned ? read(fds[0], &failed, sizeof failed) : 0;
  close(fds[0]);
  if (got != sizeof spawned || spawned.pid <= 0) {
    return Status::Error(spawned.err ? strerror(spawned.err) : "The service did not start.", spawned.err);
  }
  if (more == sizeof failed) {
    return Status::Error(strerror(failed.err), failed.err);
  }
  return spawned.pid;
}

}  // namespace

std::unique_ptr<ServiceManager> OpenLocalRegistry(const std::string& directory) {
  return std::make_unique<LocalRegistry>(directory);
}

}  // namespace korvale::scm
