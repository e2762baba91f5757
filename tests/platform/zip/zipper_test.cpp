#include "platform/zip/zipper.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>

#include "common/temp_dir.h"
#include "platform/runtime/errors.h"

using kestrin_test::TempDir;

namespace {

// The names and contents of an archive's entries, read back with libzip.
std::vector<std::pair<std::string, std::string>> entries(const std::string& archive) {
  std::vector<std::pair<std::string, std::string>> out;
  int zerr = 0;
  zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &zerr);
  if (!za) return out;
  for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st);
    std::string data(st.size, '\0');
    zip_file_t* f = zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0);
    zip_fread(f, data.data(), st.size);
    zip_fclose(f);
    out.emplace_back(st.name, data);
  }
  zip_close(za);
  return out;
}

TEST(Zipper, WritesOneEntryNamedByTheFileNameAndReplacesAnOldArchive) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("backup"));
  kestrin_test::writeFile(dir.file("a.vbs"), "MsgBox 1\r\n");
  kestrin_test::writeFile(dir.file("b.vbs"), "MsgBox 2\r\n");
  const std::string archive = dir.file("backup/a.vbs-01.02.2026-09.30.zip");

  platform::zip::Zipper z;
  z.setZipFileName(archive);
  z.setCompressionLevel(5);
  z.setFilesToProcess(dir.file("a.vbs"));
  z.Add();
  using Entries = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(entries(archive), (Entries{{"a.vbs", "MsgBox 1\r\n"}}));

  z.setFilesToProcess(dir.file("b.vbs"));
  z.Add();
  EXPECT_EQ(entries(archive), (Entries{{"b.vbs", "MsgBox 2\r\n"}}));
  // No temporary file is left beside the archive.
  EXPECT_EQ(
      std::distance(std::filesystem::directory_iterator(dir.file("backup")), std::filesystem::directory_iterator()), 1);
}

TEST(Zipper, AFailureLeavesTheOldArchiveWhole) {
  TempDir dir;
  kestrin_test::writeFile(dir.file("a.vbs"), "x");
  const std::string archive = dir.file("a.zip");
  platform::zip::Zipper z;
  z.setZipFileName(archive);
  z.setFilesToProcess(dir.file("a.vbs"));
  z.Add();
  const std::string before = kestrin_test::readFile(archive);

  z.setFilesToProcess(dir.file("missing.vbs"));
  try {
    z.Add();
    FAIL();
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), 53);
  }
  EXPECT_EQ(kestrin_test::readFile(archive), before);

  z.setZipFileName(dir.file("no/such/folder/a.zip"));
  z.setFilesToProcess(dir.file("a.vbs"));
  try {
    z.Add();
    FAIL();
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), 76);
  }
}

}  // namespace
