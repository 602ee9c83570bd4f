#include "platform/scm/fake_systemd.h"

#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "platform/scm/sd_bus_handles.h"

namespace korvale::scm {

namespace {

namespace fs = std::filesystem;

constexpr const char* kManagerPath = "/org/freedesktop/systemd1";
constexpr const char* kManager = "org.freedesktop.systemd1.Manager";
constexpr const char* kUnitPrefix = "/org/freedesktop/systemd1/unit";
constexpr const char* kJobPrefix = "/org/freedesktop/systemd1/job";

struct Unit {
  std::string id;
  std::string load_state = "not-found";
  std::string active_state = "inactive";
  std::string fragment;
  std::vector<std::string> exec;  // program, then its arguments
  uint32_t job_id = 0;
  std::string job_type;
  int stop_reads = 0;  // reads of ActiveState left until a stop is done
};

// The words of an ExecStart line, unquoted as systemd does for the quoting
// the unit files here use: "\\", "\"" and "\xNN" in quotes, "%%", "$$".
std::vector<std::string> ExecWords(const std::string& line) {
  std::vector<std::string> words;
  for (size_t i = 0; i < line.size();) {
    if (line[i] != '"') {
      ++i;
      continue;
    }
    std::string word;
    for (++i; i < line.size() && line[i] != '"'; ++i) {
      if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 'x' && i + 3 < line.size()) {
        word += static_cast<char>(std::stoi(line.substr(i + 2, 2), nullptr, 16));
        i += 3;
      } else if (line[i] == '\\' && i + 1 < line.size()) {
        word += line[++i];
      } else if ((line[i] == '%' || (line[i] == '$' && !words.empty())) && i + 1 < line.size() &&
                 line[i + 1] == line[i]) {
        word += line[++i];
      } else {
        word += line[i];
      }
    }
    ++i;
    words.push_back(word);
  }
  return words;
}

class Fake {
 public:
  explicit Fake(std::string unit_dir) : unit_dir_(std::move(unit_dir)) {
    Unit ssh{"ssh.service",
             "loaded",
             "active",
             "/lib/systemd/system/ssh.service",
             {"/usr/sbin/sshd", "-D"},
             0,
             "",
             0};
    units_[ssh.id] = ssh;
    Reload();
  }

  // Unit files of the folder become loaded units; units whose file went are not found.
  void Reload() {
    for (auto& [id, unit] : units_) {
      if (!unit.fragment.empty() && fs::path(unit.fragment).parent_path() == unit_dir_) {
        unit.load_state = "not-found";
        unit.fragment.clear();
        unit.exec.clear();
      }
    }
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(unit_dir_, ec)) {
      const std::string id = entry.path().filename().string();
      if (!id.ends_with(".service")) continue;
      Unit& unit = units_[id];
      unit.id = id;
      unit.load_state = "loaded";
      unit.fragment = entry.path().string();
      std::ifstream in(entry.path());
      for (std::string line; std::getline(in, line);) {
        if (line.starts_with("ExecStart=")) unit.exec = ExecWords(line);
      }
    }
  }

  Unit* ByPath(const char* path) {
    char* id = nullptr;
    if (sd_bus_path_decode(path, kUnitPrefix, &id) <= 0) return nullptr;
    auto found = units_.find(id);
    free(id);
    return found == units_.end() ? nullptr : &found->second;
  }
  Unit* ByJob(const char* path) {
    for (auto& [id, unit] : units_) {
      if (unit.job_id != 0 && JobPath(unit.job_id) == path) return &unit;
    }
    return nullptr;
  }
  static std::string UnitPath(const std::string& id) {
    char* path = nullptr;
    sd_bus_path_encode(kUnitPrefix, id.c_str(), &path);
    std::string text = path ? path : "";
    free(path);
    return text;
  }
  static std::string JobPath(uint32_t id) { return std::string(kJobPrefix) + "/" + std::to_string(id); }

  std::map<std::string, Unit> units_;
  uint32_t next_job_ = 1;
  std::string unit_dir_;
};

