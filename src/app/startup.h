// The program entry and the startup sequence.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"

namespace kovrin {

struct Tool;

// Sets the current directory, creates the main window and runs it until it is
// gone. Returns the exit code, 0.
int programEntry(Platform& platform);

// The created handler of MainWindow.
void onMainWindowCreated(Tool& tool, Window& window);

// The addresses of the two documents: the environment variables
// KOVRIN_VERSION_URL and KOVRIN_BANNER_URL when set, else the built-in ones.
std::string versionUrl(Tool& tool);
std::string bannerUrl(Tool& tool);

// GET of a document with a short time-out. The body of a response with status
// 200; nothing for any other response or none.
std::optional<std::string> fetchDocument(Tool& tool, const std::string& url);

// The banner caption made from a fetched body: UTF-8 up to its first zero
// byte; "" when nothing came.
std::string bannerText(const std::optional<std::string>& body);

// Whether a fetched version document announces a version other than ours:
// only a 200 body that, without surrounding white space and a UTF-8
// byte-order mark, differs from the tool's version.
bool isNewerVersionNotice(const std::optional<std::string>& body);

}  // namespace kovrin
