// The demo installation of examples/demo after agent cycles, with the web
// front over it: the demo organisation (appointment days relative to today)
// and the demo Caldrun.ini, on a temporary SQLite file or the MariaDB server.
//
//   class MyTest : public WebDemoTest {};
//   TEST_P(MyTest, X) { RunCycle("Korvale Test"); auto page = Get("/group/1", "DEMO\\anna"); }
#pragma once

#include <memory>
#include <string>

#include "agent/core/agent_process_fixture.h"
#include "web/web_app.h"

namespace korvale::web::testing {

class WebDemoTest : public korvale::testing::AgentProcessTest {
 protected:
  void SetUp() override;

  // The web front over the installation folder (loaded on first use).
  WebApp& App();
  WebResponse Get(const std::string& path, const std::string& visitor);
  WebResponse Post(const std::string& path, const FormFields& fields, const std::string& visitor);
  // The demo file with every @DAY+n@ (and @DAYC+n@) replaced by the day n days from today.
  static std::string DemoFile(const std::string& name);

 private:
  std::unique_ptr<WebApp> app_;
};

// A program running in the background until the object goes (SIGTERM, then waited for).
class BackgroundProcess {
 public:
  BackgroundProcess(const std::string& program, const std::vector<std::string>& args);
  ~BackgroundProcess();
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;
  // Reads the program's output until a line contains `text`; false when it ended first.
  bool WaitForLine(const std::string& text, std::string* seen);

 private:
  int pid_ = -1;
  int out_ = -1;
};

// A port on 127.0.0.1 that was free a moment ago.
int FreePort();

}  // namespace korvale::web::testing
