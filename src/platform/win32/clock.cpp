#include <windows.h>

#include "platform/win32/services.h"

namespace kovrin::win32 {

LocalTime Win32Clock::now() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

}  // namespace kovrin::win32
