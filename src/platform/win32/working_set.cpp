#include "platform/win32/working_set.h"

#include <windows.h>
#include <psapi.h>

#include "platform/text.h"

namespace kovrin::win32 {
namespace {

struct HandleCloser {
  HANDLE handle;
  ~HandleCloser() {
    if (handle) CloseHandle(handle);
  }
};

}  // namespace

bool emptyWorkingSet(std::uint32_t pid) {
  HandleCloser process{OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_SET_QUOTA, FALSE, pid)};
  if (!process.handle) return false;
  if (EmptyWorkingSet(process.handle)) return true;
  return SetProcessWorkingSetSize(process.handle, static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1)) != 0;
}

void writeOutput(const std::string& utf8) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  if (GetConsoleMode(out, &mode)) {
    const std::u16string wide = toUtf16(utf8);
    DWORD written = 0;
    WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    DWORD written = 0;
    WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  }
}

}  // namespace kovrin::win32