Fake& Of(void* userdata) { return *static_cast<Fake*>(userdata); }

int ListUnitFiles(sd_bus_message* call, void* userdata, sd_bus_error*) {
  sd_bus_message* raw = nullptr;
  sd_bus_message_new_method_return(call, &raw);
  MessageHandle reply(raw);
  sd_bus_message_open_container(reply.get(), 'a', "(ss)");
  for (const auto& [id, unit] : Of(userdata).units_) {
    if (!unit.fragment.empty()) sd_bus_message_append(reply.get(), "(ss)", unit.fragment.c_str(), "disabled");
  }
  sd_bus_message_close_container(reply.get());
  return sd_bus_send(nullptr, reply.get(), nullptr);
}

// Only units that run are loaded until someone asks for the others.
int ListUnits(sd_bus_message* call, void* userdata, sd_bus_error*) {
  sd_bus_message* raw = nullptr;
  sd_bus_message_new_method_return(call, &raw);
  MessageHandle reply(raw);
  sd_bus_message_open_container(reply.get(), 'a', "(ssssssouso)");
  for (const auto& [id, unit] : Of(userdata).units_) {
    if (unit.active_state == "inactive") continue;
    sd_bus_message_append(reply.get(), "(ssssssouso)", id.c_str(), "", unit.load_state.c_str(),
                          unit.active_state.c_str(), "", "", Fake::UnitPath(id).c_str(), 0u, "", "/");
  }
  sd_bus_message_close_container(reply.get());
  return sd_bus_send(nullptr, reply.get(), nullptr);
}

int LoadUnit(sd_bus_message* call, void* userdata, sd_bus_error*) {
  const char* id = nullptr;
  int r = sd_bus_message_read(call, "s", &id);
  if (r < 0) return r;
  Unit& unit = Of(userdata).units_[id];
  unit.id = id;
  return sd_bus_reply_method_return(call, "o", Fake::UnitPath(id).c_str());
}

int Reload(sd_bus_message* call, void* userdata, sd_bus_error*) {
  Of(userdata).Reload();
  return sd_bus_reply_method_return(call, "");
}

int Subscribe(sd_bus_message* call, void*, sd_bus_error*) { return sd_bus_reply_method_return(call, ""); }

int Version(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "s", "252-fake");
}

// Start runs at once: done when the program can run, failed when not.
int StartUnit(sd_bus_message* call, void* userdata, sd_bus_error* error) {
  Fake& fake = Of(userdata);
  Unit* unit = fake.ByPath(sd_bus_message_get_path(call));
  if (!unit || unit->load_state != "loaded") {
    return sd_bus_error_set(error, "org.freedesktop.systemd1.NoSuchUnit", "Unit not found.");
  }
  const uint32_t job = fake.next_job_++;
  int r = sd_bus_reply_method_return(call, "o", Fake::JobPath(job).c_str());
  if (r < 0) return r;
  const bool runs = !unit->exec.empty() && access(unit->exec[0].c_str(), X_OK) == 0;
  unit->active_state = runs ? "active" : "failed";
  return sd_bus_emit_signal(sd_bus_message_get_bus(call), kManagerPath, kManager, "JobRemoved", "uoss", job,
                            Fake::JobPath(job).c_str(), unit->id.c_str(), runs ? "done" : "failed");
}

// A stop is first queued (still active), then deactivating, then inactive.
int StopUnit(sd_bus_message* call, void* userdata, sd_bus_error* error) {
  Fake& fake = Of(userdata);
  Unit* unit = fake.ByPath(sd_bus_message_get_path(call));
  if (!unit || unit->load_state != "loaded") {
    return sd_bus_error_set(error, "org.freedesktop.systemd1.NoSuchUnit", "Unit not found.");
  }
  unit->job_id = fake.next_job_++;
  unit->job_type = "stop";
  unit->stop_reads = 3;
  return sd_bus_reply_method_return(call, "o", Fake::JobPath(unit->job_id).c_str());
}

