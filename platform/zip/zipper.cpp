#include "platform/zip/zipper.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/runtime/errors.h"
#include "platform/runtime/replace_file.h"

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
  struct stat st {};
  if (file_.empty() || ::stat(file_.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    raise(err::FileNotFound);
  }
  const fs::path target(archive_);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (archive_.empty() || !fs::is_directory(folder)) raise(err::PathNotFound);

  const std::string data = readAll(file_);

  // The archive is made in memory and then replaces the file whole
  // (platform::replaceFile): a failed or killed write leaves the old
  // archive, and a link at its name is replaced, never written through.
  ::zip_error_t error;
  ::zip_error_init(&error);
  ::zip_source_t* memory = ::zip_source_buffer_create(nullptr, 0, 0, &error);
  ::zip_error_fini(&error);
  if (!memory) raise(err::PathFileAccessError);
  struct Release {
    ::zip_source_t* source;
    ~Release() { ::zip_source_free(source); }
  } release{memory};
  ::zip_error_init(&error);
  ::zip_t* za = ::zip_open_from_source(memory, ZIP_TRUNCATE, &error);
  ::zip_error_fini(&error);
  if (!za) raise(err::PathFileAccessError);
  // The archive frees its source when it is closed; the bytes are read
  // from it afterwards.
  ::zip_source_keep(memory);
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
  if (!ok || ::zip_close(za) != 0) {
    ::zip_discard(za);
    raise(err::PathFileAccessError);
  }

  std::string bytes;
  ::zip_stat_t info;
  if (::zip_source_stat(memory, &info) != 0 || ::zip_source_open(memory) != 0) raise(err::PathFileAccessError);
  bytes.resize(static_cast<size_t>(info.size));
  const zip_int64_t got = ::zip_source_read(memory, bytes.data(), info.size);
  ::zip_source_close(memory);
  if (got < 0 || static_cast<zip_uint64_t>(got) != info.size) raise(err::PathFileAccessError);
  // The archive is readable by no one who may not read the file.
  const unsigned bits = static_cast<unsigned>(st.st_mode) & 0777;
  platform::ReplaceOptions options;
  options.newMode = bits;
  try {
    platform::replaceFile(archive_, bytes, options);
  } catch (const platform::RuntimeError&) {
    raise(err::PathFileAccessError);
  }
  struct stat made {};
  if (::stat(archive_.c_str(), &made) == 0 && (made.st_mode & 0777 & ~bits) != 0)
    ::chmod(archive_.c_str(), made.st_mode & 0777 & bits);
}

}  // namespace platform::zip
