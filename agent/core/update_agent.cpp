#include "agent/core/update_agent.h"

#include <filesystem>

#include "agent/booking/agent_bookings.h"
#include "agent/core/read_settings.h"
#include "agent/core/settings_file_check.h"
#include "agent/core/start_events.h"
#include "agent/core/stop_atom.h"
#include "common/elapsed_text.h"
#include "platform/accounts/account_directory.h"
#include "platform/atoms/instance_lock.h"
#include "platform/mapi/mapi.h"
#include "platform/version/file_version.h"

namespace korvale {

AgentPaths PathsOfRunningProgram() {
  AgentPaths paths;
  paths.executable = CurrentExecutablePath();
  paths.ini_file = (std::filesystem::path(paths.executable).parent_path() / "Caldrun.ini").string();
  return paths;
}

UpdateAgent::UpdateAgent(AgentPaths paths, EventSourceFactory event_sources, AgentEnvironment env)
    : paths_(std::move(paths)),
      env_(std::move(env)),
      logger_(settings_, instance_name_, event_sources),
      bookings_(std::make_unique<AgentBookings>(settings_, logger_)) {
  bookings_->SetClock([now = env_.now] { return FileTimeOf(now()); });
  try {
    local_time_zone_ = env_.machine_zone();
  } catch (...) {
    logger_.LogEvent(EventType::kWarning, event_id::kGeneral, "General Error on creation.");
  }
}

UpdateAgent::~UpdateAgent() = default;

bool UpdateAgent::Init(const char* instance_name) {
  try {
    fill_table_ = "KorvaleTable1";
    instance_name_ = instance_name ? instance_name : "";
    // The per-run category limits start from their neutral values.
    settings_.limit_categories_busy_status = -1;
    settings_.limit_categories_to.clear();
    settings_.limit_categories_on_mailboxes.clear();
    settings_.no_category_for_min_security_users = 0;
    settings_.no_organizer_for_min_security_users = 0;
    settings_.no_attendees_for_min_security_users = 0;
    SettingsFileFacts facts = ReadSettings(paths_.ini_file, settings_, logger_);
    ReportSettingsFileProblems(paths_.ini_file, facts, settings_, logger_);
    // A second agent of a running name must not even take the stop request
    // meant for the running one.
    if (!ClaimInstanceName()) return false;
    if (!stop_flag_ && !CheckStopAtom()) return true;
    stop_flag_ = true;
    return false;
  } catch (...) {
    logger_.LogEvent(EventType::kWarning, event_id::kGeneral, "General Error initializing.");
    return false;
  }
}

void UpdateAgent::Run() {
  try {
    RunCycle();
  } catch (...) {
    logger_.LogEvent(EventType::kWarning, event_id::kGeneral, "General Error running service.");
  }
}

int UpdateAgent::RunCycle() {
  try {
    return DoCycle();
  } catch (...) {
    logger_.LogEvent(EventType::kWarning, event_id::kGeneral, "General Error running cycle.");
    return 0;
  }
}

bool UpdateAgent::ClaimInstanceName() {
  Expected<atoms::InstanceLock> claim = atoms::InstanceLock::TryAcquire(instance_name_);
  if (!claim.ok()) {
    // Without the check the cycle still runs, as it did before there was one.
    logger_.LogEvent(EventType::kWarning, event_id::kInstanceRunning,
                     "Cannot check whether another agent named " + instance_name_ +
                         " is running: " + claim.status().message() + ". The cycle runs without that check.");
    return true;
  }
  if (!claim->held()) {
    logger_.LogEvent(EventType::kWarning, event_id::kInstanceRunning,
                     "Another agent named " + instance_name_ +
                         " is already running on this machine. This start ends without doing anything.");
    return false;
  }
  instance_claim_ = std::make_unique<atoms::InstanceLock>(std::move(*claim));
  return true;
}

bool UpdateAgent::CheckStopAtom() {
  try {
    return ConsumeStopAtom(instance_name_);
  } catch (...) {
    logger_.LogEvent(EventType::kWarning, event_id::kGeneral,
                     "General Error checking for atom of service " + instance_name_ + ".");
    return false;
  }
}

bool UpdateAgent::CheckStopRequest() {
  if (!stop_flag_ && CheckStopAtom()) stop_flag_ = true;
  return StopFlag();
}

void UpdateAgent::LogBanner() {
  if (settings_.success_log == 0) return;
  std::string text;
  if (auto v = ReadFileVersion(paths_.executable)) {
    text = "Starting to scan calendars.\r\nUsing scanning engine V" + std::to_string((*v)[0]) + "." +
           std::to_string((*v)[1]) + ", Build: " + std::to_string((*v)[2]) +
           ", Revision: " + std::to_string((*v)[3]) + "\r\nEngine: " + paths_.executable;
  } else {
    text =
        "Starting to scan calendars.\r\nScan engine version information could not be "
        "retrieved.\r\nEngine: " +
        paths_.executable;
  }
  logger_.LogEvent(EventType::kInformation, event_id::kBanner, text);
}

void UpdateAgent::LogSummary(std::chrono::steady_clock::duration elapsed) {
  if (StopFlag() || settings_.success_log == 0) return;
  logger_.LogEvent(
      EventType::kInformation, event_id::kBanner,
      "Task finished.\r\nElapsed Time: " + ElapsedText(elapsed) +
          ".\r\nMailboxes Scanned: " + std::to_string(scan_state_.handled - scan_state_.remote) +
          ".\r\nMailboxes on other sites (not scanned locally): " + std::to_string(scan_state_.remote) + ".");
}

int RunThread(const char* instance_name, const AgentPaths& paths) {
  // The order of the lifecycle stays: mail layer up, the start delivered, the
  // agent run and destroyed, the mail layer down unless NoUnInit says otherwise.
  mapi::MAPIINIT_0 init{mapi::MAPI_INIT_VERSION, mapi::MAPI_NT_SERVICE, {}};
  bool initialized = mapi::SUCCEEDED(mapi::MAPIInitialize(&init));
  bool no_uninit = false;
  {
    UpdateAgent agent(paths);
    if (agent.Init(instance_name)) agent.Run();
    no_uninit = agent.settings().no_uninit != 0;
  }
  if (initialized && !no_uninit) mapi::MAPIUninitialize();
  return 0;
}

}  // namespace korvale
