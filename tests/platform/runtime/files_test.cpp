#include "platform/runtime/files.h"
#include "common/raised.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/temp_dir.h"

namespace {

using platform::FileAccess;
using platform::OpenMode;
using platform::RuntimeFile;

// The runtime error number a call raises, or 0.
constexpr auto errorOf = [](auto&& f) { return kestrin_test::raisedNumber(f); };

std::vector<std::string> readLines(const std::string& path) {
  RuntimeFile f(path, OpenMode::Input);
  std::vector<std::string> lines;
  while (!f.eof()) lines.push_back(f.lineInput());
  return lines;
}

TEST(Files, LineInputEndsLinesAtCrLfOrLoneCrAndKeepsLoneLf) {
  kestrin_test::TempDir dir;
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"\r\n", {""}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\nc\n", {"a\nb\nc\n"}},  // LF alone: one line, unchanged
      {"a\rb\r", {"a", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\n\r\nb", {"a\n", "b"}},
      {"\r\n\r\n", {"", ""}},
      {"caf\xc3\xa9 \xff\r\n", {"caf\xc3\xa9 \xff"}},
  };
  for (const auto& c : cases) {
    const std::string path = dir.file("lines.txt");
    kestrin_test::writeFile(path, c.bytes);
    EXPECT_EQ(readLines(path), c.lines) << testing::PrintToString(c.bytes);
  }
}

TEST(Files, LinesLongerThanTheReadBufferAndCrLfAcrossItsEdge) {
  kestrin_test::TempDir dir;
  const std::string first(65535, 'x');  // the CR is the buffer's last byte
  const std::string second(200000, 'y');
  kestrin_test::writeFile(dir.file("big.txt"), first + "\r\n" + second + "\r\nz");
  EXPECT_EQ(readLines(dir.file("big.txt")), (std::vector<std::string>{first, second, "z"}));
}

TEST(Files, ReadingPastTheEndRaises62) {
  kestrin_test::TempDir dir;
  kestrin_test::writeFile(dir.file("one.txt"), "only\r\n");
  RuntimeFile f(dir.file("one.txt"), OpenMode::Input);
  EXPECT_EQ(f.lineInput(), "only");
  EXPECT_TRUE(f.eof());
  EXPECT_EQ(errorOf([&] { f.lineInput(); }), 62);
}

TEST(Files, PrintAddsCrLfOutputTruncatesAppendAppends) {
  kestrin_test::TempDir dir;
  const std::string path = dir.file("out.txt");
  {
    RuntimeFile f(path, OpenMode::Output);
    f.print("first");
    f.write("no end");
  }
  EXPECT_EQ(kestrin_test::readFile(path), "first\r\nno end");
  {
    RuntimeFile f(path, OpenMode::Append);
    f.print("");
    f.print("last");
  }
  EXPECT_EQ(kestrin_test::readFile(path), "first\r\nno end\r\nlast\r\n");
  {
    RuntimeFile f(path, OpenMode::Output);
    f.print("new");
  }
  EXPECT_EQ(kestrin_test::readFile(path), "new\r\n");
  RuntimeFile f(dir.file("fresh.txt"), OpenMode::Append);  // created
  EXPECT_EQ(f.length(), 0);
}

TEST(Files, BinaryReadsAndWritesAtByteOffsets) {
  kestrin_test::TempDir dir;
  const std::string path = dir.file("data.bin");
  kestrin_test::writeFile(path, std::string("0123456789"));
  RuntimeFile f(path, OpenMode::Binary, FileAccess::Read);
  EXPECT_EQ(f.length(), 10);
  const auto mid = f.get(3, 4);
  EXPECT_EQ(std::string(mid.begin(), mid.end()), "3456");
  EXPECT_FALSE(f.eof());
  EXPECT_EQ(f.get(6, 4).size(), 4u);  // up to the last byte exactly
  EXPECT_FALSE(f.eof());
  EXPECT_EQ(f.get(8, 16).size(), 2u);
  EXPECT_TRUE(f.eof());
  EXPECT_TRUE(f.get(50, 4).empty());
  EXPECT_EQ(errorOf([&] { f.put(0, "x", 1); }), 54);

  RuntimeFile w(dir.file("new.bin"), OpenMode::Binary, FileAccess::ReadWrite);
  w.put(4, "ab", 2);
  EXPECT_EQ(w.length(), 6);
  w.close();
  EXPECT_EQ(kestrin_test::readFile(dir.file("new.bin")), std::string("\0\0\0\0ab", 6));
}

TEST(Files, OpenFailuresCarryTheRuntimeNumbers) {
  kestrin_test::TempDir dir;
  std::filesystem::create_directory(dir.file("sub"));
  struct Case {
    std::string path;
    OpenMode mode;
    FileAccess access;
    int32_t error;
  };
  const Case cases[] = {
      {"", OpenMode::Input, FileAccess::Read, 52},
      {dir.file("missing.txt"), OpenMode::Input, FileAccess::Read, 53},
      {dir.file("missing.bin"), OpenMode::Binary, FileAccess::Read, 53},
      {dir.file("nofolder/a.txt"), OpenMode::Input, FileAccess::Read, 76},
      {dir.file("nofolder/a.txt"), OpenMode::Output, FileAccess::Write, 76},
      {dir.file("nofolder/a.txt"), OpenMode::Append, FileAccess::Write, 76},
      {dir.file("sub"), OpenMode::Input, FileAccess::Read, 75},
      {dir.file("sub"), OpenMode::Output, FileAccess::Write, 75},
  };
  for (const auto& c : cases) EXPECT_EQ(errorOf([&] { RuntimeFile f(c.path, c.mode, c.access); }), c.error) << c.path;
}

TEST(Files, ClosedFilesAndWrongModes) {
  kestrin_test::TempDir dir;
  RuntimeFile closed;
  EXPECT_EQ(errorOf([&] { closed.lineInput(); }), 52);
  EXPECT_EQ(errorOf([&] { closed.print("x"); }), 52);
  EXPECT_EQ(errorOf([&] { (void)closed.length(); }), 52);
  RuntimeFile out(dir.file("o.txt"), OpenMode::Output);
  EXPECT_EQ(errorOf([&] { out.lineInput(); }), 54);
  out.close();
  out.close();
  EXPECT_EQ(errorOf([&] { out.print("x"); }), 52);
  RuntimeFile in(dir.file("o.txt"), OpenMode::Input);
  EXPECT_EQ(errorOf([&] { in.print("x"); }), 54);
}

TEST(Files, FileLenDateTimeAndKill) {
  kestrin_test::TempDir dir;
  const std::string path = dir.file("f.txt");
  kestrin_test::writeFile(path, "12345");
  EXPECT_EQ(platform::fileLen(path), 5);
  EXPECT_EQ(errorOf([&] { platform::fileLen(dir.file("none")); }), 53);
  const platform::Date modified = platform::fileDateTime(path);
  EXPECT_GT(modified.serial, platform::makeDate(2000, 1, 1).serial);
  platform::kill(path);
  EXPECT_EQ(errorOf([&] { platform::kill(path); }), 53);
}

}  // namespace
