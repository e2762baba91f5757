// The versions of the kill test's script: version(N) is a first line that
// names N, then about 5 MB of lines that differ from version to version.
#pragma once

#include <string>

namespace kill_test {

inline std::string version(long n) {
  std::string text = "' version " + std::to_string(n) + "\r\n";
  const std::string tag = std::to_string(n);
  text.reserve(5u << 20);
  for (long line = 0; text.size() < (5u << 20); ++line)
    text += "Dim a" + std::to_string(line) + " ' a line of version " + tag + " of the script\r\n";
  return text;
}

// The version a file's text is, or -1 when it is none of them whole.
inline long versionOf(const std::string& text) {
  const std::string head = "' version ";
  if (text.rfind(head, 0) != 0) return -1;
  const size_t end = text.find("\r\n");
  if (end == std::string::npos) return -1;
  long n = -1;
  try {
    n = std::stol(text.substr(head.size(), end - head.size()));
  } catch (...) {
    return -1;
  }
  return n >= 0 && text == version(n) ? n : -1;
}

}  // namespace kill_test
