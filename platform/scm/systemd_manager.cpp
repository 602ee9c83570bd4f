// The machine's services as systemd keeps them, over its D-Bus interface on
// the system bus. A service is a unit "NAME.service" (NAME escaped as systemd
// escapes names), its image path the program of the unit's first ExecStart.
// Units this program creates are unit files in one directory, which systemd
// is told to read again after every change.
#include <errno.h>
#include <string.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "platform/scm/sd_bus_handles.h"
#include "platform/scm/service_account.h"
#include "platform/scm/service_manager.h"
#include "platform/scm/systemd_units.h"

namespace korvale::scm {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSystemd = "org.freedesktop.systemd1";
constexpr const char* kManagerPath = "/org/freedesktop/systemd1";
constexpr const char* kManager = "org.freedesktop.systemd1.Manager";
constexpr const char* kUnit = "org.freedesktop.systemd1.Unit";
constexpr const char* kService = "org.freedesktop.systemd1.Service";
constexpr const char* kJob = "org.freedesktop.systemd1.Job";
constexpr const char* kNotInstalled = "The specified service does not exist as an installed service.";
constexpr uint64_t kProbeMicroseconds = 2'000'000;

Status BusFailure(BusError& error, int code) { return Status::Error(error.Text(code), -code); }
// A failure of sd-bus itself (a negative errno), such as a reply of an unexpected shape.
Status Errno(int code) { return Status::Error(strerror(-code), -code); }

// The image path and arguments of a unit's first ExecStart entry; empty when it has none.
Status ReadExecStart(sd_bus_message* reply, ServiceDefinition& service) {
  int r = sd_bus_message_enter_container(reply, 'a', "(sasbttttuii)");
  if (r < 0) return Errno(r);
  r = sd_bus_message_enter_container(reply, 'r', "sasbttttuii");
  if (r <= 0) return r < 0 ? Errno(r) : Status::Ok();
  const char* path = nullptr;
  if ((r = sd_bus_message_read(reply, "s", &path)) < 0) return Errno(r);
  service.image_path = path;
  if ((r = sd_bus_message_enter_container(reply, 'a', "s")) < 0) return Errno(r);
  std::vector<std::string> argv;
  const char* word = nullptr;
  while ((r = sd_bus_message_read(reply, "s", &word)) > 0) argv.emplace_back(word);
  if (r < 0) return Errno(r);
  // argv[0] is the program as the unit names it; the rest are its arguments.
  if (!argv.empty()) service.arguments.assign(argv.begin() + 1, argv.end());
  return Status::Ok();
}

// Job results as systemd announces them (JobRemoved: id, job, unit, result).
int OnJobRemoved(sd_bus_message* message, void* userdata, sd_bus_error*) {
  uint32_t id = 0;
  const char *job = nullptr, *unit = nullptr, *result = nullptr;
  if (sd_bus_message_read(message, "uoss", &id, &job, &unit, &result) > 0) {
    (*static_cast<std::map<std::string, std::string>*>(userdata))[job] = result;
  }
  return 0;
}

class SystemdManager : public ServiceManager {
 public:
  SystemdManager(BusHandle bus, std::string unit_dir)
      : bus_(std::move(bus)), unit_dir_(std::move(unit_dir)) {}

  Expected<std::vector<ServiceDefinition>> EnumerateServices() override {
    Expected<std::map<std::string, std::string>> units = ServiceUnits();
    if (!units.ok()) return units.status();
    std::vector<ServiceDefinition> services;
    std::set<std::string> seen;
    for (const auto& [unit, known_object] : *units) {
      std::string object = known_object;
      if (object.empty()) {
        Expected<std::string> loaded = LoadUnit(unit);
        if (!loaded.ok()) continue;
        object = *loaded;
      }
      // An alias leads to the object of its unit, which is listed once.
      if (!seen.insert(object).second || String(object, kUnit, "LoadState") != "loaded") continue;
      ServiceDefinition service{ServiceNameOf(unit), "", {}};
      if (!ExecStartOf(object, service).ok()) continue;
      units_[service.name] = unit;
      services.push_back(std::move(service));
    }
    return services;
  }

