#include <windows.h>
#include <shlwapi.h>

#include <atomic>
#include <string>

#include "platform/win32/raii.h"
#include "platform/win32/services.h"
#include "platform/win32/wide.h"

namespace kovrin::win32 {

namespace {

// Directories may be at most MAX_PATH - 12 characters long without the
// "\\?\" prefix; files MAX_PATH - 1. One bound for both keeps it simple.
constexpr std::size_t kClassicPathLimit = MAX_PATH - 12;

constexpr DWORD kChunk = 1u << 20;

bool hasWildcard(const std::wstring& path) { return path.find_first_of(L"*?") != std::wstring::npos; }

DWORD attributesOf(const std::wstring& osp) { return ::GetFileAttributesW(osp.c_str()); }

bool writeAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD part = bytes.size() > kChunk ? kChunk : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), part, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// A name beside `target` that no other writer picks: the process id and a
// counter make it unique within the machine, CREATE_NEW makes sure of it.
std::string temporaryNameBeside(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  return target + ".~" + std::to_string(::GetCurrentProcessId()) + "-" +
         std::to_string(counter.fetch_add(1)) + ".tmp";
}

}  // namespace

std::wstring osPath(std::wstring path) {
  if (path.size() < kClassicPathLimit || path.rfind(L"\\\\?\\", 0) == 0) return path;
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
  return path;
}

bool Win32FileSystem::isDirectory(const std::string& path) {
  const std::wstring osp = osPath(path);
  if (osp.rfind(L"\\\\?\\", 0) == 0) {
    const DWORD attributes = attributesOf(osp);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  return ::PathIsDirectoryW(osp.c_str()) == FILE_ATTRIBUTE_DIRECTORY;
}

bool Win32FileSystem::exists(const std::string& path) {
  const std::wstring osp = osPath(path);
  if (osp.empty()) return false;
  if (attributesOf(osp) != INVALID_FILE_ATTRIBUTES) return true;
  // Some entries refuse to show their attributes (a paging file, an entry
  // held open without sharing); the directory still lists them.
  const DWORD error = ::GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || hasWildcard(osp))
    return false;
  WIN32_FIND_DATAW data;
  UniqueFind find(::FindFirstFileW(osp.c_str(), &data));
  return find.valid();
}

bool Win32FileSystem::createDirectory(const std::string& path) {
  return ::CreateDirectoryW(osPath(path).c_str(), nullptr) != FALSE;
}

bool Win32FileSystem::createDirectoryPath(const std::string& path) {
  const std::wstring w = wide(path);
  // Skip what cannot be created: a drive ("X:"), the root, or the server and
  // share of a UNC path.
  std::size_t pos = 0;
  if (w.rfind(L"\\\\", 0) == 0) {
    pos = w.find(L'\\', 2);                                  // end of the server
    if (pos != std::wstring::npos) pos = w.find(L'\\', pos + 1);  // end of the share
    if (pos == std::wstring::npos) return true;
  } else {
    if (w.size() >= 2 && w[1] == L':') pos = 2;
    while (pos < w.size() && w[pos] == L'\\') ++pos;
  }
  while ((pos = w.find(L'\\', pos)) != std::wstring::npos) {
    ++pos;
    const std::wstring part = w.substr(0, pos);
    // An empty component ("a\\b") names the same directory again.
    if (part.size() >= 2 && part[part.size() - 2] == L'\\') continue;
    const std::wstring osp = osPath(part);
    DWORD attributes = attributesOf(osp);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      return false;  // a file stands where a directory is needed
    }
    if (::CreateDirectoryW(osp.c_str(), nullptr)) continue;
    // Someone else may have created it in the meantime.
    attributes = attributesOf(osp);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return false;
  }
  // Nothing was left to create ("X:\", a share): the directory part must be
  // there all the same.
  const std::size_t last = w.rfind(L'\\');
  if (last == std::wstring::npos) return true;
  const DWORD attributes = attributesOf(osPath(w.substr(0, last + 1)));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> Win32FileSystem::readFile(const std::string& path) {
  UniqueHandle file(::CreateFileW(osPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                  nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.get(), &size) && size.QuadPart > 0)
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  std::string chunk(kChunk, '\0');
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), chunk.data(), kChunk, &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    bytes.append(chunk.data(), got);
  }
  return bytes;
}

