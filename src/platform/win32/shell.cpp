// The shell: the system folder browser and the "open" action.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <string>

#include "platform/text.h"
#include "platform/win32/gui.h"

namespace kovrin::win32 {
namespace {

// COM for the calling thread for one call. A thread that already runs COM in
// another apartment model keeps it; the call goes on regardless.
class ComScope {
 public:
  ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComScope() {
    if (ok_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool ok_;
};

struct ItemIdList {
  PIDLIST_ABSOLUTE pidl = nullptr;
  ~ItemIdList() {
    if (pidl) CoTaskMemFree(pidl);
  }
};

}  // namespace

std::optional<std::string> Win32Shell::browseForFolder(const std::string& prompt) {
  ComScope com;
  const std::u16string title = toUtf16(prompt);
  wchar_t displayName[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = GetActiveWindow();  // the tool's active window on the GUI thread
  info.pidlRoot = nullptr;             // the whole namespace, from the desktop
  info.pszDisplayName = displayName;
  info.lpszTitle = reinterpret_cast<const wchar_t*>(title.c_str());
  info.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
  ItemIdList chosen;
  chosen.pidl = SHBrowseForFolderW(&info);
  if (!chosen.pidl) return std::nullopt;
  // Items outside the file system (Control Panel, a printer...) have no path.
  std::u16string path(32768, u'\0');
  if (!SHGetPathFromIDListEx(chosen.pidl, reinterpret_cast<wchar_t*>(path.data()),
                             static_cast<DWORD>(path.size()), GPFIDL_DEFAULT))
    return std::string();
  path.resize(std::min(path.find(u'\0'), path.size()));
  return fromUtf16(path);
}

void Win32Shell::openUrl(const std::string& url) {
  ComScope com;
  const std::u16string target = toUtf16(url);
  ShellExecuteW(nullptr, L"open", reinterpret_cast<const wchar_t*>(target.c_str()), nullptr, nullptr,
                SW_SHOWNORMAL);
}

}  // namespace kovrin::win32