  Status OpenService(const std::string& name) override { return ServiceObject(name).status(); }

  Status Stop(const std::string& name) override {
    Expected<std::string> object = ServiceObject(name);
    if (!object.ok()) return object.status();
    const std::string state = String(*object, kUnit, "ActiveState");
    if (state == "inactive" || state == "failed") return Status::Error("The service has not been started.");
    return CallUnit(*object, "Stop").status();
  }

  Expected<ServiceState> Query(const std::string& name) override {
    Expected<std::string> object = ServiceObject(name);
    if (!object.ok()) return object.status();
    const std::string state = String(*object, kUnit, "ActiveState");
    if (state.empty()) return Status::Error("The state of " + name + " cannot be read.");
    // A stop that is queued but not yet begun is pending as well.
    if (state == "deactivating" || PendingJobType(*object) == "stop") return ServiceState::kStopPending;
    if (state == "inactive" || state == "failed") return ServiceState::kStopped;
    return ServiceState::kRunning;
  }

  Status Start(const std::string& name) override {
    Expected<std::string> object = ServiceObject(name);
    if (!object.ok()) return object.status();
    return StartAndWait(*object);
  }

  Status Create(const ServiceDefinition& definition) override {
    std::optional<std::string> unit = UnitNameOf(definition.name);
    if (!unit) return Status::Error("The name is invalid.");
    const fs::path file = fs::path(unit_dir_) / *unit;
    std::error_code ec;
    if (ServiceObject(definition.name).ok() || fs::exists(file, ec)) {
      return Status::Error("The specified service already exists.");
    }
    if (!definition.account.empty() && !ServiceAccountUser(definition.account)) {
      return Status::Error("The account name is invalid or does not exist: " + definition.account);
    }
    Status written = WriteUnitFile(file, UnitFileText(definition));
    if (!written.ok()) return written;
    units_[definition.name] = *unit;
    return Reload();
  }

  Status Delete(const std::string& name) override {
    Expected<std::string> object = ServiceObject(name);
    if (!object.ok()) return object.status();
    const std::string state = String(*object, kUnit, "ActiveState");
    if (state != "inactive" && state != "failed") {
      return Status::Error("The service is running: stop it before removing it.");
    }
    // Only units this program created are removed: a unit of the system stays.
    const fs::path fragment = String(*object, kUnit, "FragmentPath");
    std::error_code ec;
    if (fragment.empty() || !fs::equivalent(fragment.parent_path(), unit_dir_, ec)) {
      return Status::Error("The unit file of " + name + " (" + fragment.string() + ") lies outside " +
                           unit_dir_ + " and is left alone.");
    }
    if (!fs::remove(fragment, ec)) {
      return Status::Error("Cannot remove " + fragment.string() + ": " + ec.message(), ec.value());
    }
    units_.erase(name);
    return Reload();
  }

