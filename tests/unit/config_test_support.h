// Shared pieces of the configuration editor's tests.
#pragma once

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "config/option_codec.h"

namespace kovrin::config_test {

// A fixture file of tests/data/config, as bytes.
inline std::string fixture(const std::string& name) {
  const std::string path = std::string(KOVRIN_TEST_DATA) + "/config/" + name;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The 64 values a text yields, in table order.
inline OptionValues valuesOf(std::string_view text) {
  OptionValues values;
  for (std::size_t i = 0; i < kOptionCount; ++i) values[i] = extractOption(text, optionFields[i].key);
  return values;
}

inline std::size_t indexOf(std::string_view control) {
  for (std::size_t i = 0; i < kOptionCount; ++i)
    if (optionFields[i].control == control) return i;
  throw std::out_of_range(std::string(control));
}

// The text with its one occurrence of `from` replaced by `to`.
inline std::string replacedOnce(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  if (at == std::string::npos || text.find(from, at + 1) != std::string::npos)
    throw std::logic_error("not exactly one " + from);
  return text.replace(at, from.size(), to);
}

}  // namespace kovrin::config_test
