// The zip control of the main window, as the autosave uses it: an archive
// path (member 15), a numeric setting (member 16; 1 to 9 choose the
// compression level, 5 a middle one), the file to add (member 7) and the
// command that writes the archive (member 3).
//
// Each archive holds one entry: the file to add, named by its file name
// without its folder; setting the file again replaces the one to add. An
// existing archive at the path is replaced. The archive is made in memory
// and replaces the file whole (platform::replaceFile), synced, so that a
// failure never leaves a broken archive under the final name; a link at
// the name is replaced, never written through.
#pragma once

#include <cstdint>
#include <string>

namespace platform::zip {

class Zipper {
 public:
  // member 15
  void setZipFileName(const std::string& path) { archive_ = path; }
  const std::string& zipFileName() const { return archive_; }
  // member 16
  void setCompressionLevel(int32_t level) { level_ = level; }
  int32_t compressionLevel() const { return level_; }
  // member 7
  void setFilesToProcess(const std::string& path) { file_ = path; }
  const std::string& filesToProcess() const { return file_; }
  // member 3: writes the archive; raises error 53 when the file to add is
  // missing, 76 when the archive's folder is missing, 75 when the archive
  // cannot be written.
  void Add();

 private:
  std::string archive_;
  std::string file_;
  int32_t level_ = 5;
};

}  // namespace platform::zip