 private:
  // Every service unit: those with a unit file (not yet loaded: no object)
  // and those systemd has loaded (with their object).
  Expected<std::map<std::string, std::string>> ServiceUnits() {
    std::map<std::string, std::string> units;
    BusError error;
    sd_bus_message* raw = nullptr;
    int r = sd_bus_call_method(bus_.get(), kSystemd, kManagerPath, kManager, "ListUnitFilesByPatterns",
                               error.get(), &raw, "asas", 0, 1, "*.service");
    MessageHandle files(raw);
    if (r < 0) return BusFailure(error, r);
    const char *path = nullptr, *state = nullptr;
    if ((r = sd_bus_message_enter_container(files.get(), 'a', "(ss)")) < 0) return Errno(r);
    while ((r = sd_bus_message_read(files.get(), "(ss)", &path, &state)) > 0) {
      const std::string unit = fs::path(path).filename().string();
      // Templates ("x@.service") are no services by themselves.
      if (std::string_view(state) != "alias" && !unit.ends_with("@.service")) units.emplace(unit, "");
    }
    if (r < 0) return Errno(r);

    raw = nullptr;
    r = sd_bus_call_method(bus_.get(), kSystemd, kManagerPath, kManager, "ListUnits", error.get(), &raw, "");
    MessageHandle loaded(raw);
    if (r < 0) return BusFailure(error, r);
    if ((r = sd_bus_message_enter_container(loaded.get(), 'a', "(ssssssouso)")) < 0) {
      return Errno(r);
    }
    const char *id = nullptr, *description = nullptr, *load = nullptr, *active = nullptr, *sub = nullptr,
               *following = nullptr, *object = nullptr, *job_type = nullptr, *job = nullptr;
    uint32_t job_id = 0;
    while ((r = sd_bus_message_read(loaded.get(), "(ssssssouso)", &id, &description, &load, &active, &sub,
                                    &following, &object, &job_id, &job_type, &job)) > 0) {
      if (std::string_view(id).ends_with(".service")) units[id] = object;
    }
    if (r < 0) return Errno(r);
    return units;
  }

  Expected<std::string> LoadUnit(const std::string& unit) {
    BusError error;
    sd_bus_message* raw = nullptr;
    int r = sd_bus_call_method(bus_.get(), kSystemd, kManagerPath, kManager, "LoadUnit", error.get(), &raw,
                               "s", unit.c_str());
    MessageHandle reply(raw);
    if (r < 0) return BusFailure(error, r);
    const char* object = nullptr;
    if ((r = sd_bus_message_read(reply.get(), "o", &object)) < 0) return Errno(r);
    return std::string(object);
  }

  // The object of a service that is installed (its unit is loaded).
  Expected<std::string> ServiceObject(const std::string& name) {
    auto known = units_.find(name);
    std::optional<std::string> unit = known != units_.end() ? known->second : UnitNameOf(name);
    if (!unit) return Status::Error(kNotInstalled);
    Expected<std::string> object = LoadUnit(*unit);
    if (!object.ok()) return object.status();
    if (String(*object, kUnit, "LoadState") != "loaded") return Status::Error(kNotInstalled);
    return object;
  }

  // A text property; "" when it cannot be read.
  std::string String(const std::string& object, const char* interface, const char* member) {
    BusError error;
    char* value = nullptr;
    if (sd_bus_get_property_string(bus_.get(), kSystemd, object.c_str(), interface, member, error.get(),
                                   &value) < 0) {
      return "";
    }
    std::string text = value ? value : "";
    free(value);
    return text;
  }

  Status ExecStartOf(const std::string& object, ServiceDefinition& service) {
    BusError error;
    sd_bus_message* raw = nullptr;
    int r = sd_bus_get_property(bus_.get(), kSystemd, object.c_str(), kService, "ExecStart", error.get(),
                                &raw, "a(sasbttttuii)");
    MessageHandle reply(raw);
    if (r < 0) return BusFailure(error, r);
    return ReadExecStart(reply.get(), service);
  }

  // The type of the job queued for a unit ("start", "stop", ...), "" when none.
  std::string PendingJobType(const std::string& object) {
    BusError error;
    sd_bus_message* raw = nullptr;
    int r =
        sd_bus_get_property(bus_.get(), kSystemd, object.c_str(), kUnit, "Job", error.get(), &raw, "(uo)");
    MessageHandle reply(raw);
    if (r < 0) return "";
    uint32_t id = 0;
    const char* job = nullptr;
    if (sd_bus_message_read(reply.get(), "(uo)", &id, &job) <= 0 || id == 0) return "";
    return String(job, kJob, "JobType");
  }

  // Calls Start or Stop on a unit; the result is the job's object.
  Expected<std::string> CallUnit(const std::string& object, const char* method) {
    BusError error;
    sd_bus_message* raw = nullptr;
    int r = sd_bus_call_method(bus_.get(), kSystemd, object.c_str(), kUnit, method, error.get(), &raw, "s",
                               "replace");
    MessageHandle reply(raw);
    if (r < 0) return BusFailure(error, r);
    const char* job = nullptr;
    if ((r = sd_bus_message_read(reply.get(), "o", &job)) < 0) return Errno(r);
    return std::string(job);
  }

