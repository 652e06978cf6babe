#include "support.h"

#include <shellapi.h>
#include <tlhelp32.h>
#include <winioctl.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/text.h"
#include "platform/win32/services.h"

namespace layer {

std::wstring wide(const std::string& utf8) {
  const std::u16string u = kovrin::toUtf16(utf8);
  return std::wstring(u.begin(), u.end());
}

std::string narrow(const std::wstring& text) {
  return kovrin::fromUtf16(std::u16string(text.begin(), text.end()));
}

// ------------------------------------------------------------------ files --

namespace {

using ToUnix = char*(CDECL*)(const wchar_t*);

// Wine only: its own export turns a DOS path into the Unix one.
ToUnix wineToUnix() {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  return reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "wine_get_unix_file_name")));
}

// Wine starts Unix programs like Windows ones, but its handle to them cannot
// be waited on: wait for `done` instead.
template <typename Done>
bool runUnix(std::wstring command, Done done) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
    return false;
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  for (int i = 0; i < 200; ++i) {
    if (done()) return true;
    ::Sleep(25);
  }
  return false;
}

std::wstring unixPath(ToUnix toUnix, const std::wstring& path) {
  char* p = toUnix(path.c_str());
  if (!p) return {};
  std::wstring result = wide(p);
  ::HeapFree(::GetProcessHeap(), 0, p);
  return result;
}

bool removeUnixLink(const std::wstring& path) {
  const ToUnix toUnix = wineToUnix();
  if (!toUnix) return false;
  const std::wstring p = unixPath(toUnix, path);
  return !p.empty() && runUnix(L"/bin/rm -f \"" + p + L"\"", [&] {
    return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
  });
}

bool makeUnixLink(const std::wstring& link, const std::wstring& target) {
  const ToUnix toUnix = wineToUnix();
  if (!toUnix) return false;
  const std::wstring l = unixPath(toUnix, link);
  const std::wstring t = unixPath(toUnix, target);
  if (l.empty() || t.empty()) return false;
  return runUnix(L"/bin/ln -s \"" + t + L"\" \"" + l + L"\"", [&] {
    const DWORD a = ::GetFileAttributesW(link.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
  });
}

}  // namespace

void removeTree(const std::wstring& path) {
  const DWORD attrs = ::GetFileAttributesW(path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) return;
  if (attrs & FILE_ATTRIBUTE_REPARSE_POINT) {
    // Never into a link. A Unix symbolic link under Wine can only be
    // removed from the Unix side (RemoveDirectoryW would take an empty
    // target instead).
    if (!removeUnixLink(path)) ::RemoveDirectoryW(path.c_str());
    return;
  }
  if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") removeTree(path + L"\\" + name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
  }
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryW(path.c_str());
}

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
  std::string base = narrow(std::wstring(temp, n));
  if (!base.empty() && base.back() == '\\') base.pop_back();
  // Wine reuses process ids at once: the clock keeps names apart across runs.
  path_ = base + "\\kovrin 层 " + std::to_string(::GetCurrentProcessId()) + "-" +
          std::to_string(::GetTickCount64()) + "-" + std::to_string(counter++);
  removeTree(wide(path_));
  ::CreateDirectoryW(wide(path_).c_str(), nullptr);
}

ScratchDir::~ScratchDir() { removeTree(wide(path_)); }

bool writeBytes(const std::string& path, const std::string& bytes) {
  HANDLE h = ::CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(h);
  return ok && written == bytes.size();
}

std::optional<std::string> readBytes(const std::string& path) {
  HANDLE h = ::CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  ::CloseHandle(h);
  return bytes;
}

DWORD attributes(const std::string& path) { return ::GetFileAttributesW(wide(path).c_str()); }

