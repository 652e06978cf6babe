// One plain HTTP GET.
#pragma once

#include <optional>
#include <string>

namespace kovrin {

struct HttpResponse {
  int status = 0;
  std::string body;
};

class Http {
 public:
  virtual ~Http() = default;
  // GET of `url`, never answered from a cache. `timeoutMs` bounds connecting
  // and each wait for data. Nothing when no response arrived.
  virtual std::optional<HttpResponse> get(const std::string& url, int timeoutMs) = 0;
};

}  // namespace kovrin
