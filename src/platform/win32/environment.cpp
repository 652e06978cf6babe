#include <windows.h>

#include "platform/win32/resource_ids.h"
#include "platform/win32/services.h"
#include "platform/win32/wide.h"

namespace kovrin::win32 {

std::string Win32Environment::executableDirectory() {
  // The buffer grows until the whole path fits (paths may exceed MAX_PATH).
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return {};
  // "C:\kovrin.exe" gives "C:", the drive without its root backslash.
  return narrow(std::wstring_view(path).substr(0, slash));
}

bool Win32Environment::setCurrentDirectory(const std::string& path) {
  std::wstring target = wide(path);
  // A bare drive ("C:") would mean that drive's last current directory, not
  // its root.
  if (target.size() == 2 && target[1] == L':') target += L'\\';
  return ::SetCurrentDirectoryW(target.c_str()) != FALSE;
}

std::optional<std::string> Win32Environment::variable(const std::string& name) {
  const std::wstring key = wide(name);
  std::wstring value(256, L'\0');
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD length =
        ::GetEnvironmentVariableW(key.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();  // set, but empty
    }
    if (length < value.size()) {
      value.resize(length);
      return narrow(value);
    }
    value.resize(length);  // the size needed, its terminator included
  }
}

std::optional<std::string> Win32Environment::carriedFile(CarriedFile which) {
  const int id = which == CarriedFile::EmptyExe ? IDR_EMPTY_EXE : IDR_STEAMCMD_EXE;
  // Resources of the running image stay mapped for its lifetime: nothing to
  // release.
  const HRSRC resource = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_RCDATA);
  if (!resource) return std::nullopt;
  const HGLOBAL loaded = ::LoadResource(nullptr, resource);
  if (!loaded) return std::nullopt;
  const void* bytes = ::LockResource(loaded);
  const DWORD size = ::SizeofResource(nullptr, resource);
  if (!bytes) return std::nullopt;
  return std::string(static_cast<const char*>(bytes), size);
}

}  // namespace kovrin::win32
