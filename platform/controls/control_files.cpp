#include "platform/controls/control_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/runtime/errors.h"

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
  if (fs::is_directory(status))
    raise(err::PathFileAccessError, source, errorText(err::PathFileAccessError));
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

namespace {

bool writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

void writeControlFile(const std::string& path, const std::string& text,
                      const std::string& source) {
  fs::path target(path);
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) raise(err::PathFileAccessError, source, errorText(err::PathFileAccessError));
  bool ok = writeAll(fd, text) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) {
    // The file keeps the permissions of the one it replaces; a new file gets
    // the usual ones, not mkstemp's private ones.
    struct stat old {};
    mode_t mode;
    if (::stat(path.c_str(), &old) == 0) {
      mode = old.st_mode & 07777;
    } else {
      mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666 & ~mask;
    }
    ::chmod(name.data(), mode);
    ok = ::rename(name.data(), path.c_str()) == 0;
  }
  if (!ok) {
    ::unlink(name.data());
    raise(err::PathFileAccessError, source, errorText(err::PathFileAccessError));
  }
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

void raiseElementNotFound(const std::string& source) {
  raise(kElementNotFound, source, "Element not found");
}

void raiseIndexOutOfBounds(const std::string& source) {
  raise(kIndexOutOfBounds, source, "Index out of bounds");
}

void raiseInvalidFormat(const std::string& path, size_t lineNumber, const std::string& source) {
  std::ostringstream text;
  text << "Invalid file format: " << path << ", line " << lineNumber;
  raise(kInvalidFileFormat, source, text.str());
}

}  // namespace platform::controls
