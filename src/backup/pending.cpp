// Placeholders until backups land.
#include "backup/rotation.h"

namespace kovrin {
std::string kindFolder(Tool&, BackupKind) { return {}; }
bool isDirectory(Tool&, const std::string&) { return false; }
bool ensureDirectory(Tool&, const std::string&) { return false; }
std::string backupTimestamp(const LocalTime&) { return {}; }
std::string dateTimeText(const LocalTime&) { return {}; }
void copyFolder(Tool&, const std::string&, const std::string&) {}
void takeSnapshot(Tool&, BackupKind) {}
int countSubfolders(Tool&, const std::string&) { return 0; }
std::vector<std::string> listSubfolders(Tool&, const std::string&) { return {}; }
bool deleteFolderTree(Tool&, const std::string&) { return false; }
void rotateBackups(Tool&, BackupKind, int) {}
void backupWithRotation(Tool&, BackupKind, int) {}
}  // namespace kovrin
