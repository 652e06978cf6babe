#include "local_http.h"

#include <ws2tcpip.h>

#include <cstdio>

namespace e2e {
namespace {

struct WinsockUser {
  WinsockUser() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockUser() { WSACleanup(); }
};

const char* reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<u_short>(port));
  return address;
}

int boundPort(SOCKET s) {
  sockaddr_in address{};
  int length = sizeof address;
  if (getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

}  // namespace

LocalHttpServer::LocalHttpServer() {
  static WinsockUser winsock;
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener_ == INVALID_SOCKET) return;
  sockaddr_in address = loopback(0);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 16) != 0) {
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
    return;
  }
  port_ = boundPort(listener_);
  thread_ = std::thread([this] { serve(); });
}

LocalHttpServer::~LocalHttpServer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ != INVALID_SOCKET) closesocket(listener_);
  for (SOCKET s : silent_) closesocket(s);
}

std::string LocalHttpServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LocalHttpServer::set(const std::string& path, Route route) {
  std::lock_guard<std::mutex> lock(mutex_);
  routes_[path] = std::move(route);
}

int LocalHttpServer::hits(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = hits_.find(path);
  return it == hits_.end() ? 0 : it->second;
}

void LocalHttpServer::serve() {
  while (!stopping_) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_, &readable);
    timeval wait{0, 100 * 1000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client != INVALID_SOCKET) answer(client);
  }
}

void LocalHttpServer::answer(SOCKET client) {
  // Read the request head (a GET has no body), for at most two seconds.
  DWORD timeout = 2000;
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  std::string request;
  char buffer[2048];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    const int n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  std::string path;
  const auto firstSpace = request.find(' ');
  if (firstSpace != std::string::npos) {
    const auto secondSpace = request.find(' ', firstSpace + 1);
    path = request.substr(firstSpace + 1, secondSpace == std::string::npos ? std::string::npos
                                                                          : secondSpace - firstSpace - 1);
    path = path.substr(0, path.find('?'));
  }

  Route route{404, "not found", false};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++hits_[path];
    auto it = routes_.find(path);
    if (it != routes_.end()) route = it->second;
    if (route.neverAnswer) {
      silent_.push_back(client);
      return;
    }
  }
  char head[256];
  std::snprintf(head, sizeof head,
                "HTTP/1.1 %d %s\r\nContent-Type: application/octet-stream\r\nContent-Length: %zu\r\n"
                "Cache-Control: no-cache\r\nConnection: close\r\n\r\n",
                route.status, reason(route.status), route.body.size());
  std::string response = head + route.body;
  std::size_t sent = 0;
  while (sent < response.size()) {
    const int n = send(client, response.data() + sent, static_cast<int>(response.size() - sent), 0);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  shutdown(client, SD_SEND);
  // Let the client read everything before the socket goes.
  while (recv(client, buffer, sizeof buffer, 0) > 0) {
  }
  closesocket(client);
}

std::string closedPortUrl(const std::string& path) {
  LocalHttpServer probe;  // takes a free port ...
  const int port = probe.port();
  return "http://127.0.0.1:" + std::to_string(port) + path;  // ... and frees it again
}

}  // namespace e2e