  // Starts a unit and waits for its start job to end, so that a program that
  // cannot run is reported here as it would be by the service manager.
  Status StartAndWait(const std::string& object) {
    std::map<std::string, std::string> finished;
    sd_bus_slot* raw_slot = nullptr;
    int r = sd_bus_match_signal(bus_.get(), &raw_slot, kSystemd, kManagerPath, kManager, "JobRemoved",
                                OnJobRemoved, &finished);
    SlotHandle slot(raw_slot);
    if (r < 0) return Errno(r);
    BusError error;
    r = sd_bus_call_method(bus_.get(), kSystemd, kManagerPath, kManager, "Subscribe", error.get(), nullptr,
                           "");
    if (r < 0) return BusFailure(error, r);
    Expected<std::string> job = CallUnit(object, "Start");
    if (!job.ok()) return job.status();
    while (finished.find(*job) == finished.end()) {
      r = sd_bus_process(bus_.get(), nullptr);
      if (r == 0) r = sd_bus_wait(bus_.get(), UINT64_MAX);
      if (r < 0) return Errno(r);
    }
    const std::string& result = finished[*job];
    if (result == "done") return Status::Ok();
    return Status::Error("The service did not start: its start job ended with \"" + result + "\".");
  }

  // Written beside its place and renamed there, so systemd never reads half a unit.
  static Status WriteUnitFile(const fs::path& file, const std::string& text) {
    const fs::path temp = file.string() + ".new";
    bool written = false;
    {
      std::ofstream out(temp, std::ios::trunc);
      out << text;
      written = static_cast<bool>(out.flush());
    }
    const std::string why = written ? "" : strerror(errno);
    std::error_code ec;
    if (written) fs::rename(temp, file, ec);
    if (!written || ec) {
      std::error_code ignored;
      fs::remove(temp, ignored);
      return Status::Error("Cannot write " + file.string() + ": " + (ec ? ec.message() : why));
    }
    return Status::Ok();
  }

  // Has systemd read the unit files again (what "daemon-reload" does).
  Status Reload() {
    BusError error;
    int r =
        sd_bus_call_method(bus_.get(), kSystemd, kManagerPath, kManager, "Reload", error.get(), nullptr, "");
    return r < 0 ? BusFailure(error, r) : Status::Ok();
  }

  BusHandle bus_;
  std::string unit_dir_;
  std::map<std::string, std::string> units_;  // service name -> unit, as last seen
};

}  // namespace

Expected<std::unique_ptr<ServiceManager>> OpenSystemdManager(const std::string& unit_dir) {
  sd_bus* raw = nullptr;
  int r = sd_bus_open_system(&raw);
  BusHandle bus(raw);
  if (r < 0) return Status::Error(std::string("no system bus: ") + strerror(-r), -r);
  // Someone must answer as systemd, and soon: a bus without it is no service manager.
  sd_bus_message* call_raw = nullptr;
  r = sd_bus_message_new_method_call(bus.get(), &call_raw, kSystemd, kManagerPath,
                                     "org.freedesktop.DBus.Properties", "Get");
  MessageHandle call(call_raw);
  if (r >= 0) r = sd_bus_message_append(call.get(), "ss", kManager, "Version");
  BusError error;
  sd_bus_message* reply_raw = nullptr;
  if (r >= 0) r = sd_bus_call(bus.get(), call.get(), kProbeMicroseconds, error.get(), &reply_raw);
  MessageHandle reply(reply_raw);
  if (r < 0) return Status::Error("systemd does not answer on the system bus: " + error.Text(r), -r);
  return std::unique_ptr<ServiceManager>(std::make_unique<SystemdManager>(std::move(bus), unit_dir));
}

}  // namespace korvale::scm
