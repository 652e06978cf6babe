// The Win32 GUI layer: real windows built from rosters, message boxes, the
// folder browser and the shell's "open".
#pragma once

#include "platform/shell.h"
#include "platform/window.h"

namespace kovrin::win32 {

class Win32Gui : public Gui {
 public:
  Win32Gui();
  ~Win32Gui() override;
  void showMessage(const std::string& text) override;
  void runMainWindow(const WindowSpec& layout) override;
  void runModal(const WindowSpec& layout) override;
};

class Win32Shell : public Shell {
 public:
  std::optional<std::string> browseForFolder(const std::string& prompt) override;
  void openUrl(const std::string& url) override;
};

}  // namespace kovrin::win32