bool isDir(const std::string& path) {
  const DWORD a = attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool makeDir(const std::string& path) {
  return ::CreateDirectoryW(wide(path).c_str(), nullptr) != FALSE;
}

std::vector<std::string> namesIn(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(wide(dir + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(narrow(name));
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// ------------------------------------------------------------------ links --

namespace {

struct MountPointBuffer {
  DWORD ReparseTag;
  WORD ReparseDataLength;
  WORD Reserved;
  WORD SubstituteNameOffset;
  WORD SubstituteNameLength;
  WORD PrintNameOffset;
  WORD PrintNameLength;
  WCHAR PathBuffer[2048];
};

bool makeJunction(const std::wstring& link, const std::wstring& target) {
  if (!::CreateDirectoryW(link.c_str(), nullptr)) return false;
  HANDLE dir = ::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  bool ok = false;
  if (dir != INVALID_HANDLE_VALUE) {
    const std::wstring substitute = L"\\??\\" + target;
    MountPointBuffer b{};
    b.ReparseTag = IO_REPARSE_TAG_MOUNT_POINT;
    b.SubstituteNameLength = static_cast<WORD>(substitute.size() * 2);
    b.PrintNameOffset = static_cast<WORD>((substitute.size() + 1) * 2);
    b.PrintNameLength = static_cast<WORD>(target.size() * 2);
    std::memcpy(b.PathBuffer, substitute.c_str(), (substitute.size() + 1) * 2);
    std::memcpy(b.PathBuffer + substitute.size() + 1, target.c_str(), (target.size() + 1) * 2);
    b.ReparseDataLength = static_cast<WORD>(8 + (substitute.size() + target.size() + 2) * 2);
    DWORD returned = 0;
    ok = ::DeviceIoControl(dir, FSCTL_SET_REPARSE_POINT, &b, 8 + b.ReparseDataLength, nullptr, 0,
                           &returned, nullptr) != FALSE;
    ::CloseHandle(dir);
  }
  if (!ok) ::RemoveDirectoryW(link.c_str());
  return ok;
}

bool isLink(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT) &&
         (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::optional<std::string> makeDirectoryLink(const std::string& link, const std::string& target) {
  const std::wstring l = wide(link);
  const std::wstring t = wide(target);
  if (makeJunction(l, t) && isLink(l)) return "junction";
  // Wine 8 answers TRUE here without creating anything: look for the link.
  if (::CreateSymbolicLinkW(l.c_str(), t.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && isLink(l))
    return "symbolic link";
  if (makeUnixLink(l, t)) return "Unix symbolic link (Wine)";
  return std::nullopt;
}

// ----------------------------------------------------------------- drives --

namespace {

bool driveShows(const std::wstring& drive) {
  return ::GetFileAttributesW((drive + L"\\").c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The prefix's folder of drive links (".../dosdevices/"), from drive C:.
std::wstring wineDriveFolder(ToUnix toUnix) {
  std::wstring c = unixPath(toUnix, L"C:\\");  // ".../dosdevices/c:/"
  const std::wstring tail = L"c:/";
  if (c.size() <= tail.size() || c.compare(c.size() - tail.size(), tail.size(), tail) != 0) return {};
  return c.substr(0, c.size() - tail.size());
}

}  // namespace

std::optional<std::string> mapDrive(const std::string& target) {
  for (wchar_t c = L'P'; c <= L'Y'; ++c) {
    const std::wstring drive{c, L':'};
    if (::GetDriveTypeW((drive + L"\\").c_str()) != DRIVE_NO_ROOT_DIR || driveShows(drive)) continue;
    if (::DefineDosDeviceW(0, drive.c_str(), wide(target).c_str())) {
      if (driveShows(drive)) return narrow(drive);
      ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, drive.c_str(), nullptr);
    }
    const ToUnix toUnix = wineToUnix();
    if (!toUnix) return std::nullopt;
    const std::wstring folder = wineDriveFolder(toUnix);
    const std::wstring t = unixPath(toUnix, wide(target));
    if (folder.empty() || t.empty()) return std::nullopt;
    wchar_t lower[3] = {static_cast<wchar_t>(c - L'A' + L'a'), L':', 0};
    if (runUnix(L"/bin/ln -s \"" + t + L"\" \"" + folder + lower + L"\"", [&] { return driveShows(drive); }))
      return narrow(drive);
    return std::nullopt;
  }
  return std::nullopt;
}

void unmapDrive(const std::string& drive) {
  const std::wstring d = wide(drive);
  ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, d.c_str(), nullptr);
  if (!driveShows(d)) return;
  const ToUnix toUnix = wineToUnix();
  if (!toUnix || d.size() != 2) return;
  const std::wstring folder = wineDriveFolder(toUnix);
  if (folder.empty()) return;
  wchar_t lower[3] = {static_cast<wchar_t>(::towlower(d[0])), L':', 0};
  // rm removes the link, never what it names.
  runUnix(L"/bin/rm -f \"" + folder + lower + L"\"", [&] { return !driveShows(d); });
}

// -------------------------------------------------------------- processes --

std::wstring selfPath() {
  wchar_t path[32768];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, 32768);
  return std::wstring(path, n);
}

std::string childCommand(const std::string& mode, const std::vector<std::string>& args,
                         const std::wstring& exe) {
  std::string command(1, '"');
  command += narrow(exe);
  command += "\" --layer-child ";
  command += mode;
  for (const auto& a : args) {
    command += " \"";
    command += a;
    command += '"';
  }
  return command;
}

std::vector<std::uint32_t> childPids() {
  std::vector<std::uint32_t> pids;
  std::wstring self = selfPath();
  self = self.substr(self.rfind(L'\\') + 1);
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return pids;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  for (BOOL more = ::Process32FirstW(snap, &e); more; more = ::Process32NextW(snap, &e))
    if (e.th32ParentProcessID == ::GetCurrentProcessId() && ::lstrcmpiW(e.szExeFile, self.c_str()) == 0)
      pids.push_back(e.th32ProcessID);
  ::CloseHandle(snap);
  return pids;
}

std::optional<DWORD> waitForExit(std::uint32_t pid, DWORD timeoutMs) {
  HANDLE h = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!h) return std::nullopt;
  std::optional<DWORD> code;
  DWORD c = 0;
  if (::WaitForSingleObject(h, timeoutMs) == WAIT_OBJECT_0 && ::GetExitCodeProcess(h, &c)) code = c;
  ::CloseHandle(h);
  return code;
}

// ------------------------------------------------------------ child modes --

namespace {

LRESULT CALLBACK childWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return ::DefWindowProcW(window, message, w, l);
}

[[noreturn]] void runChild(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 2 ? argv[2] : L"";
  if (mode == L"sleep" && argc >= 5) {
    ::Sleep(static_cast<DWORD>(_wtoi(argv[3])));
    writeBytes(narrow(argv[4]), "done");
    ::ExitProcess(0);
  }
  if (mode == L"window" && argc >= 4) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = childWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KovrinLayerChild";
    ::RegisterClassW(&wc);
    if (!::CreateWindowExW(0, wc.lpszClassName, argv[3], WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                           nullptr, nullptr, wc.hInstance, nullptr))
      ::ExitProcess(kNoWindowExitCode);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    ::ExitProcess(3);
  }
  if (mode == L"exedir" && argc >= 4) {
    kovrin::win32::Win32Environment environment;
    writeBytes(narrow(argv[3]), environment.executableDirectory());
    ::ExitProcess(0);
  }
  ::ExitProcess(2);
}

// Runs before the tests' own main: a child started by a test never gets there.
const bool kChildChecked = [] {
  // Started as "server.exe": record the command line beside the program.
  std::wstring self = selfPath();
  const std::size_t slash = self.rfind(L'\\');
  if (::lstrcmpiW(self.c_str() + slash + 1, L"server.exe") == 0) {
    writeBytes(narrow(self.substr(0, slash)) + "\\args.txt", narrow(::GetCommandLineW()));
    ::ExitProcess(0);
  }
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv && argc > 1 && std::wstring(argv[1]) == L"--layer-child") runChild(argc, argv);
  if (argv) ::LocalFree(argv);
  return true;
}();

}  // namespace

}  // namespace layer
