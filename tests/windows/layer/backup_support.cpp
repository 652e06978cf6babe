#include "backup_support.h"

namespace layer {
namespace {

// Short contents as they are; longer ones by size and a hash, so that a
// failure stays readable.
std::string digest(const std::optional<std::string>& bytes) {
  if (!bytes) return "<unreadable>";
  if (bytes->size() <= 64) return *bytes;
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : *bytes) h = (h ^ c) * 1099511628211ull;
  return std::to_string(bytes->size()) + " bytes, hash " + std::to_string(h);
}

void collect(const std::wstring& folder, const std::string& prefix, Tree& tree) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::string relative = prefix + narrow(name);
    const std::wstring full = folder + L"\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      tree[relative] = "link";
    } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      tree[relative] = "dir";
      collect(full, relative + "\\", tree);
    } else {
      std::string value = "file ";
      if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) value += 'R';
      if (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) value += 'H';
      value += ':';
      value += digest(readBytes(narrow(full)));
      tree[relative] = std::move(value);
    }
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
}

}  // namespace

Tree treeOf(const std::string& folder) {
  Tree tree;
  collect(wide(folder), "", tree);
  return tree;
}

void BackupOnDisk::put(const std::string& path, const std::string& bytes) {
  ASSERT_TRUE(files.createDirectoryPath(path)) << path;  // the folders above the file
  ASSERT_TRUE(writeBytes(path, bytes)) << path;
}

void BackupOnDisk::makeSaveFolder() {
  const std::string world = saveFolder() + "\\SaveGames\\0\\0123456789ABCDEF0123456789ABCDEF";
  std::string level(300000, '\0');
  for (std::size_t i = 0; i < level.size(); ++i) level[i] = static_cast<char>((i * 7919) >> 3);
  put(world + "\\Level.sav", level);
  put(world + "\\LevelMeta.sav", std::string("meta\0\xff\r\n", 8));
  put(world + "\\Players\\00000000000000000000000000000001.sav", "player one");
  put(world + "\\Players\\玩家 二.sav", "player two");
  put(saveFolder() + "\\Config\\WindowsServer\\PalWorldSettings.ini", "");
  put(saveFolder() + "\\Logs\\hidden.log", "hidden");
  ::SetFileAttributesW(wide(saveFolder() + "\\Logs\\hidden.log").c_str(), FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(files.createDirectoryPath(saveFolder() + "\\SaveGames\\空 empty\\"));
}

}  // namespace layer
