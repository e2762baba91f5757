#include "platform/win32/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <thread>
#include <vector>

#include "common/temp_dir.h"

namespace platform {
namespace {

using kestrin_test::readFile;
using kestrin_test::TempDir;
using kestrin_test::writeFile;

std::string dosAttrib(const std::string& path) {
  char text[64];
  const ssize_t n = ::getxattr(path.c_str(), "user.DOSATTRIB", text, sizeof text);
  return n < 0 ? std::string() : std::string(text, static_cast<size_t>(n));
}

bool hasUserXattrs(const std::string& folder) {
  const std::string probe = folder + "/xattr-probe";
  writeFile(probe, "");
  const bool ok = ::setxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0;
  ::unlink(probe.c_str());
  return ok;
}

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(dir.file("Alpha.TXT"), "a");
    writeFile(dir.file("beta.txt"), "bb");
    writeFile(dir.file("readme"), "r");
    std::filesystem::create_directory(dir.file("a1.log"));
    writeFile(dir.file("a2.log"), "");
    std::filesystem::create_directory(dir.file("sub"));
  }
  TempDir dir;
};

TEST_F(FilesTest, FindFirstFileFindsNamesAndPatterns) {
  struct Case {
    std::string name;
    bool found;
    std::string first;
    DWORD attributes;
    DWORD error;
  };
  const std::vector<Case> cases = {
      {"beta.txt", true, "beta.txt", FILE_ATTRIBUTE_NORMAL, 0},
      {"BETA.txt", false, "", 0, ERROR_FILE_NOT_FOUND},  // names keep their case
      {"sub", true, "sub", FILE_ATTRIBUTE_DIRECTORY, 0},
      {"sub/", false, "", 0, ERROR_FILE_NOT_FOUND},  // a trailing separator is not found
      {"*.txt", true, "Alpha.TXT", FILE_ATTRIBUTE_NORMAL, 0},
      {"b*.TXT", true, "beta.txt", FILE_ATTRIBUTE_NORMAL, 0},
      {"?eta.*", true, "beta.txt", FILE_ATTRIBUTE_NORMAL, 0},
      {"read*.*", true, "readme", FILE_ATTRIBUTE_NORMAL, 0},  // "*.*" takes names without "."
      {"a*.log", true, "a1.log", FILE_ATTRIBUTE_DIRECTORY, 0},
      {"a?.log", true, "a1.log", FILE_ATTRIBUTE_DIRECTORY, 0},
      {"*.vbs", false, "", 0, ERROR_FILE_NOT_FOUND},
      {"missing", false, "", 0, ERROR_FILE_NOT_FOUND},
      {"nofolder/*.txt", false, "", 0, ERROR_PATH_NOT_FOUND},
      {"nofolder/x", false, "", 0, ERROR_PATH_NOT_FOUND},
      {"sub/*", false, "", 0, ERROR_FILE_NOT_FOUND},  // "." and ".." are no matches
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WIN32_FIND_DATA data;
    SetLastError(0);
    const HANDLE h = FindFirstFile(dir.file(c.name), data);
    if (c.found) {
      ASSERT_NE(h, INVALID_HANDLE_VALUE);
      EXPECT_EQ(data.cFileName, c.first);
      EXPECT_EQ(data.dwFileAttributes, c.attributes);
      EXPECT_NE(FindClose(h), 0);
    } else {
      EXPECT_EQ(h, INVALID_HANDLE_VALUE);
      EXPECT_EQ(GetLastError(), c.error);
    }
  }
}

TEST_F(FilesTest, FindFirstFileWithoutFolderSearchesTheCurrentFolder) {
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  WIN32_FIND_DATA data;
  const HANDLE h = FindFirstFile("*.TXT", data);
  std::filesystem::current_path(before);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.cFileName, "Alpha.TXT");
  FindClose(h);
}