int UnitProperty(sd_bus*, const char* path, const char*, const char* property, sd_bus_message* reply,
                 void* userdata, sd_bus_error* error) {
  Unit* unit = Of(userdata).ByPath(path);
  if (!unit) return sd_bus_error_set(error, SD_BUS_ERROR_UNKNOWN_OBJECT, "No such unit.");
  const std::string name = property;
  if (name == "Id") return sd_bus_message_append(reply, "s", unit->id.c_str());
  if (name == "LoadState") return sd_bus_message_append(reply, "s", unit->load_state.c_str());
  if (name == "FragmentPath") return sd_bus_message_append(reply, "s", unit->fragment.c_str());
  if (name == "Job") {
    const std::string job = unit->job_id ? Fake::JobPath(unit->job_id) : "/";
    return sd_bus_message_append(reply, "(uo)", unit->job_id, job.c_str());
  }
  if (unit->stop_reads > 0 && --unit->stop_reads < 2) {
    unit->active_state = unit->stop_reads == 1 ? "deactivating" : "inactive";
    if (unit->stop_reads == 0) unit->job_id = 0;
  }
  return sd_bus_message_append(reply, "s", unit->active_state.c_str());
}

int ExecStart(sd_bus*, const char* path, const char*, const char*, sd_bus_message* reply, void* userdata,
              sd_bus_error* error) {
  Unit* unit = Of(userdata).ByPath(path);
  if (!unit) return sd_bus_error_set(error, SD_BUS_ERROR_UNKNOWN_OBJECT, "No such unit.");
  sd_bus_message_open_container(reply, 'a', "(sasbttttuii)");
  if (!unit->exec.empty()) {
    sd_bus_message_open_container(reply, 'r', "sasbttttuii");
    sd_bus_message_append(reply, "s", unit->exec[0].c_str());
    sd_bus_message_open_container(reply, 'a', "s");
    for (const std::string& word : unit->exec) sd_bus_message_append(reply, "s", word.c_str());
    sd_bus_message_close_container(reply);
    sd_bus_message_append(reply, "bttttuii", 0, uint64_t{0}, uint64_t{0}, uint64_t{0}, uint64_t{0}, 0u, 0, 0);
    sd_bus_message_close_container(reply);
  }
  return sd_bus_message_close_container(reply);
}

int JobType(sd_bus*, const char* path, const char*, const char*, sd_bus_message* reply, void* userdata,
            sd_bus_error* error) {
  Unit* unit = Of(userdata).ByJob(path);
  if (!unit) return sd_bus_error_set(error, SD_BUS_ERROR_UNKNOWN_OBJECT, "No such job.");
  return sd_bus_message_append(reply, "s", unit->job_type.c_str());
}

const sd_bus_vtable kManagerTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Version", "s", Version, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_METHOD("ListUnitFilesByPatterns", "asas", "a(ss)", ListUnitFiles, 0),
    SD_BUS_METHOD("ListUnits", "", "a(ssssssouso)", ListUnits, 0),
    SD_BUS_METHOD("LoadUnit", "s", "o", LoadUnit, 0),
    SD_BUS_METHOD("Reload", "", "", Reload, 0),
    SD_BUS_METHOD("Subscribe", "", "", Subscribe, 0),
    SD_BUS_SIGNAL("JobRemoved", "uoss", 0),
    SD_BUS_VTABLE_END,
};
const sd_bus_vtable kUnitTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Id", "s", UnitProperty, 0, 0),
    SD_BUS_PROPERTY("LoadState", "s", UnitProperty, 0, 0),
    SD_BUS_PROPERTY("ActiveState", "s", UnitProperty, 0, 0),
    SD_BUS_PROPERTY("FragmentPath", "s", UnitProperty, 0, 0),
    SD_BUS_PROPERTY("Job", "(uo)", UnitProperty, 0, 0),
    SD_BUS_METHOD("Start", "s", "o", StartUnit, 0),
    SD_BUS_METHOD("Stop", "s", "o", StopUnit, 0),
    SD_BUS_VTABLE_END,
};
const sd_bus_vtable kServiceTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("ExecStart", "a(sasbttttuii)", ExecStart, 0, 0),
    SD_BUS_VTABLE_END,
};
const sd_bus_vtable kJobTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("JobType", "s", JobType, 0, 0),
    SD_BUS_VTABLE_END,
};