bool Win32FileSystem::writeFile(const std::string& path, std::string_view bytes) {
  UniqueHandle file(::CreateFileW(osPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const bool written = writeAll(file.get(), bytes);
  return ::CloseHandle(file.release()) && written;
}

bool Win32FileSystem::replaceFile(const std::string& path, std::string_view bytes) {
  const std::wstring target = osPath(path);
  const std::wstring temporary = osPath(temporaryNameBeside(path));
  {
    UniqueHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const bool written = writeAll(file.get(), bytes) && ::FlushFileBuffers(file.get());
    const bool closed = ::CloseHandle(file.release()) != FALSE;
    if (!written || !closed) {
      ::DeleteFileW(temporary.c_str());
      return false;
    }
  }
  if (::MoveFileExW(temporary.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  ::DeleteFileW(temporary.c_str());
  return false;
}

bool Win32FileSystem::deleteFile(const std::string& path) {
  return ::DeleteFileW(osPath(path).c_str()) != FALSE;
}

bool Win32FileSystem::copyFile(const std::string& from, const std::string& to, bool overwrite) {
  return ::CopyFileW(osPath(from).c_str(), osPath(to).c_str(), overwrite ? FALSE : TRUE) != FALSE;
}

std::optional<std::vector<DirEntry>> Win32FileSystem::listDirectory(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::string pattern = path;
  if (pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAW data;
  UniqueFind find(::FindFirstFileW(osPath(pattern).c_str(), &data));
  std::vector<DirEntry> entries;
  if (!find) {
    // A drive root has no "." and "..": when it is empty nothing matches.
    if (::GetLastError() == ERROR_FILE_NOT_FOUND) return entries;
    return std::nullopt;
  }
  do {
    const std::wstring_view name(data.cFileName);
    if (name == L"." || name == L"..") continue;
    DirEntry entry;
    entry.name = narrow(name);
    entry.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entries.push_back(std::move(entry));
  } while (::FindNextFileW(find.get(), &data));
  // A listing cut short would look complete to the caller.
  if (::GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
  return entries;
}

bool Win32FileSystem::removeDirectory(const std::string& path) {
  const std::wstring osp = osPath(path);
  const DWORD attributes = attributesOf(osp);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return ::RemoveDirectoryW(osp.c_str()) != FALSE;

  // A junction or a symbolic link: only the link may go, never anything of
  // the directory it points to. Open the link itself and delete it through
  // that handle. A system that follows the link even when asked not to (Wine
  // does, for its Unix symbolic links, and its RemoveDirectoryW would then
  // remove an empty target) hands back the target: leave everything alone.
  UniqueHandle link(::CreateFileW(osp.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
  if (!link) return false;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!::GetFileInformationByHandleEx(link.get(), FileAttributeTagInfo, &tag, sizeof tag))
    return false;
  if (!(tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      !(tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  if (!::SetFileInformationByHandle(link.get(), FileDispositionInfo, &disposition,
                                    sizeof disposition))
    return false;
  return ::CloseHandle(link.release()) != FALSE;
}

bool Win32FileSystem::clearReadOnly(const std::string& path) {
  const std::wstring osp = osPath(path);
  const DWORD attributes = attributesOf(osp);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  DWORD cleared = attributes & ~FILE_ATTRIBUTE_READONLY & ~FILE_ATTRIBUTE_DIRECTORY;
  if (cleared == 0) cleared = FILE_ATTRIBUTE_NORMAL;
  return ::SetFileAttributesW(osp.c_str(), cleared) != FALSE;
}

}  // namespace kovrin::win32
