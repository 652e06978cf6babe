// Timed command, run under Wine or Windows: the throughput of a snapshot of a
// realistic save folder (one large world file and a few hundred small player
// files), measured against a plain recursive copy of the same tree on the same
// machine (CopyFileW over a FindFirstFileW walk, written here for the
// comparison), and the same for the tool's own copy used when the scripting
// object is not available.
//
//   kovrin_backup_bench [--runs N] [--world-mib M] [--players P]
//                       (defaults: 5 runs, 48 MiB, 400 players)
//
// Each run times the three copies of the whole tree into fresh folders, in a
// rotating order; the copies are deleted between runs (not timed). The save
// folder is read from the system's cache after the first run, as it is when the
// server has just written it.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "app/tool.h"
#include "backup/snapshot.h"
#include "fakes.h"
#include "platform/text.h"
#include "platform/win32/services.h"

namespace {

std::wstring wide(const std::string& utf8) {
  const std::u16string u = kovrin::toUtf16(utf8);
  return std::wstring(u.begin(), u.end());
}

std::string narrow(const std::wstring& text) { return kovrin::fromUtf16(std::u16string(text.begin(), text.end())); }

bool writeFile(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == bytes.size();
}

// Bytes that do not compress to nothing: a simple generator's output.
std::string filler(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  unsigned x = seed * 2654435761u + 1;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<char>(x);
  }
  return bytes;
}

struct SaveFolder {
  std::uint64_t bytes = 0;
  int files = 0;
};

// Pal\Saved as a long-running server leaves it.
SaveFolder makeSaveFolder(const std::wstring& saved, int worldMiB, int players) {
  SaveFolder made;
  const std::wstring world = saved + L"\\SaveGames\\0\\0123456789ABCDEF0123456789ABCDEF";
  for (const std::wstring& d : {saved, saved + L"\\SaveGames", saved + L"\\SaveGames\\0", world,
                                world + L"\\Players", world + L"\\backup", saved + L"\\Config",
                                saved + L"\\Config\\WindowsServer", saved + L"\\Logs"})
    CreateDirectoryW(d.c_str(), nullptr);
  auto add = [&](const std::wstring& path, std::size_t size, unsigned seed) {
    if (writeFile(path, filler(size, seed))) {
      made.bytes += size;
      ++made.files;
    }
  };
  add(world + L"\\Level.sav", static_cast<std::size_t>(worldMiB) << 20, 1);
  add(world + L"\\LevelMeta.sav", 2048, 2);
  add(world + L"\\WorldOption.sav", 4096, 3);
  for (int i = 0; i < players; ++i) {
    wchar_t name[64];
    std::swprintf(name, 64, L"\\Players\\%08X000000000000000000000000.sav", 0x10000 + i * 7919);
    add(world + name, 8192 + static_cast<std::size_t>(i % 17) * 1024, 100 + i);
  }
  add(saved + L"\\Config\\WindowsServer\\PalWorldSettings.ini", 3000, 4);
  add(saved + L"\\Logs\\PalServer.log", 200000, 5);
  return made;
}

