#include "config/settings_file.h"

#include "app/tool.h"
#include "app/values.h"
#include "config/text_helpers.h"
#include "platform/text.h"

namespace kovrin {

const char* const kBlankSettingsMessage =
    "配置文件为空，请确保PalServer目录下存在DefaultPalWorldSettings.ini文件，"
    "如有疑问请联系Kovrin的维护者。";

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string decodeUtf16(std::string_view bytes, bool littleEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    const auto unit = static_cast<char16_t>(littleEndian ? (b << 8 | a) : (a << 8 | b));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return fromUtf16(units);
}

struct FileRead {
  SettingsFileText file;
  bool unreadable = false;  // it exists but could not be read
};

FileRead readSettingsFile(Tool& tool) {
  FileRead read;
  const std::string& path = tool.state.palSettingsPath;
  auto bytes = tool.os.files.readFile(path);
  if (!bytes) {
    read.unreadable = tool.os.files.exists(path);
    return read;
  }
  read.file = readSettingsBytes(*bytes);
  return read;
}

// A file with no character but CR and LF (a byte-order mark is a character).
bool isBlankFile(Tool& tool, const SettingsFileText& file) {
  if (file.bom || file.utf16) return false;
  return stripBlankLines(tool.os.automation, file.text).empty();
}

}  // namespace

SettingsFileText readSettingsBytes(std::string_view bytes) {
  SettingsFileText f;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    f.utf16 = true;
    f.text = decodeUtf16(bytes.substr(2), true);
    return f;
  }
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
      static_cast<unsigned char>(bytes[1]) == 0xFF) {
    f.utf16 = true;
    f.text = decodeUtf16(bytes.substr(2), false);
    return f;
  }
  const std::size_t zero = bytes.find('\0');
  std::string_view text = bytes.substr(0, zero);
  if (zero != std::string_view::npos) f.rest = std::string(bytes.substr(zero));
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    f.bom = true;
    text.remove_prefix(kUtf8Bom.size());
  }
  f.text = std::string(text);
  return f;
}

std::string loadSettingsText(Tool& tool) {
  FileRead read = readSettingsFile(tool);
  if (!read.unreadable && isBlankFile(tool, read.file)) {
    // Whether the copy worked shows in the second read.
    tool.os.files.copyFile(tool.paths.defaultSettingsPath, tool.state.palSettingsPath, true);
    read = readSettingsFile(tool);
  }
  if (read.unreadable || isBlankFile(tool, read.file)) showMessage(tool, kBlankSettingsMessage);
  return wellFormedUtf8(read.file.text);
}

bool saveSettingsText(Tool& tool, std::string_view text) {
  return tool.os.files.replaceFile(tool.state.palSettingsPath, text);
}

bool saveOptionValues(Tool& tool, const OptionValues& values) {
  const FileRead read = readSettingsFile(tool);
  if (read.unreadable) return false;
  auto text = mergeSettingsText(read.file.text, values);
  if (!text) return false;
  // Whatever followed a zero byte is kept behind the text, unless the text
  // was blank and has been replaced as a whole.
  if (!read.file.utf16 && !isBlankText(read.file.text)) *text += read.file.rest;
  return saveSettingsText(tool, *text);
}

}  // namespace kovrin
