// The agent object: one per process, one cycle per run.
//
// Init reads the settings and checks the stop request; Run performs the cycle
// (DoCycle) whose steps run in a fixed order from the engine banner to closing
// the database. Every operation catches what its own body throws and reports
// it as warning 137 with its fixed text.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/core/agent_environment.h"
#include "agent/core/agent_logger.h"
#include "agent/core/scan_groups.h"
#include "agent/database/open_database.h"
#include "agent/scan/mailbox_scan.h"
#include "common/agent_settings.h"
#include "common/membership_map.h"
#include "common/stop_check.h"
#include "platform/tz/tz_types.h"

namespace korvale {

class AgentBookings;
class Database;
namespace accounts {
class AccountDirectory;
}
namespace atoms {
class InstanceLock;
}
struct DatabasePreparation;
struct MapiLogon;

struct AgentPaths {
  std::string executable;  // the agent program's own file (banner version, engine path)
  std::string ini_file;    // Caldrun.ini beside it
};

// The paths of the running program: its file and the Caldrun.ini in its folder.
AgentPaths PathsOfRunningProgram();

class UpdateAgent : public StopCheck {
 public:
  // Everything the agent takes from the machine comes from `env` (tests put
  // faults between the agent and its database, set the clock, stop at a pause).
  explicit UpdateAgent(AgentPaths paths, EventSourceFactory event_sources = &eventlog::RegisterEventSource,
                       AgentEnvironment env = MachineEnvironment());
  virtual ~UpdateAgent();
  UpdateAgent(const UpdateAgent&) = delete;
  UpdateAgent& operator=(const UpdateAgent&) = delete;

  // Reads the settings and checks the stop request; true when the cycle is to run.
  // A null instance name is the empty name.
  virtual bool Init(const char* instance_name);
  virtual void Run();

  // One cycle; 1 when it ran to its end (or was stopped), 0 when a step failed.
  int DoCycle();

  // StopCheck. A fault of the database (a lost connection, a fill table that
  // misses rows) ends the scan like a stop, but the cycle's result is 0.
  bool CheckStopRequest() override;
  bool StopFlag() const override { return stop_flag_ || database_fault_; }
  void SetStopFlag() override { stop_flag_ = true; }

  const AgentSettings& settings() const { return settings_; }
  const std::string& instance_name() const { return instance_name_; }
  const std::string& fill_table() const { return fill_table_; }
  AgentLog& log() { return logger_; }
  // Mailboxes handled and those published by another data source (summary counts).
  int handled_counter() const { return scan_state_.handled; }
  int remote_counter() const { return scan_state_.remote; }

 private:
  int RunCycle();
  // Steps 2 to 17; returning ends the cycle.
  int CycleSteps(DatabasePreparation& prep, MapiLogon& logon);
  int FinishCycle(int result, std::chrono::steady_clock::time_point cycle_start, DatabasePreparation& prep,
                  MapiLogon& logon);
  void ClearCycleState();
  // Sets accounts_: the logon server's directory, or (reported) one whose
  // every lookup fails when it cannot be opened.
  void OpenAccountDirectory();
  // Steps 16 and 17; false when a database failure ends the cycle with result 0.
  bool SendNotifications(Database* db, const std::string& published_table);
  // The mailbox scan the scan loop hands every mailbox to.
  std::unique_ptr<MailboxVisitor> MakeMailboxScanner(Database& db, MapiLogon& logon,
                                                     DatabasePreparation& prep);
  // The permission, account and booking services the mailbox scan uses.
  void ConnectScanServices(ScanEnvironment& env);
  void LogBanner();
  void LogSummary(std::chrono::steady_clock::duration elapsed);
  bool CheckStopAtom();
  // Claims the instance name for this process; false (with warning 153) when
  // another agent of that name runs. A claim that cannot be checked lets the cycle run.
  bool ClaimInstanceName();

  AgentPaths paths_;
  AgentEnvironment env_;
  std::string instance_name_ = "Korvale Update Service";
  AgentSettings settings_;
  AgentLogger logger_;
  bool stop_flag_ = false;
  bool database_fault_ = false;       // the database failed the cycle (see Database::fault)
  bool fill_table_prepared_ = false;  // the preparation chose, emptied and created fill_table_
  std::string fill_table_;
  TIME_ZONE_INFORMATION local_time_zone_;
  MembershipMap membership_;
  ScanCycleState scan_state_;                // scanned mailboxes, counters, collected booking accounts
  std::unique_ptr<AgentBookings> bookings_;  // booking list, numbers, notification queue
  // Windows accounts of the logon server; from OpenAccountDirectory to the end
  // of the cycle never null (a directory that cannot be opened fails each lookup).
  std::unique_ptr<accounts::AccountDirectory> accounts_;
  std::unique_ptr<atoms::InstanceLock> instance_claim_;  // held for the whole run
};

// The thread routine: creates the agent, runs Init and Run, destroys it.
// Returns the process exit status.
int RunThread(const char* instance_name, const AgentPaths& paths);

}  // namespace korvale
