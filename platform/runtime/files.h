// The runtime's sequential and binary files.
//
// A RuntimeFile is one open file, closed when the object goes (or by
// close()). Text is UTF-8 bytes, standing for the ANSI code page, and is
// neither converted nor checked.
//
// Sequential files:
//   Input   reads lines: lineInput() returns the text up to the next CR LF
//           or lone CR (the line end dropped); a lone LF stays inside the
//           line, so a file whose lines end in LF alone reads as one line.
//           The last line needs no line end. Reading at the end raises 62.
//   Output  creates the file or empties it; Append creates it or writes at
//           its end. print() writes a text followed by CR LF, write() the
//           text alone.
// Binary files read and write bytes at 0-based byte offsets. length() is
// the file's length in bytes (LOF) in every mode.
//
// Errors, as the runtime raised them: an empty path 52 "Bad file name or
// number"; a missing file opened for Input or Binary reading 53 "File not
// found"; a missing folder 76 "Path not found"; a folder, or a file that may
// not be opened that way, 75 "Path/File access error"; any use of a closed
// file 52; reading from an output file or writing to an input file 54 "Bad
// file mode"; a full disk 61; other I/O failures 57 "Device I/O error".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/datetime.h"
#include "platform/runtime/errors.h"

namespace platform {

enum class OpenMode { Input, Output, Append, Binary };
// For Binary: what the file is opened for. Write and ReadWrite create a
// missing file; Read requires it.
enum class FileAccess { Read, Write, ReadWrite };

// Appends the text to a log that the program keeps for itself, creating
// it when missing: a symbolic link at its name (one planted in a shared
// folder) is removed first, and the file is never opened through a link.
// Errors as for Append.
void appendToOwnFile(const std::string& path, std::string_view text);

class RuntimeFile {
 public:
  RuntimeFile() = default;
  RuntimeFile(const std::string& path, OpenMode mode, FileAccess access = FileAccess::ReadWrite);
  ~RuntimeFile();
  RuntimeFile(RuntimeFile&& other) noexcept;
  RuntimeFile& operator=(RuntimeFile&& other) noexcept;
  RuntimeFile(const RuntimeFile&) = delete;
  RuntimeFile& operator=(const RuntimeFile&) = delete;

  void open(const std::string& path, OpenMode mode, FileAccess access = FileAccess::ReadWrite);
  // Close; closing a closed file does nothing.
  void close();
  bool isOpen() const noexcept { return fd_ >= 0; }
  OpenMode mode() const noexcept { return mode_; }
  const std::string& path() const noexcept { return path_; }

  // Input mode.
  std::string lineInput();
  // EOF: nothing more to read (Input mode); in Binary mode, the last get
  // could not read all it asked for.
  bool eof();
  // The rest of the file as it is (Input$ of the remaining length).
  std::string inputAll();

  // Output and Append modes.
  void print(std::string_view text);  // text, CR LF
  void write(std::string_view text);  // text alone

  // Binary mode. get reads up to count bytes at the offset and returns
  // those that exist (fewer at the end of the file, none past it); put
  // writes the bytes at the offset, growing the file as needed.
  std::vector<uint8_t> get(int64_t byteOffset, size_t count);
  size_t get(int64_t byteOffset, void* buffer, size_t count);
  void put(int64_t byteOffset, const void* data, size_t count);

  // LOF: the file's length in bytes.
  int64_t length() const;

 private:
  void needOpen() const;
  bool fill();  // reads more input into the buffer; false at the end

  int fd_ = -1;
  OpenMode mode_ = OpenMode::Input;
  FileAccess access_ = FileAccess::ReadWrite;
  std::string path_;
  std::string buffer_;  // input read ahead
  size_t bufferPos_ = 0;
  bool atEnd_ = false;
  int64_t binaryPos_ = 0;
};

// FileLen: the length in bytes of a file (53 when it does not exist).
int64_t fileLen(const std::string& path);
// FileDateTime: the local date and time the file was last modified (53
// when it does not exist).
Date fileDateTime(const std::string& path);
// Kill: deletes a file (53 when it does not exist, 75 when it may not be
// deleted).
void kill(const std::string& path);

}  // namespace platform
