// Backup snapshots: a full copy of the save folder in a folder named after the
// moment it was taken.
#pragma once

#include <string>

#include "platform/clock.h"

namespace kovrin {

struct Tool;

enum class BackupKind { GuardBackup, TimedBackup, RestartBackup };

std::string kindFolder(Tool& tool, BackupKind kind);
bool isDirectory(Tool& tool, const std::string& path);
bool ensureDirectory(Tool& tool, const std::string& path);
std::string backupTimestamp(const LocalTime& now);
std::string dateTimeText(const LocalTime& moment);
void copyFolder(Tool& tool, const std::string& source, const std::string& target);
void takeSnapshot(Tool& tool, BackupKind kind);

}  // namespace kovrin
