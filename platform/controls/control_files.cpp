#include "platform/controls/control_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/runtime/errors.h"
#include "platform/runtime/replace_file.h"

namespace platform::controls {

namespace fs = std::filesystem;

std::string escapeValue(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

bool unescapeValue(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      default: return false;
    }
  }
  return true;
}

std::vector<std::string> readControlFile(const std::string& path, const std::string& source) {
  std::error_code ec;
  auto status = fs::status(path, ec);
  if (ec || !fs::exists(status)) raise(err::FileNotFound, source, errorText(err::FileNotFound));
  if (fs::is_directory(status)) raise(err::PathFileAccessError, source, errorText(err::PathFileAccessError));
  std::ifstream in(path, std::ios::binary);
  if (!in) raise(err::PathFileAccessError, source, errorText(err::PathFileAccessError));
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  if (in.bad()) raise(err::PathFileAccessError, source, errorText(err::PathFileAccessError));
  return lines;
}

void writeControlFile(const std::string& path, const std::string& text, const std::string& source) {
  // Replaced whole: the old file or the new one, never a mix, whatever
  // fails or however the process ends; a link at the name is replaced.
  try {
    replaceFile(path, text, ReplaceOptions{});
  } catch (const RuntimeError&) {
    raise(err::PathFileAccessError, source, errorText(err::PathFileAccessError));
  }
}

void raiseElementNotFound(const std::string& source) { raise(kElementNotFound, source, "Element not found"); }

void raiseIndexOutOfBounds(const std::string& source) { raise(kIndexOutOfBounds, source, "Index out of bounds"); }

void raiseInvalidFormat(const std::string& path, size_t lineNumber, const std::string& source) {
  std::ostringstream text;
  text << "Invalid file format: " << path << ", line " << lineNumber;
  raise(kInvalidFileFormat, source, text.str());
}

}  // namespace platform::controls
