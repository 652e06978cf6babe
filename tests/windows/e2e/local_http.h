// A small HTTP server on 127.0.0.1 inside the test process, standing in for
// the addresses the tool fetches (version and banner documents, SteamCMD's
// zip). Each path answers with a configurable status and body, or accepts the
// connection and never answers. Unknown paths get 404.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

struct Route {
  int status = 200;
  std::string body;
  bool neverAnswer = false;  // accept, read the request, then stay silent
};

class LocalHttpServer {
 public:
  LocalHttpServer();   // listens on an ephemeral port of 127.0.0.1
  ~LocalHttpServer();  // stops and closes every connection
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  bool listening() const { return listener_ != INVALID_SOCKET; }
  int port() const { return port_; }
  // "http://127.0.0.1:PORT" + path.
  std::string url(const std::string& path) const;

  void set(const std::string& path, Route route);
  // How many requests a path has received.
  int hits(const std::string& path) const;

 private:
  void serve();
  void answer(SOCKET client);

  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::map<std::string, Route> routes_;
  std::map<std::string, int> hits_;
  std::vector<SOCKET> silent_;  // connections kept open without an answer
  std::thread thread_;
};

// An address on 127.0.0.1 where nothing listens (a port that was just free).
std::string closedPortUrl(const std::string& path);

}  // namespace e2e
