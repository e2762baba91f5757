// A fresh temporary folder for one test, removed with everything in it.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kestrin_test {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrin-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    // Give back write permission first, so that read-only entries go too.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                   ec);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// PATH holding only the folder given (made when missing) while it lives;
// the old PATH comes back after.
class OnlyOnPath {
 public:
  explicit OnlyOnPath(const std::string& folder) {
    const char* old = std::getenv("PATH");
    old_ = old ? old : "";
    std::filesystem::create_directories(folder);
    ::setenv("PATH", folder.c_str(), 1);
  }
  ~OnlyOnPath() { ::setenv("PATH", old_.c_str(), 1); }
  OnlyOnPath(const OnlyOnPath&) = delete;
  OnlyOnPath& operator=(const OnlyOnPath&) = delete;

 private:
  std::string old_;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Sets a file's modification (and access) time to a local date and time,
// so that what is shown of it can be written out in a test; false when the
// file system refuses.
inline bool setModifiedTime(const std::string& path, int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = std::mktime(&tm);
  times[0].tv_nsec = times[1].tv_nsec = 0;
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace kestrin_test
