#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/win32/raii.h"
#include "platform/win32/services.h"
#include "platform/win32/wide.h"

namespace kovrin::win32 {

namespace {

using Clock = std::chrono::steady_clock;

struct InternetHandleTraits {
  using Type = HINTERNET;
  static Type invalid() { return nullptr; }
  static bool valid(Type h) { return h != nullptr; }
  static void close(Type h) { ::InternetCloseHandle(h); }
};
using InternetHandle = UniqueResource<InternetHandleTraits>;

// What the caller and the thread doing the request share. The thread keeps it
// alive for as long as it runs, so a caller that stopped waiting leaves
// nothing dangling behind.
struct Exchange {
  std::mutex mutex;
  std::condition_variable finishedSignal;
  bool finished = false;
  std::optional<HttpResponse> response;
  std::atomic<bool> abandoned{false};
};

void setTimeouts(HINTERNET handle, DWORD timeoutMs) {
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                       INTERNET_OPTION_DATA_RECEIVE_TIMEOUT})
    ::InternetSetOptionW(handle, option, &timeoutMs, sizeof timeoutMs);
}

// The request itself, on its own thread. Every blocking step waits at most
// `timeoutMs` (Wine honours the time-outs only on the request handle; they
// are set on every handle for the systems that read them elsewhere).
std::optional<HttpResponse> fetch(const std::wstring& url, DWORD timeoutMs,
                                  Clock::time_point deadline, const std::atomic<bool>& abandoned) {
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  if (!::InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts))
    return std::nullopt;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
    return std::nullopt;
  if (!parts.lpszHostName || parts.dwHostNameLength == 0) return std::nullopt;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring object;
  if (parts.lpszUrlPath) object.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (object.empty() || object.front() != L'/') object.insert(object.begin(), L'/');

  InternetHandle session(
      ::InternetOpenW(L"Kovrin", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return std::nullopt;
  setTimeouts(session.get(), timeoutMs);
  InternetHandle connection(::InternetConnectW(session.get(), host.c_str(), parts.nPort, nullptr,
                                               nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return std::nullopt;
  setTimeouts(connection.get(), timeoutMs);
  // Always from the server, never kept: no cached answer is used or stored.
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
  InternetHandle request(::HttpOpenRequestW(connection.get(), L"GET", object.c_str(), nullptr,
                                            nullptr, nullptr, flags, 0));
  if (!request) return std::nullopt;
  setTimeouts(request.get(), timeoutMs);

  static const wchar_t kHeaders[] = L"Cache-Control: no-cache\r\n";
  if (!::HttpSendRequestW(request.get(), kHeaders, static_cast<DWORD>(-1L), nullptr, 0))
    return std::nullopt;
  HttpResponse response;
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!::HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr))
    return std::nullopt;
  response.status = static_cast<int>(status);
  char buffer[16384];
  for (;;) {
    // A body that is not complete by the deadline is no answer.
    if (abandoned.load() || Clock::now() >= deadline) return std::nullopt;
    DWORD got = 0;
    if (!::InternetReadFile(request.get(), buffer, sizeof buffer, &got)) return std::nullopt;
    if (got == 0) break;
    response.body.append(buffer, got);
  }
  return response;
}

}  // namespace

std::optional<HttpResponse> Win32Http::get(const std::string& url, int timeoutMs) {
  // The whole call, name lookup and connect included, ends by the deadline:
  // the request runs on a thread of its own and is left to finish alone when
  // it takes longer. (WinINet bounds neither name lookup nor, on some
  // systems, connecting.)
  try {
    const DWORD timeout = timeoutMs > 0 ? static_cast<DWORD>(timeoutMs) : 1;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout);
    auto exchange = std::make_shared<Exchange>();
    std::thread([exchange, target = wide(url), timeout, deadline]() noexcept {
      std::optional<HttpResponse> response;
      try {
        response = fetch(target, timeout, deadline, exchange->abandoned);
      } catch (...) {
        response.reset();
      }
      try {
        const std::lock_guard<std::mutex> lock(exchange->mutex);
        exchange->response = std::move(response);
        exchange->finished = true;
      } catch (...) {
        return;
      }
      exchange->finishedSignal.notify_all();
    }).detach();

    std::unique_lock<std::mutex> lock(exchange->mutex);
    if (!exchange->finishedSignal.wait_until(lock, deadline, [&] { return exchange->finished; })) {
      exchange->abandoned = true;
      return std::nullopt;
    }
    return std::move(exchange->response);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace kovrin::win32
