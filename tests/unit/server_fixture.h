// A tool with fake surroundings and its main window, for the server control,
// tick and SteamCMD tests.
#pragma once

#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/tool.h"
#include "fakes.h"

namespace kovrin::testing {

// A main window that also logs every caption write and disabled-state change,
// in order, as "text <control> <value>" and "disabled <control> <0|1>".
class RecordingWindow : public fakes::MemoryWindow {
 public:
  using MemoryWindow::MemoryWindow;
  void setText(std::string_view control, const std::string& text) override {
    log.push_back("text " + std::string(control) + " " + text);
    MemoryWindow::setText(control, text);
  }
  void setDisabled(std::string_view control, bool disabled) override {
    log.push_back("disabled " + std::string(control) + (disabled ? " 1" : " 0"));
    MemoryWindow::setDisabled(control, disabled);
  }
  std::vector<std::string> log;
};

// A worker thread stand-in that logs when it is waited for.
class LoggedThread : public Thread {
 public:
  explicit LoggedThread(std::vector<std::string>& log) : log_(log) {}
  void join() override { log_.push_back("join"); }

 private:
  std::vector<std::string>& log_;
};

// The tool as the startup leaves it in `runDir`, its timer running.
struct Rig {
  explicit Rig(const std::string& runDir = "C:\\steam cmd") : tool(fp.platform, runDir), window(mainWindowSpec(tool)) {
    fp.files.addDirectory(runDir);
    tool.main = &window;
    tool.state.serverRoot = runDir;
    tool.state.statusTickLeft = 5;
    window.setPeriod("时钟1", 1000);
  }
  ~Rig() {
    // A worker still running must not outlive the tool it works on.
    if (tool.state.updateThread) tool.state.updateThread->join();
  }

  void ticks(int n) {
    for (int i = 0; i < n; ++i) window.elapse("时钟1");
  }
  // Installs the fake server's launcher, as a successful SteamCMD run does.
  void installServer() { fp.files.addFile(tool.paths.serverExePath, "launcher"); }

  fakes::FakePlatform fp;
  Tool tool;
  RecordingWindow window;
};

}  // namespace kovrin::testing
