// The file-system object: existence tests, file objects with their date,
// size and attributes, forced deletion, copies, the file-name part of a path
// and text streams read line by line.
//
// Failures raise the runtime's errors: 53 "File not found" for a missing
// file, 58 "File already exists" for a copy that may not overwrite, 70
// "Permission denied" for a read-only file deleted without force, 76 "Path
// not found" for a missing folder, 62 "Input past end of file" for a read
// after the last line, 54 "Bad file mode" for reading a stream opened for
// writing or the other way round, 52 for any use of a closed stream.
//
// A copy's target and a text stream's file (when the stream is closed) are
// replaced whole (platform::replaceFile): a failed or killed write leaves
// the old file, and a symbolic link at the name is replaced, never written
// through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/runtime/datetime.h"

namespace platform::scripting {

// One existing file.
class File {
 public:
  explicit File(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }
  std::string name() const;
  Date dateLastModified() const;
  int64_t size() const;
  // The attribute bits (1 read-only, 2 hidden, 4 system, 32 archive, ...).
  int32_t attributes() const;
  void setAttributes(int32_t attributes);

 private:
  std::string path_;
};

// A text file opened for reading, writing or appending.
class TextStream {
 public:
  enum class Mode { ForReading = 1, ForWriting = 2, ForAppending = 8 };
  TextStream(std::string path, Mode mode);
  ~TextStream();
  TextStream(const TextStream&) = delete;
  TextStream& operator=(const TextStream&) = delete;

  // CR LF, LF and a lone CR each end a line; the end of the file right
  // after a last line break gives no further line.
  bool atEndOfStream() const;
  std::string readLine();
  std::string readAll();
  void write(const std::string& text);
  void writeLine(const std::string& text);  // the text and CR LF
  void close();

 private:
  void need(bool reading) const;
  std::string path_;
  Mode mode_;
  std::string data_;  // the whole file, for reading
  size_t pos_ = 0;
  std::string pending_;  // written text not yet on disk
  bool open_ = true;
};

class FileSystemObject {
 public:
  // True only for an existing file (not a folder, not an empty text).
  bool FileExists(const std::string& path) const;
  bool FolderExists(const std::string& path) const;
  std::shared_ptr<File> GetFile(const std::string& path) const;
  // Forced deletion removes read-only and hidden files too.
  void DeleteFile(const std::string& path, bool force = false) const;
  void CopyFile(const std::string& source, const std::string& destination, bool overwrite = true) const;
  // The last component of a path; trailing separators are passed over, so
  // "/a/b/" gives "b" (and "/" or "" gives "").
  std::string GetFileName(const std::string& path) const;
  std::unique_ptr<TextStream> OpenTextFile(const std::string& path,
                                           TextStream::Mode mode = TextStream::Mode::ForReading,
                                           bool create = false) const;
  std::unique_ptr<TextStream> CreateTextFile(const std::string& path, bool overwrite = true) const;
};

}  // namespace platform::scripting
