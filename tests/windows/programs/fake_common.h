// Small helpers shared by the fake outside programs. Each fake is a plain
// Win32 program of its own; nothing here belongs to the tool.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace fake {

// The directory of the running executable, without a trailing backslash.
inline std::wstring ownDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return L".";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

// The parent of a directory (the part before its last backslash).
inline std::wstring parentOf(const std::wstring& dir) {
  const auto slash = dir.find_last_of(L"\\/");
  return slash == std::wstring::npos ? dir : dir.substr(0, slash);
}

inline std::string toUtf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

inline std::wstring environment(const wchar_t* name) {
  wchar_t buffer[512];
  const DWORD n = GetEnvironmentVariableW(name, buffer, 512);
  return n > 0 && n < 512 ? std::wstring(buffer, n) : std::wstring();
}

// Creates every missing directory of a path.
inline void makeDirectories(const std::wstring& path) {
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || ((path[i] == L'\\' || path[i] == L'/') && i > 2)) {
      CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
  }
}

class Handle {
 public:
  explicit Handle(HANDLE h = nullptr) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  ~Handle() {
    if (h_) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HANDLE h_;
};

// Writes a whole file, sharing it fully so that a backup may copy it at any
// moment. Returns whether every byte was written.
inline bool writeFile(const std::wstring& path, std::string_view bytes) {
  Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

inline bool appendFile(const std::wstring& path, std::string_view bytes) {
  Handle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// Writes UTF-8 to standard output as raw bytes (a Linux pipe shows them as
// they are; a console shows them through its code page).
inline void print(std::string_view utf8) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

}  // namespace fake
