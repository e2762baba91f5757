#include "platform/zip/zipper.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/runtime/errors.h"

namespace platform::zip {

namespace fs = std::filesystem;

namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) raise(err::FileNotFound);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void Zipper::Add() {
  struct stat st{};
  if (file_.empty() || ::stat(file_.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    raise(err::FileNotFound);
  }
  const fs::path target(archive_);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (archive_.empty() || !fs::is_directory(folder)) raise(err::PathNotFound);

  const std::string data = readAll(file_);
  const std::string temp =
      (folder / ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()))).string();
  ::unlink(temp.c_str());

  int zerr = 0;
  ::zip_t* za = ::zip_open(temp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &zerr);
  if (!za) raise(err::PathFileAccessError);
  bool ok = false;
  // The archive copies the bytes when it is closed; the buffer lives until then.
  ::zip_source_t* src = ::zip_source_buffer(za, data.data(), data.size(), 0);
  if (src) {
    const zip_int64_t index = ::zip_file_add(za, baseName(file_).c_str(), src, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      ::zip_source_free(src);
    } else {
      const int level = level_ >= 1 && level_ <= 9 ? level_ : 5;
      ::zip_set_file_compression(za, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                 static_cast<zip_uint32_t>(level));
      ::zip_file_set_mtime(za, static_cast<zip_uint64_t>(index), st.st_mtime, 0);
      ok = true;
    }
  }
  if (!ok) {
    ::zip_discard(za);
    ::unlink(temp.c_str());
    raise(err::PathFileAccessError);
  }
  if (::zip_close(za) != 0) {
    ::zip_discard(za);
    ::unlink(temp.c_str());
    raise(err::PathFileAccessError);
  }
  if (std::rename(temp.c_str(), archive_.c_str()) != 0) {
    ::unlink(temp.c_str());
    raise(err::PathFileAccessError);
  }
}

}  // namespace platform::zip