// The straightforward copy the snapshot is compared with.
bool plainCopy(const std::wstring& from, const std::wstring& to) {
  if (!CreateDirectoryW(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((from + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ok = plainCopy(from + L"\\" + name, to + L"\\" + name) && ok;
    else
      ok = CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) && ok;
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return ok;
}

void removeTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTree(path + L"\\" + name);
      else
        DeleteFileW((path + L"\\" + name).c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

// Bytes of the files below a folder, to check that each copy is whole.
std::uint64_t treeBytes(const std::wstring& path) {
  std::uint64_t total = 0;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      total += treeBytes(path + L"\\" + name);
    else
      total += (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return total;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int runs = 5, worldMiB = 48, players = 400;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::wcscmp(argv[i], L"--runs") == 0) runs = std::max(1, _wtoi(argv[i + 1]));
    if (std::wcscmp(argv[i], L"--world-mib") == 0) worldMiB = std::max(1, _wtoi(argv[i + 1]));
    if (std::wcscmp(argv[i], L"--players") == 0) players = std::max(0, _wtoi(argv[i + 1]));
  }

  // The real file system, scripting object and clock; the snapshot uses
  // nothing else.
  kovrin::fakes::FakePlatform unused;
  kovrin::win32::Win32FileSystem files;
  kovrin::win32::Win32Automation realAutomation;
  kovrin::fakes::WithholdingAutomation automation{realAutomation};
  kovrin::win32::Win32Clock clock;
  kovrin::Platform platform{files,       unused.processes, automation,        unused.machine, unused.http,
                            unused.shell, clock,           unused.environment, unused.gui};

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring runDir = std::wstring(temp) + L"kovrin backup bench " + std::to_wstring(GetCurrentProcessId());
  removeTree(runDir);
  CreateDirectoryW(runDir.c_str(), nullptr);
  kovrin::Tool tool(platform, narrow(runDir));
  tool.state.serverRoot = narrow(runDir);
  tool.state.backupRoot = narrow(runDir) + "\\ZERuvoBackup";
  const std::wstring saved = wide(tool.paths.saveFolder);
  for (const std::string& d : {std::string("\\steamapps"), std::string("\\steamapps\\common"),
                               std::string("\\steamapps\\common\\PalServer"),
                               std::string("\\steamapps\\common\\PalServer\\Pal")})
    CreateDirectoryW(wide(narrow(runDir) + d).c_str(), nullptr);
  const SaveFolder save = makeSaveFolder(saved, worldMiB, players);
  const std::wstring kind = wide(kovrin::kindFolder(tool, kovrin::BackupKind::TimedBackup));
  CreateDirectoryW(wide(tool.state.backupRoot).c_str(), nullptr);
  CreateDirectoryW(kind.c_str(), nullptr);
  const std::wstring plainTarget = runDir + L"\\plain copy";
  const std::wstring ownTarget = runDir + L"\\own copy";

  std::printf("save folder: %d files, %.1f MiB (world %d MiB, %d players)\n", save.files,
              static_cast<double>(save.bytes) / 1048576.0, worldMiB, players);

  using Copy = std::function<std::wstring()>;  // returns the folder it filled
  const Copy snapshot = [&] {
    automation.scripting = true;
    kovrin::takeSnapshot(tool, kovrin::BackupKind::TimedBackup);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((kind + L"\\*_Saved").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return std::wstring();
    FindClose(find);
    return kind + L"\\" + data.cFileName;
  };
  const Copy plain = [&] { return plainCopy(saved, plainTarget) ? plainTarget : std::wstring(); };
  const Copy own = [&] {
    automation.scripting = false;
    kovrin::copyFolder(tool, tool.paths.saveFolder, narrow(ownTarget));
    return ownTarget;
  };
  const Copy copies[] = {snapshot, plain, own};
  const char* names[] = {"snapshot (scripting object)", "plain CopyFileW walk", "own copy (no scripting object)"};
  std::vector<double> seconds[3];
  bool whole = true;

  for (int run = 0; run < runs; ++run) {
    for (int k = 0; k < 3; ++k) {
      const int which = (run + k) % 3;
      const auto t0 = std::chrono::steady_clock::now();
      const std::wstring filled = copies[which]();
      seconds[which].push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
      if (filled.empty() || treeBytes(filled) != save.bytes) {
        std::printf("run %d: %s did not copy the whole tree\n", run + 1, names[which]);
        whole = false;
      }
      if (!filled.empty()) removeTree(filled);
    }
  }
  removeTree(runDir);

  const double mib = static_cast<double>(save.bytes) / 1048576.0;
  const double plainMedian = median(seconds[1]);
  std::printf("median of %d runs:\n", runs);
  for (int k = 0; k < 3; ++k) {
    const double m = median(seconds[k]);
    std::printf("  %-32s %8.1f ms  %8.1f MiB/s  throughput ratio to the plain copy %.2f\n", names[k], m * 1e3,
                mib / m, plainMedian / m);
  }
  return whole ? 0 : 1;
}
