// Win32Http against a small Winsock server on 127.0.0.1 inside the test.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32/services.h"

namespace {

using kovrin::win32::Win32Http;
using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool sendAll(SOCKET s, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const int n = ::send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

std::string response(int status, const char* reason, const std::string& body,
                     const std::string& extraHeaders = "") {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason +
         "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

// Accepts connections on a free port; for each, reads the request head and
// hands the socket to `answer`. Everything is closed when the server goes.
class TestServer {
 public:
  using Answer = std::function<void(SOCKET, int requestNumber)>;

  explicit TestServer(Answer answer) : answer_(std::move(answer)) {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 8);
    int length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }

  ~TestServer() {
    stopping_ = true;
    ::closesocket(listener_);
    thread_.join();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (SOCKET s : open_) ::closesocket(s);
    }
    for (auto& t : handlers_) t.join();
    ::WSACleanup();
  }

  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::vector<std::string> requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  bool stopping() const { return stopping_; }

 private:
  void serve() {
    for (int number = 1;; ++number) {
      SOCKET client = ::accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        open_.push_back(client);
      }
      handlers_.emplace_back([this, client, number] {
        std::string head;
        char buffer[1024];
        while (head.find("\r\n\r\n") == std::string::npos) {
          const int n = ::recv(client, buffer, sizeof buffer, 0);
          if (n <= 0) return;
          head.append(buffer, n);
        }
        {
          std::lock_guard<std::mutex> lock(mutex_);
          requests_.push_back(head);
        }
        answer_(client, number);
        ::shutdown(client, SD_SEND);
      });
    }
  }

  Answer answer_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
  std::vector<std::thread> handlers_;
  std::mutex mutex_;
  std::vector<SOCKET> open_;
  std::vector<std::string> requests_;
};

// Waits without answering until the server stops.
void neverAnswer(const TestServer& server) {
  while (!server.stopping()) ::Sleep(20);
}

TEST(Http, OkGivesStatusAndWholeBody) {
  const std::string body = "横幅 banner text\r\n" + std::string(100000, 'b');
  TestServer server([&](SOCKET s, int) { sendAll(s, response(200, "OK", body)); });
  Win32Http http;
  const auto r = http.get(server.url("/banner.txt?x=1"), 3000);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->body, body);
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].rfind("GET /banner.txt?x=1 HTTP/1.1\r\n", 0), 0u) << requests[0];
}

TEST(Http, AnErrorStatusStillGivesItsBody) {
  TestServer server([](SOCKET s, int) { sendAll(s, response(404, "Not Found", "no such page")); });
  Win32Http http;
  const auto r = http.get(server.url("/version.txt"), 3000);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->status, 404);
  EXPECT_EQ(r->body, "no such page");
}

TEST(Http, AnEmptyBodyIsAnAnswer) {
  TestServer server([](SOCKET s, int) { sendAll(s, response(204, "No Content", "")); });
  Win32Http http;
  const auto r = http.get(server.url("/"), 3000);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->status, 204);
  EXPECT_EQ(r->body, "");
}

TEST(Http, EveryGetGoesToTheServerEvenWhenTheAnswerMayBeCached) {
  TestServer server([](SOCKET s, int number) {
    sendAll(s, response(200, "OK", "answer " + std::to_string(number),
                        "Cache-Control: public, max-age=86400\r\n"
                        "Expires: Thu, 31 Dec 2037 23:59:59 GMT\r\n"
                        "Last-Modified: Mon, 01 Jan 2024 00:00:00 GMT\r\n"));
  });
  Win32Http http;
  const auto first = http.get(server.url("/version.txt"), 3000);
  const auto second = http.get(server.url("/version.txt"), 3000);
  ASSERT_TRUE(first.has_value());
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(first->body, "answer 1");
  EXPECT_EQ(second->body, "answer 2");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    EXPECT_NE(request.find("no-cache"), std::string::npos) << request;
    EXPECT_EQ(request.find("If-Modified-Since"), std::string::npos) << request;
  }
}

TEST(Http, ARefusedConnectionGivesNothingAtOnce) {
  int port = 0;
  {
    // A port that was free a moment ago and has no listener now.
    TestServer gone([](SOCKET, int) {});
    port = std::stoi(gone.url("").substr(17));
  }
  Win32Http http;
  const auto start = Clock::now();
  EXPECT_FALSE(http.get("http://127.0.0.1:" + std::to_string(port) + "/", 5000).has_value());
  EXPECT_LT(msSince(start), 4000);
}

TEST(Http, AServerThatNeverAnswersIsBoundedByTheTimeOut) {
  TestServer* self = nullptr;
  TestServer server([&](SOCKET, int) { neverAnswer(*self); });
  self = &server;
  Win32Http http;
  const auto start = Clock::now();
  EXPECT_FALSE(http.get(server.url("/version.txt"), 1000).has_value());
  const long long elapsed = msSince(start);
  EXPECT_GE(elapsed, 900);
  EXPECT_LT(elapsed, 3000);
}

TEST(Http, ABodyTrickledPastTheTimeOutIsNoAnswer) {
  TestServer* self = nullptr;
  TestServer server([&](SOCKET s, int) {
    sendAll(s, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n");
    for (int i = 0; i < 1000 && !self->stopping(); ++i) {
      if (!sendAll(s, "x")) return;
      ::Sleep(200);
    }
  });
  self = &server;
  Win32Http http;
  const auto start = Clock::now();
  EXPECT_FALSE(http.get(server.url("/banner.txt"), 1000).has_value());
  EXPECT_LT(msSince(start), 3000);
}

TEST(Http, AddressesThatAreNotHttpGiveNothing) {
  Win32Http http;
  for (const char* url : {"", "not a url", "ftp://127.0.0.1/x", "file:///C:/windows/win.ini"})
    EXPECT_FALSE(http.get(url, 1000).has_value()) << url;
}

}  // namespace