// The fake's process: serves the bus until it is ended. Tells `ready` once it owns its name.
[[noreturn]] void Serve(const std::string& address, const std::string& unit_dir, int ready) {
  Fake fake(unit_dir);
  sd_bus* raw = nullptr;
  int r = sd_bus_new(&raw);
  BusHandle bus(raw);
  if (r >= 0) r = sd_bus_set_address(bus.get(), address.c_str());
  if (r >= 0) r = sd_bus_set_bus_client(bus.get(), 1);
  if (r >= 0) r = sd_bus_start(bus.get());
  if (r >= 0) r = sd_bus_add_object_vtable(bus.get(), nullptr, kManagerPath, kManager, kManagerTable, &fake);
  if (r >= 0) {
    r = sd_bus_add_fallback_vtable(bus.get(), nullptr, kUnitPrefix, "org.freedesktop.systemd1.Unit",
                                   kUnitTable, nullptr, &fake);
  }
  if (r >= 0) {
    r = sd_bus_add_fallback_vtable(bus.get(), nullptr, kUnitPrefix, "org.freedesktop.systemd1.Service",
                                   kServiceTable, nullptr, &fake);
  }
  if (r >= 0) {
    r = sd_bus_add_fallback_vtable(bus.get(), nullptr, kJobPrefix, "org.freedesktop.systemd1.Job", kJobTable,
                                   nullptr, &fake);
  }
  if (r >= 0) r = sd_bus_request_name(bus.get(), "org.freedesktop.systemd1", 0);
  const char answer = r >= 0 ? 'y' : 'n';
  (void)!write(ready, &answer, 1);
  close(ready);
  while (r >= 0) {
    r = sd_bus_process(bus.get(), nullptr);
    if (r == 0) r = sd_bus_wait(bus.get(), UINT64_MAX);
  }
  _exit(1);
}

void End(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

}  // namespace

Expected<std::unique_ptr<FakeSystemdBus>> FakeSystemdBus::Start(const std::string& dir,
                                                                const std::string& unit_dir) {
  std::unique_ptr<FakeSystemdBus> fake(new FakeSystemdBus());
  const std::string config = dir + "/bus.conf";
  std::ofstream(config) << "<busconfig><type>session</type><listen>unix:path=" << dir
                        << "/bus</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                           "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
                           "</policy></busconfig>\n";
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return Status::Error(strerror(errno));
  fake->daemon_ = fork();
  if (fake->daemon_ == 0) {
    dup2(out[1], 1);
    // It warns about limits it may not raise in a container; the test needs none of that.
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, 2);
    execlp("dbus-daemon", "dbus-daemon", ("--config-file=" + config).c_str(), "--nofork", "--nopidfile",
           "--print-address=1", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  char c = 0;
  while (read(out[0], &c, 1) == 1 && c != '\n') fake->address_ += c;
  close(out[0]);
  if (fake->address_.empty()) return Status::Error("dbus-daemon did not start (is it installed?)");

  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return Status::Error(strerror(errno));
  fake->fake_ = fork();
  if (fake->fake_ == 0) {
    close(ready[0]);
    Serve(fake->address_, unit_dir, ready[1]);
  }
  close(ready[1]);
  char answer = 0;
  const bool served = read(ready[0], &answer, 1) == 1 && answer == 'y';
  close(ready[0]);
  if (!served) return Status::Error("the fake systemd did not come up on " + fake->address_);
  return fake;
}

FakeSystemdBus::~FakeSystemdBus() {
  End(fake_);
  End(daemon_);
}

}  // namespace korvale::scm
