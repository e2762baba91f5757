#include "platform/scripting/file_system.h"
#include "common/raised.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "common/temp_dir.h"
#include "platform/runtime/errors.h"

using kestrin_test::TempDir;
using platform::scripting::FileSystemObject;
using platform::scripting::TextStream;

namespace {

using kestrin_test::raisedNumber;

TEST(FileSystemObject, FileTestIsTrueOnlyForAnExistingFile) {
  TempDir dir;
  kestrin_test::writeFile(dir.file("a.vbs"), "x");
  FileSystemObject fso;
  EXPECT_TRUE(fso.FileExists(dir.file("a.vbs")));
  EXPECT_FALSE(fso.FileExists(dir.path()));
  EXPECT_FALSE(fso.FileExists(dir.file("missing.vbs")));
  EXPECT_FALSE(fso.FileExists(""));
  EXPECT_TRUE(fso.FolderExists(dir.path()));
  EXPECT_FALSE(fso.FolderExists(dir.file("a.vbs")));
}

TEST(FileSystemObject, TextStreamEndsLinesAtCrLfLfAndLoneCr) {
  struct Case {
    const char* bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"", {}},
      {"\r\n", {""}},
  };
  TempDir dir;
  FileSystemObject fso;
  for (const auto& c : cases) {
    kestrin_test::writeFile(dir.file("t.txt"), c.bytes);
    auto stream = fso.OpenTextFile(dir.file("t.txt"));
    std::vector<std::string> got;
    while (!stream->atEndOfStream()) got.push_back(stream->readLine());
    EXPECT_EQ(got, c.lines) << c.bytes;
    EXPECT_EQ(raisedNumber([&] { stream->readLine(); }), 62);
  }
}

TEST(FileSystemObject, WrittenLinesEndInCrLfAndAppendKeepsWhatWasThere) {
  TempDir dir;
  FileSystemObject fso;
  {
    auto s = fso.CreateTextFile(dir.file("w.txt"));
    s->writeLine("one");
    s->close();
  }
  {
    auto s = fso.OpenTextFile(dir.file("w.txt"), TextStream::Mode::ForAppending);
    s->writeLine("two");
  }
  EXPECT_EQ(kestrin_test::readFile(dir.file("w.txt")), "one\r\ntwo\r\n");
}

TEST(FileSystemObject, AStreamUsedTheWrongWayIsABadFileModeAndAClosedOneNoFile) {
  TempDir dir;
  FileSystemObject fso;
  auto writer = fso.CreateTextFile(dir.file("w.txt"));
  EXPECT_EQ(raisedNumber([&] { writer->readLine(); }), 54);
  EXPECT_EQ(raisedNumber([&] { writer->readAll(); }), 54);
  auto reader = fso.OpenTextFile(dir.file("w.txt"));
  EXPECT_EQ(raisedNumber([&] { reader->write("x"); }), 54);
  EXPECT_EQ(raisedNumber([&] { reader->writeLine("x"); }), 54);
  reader->close();
  EXPECT_EQ(raisedNumber([&] { reader->readLine(); }), 52);
  writer->close();
  EXPECT_EQ(raisedNumber([&] { writer->write("x"); }), 52);
  EXPECT_EQ(kestrin_test::readFile(dir.file("w.txt")), "");
}

TEST(FileSystemObject, AFileThatMayNotBeReadIsPermissionDeniedNotMissing) {
  TempDir dir;
  const std::string f = dir.file("secret.txt");
  kestrin_test::writeFile(f, "x");
  ::chmod(f.c_str(), 0);
  ::chmod(dir.path().c_str(), 0755);
  // The superuser reads anything: the check runs as an ordinary user.
  auto check = [&] {
    FileSystemObject fso;
    const int open = raisedNumber([&] { fso.OpenTextFile(f); });
    const int copy = raisedNumber([&] { fso.CopyFile(f, dir.file("copy.txt")); });
    return open == 70 && copy == 70 ? 0 : 1;
  };
  int result = 0;
  if (::geteuid() == 0) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) _exit(::setgid(65534) == 0 && ::setuid(65534) == 0 ? check() : 2);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    result = WIFEXITED(status) ? WEXITSTATUS(status) : 3;
  } else {
    result = check();
  }
  EXPECT_EQ(result, 0);
}

