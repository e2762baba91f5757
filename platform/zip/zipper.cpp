#include "platform/zip/zipper.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/runtime/errors.h"
#include "platform/runtime/optional_library.h"
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

// The archive library, opened the first time an archive is made.
struct ZipApi {
  decltype(&::zip_close) close;
  decltype(&::zip_discard) discard;
  decltype(&::zip_error_fini) error_fini;
  decltype(&::zip_error_init) error_init;
  decltype(&::zip_file_add) file_add;
  decltype(&::zip_file_set_mtime) file_set_mtime;
  decltype(&::zip_open_from_source) open_from_source;
  decltype(&::zip_set_file_compression) set_file_compression;
  decltype(&::zip_source_buffer) source_buffer;
  decltype(&::zip_source_buffer_create) source_buffer_create;
  decltype(&::zip_source_close) source_close;
  decltype(&::zip_source_free) source_free;
  decltype(&::zip_source_keep) source_keep;
  decltype(&::zip_source_open) source_open;
  decltype(&::zip_source_read) source_read;
  decltype(&::zip_source_stat) source_stat;
};

const ZipApi* zipApi() {
  static OptionalLibrary library(KESTRIN_LIBZIP_SONAME);
  static const ZipApi* api = [] {
    static ZipApi a;
    a.close = library.function<decltype(&::zip_close)>("zip_close");
    a.discard = library.function<decltype(&::zip_discard)>("zip_discard");
    a.error_fini = library.function<decltype(&::zip_error_fini)>("zip_error_fini");
    a.error_init = library.function<decltype(&::zip_error_init)>("zip_error_init");
    a.file_add = library.function<decltype(&::zip_file_add)>("zip_file_add");
    a.file_set_mtime = library.function<decltype(&::zip_file_set_mtime)>("zip_file_set_mtime");
    a.open_from_source = library.function<decltype(&::zip_open_from_source)>("zip_open_from_source");
    a.set_file_compression = library.function<decltype(&::zip_set_file_compression)>("zip_set_file_compression");
    a.source_buffer = library.function<decltype(&::zip_source_buffer)>("zip_source_buffer");
    a.source_buffer_create = library.function<decltype(&::zip_source_buffer_create)>("zip_source_buffer_create");
    a.source_close = library.function<decltype(&::zip_source_close)>("zip_source_close");
    a.source_free = library.function<decltype(&::zip_source_free)>("zip_source_free");
    a.source_keep = library.function<decltype(&::zip_source_keep)>("zip_source_keep");
    a.source_open = library.function<decltype(&::zip_source_open)>("zip_source_open");
    a.source_read = library.function<decltype(&::zip_source_read)>("zip_source_read");
    a.source_stat = library.function<decltype(&::zip_source_stat)>("zip_source_stat");
    return a.close && a.discard && a.error_fini && a.error_init && a.file_add && a.file_set_mtime &&
                   a.open_from_source && a.set_file_compression && a.source_buffer && a.source_buffer_create &&
                   a.source_close && a.source_free && a.source_keep && a.source_open && a.source_read && a.source_stat
               ? &a
               : nullptr;
  }();
  return api;
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
  const ZipApi* zip = zipApi();
  if (!zip) raise(err::PathFileAccessError);

  // The archive is made in memory and then replaces the file whole
  // (platform::replaceFile): a failed or killed write leaves the old
  // archive, and a link at its name is replaced, never written through.
  ::zip_error_t error;
  zip->error_init(&error);
  ::zip_source_t* memory = zip->source_buffer_create(nullptr, 0, 0, &error);
  zip->error_fini(&error);
  if (!memory) raise(err::PathFileAccessError);
  struct Release {
    const ZipApi* zip;
    ::zip_source_t* source;
    ~Release() { zip->source_free(source); }
  } release{zip, memory};
  zip->error_init(&error);
  ::zip_t* za = zip->open_from_source(memory, ZIP_TRUNCATE, &error);
  zip->error_fini(&error);
  if (!za) raise(err::PathFileAccessError);
  // The archive frees its source when it is closed; the bytes are read
  // from it afterwards.
  zip->source_keep(memory);
  bool ok = false;
  // The archive copies the bytes when it is closed; the buffer lives until then.
  ::zip_source_t* src = zip->source_buffer(za, data.data(), data.size(), 0);
  if (src) {
    const zip_int64_t index = zip->file_add(za, baseName(file_).c_str(), src, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip->source_free(src);
    } else {
      const int level = level_ >= 1 && level_ <= 9 ? level_ : 5;
      zip->set_file_compression(za, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, static_cast<zip_uint32_t>(level));
      zip->file_set_mtime(za, static_cast<zip_uint64_t>(index), st.st_mtime, 0);
      ok = true;
    }
  }
  if (!ok || zip->close(za) != 0) {
    zip->discard(za);
    raise(err::PathFileAccessError);
  }

  std::string bytes;
  ::zip_stat_t info;
  if (zip->source_stat(memory, &info) != 0 || zip->source_open(memory) != 0) raise(err::PathFileAccessError);
  bytes.resize(static_cast<size_t>(info.size));
  const zip_int64_t got = zip->source_read(memory, bytes.data(), info.size);
  zip->source_close(memory);
  if (got < 0 || static_cast<zip_uint64_t>(got) != info.size) raise(err::PathFileAccessError);
  // The archive is readable by no one who may not read the file.
  const unsigned bits = static_cast<unsigned>(st.st_mode) & 0777;
  platform::ReplaceOptions options;
  options.newMode = bits;
  options.keptMode = bits;
  try {
    platform::replaceFile(archive_, bytes, options);
  } catch (const platform::RuntimeError&) {
    raise(err::PathFileAccessError);
  }
}

}  // namespace platform::zip
