#include "platform/scripting/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/runtime/clock.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/replace_file.h"
#include "platform/win32/files.h"

namespace platform::scripting {

namespace fs = std::filesystem;

namespace {

bool statPath(const std::string& path, struct stat& st) { return !path.empty() && ::stat(path.c_str(), &st) == 0; }

bool isFile(const std::string& path) {
  struct stat st {};
  return statPath(path, st) && S_ISREG(st.st_mode);
}

bool isFolder(const std::string& path) {
  struct stat st {};
  return statPath(path, st) && S_ISDIR(st.st_mode);
}

bool isReadOnly(const std::string& path) {
  struct stat st {};
  return statPath(path, st) && (st.st_mode & S_IWUSR) == 0;
}

// The whole file; 53 when it is not there, 70 when it may not be read.
std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) raise(isFile(path) ? err::PermissionDenied : err::FileNotFound);
  std::ostringstream out;
  out << in.rdbuf();
  if (in.bad()) raise(err::DeviceIOError);
  return out.str();
}

// Every file written through the object is replaced whole: the old content
// or the new one is on disk, never a mix, and a symbolic link at the name
// is replaced, not written through.
void writeWhole(const std::string& path, std::string_view bytes) {
  platform::replaceFile(path, bytes, platform::ReplaceOptions{});
}

void requireFolderOf(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  if (!parent.empty() && !isFolder(parent.string())) raise(err::PathNotFound);
}

}  // namespace

std::string File::name() const { return FileSystemObject().GetFileName(path_); }

Date File::dateLastModified() const {
  struct stat st {};
  if (!statPath(path_, st)) raise(err::FileNotFound);
  const std::time_t secs = st.st_mtim.tv_sec;
  std::tm local{};
  localtime_r(&secs, &local);
  return dateFromLocalMillis(localMillisFrom(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                             local.tm_min, local.tm_sec));
}

int64_t File::size() const {
  struct stat st {};
  if (!statPath(path_, st)) raise(err::FileNotFound);
  return static_cast<int64_t>(st.st_size);
}

int32_t File::attributes() const {
  const DWORD a = GetFileAttributes(path_);
  if (a == INVALID_FILE_ATTRIBUTES) raise(err::FileNotFound);
  return static_cast<int32_t>(a);
}

void File::setAttributes(int32_t attributes) {
  if (!isFile(path_)) raise(err::FileNotFound);
  if (!SetFileAttributes(path_, static_cast<DWORD>(attributes))) raise(err::PermissionDenied);
}

TextStream::TextStream(std::string path, Mode mode) : path_(std::move(path)), mode_(mode) {
  if (mode_ == Mode::ForReading) data_ = readWholeFile(path_);
}

TextStream::~TextStream() {
  try {
    close();
  } catch (...) {
    // A stream dropped without Close loses nothing it could write; a
    // failure here has no caller left to hear it.
  }
}

bool TextStream::atEndOfStream() const { return pos_ >= data_.size(); }

// A closed stream is no file any more (52); one opened the other way is
// the wrong mode (54).
void TextStream::need(bool reading) const {
  if (!open_) raise(err::BadFileNameOrNumber);
  if ((mode_ == Mode::ForReading) != reading) raise(err::BadFileMode);
}

std::string TextStream::readLine() {
  need(true);
  if (atEndOfStream()) raise(err::InputPastEndOfFile);
  const size_t end = data_.find_first_of("\r\n", pos_);
  if (end == std::string::npos) {
    std::string line = data_.substr(pos_);
    pos_ = data_.size();
    return line;
  }
  std::string line = data_.substr(pos_, end - pos_);
  pos_ = end + 1;
  if (data_[end] == '\r' && pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
  return line;
}

std::string TextStream::readAll() {
  need(true);
  std::string rest = data_.substr(pos_);
  pos_ = data_.size();
  return rest;
}

void TextStream::write(const std::string& text) {
  need(false);
  pending_ += text;
}

void TextStream::writeLine(const std::string& text) { write(text + "\r\n"); }

void TextStream::close() {
  if (!open_) return;
  open_ = false;
  if (mode_ == Mode::ForWriting) {
    writeWhole(path_, pending_);
  } else if (mode_ == Mode::ForAppending) {
    // What is there now, then the new text, as one new file; a link at the
    // name holds nothing of this file's.
    struct stat st {};
    const bool plain = ::lstat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    std::string whole = plain ? readWholeFile(path_) : std::string();
    whole += pending_;
    writeWhole(path_, whole);
  }
  pending_.clear();
}

bool FileSystemObject::FileExists(const std::string& path) const { return isFile(path); }

bool FileSystemObject::FolderExists(const std::string& path) const { return isFolder(path); }

std::shared_ptr<File> FileSystemObject::GetFile(const std::string& path) const {
  if (!isFile(path)) raise(err::FileNotFound);
  return std::make_shared<File>(path);
}

void FileSystemObject::DeleteFile(const std::string& path, bool force) const {
  if (!isFile(path)) raise(err::FileNotFound);
  if (!force && isReadOnly(path)) raise(err::PermissionDenied);
  if (::unlink(path.c_str()) != 0) raise(err::PermissionDenied);
}

void FileSystemObject::CopyFile(const std::string& source, const std::string& destination, bool overwrite) const {
  if (!isFile(source)) raise(err::FileNotFound);
  requireFolderOf(destination);
  if (isFile(destination)) {
    if (!overwrite) raise(err::FileAlreadyExists);
    if (isReadOnly(destination)) raise(err::PermissionDenied);
  } else if (isFolder(destination)) {
    raise(err::PermissionDenied);
  }
  std::error_code ec;
  if (fs::equivalent(source, destination, ec)) raise(err::PermissionDenied);
  const std::string bytes = readWholeFile(source);
  // The copy is readable by no one who may not read the file: a new one
  // gets the file's permission bits, an old one keeps no bit the file lacks.
  struct stat st {};
  const unsigned bits = statPath(source, st) ? (st.st_mode & 0777) : 0600;
  platform::ReplaceOptions options;
  options.newMode = bits;
  options.keptMode = bits;
  platform::replaceFile(destination, bytes, options);
}

std::string FileSystemObject::GetFileName(const std::string& path) const {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const size_t slash = p.find_last_of('/');
  if (slash == std::string::npos) return p;
  return p.substr(slash + 1);
}

std::unique_ptr<TextStream> FileSystemObject::OpenTextFile(const std::string& path, TextStream::Mode mode,
                                                           bool create) const {
  if (!isFile(path)) {
    if (isFolder(path)) raise(err::PermissionDenied);
    if (!create || mode == TextStream::Mode::ForReading) raise(err::FileNotFound);
    requireFolderOf(path);
    writeWhole(path, "");
  } else if (mode == TextStream::Mode::ForWriting) {
    // The old text stays until the stream is closed, and is then replaced
    // whole.
    if (isReadOnly(path)) raise(err::PermissionDenied);
  } else if (mode == TextStream::Mode::ForAppending && isReadOnly(path)) {
    raise(err::PermissionDenied);
  }
  return std::make_unique<TextStream>(path, mode);
}

std::unique_ptr<TextStream> FileSystemObject::CreateTextFile(const std::string& path, bool overwrite) const {
  if (isFile(path) && !overwrite) raise(err::FileAlreadyExists);
  return OpenTextFile(path, TextStream::Mode::ForWriting, true);
}

}  // namespace platform::scripting