TEST(FileSystemObject, ForcedDeletionRemovesReadOnlyFilesAndPlainDeletionRefuses) {
  TempDir dir;
  FileSystemObject fso;
  const std::string f = dir.file("ro.vbs");
  kestrin_test::writeFile(f, "x");
  ::chmod(f.c_str(), 0444);
  EXPECT_EQ(raisedNumber([&] { fso.DeleteFile(f); }), 70);
  EXPECT_TRUE(fso.FileExists(f));
  fso.DeleteFile(f, true);
  EXPECT_FALSE(fso.FileExists(f));
  EXPECT_EQ(raisedNumber([&] { fso.DeleteFile(f, true); }), 53);
}

TEST(FileSystemObject, CopyOverwritesUnlessTold) {
  TempDir dir;
  FileSystemObject fso;
  kestrin_test::writeFile(dir.file("a"), "new");
  kestrin_test::writeFile(dir.file("b"), "old");
  EXPECT_EQ(raisedNumber([&] { fso.CopyFile(dir.file("a"), dir.file("b"), false); }), 58);
  EXPECT_EQ(kestrin_test::readFile(dir.file("b")), "old");
  fso.CopyFile(dir.file("a"), dir.file("b"));
  EXPECT_EQ(kestrin_test::readFile(dir.file("b")), "new");
  EXPECT_EQ(raisedNumber([&] { fso.CopyFile(dir.file("a"), dir.file("nofolder/c")); }), 76);
  EXPECT_EQ(raisedNumber([&] { fso.CopyFile(dir.file("missing"), dir.file("c")); }), 53);
}

// A copy's target and a written text file are replaced whole: a link at
// the name is replaced, never written through, and no temporary file
// stays; until the stream is closed the old text is still there.
TEST(FileSystemObject, CopiesAndWrittenFilesReplaceALinkAtTheirNameWhole) {
  TempDir dir;
  kestrin_test::writeFile(dir.file("script.vbs"), "script");
  kestrin_test::writeFile(dir.file("victim"), "precious");
  FileSystemObject fso;
  const std::vector<std::function<void(const std::string&)>> writers = {
      [&](const std::string& to) { fso.CopyFile(dir.file("script.vbs"), to, true); },
      [&](const std::string& to) {
        auto file = fso.CreateTextFile(to, true);
        file->write("script");
        file->close();
      },
      [&](const std::string& to) {
        auto file = fso.OpenTextFile(to, TextStream::Mode::ForAppending, true);
        file->write("script");
        file->close();
      },
  };
  for (size_t i = 0; i < writers.size(); ++i) {
    for (const char* target : {"victim", "nowhere"}) {
      SCOPED_TRACE(std::to_string(i) + " " + target);
      const std::string name = dir.file("out.bak");
      ::unlink(name.c_str());
      ASSERT_EQ(::symlink(dir.file(target).c_str(), name.c_str()), 0);
      writers[i](name);
      struct stat st {};
      ASSERT_EQ(::lstat(name.c_str(), &st), 0);
      EXPECT_TRUE(S_ISREG(st.st_mode));
      EXPECT_EQ(kestrin_test::readFile(name), "script");
      EXPECT_EQ(kestrin_test::readFile(dir.file("victim")), "precious");
      EXPECT_FALSE(fso.FileExists(dir.file("nowhere")));
    }
  }
  auto file = fso.OpenTextFile(dir.file("out.bak"), TextStream::Mode::ForWriting);
  file->write("new");
  EXPECT_EQ(kestrin_test::readFile(dir.file("out.bak")), "script");
  file->close();
  EXPECT_EQ(kestrin_test::readFile(dir.file("out.bak")), "new");
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 3u);  // script.vbs, victim, out.bak
}

TEST(FileSystemObject, FileObjectGivesSizeDateAndName) {
  TempDir dir;
  FileSystemObject fso;
  kestrin_test::writeFile(dir.file("s.vbs"), "12345");
  auto f = fso.GetFile(dir.file("s.vbs"));
  EXPECT_EQ(f->size(), 5);
  EXPECT_EQ(f->name(), "s.vbs");
  EXPECT_GT(f->dateLastModified().serial, 40000.0);  // a date after 2009
  EXPECT_EQ(raisedNumber([&] { fso.GetFile(dir.file("none")); }), 53);
}

TEST(FileSystemObject, FileNamePartOfAPath) {
  FileSystemObject fso;
  EXPECT_EQ(fso.GetFileName("/a/b/c.vbs"), "c.vbs");
  EXPECT_EQ(fso.GetFileName("c.vbs"), "c.vbs");
  EXPECT_EQ(fso.GetFileName("/a/b/"), "b");
  EXPECT_EQ(fso.GetFileName(""), "");
}

}  // namespace
