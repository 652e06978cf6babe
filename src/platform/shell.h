// The shell: the folder browser and opening a web address.
#pragma once

#include <optional>
#include <string>

namespace kovrin {

class Shell {
 public:
  virtual ~Shell() = default;
  // The system folder browser with a prompt and an edit field, owned by the
  // tool's active window. The chosen folder's path; "" for an item without a
  // file-system path; nothing when the operator cancelled.
  virtual std::optional<std::string> browseForFolder(const std::string& prompt) = 0;
  // The "open" action on a web address, in a normal window; does not wait.
  virtual void openUrl(const std::string& url) = 0;
};

}  // namespace kovrin
