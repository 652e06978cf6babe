#include "backup/paths.h"

#include <vector>

namespace kovrin {
namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool onlyDotsAndBlanks(std::string_view name) {
  for (char c : name)
    if (c != '.' && c != ' ') return false;
  return true;
}

std::vector<std::string_view> components(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && isSeparator(path[i])) ++i;
    std::size_t j = i;
    while (j < path.size() && !isSeparator(path[j])) ++j;
    if (j > i) parts.push_back(path.substr(i, j - i));
    i = j;
  }
  return parts;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

bool isDrive(std::string_view part) {
  return part.size() == 2 && part[1] == ':' &&
         ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

}  // namespace

bool isPlainEntryName(std::string_view name) {
  if (name.empty() || onlyDotsAndBlanks(name)) return false;
  for (char c : name)
    if (isSeparator(c) || c == ':' || c == '\0') return false;
  return true;
}

std::string joinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || !isSeparator(path.back())) path.push_back('\\');
  path.append(name);
  return path;
}

std::string comparablePath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    char c = path[i];
    if (c == '/') c = '\\';
    // A network path keeps its leading pair of backslashes.
    if (c == '\\' && !out.empty() && out.back() == '\\' && out.size() > 1) continue;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    out.push_back(c);
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

bool samePath(std::string_view a, std::string_view b) { return comparablePath(a) == comparablePath(b); }

std::string childOnPathTo(std::string_view outer, std::string_view inner) {
  const std::string o = comparablePath(outer);
  const std::string i = comparablePath(inner);
  if (o.empty() || i.size() <= o.size() + 1 || i.compare(0, o.size(), o) != 0 || i[o.size()] != '\\')
    return {};
  const std::size_t end = i.find('\\', o.size() + 1);
  return i.substr(0, end);
}

bool isDirectChild(std::string_view folder, std::string_view path) {
  const std::string f = comparablePath(folder);
  const std::string p = comparablePath(path);
  if (p.size() <= f.size() + 1 || p.compare(0, f.size(), f) != 0 || p[f.size()] != '\\') return false;
  return isPlainEntryName(std::string_view(p).substr(f.size() + 1));
}

bool isUndeletablePath(std::string_view path) {
  const auto parts = components(path);
  if (parts.empty()) return true;  // "", "\", "\\"
  std::size_t first = 0;
  const bool network = path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
  if (network) {
    // \\server\share, \\?\X:, \\.\X:, \\?\UNC\server\share and anything shorter.
    const bool device = parts[0] == "?" || parts[0] == ".";
    std::size_t rootParts = 2;
    if (device && parts.size() >= 2 && equalsIgnoringCase(parts[1], "UNC")) rootParts = 4;
    if (parts.size() <= rootParts) return true;
    if (device) first = 1;
  } else if (parts.size() == 1 && isDrive(parts[0])) {
    return true;  // "X:" or "X:\"
  }
  for (std::size_t k = first; k < parts.size(); ++k)
    if (onlyDotsAndBlanks(parts[k])) return true;
  return false;
}

}  // namespace kovrin
