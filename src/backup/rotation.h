// Keeping the number of snapshots of each kind bounded.
#pragma once

#include <string>
#include <vector>

#include "backup/snapshot.h"

namespace kovrin {

inline constexpr int guardBackupLimit = 10;

int countSubfolders(Tool& tool, const std::string& path);
std::vector<std::string> listSubfolders(Tool& tool, const std::string& path);
bool deleteFolderTree(Tool& tool, const std::string& path);
void rotateBackups(Tool& tool, BackupKind kind, int keep);
void backupWithRotation(Tool& tool, BackupKind kind, int keep);

}  // namespace kovrin
