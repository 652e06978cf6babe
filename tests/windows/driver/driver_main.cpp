// driver.exe: the test driver from a command line, for scripts and for trying
// the tool by hand under Wine. Output is UTF-8.
//
//   driver [options] COMMAND [ARGS]
//   options: --window main|config|CAPTION   the window to work (default: main)
//            --pid N                        only windows of this process
//            --timeout MS                   how long to wait (default 10000)
//   commands:
//     wait-window            wait for the window; print its handle
//     controls               one line per control: id, class, enabled, visible,
//                            left,top,width,height, roster name, text
//     roster                 the roster's names and identifiers
//     get CONTROL            print the control's text
//     set CONTROL TEXT       set the control's text (as if typed)
//     click CONTROL          click a button (fails when it is disabled)
//     press CONTROL          press the left mouse button on a control
//     enabled CONTROL        print 1 or 0
//     close                  ask the window to close
//     message                wait for a message box "信息：" and print its text
//     dismiss                the same, then click its OK button
//   CONTROL is a roster name (启动服务端按钮), a number (an identifier) or
//   text=CAPTION (the first control showing that text).
// Exit code: 0 done, 1 not found or timed out, 2 bad command line.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <cwchar>
#include <string>
#include <vector>

#include "driver.h"
#include "roster.h"

namespace {

void out(const std::string& s) {
  HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  if (h && h != INVALID_HANDLE_VALUE) WriteFile(h, s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
}

void err(const std::string& s) {
  HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  if (h && h != INVALID_HANDLE_VALUE) WriteFile(h, s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
}

struct Options {
  std::string window = "main";
  DWORD pid = 0;
  driver::milliseconds timeout{10000};
  std::vector<std::string> args;
};

bool isRoster(const Options& o, driver::Roster* roster) {
  if (o.window == "main") return *roster = driver::Roster::Main, true;
  if (o.window == "config") return *roster = driver::Roster::Config, true;
  return false;
}

std::string caption(const Options& o) {
  driver::Roster roster;
  if (!isRoster(o, &roster)) return o.window;
  std::string c = driver::rosterCaption(roster);
  if (c.empty()) c = roster == driver::Roster::Main ? "Kovrin v2.30" : "幻兽帕鲁配置修改";
  return c;
}

std::string rosterName(const Options& o, int id) {
  driver::Roster roster;
  if (!isRoster(o, &roster)) return "";
  auto names = driver::rosterNames(roster);
  for (std::size_t i = 0; i < names.size(); ++i)
    if (driver::rosterControlId(roster, names[i]) == id) return names[i];
  return "";
}

HWND findControl(const Options& o, HWND window, const std::string& layout) {
  if (layout.rfind("text=", 0) == 0) return driver::controlByText(window, layout.substr(5));
  if (!layout.empty() && layout.find_first_not_of("0123456789") == std::string::npos)
    return driver::control(window, std::stoi(layout));
  driver::Roster roster;
  if (!isRoster(o, &roster)) return nullptr;
  const int id = driver::rosterControlId(roster, layout);
  return id < 0 ? nullptr : driver::control(window, id);
}

int run(const Options& o) {
  if (o.args.empty()) return 2;
  const std::string& command = o.args[0];
  static const char* const known[] = {"message", "dismiss", "roster", "wait-window", "close", "controls",
                                      "get",     "set",     "click",  "press",       "enabled"};
  if (std::none_of(std::begin(known), std::end(known), [&](const char* k) { return command == k; })) return 2;
  const auto need = [&](std::size_t n) { return o.args.size() == n + 1; };

  if (command == "message" || command == "dismiss") {
    if (!need(0)) return 2;
    auto box = driver::waitMessageBox(o.timeout, o.pid);
    if (!box) return err("no message box\n"), 1;
    if (command == "dismiss" && !driver::dismiss(box->hwnd)) return err("the box did not close\n"), 1;
    out(box->text + "\n");
    return 0;
  }
  if (command == "roster") {
    driver::Roster roster;
    if (!need(0) || !isRoster(o, &roster)) return 2;
    for (const auto& name : driver::rosterNames(roster))
      out(std::to_string(driver::rosterControlId(roster, name)) + "\t" + name + "\n");
    return 0;
  }

  HWND window = driver::waitTopLevel(caption(o), o.timeout, o.pid);
  if (!window) return err("no window \"" + caption(o) + "\"\n"), 1;

  if (command == "wait-window") {
    if (!need(0)) return 2;
    char handle[32];
    std::snprintf(handle, sizeof handle, "0x%llx\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    out(handle);
    return 0;
  }
  if (command == "close") return need(0) ? (driver::close(window) ? 0 : 1) : 2;
  if (command == "controls") {
    if (!need(0)) return 2;
    for (const auto& c : driver::controls(window)) {
      char line[160];
      std::snprintf(line, sizeof line, "%d\t%s\t%d\t%d\t%ld,%ld,%ld,%ld\t", c.id, c.className.c_str(), c.enabled,
                    c.visible, c.rect.left, c.rect.top, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top);
      out(line + rosterName(o, c.id) + "\t" + c.text + "\n");
    }
    return 0;
  }

  if (o.args.size() < 2) return 2;
  HWND control = findControl(o, window, o.args[1]);
  if (!control) return err("no control " + o.args[1] + "\n"), 1;
  if (command == "get") {
    if (!need(1)) return 2;
    auto t = driver::text(control);
    if (!t) return 1;
    out(*t + "\n");
    return 0;
  }
  if (command == "set") return need(2) ? (driver::setText(control, o.args[2]) ? 0 : 1) : 2;
  if (command == "click") return need(1) ? (driver::click(control) ? 0 : 1) : 2;
  if (command == "press") return need(1) ? (driver::pressLeftButton(control) ? 0 : 1) : 2;
  if (command == "enabled") {
    if (!need(1)) return 2;
    out(driver::enabled(control) ? "1\n" : "0\n");
    return 0;
  }
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = driver::narrow(argv[i]);
    const bool hasValue = i + 1 < argc;
    if (arg == "--window" && hasValue) {
      o.window = driver::narrow(argv[++i]);
    } else if (arg == "--pid" && hasValue) {
      o.pid = static_cast<DWORD>(std::wcstoul(argv[++i], nullptr, 10));
    } else if (arg == "--timeout" && hasValue) {
      o.timeout = driver::milliseconds(std::wcstol(argv[++i], nullptr, 10));
    } else {
      o.args.push_back(arg);
    }
  }
  const int code = run(o);
  if (code == 2) err("usage: driver [--window main|config|CAPTION] [--pid N] [--timeout MS] COMMAND [ARGS]\n");
  return code;
}