TEST_F(FilesTest, FindCloseRefusesUnknownAndClosedHandles) {
  WIN32_FIND_DATA data;
  const HANDLE h = FindFirstFile(dir.file("readme"), data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_NE(FindClose(h), 0);
  EXPECT_EQ(FindClose(h), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(FindClose(0), 0);
  EXPECT_EQ(FindClose(INVALID_HANDLE_VALUE), 0);
}

TEST_F(FilesTest, AttributesFromPermissionsAndNames) {
  writeFile(dir.file(".profile"), "");
  writeFile(dir.file("locked"), "");
  ::chmod(dir.file("locked").c_str(), 0444);
  EXPECT_EQ(GetFileAttributes(dir.file("readme")), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributes(dir.file("sub")), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributes(dir.file(".profile")), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(GetFileAttributes(dir.file("locked")), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(GetFileAttributes(dir.file("missing")), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributes(dir.file("nofolder/x")), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

// The round trip of the kept bits through "user.DOSATTRIB", in the first
// of the candidate folders whose file system keeps user extended
// attributes; a candidate without them must refuse the bits.
TEST(FileAttributes, RoundTripThroughTheExtendedAttribute) {
  TempDir tmp;
  std::vector<std::string> candidates = {tmp.path()};
  std::unique_ptr<TempDir> shm;
  if (std::filesystem::is_directory("/dev/shm")) {
    char pattern[] = "/dev/shm/kestrin-test-XXXXXX";
    if (::mkdtemp(pattern)) candidates.push_back(pattern);
  }
  candidates.push_back("/tmp");
  std::string folder;
  for (const auto& c : candidates) {
    if (hasUserXattrs(c)) {
      folder = c;
      break;
    }
    const std::string f = c + "/kestrin-attr-" + std::to_string(::getpid());
    writeFile(f, "");
    EXPECT_EQ(SetFileAttributes(f, FILE_ATTRIBUTE_HIDDEN), 0) << c;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED)) << c;
    ::unlink(f.c_str());
  }
  if (folder.empty()) {
    if (candidates.size() > 2) std::filesystem::remove_all(candidates[1]);
    GTEST_SKIP() << "no file system here keeps user extended attributes";
  }
  const std::string f = folder + "/kestrin-attr-" + std::to_string(::getpid());
  writeFile(f, "data");

  ASSERT_NE(SetFileAttributes(f, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE), 0);
  EXPECT_EQ(dosAttrib(f), "0x26");
  EXPECT_EQ(GetFileAttributes(f), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);

  // Read-only with archive, then hidden alone clears the others.
  ASSERT_NE(SetFileAttributes(f, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE), 0);
  EXPECT_EQ(GetFileAttributes(f), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  struct stat st {};
  ::stat(f.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  ASSERT_NE(SetFileAttributes(f, FILE_ATTRIBUTE_HIDDEN), 0);
  EXPECT_EQ(GetFileAttributes(f), FILE_ATTRIBUTE_HIDDEN);
  ::stat(f.c_str(), &st);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);

  // Normal clears every bit and the extended attribute.
  ASSERT_NE(SetFileAttributes(f, FILE_ATTRIBUTE_NORMAL), 0);
  EXPECT_EQ(GetFileAttributes(f), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(dosAttrib(f), "");
  EXPECT_EQ(readFile(f), "data");
  ::unlink(f.c_str());
  if (candidates.size() > 2) std::filesystem::remove_all(candidates[1]);
}

TEST(FileAttributes, ForeignDosAttribTextIsRead) {
  TempDir tmp;
  if (!hasUserXattrs(tmp.path())) GTEST_SKIP() << "no user extended attributes";
  const std::string f = tmp.file("f");
  writeFile(f, "");
  // Written with a closing NUL, with a bit that is not kept.
  ::setxattr(f.c_str(), "user.DOSATTRIB", "0x2a\0", 5, 0);
  EXPECT_EQ(GetFileAttributes(f), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  ::setxattr(f.c_str(), "user.DOSATTRIB", "\x03\x00garbage", 9, 0);
  EXPECT_EQ(GetFileAttributes(f), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileAttributes, WithoutUserExtendedAttributesTheBitsAreRefused) {
  // procfs keeps no user extended attributes.
  const std::string f = "/proc/self/comm";
  if (::setxattr(f.c_str(), "user.probe", "1", 1, 0) == 0 || errno != ENOTSUP) GTEST_SKIP();
  EXPECT_EQ(SetFileAttributes(f, FILE_ATTRIBUTE_HIDDEN), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(GetFileAttributes(f) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST_F(FilesTest, SetFileAttributesOfAMissingFile) {
  EXPECT_EQ(SetFileAttributes(dir.file("missing"), FILE_ATTRIBUTE_HIDDEN), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FilesTest, ShortPathIsThePathItself) {
  const std::string path = dir.file("beta.txt");
  std::string buffer(path.size() + 1, '\0');
  EXPECT_EQ(GetShortPathName(path, buffer.data(), static_cast<DWORD>(buffer.size())), path.size());
  EXPECT_EQ(std::string(buffer.c_str()), path);
  // Too small: the size needed, the NUL counted.
  char small[4] = "xyz";
  EXPECT_EQ(GetShortPathName(path, small, sizeof small), path.size() + 1);
  EXPECT_STREQ(small, "xyz");
  EXPECT_EQ(GetShortPathName(dir.file("missing"), buffer.data(), static_cast<DWORD>(buffer.size())), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FilesTest, CopyFileReplacesOrRefuses) {
  const std::string src = dir.file("beta.txt");
  const std::string dst = dir.file("copy.txt");
  ::chmod(src.c_str(), 0640);
  struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  ::utimensat(AT_FDCWD, src.c_str(), times, 0);

  ASSERT_NE(CopyFile(src, dst, 0), 0);
  EXPECT_EQ(readFile(dst), "bb");
  struct stat st {};
  ::stat(dst.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);

  writeFile(src, "new");
  EXPECT_EQ(CopyFile(src, dst, 1), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(readFile(dst), "bb");
  ASSERT_NE(CopyFile(src, dst, 0), 0);
  EXPECT_EQ(readFile(dst), "new");

  // No temporary file is left beside the target.
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 7u);
}

TEST_F(FilesTest, CopyFileFailures) {
  const std::string src = dir.file("beta.txt");
  writeFile(dir.file("locked"), "keep");
  ::chmod(dir.file("locked").c_str(), 0444);
  writeFile(dir.file(".hidden"), "keep");
  struct Case {
    std::string from, to;
    DWORD error;
  };
  const std::vector<Case> cases = {
      {src, dir.file("locked"), ERROR_ACCESS_DENIED},
      {src, dir.file(".hidden"), ERROR_ACCESS_DENIED},
      {src, dir.file("sub"), ERROR_ACCESS_DENIED},
      {src, src, ERROR_ACCESS_DENIED},
      {dir.file("missing"), dir.file("x"), ERROR_FILE_NOT_FOUND},
      {dir.file("sub"), dir.file("x"), ERROR_ACCESS_DENIED},
      {src, dir.file("nofolder/x"), ERROR_PATH_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.to);
    EXPECT_EQ(CopyFile(c.from, c.to, 0), 0);
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_EQ(readFile(dir.file("locked")), "keep");
  EXPECT_EQ(readFile(dir.file(".hidden")), "keep");
  EXPECT_EQ(readFile(src), "bb");
}

TEST_F(FilesTest, MoveFileNeverReplaces) {
  ASSERT_NE(MoveFile(dir.file("beta.txt"), dir.file("gamma.txt")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("beta.txt")));
  EXPECT_EQ(readFile(dir.file("gamma.txt")), "bb");

  EXPECT_EQ(MoveFile(dir.file("gamma.txt"), dir.file("readme")), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(readFile(dir.file("readme")), "r");
  EXPECT_EQ(readFile(dir.file("gamma.txt")), "bb");

  EXPECT_EQ(MoveFile(dir.file("missing"), dir.file("x")), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  ASSERT_NE(MoveFile(dir.file("sub"), dir.file("folder")), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder")));
}

TEST_F(FilesTest, MoveFileRaceHasOneWinner) {
  constexpr int kMovers = 8;
  for (int i = 0; i < kMovers; ++i) writeFile(dir.file("m" + std::to_string(i)), std::to_string(i));
  std::atomic<int> winners{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kMovers; ++i)
    threads.emplace_back([&, i] {
      if (MoveFile(dir.file("m" + std::to_string(i)), dir.file("target"))) ++winners;
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(winners.load(), 1);
  int left = 0;
  for (int i = 0; i < kMovers; ++i) left += std::filesystem::exists(dir.file("m" + std::to_string(i)));
  EXPECT_EQ(left, kMovers - 1);
}

TEST_F(FilesTest, MoveFileAcrossFileSystems) {
  struct stat here {
  }, there{};
  if (::stat(dir.path().c_str(), &here) != 0 || ::stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev)
    GTEST_SKIP() << "no second file system";
  const std::string target = "/dev/shm/kestrin-move-" + std::to_string(::getpid());
  ASSERT_NE(MoveFile(dir.file("beta.txt"), target), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("beta.txt")));
  EXPECT_EQ(readFile(target), "bb");
  // Back again onto an existing name: refused, both kept.
  EXPECT_EQ(MoveFile(target, dir.file("readme")), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(std::filesystem::exists(target));
  EXPECT_EQ(MoveFile(dir.file("sub"), target + ".dir"), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SAME_DEVICE));
  ::unlink(target.c_str());
}

TEST_F(FilesTest, DeleteRefusesReadOnlyButForcedDeletionDoesNot) {
  const std::string f = dir.file("locked");
  writeFile(f, "");
  ::chmod(f.c_str(), 0444);
  EXPECT_EQ(DeleteFile(f), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(std::filesystem::exists(f));
  EXPECT_NE(forceDeleteFile(f), 0);
  EXPECT_FALSE(std::filesystem::exists(f));

  EXPECT_NE(DeleteFile(dir.file("readme")), 0);
  EXPECT_EQ(DeleteFile(dir.file("readme")), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(DeleteFile(dir.file("sub")), 0);
  EXPECT_EQ(forceDeleteFile(dir.file("sub")), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("sub")));
}

TEST_F(FilesTest, SizeAndLastModifiedTime) {
  EXPECT_EQ(fileSize(dir.file("beta.txt")), 2u);
  EXPECT_EQ(fileSize(dir.file("missing")), std::nullopt);
  const time_t t = 1700000000;
  struct timespec times[2] = {{t, 0}, {t, 250000000}};
  ::utimensat(AT_FDCWD, dir.file("beta.txt").c_str(), times, 0);
  struct tm local {};
  ::localtime_r(&t, &local);
  EXPECT_EQ(fileModifiedLocalMillis(dir.file("beta.txt")), (static_cast<int64_t>(t) + local.tm_gmtoff) * 1000 + 250);
  EXPECT_EQ(fileModifiedLocalMillis(dir.file("missing")), std::nullopt);
}

}  // namespace
}  // namespace platform
