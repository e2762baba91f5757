// CFile: name parts, existence, text, size, comparison, copy, move and
// delete with their checks and errors, and the class through the object
// boundary.
#include "support/CFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "diagnostics/class_error.h"
#include "platform/com/bstr.h"
#include "platform/com/error_info.h"
#include "platform/com/variant.h"
#include "support/support_fixture.h"
#include "typelib/typelib.h"

namespace {

namespace com = platform::com;
using kestrin::diagnostics::classErrorNumber;
using kestrin::support::CFile;
using kestrin_test::Raised;
using kestrin_test::raisedBy;
using kestrin_test::readFile;
using kestrin_test::writeFile;

class CFileTest : public ::testing::Test {
 protected:
  void SetUp() override { kestrin_test::setEditorIdentity(dir); }
  CFile fileAt(const std::string& path) {
    CFile f;
    f.Init(path);
    return f;
  }
  kestrin_test::TempDir dir;
};

// ---- Name parts ---------------------------------------------------------------

struct NameParts {
  const char* path;
  const char* fileName;
  const char* fileExt;
  const char* filePath;  // nullptr: raises 17427
};

TEST_F(CFileTest, NamePartsFollowTheTextOfThePathQuirksIncluded) {
  const NameParts cases[] = {
      {"C:/Scripts/test.vbs", "test.vbs", "vbs", "C:/Scripts"},
      {"C:/Scripts/archive.tar.gz", "archive.tar.gz", "gz", "C:/Scripts"},
      {"C:/Scripts/readme", "readme", "", "C:/Scripts"},
      {"C:/test.vbs", "test.vb", "vbs", "C:/"},
      {"C:/a.x", "a.x", "x", "C:"},
      // The last "." of the whole path counts, even in a folder's name.
      {"C:/my.dir/readme", "readm", "dir/readme", "C:/my.dir/"},
      {"test.vbs", "test", "vbs", "tes"},
      {"readme", "readme", "", nullptr},
      // Directly in the root folder the "folder" is not the folder.
      {"/x.vbs", "x.", "vbs", "/x."},
      {"/home/user/scripts/test.vbs", "test.vbs", "vbs", "/home/user/scripts"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const CFile f = fileAt(c.path);  // none of these exists: no file is looked at
    EXPECT_EQ(f.FileName(), c.fileName);
    EXPECT_EQ(f.FileExt(), c.fileExt);
    if (c.filePath) {
      EXPECT_EQ(f.FilePath(), c.filePath);
    } else {
      EXPECT_EQ(raisedBy([&] { f.FilePath(); }).n, 17427);
    }
  }
}

TEST_F(CFileTest, APositionBeyondTheSixteenBitRangeFailsTheNameParts) {
  // A "." at position 32766 is still counted; at 32767 the count overflows.
  const CFile fits = fileAt(std::string(32765, 'a') + ".vbs");
  EXPECT_EQ(fits.FileExt(), "vbs");
  const CFile beyond = fileAt(std::string(32766, 'a') + ".vbs");
  for (const auto& part : std::vector<std::function<void()>>{[&] { beyond.FileExt(); }, [&] { beyond.FileName(); },
                                                             [&] { beyond.FilePath(); }}) {
    const Raised r = raisedBy(part);
    EXPECT_EQ(r.n, 17427);
    EXPECT_EQ(r.description, "CFile component failure");
  }
  const CFile slash = fileAt(std::string(32766, 'a') + "/b");
  EXPECT_EQ(raisedBy([&] { slash.FileName(); }).n, 17427);
}

// ---- Checks -------------------------------------------------------------------

TEST_F(CFileTest, ANewObjectAnswersOnlyItsPathAndRaises17421Elsewhere) {
  CFile f;
  EXPECT_EQ(f.PathFileName(), "");
  const std::string other = dir.file("other.txt");
  writeFile(other, "x");
  const std::vector<std::pair<const char*, std::function<void()>>> members = {
      {"Attributes", [&] { f.Attributes(); }},
      {"ReadOnly", [&] { f.ReadOnly(); }},
      {"Size", [&] { f.Size(); }},
      {"ShortFileName", [&] { f.ShortFileName(); }},
      {"FileName", [&] { f.FileName(); }},
      {"FileExt", [&] { f.FileExt(); }},
      {"FilePath", [&] { f.FilePath(); }},
      {"Contents let", [&] { f.setContents("a"); }},
      {"Contents get", [&] { f.Contents(); }},
      {"Exists", [&] { f.Exists(); }},
      // The missing path is found before the empty argument.
      {"Copy", [&] { f.Copy(""); }},
      {"Move", [&] { f.Move(""); }},
      {"Delete", [&] { f.Delete(); }},
      {"IdenticalWith", [&] { f.IdenticalWith(""); }},
  };
  for (const auto& [name, call] : members) {
    SCOPED_TRACE(name);
    const Raised r = raisedBy(call);
    EXPECT_EQ(r.n, 17421);
    EXPECT_EQ(r.source, "KestrinScriptEditor.CFile");
    EXPECT_EQ(r.description,
              "Object not properly initialized. Set the PathFileName property to a non-empty value "
              "first");
  }
}

TEST_F(CFileTest, AnEmptyNameIsRefusedAndKeepsThePathBefore) {
  CFile f = fileAt(dir.file("a.txt"));
  const Raised r = raisedBy([&] { f.Init(""); });
  EXPECT_EQ(r.n, 17422);
  EXPECT_EQ(r.description, "Invalid file name");
  EXPECT_EQ(raisedBy([&] { f.setPathFileName(""); }).n, 17422);
  EXPECT_EQ(f.PathFileName(), dir.file("a.txt"));
}

TEST_F(CFileTest, AMissingFileRaises17423WhereTheMemberNeedsIt) {
  const CFile f = fileAt(dir.file("missing.vbs"));
  const std::vector<std::pair<const char*, std::function<void()>>> members = {
      {"Attributes", [&] { f.Attributes(); }},
      {"ReadOnly", [&] { f.ReadOnly(); }},
      {"Size", [&] { f.Size(); }},
      {"ShortFileName", [&] { f.ShortFileName(); }},
      {"Contents get", [&] { f.Contents(); }},
      {"Copy", [&] { f.Copy(dir.file("b")); }},
      {"Move", [&] { f.Move(dir.file("b")); }},
      {"Delete", [&] { f.Delete(); }},
      {"IdenticalWith", [&] { f.IdenticalWith(dir.file("b")); }},
  };
  for (const auto& [name, call] : members) {
    SCOPED_TRACE(name);
    const Raised r = raisedBy(call);
    EXPECT_EQ(r.n, 17423);
    EXPECT_EQ(r.description, "File not found");
  }
  EXPECT_FALSE(f.Exists());
  // The empty argument is checked before the missing file.
  EXPECT_EQ(raisedBy([&] { f.Copy(""); }).n, 17422);
  EXPECT_EQ(raisedBy([&] { f.Move(""); }).n, 17422);
  EXPECT_EQ(raisedBy([&] { f.IdenticalWith(""); }).n, 17422);
}

// ---- Existence and attributes -----------------------------------------------------

TEST_F(CFileTest, ExistsFindsFoldersWithoutTrailingSeparatorAndWildcardMatches) {
  std::filesystem::create_directories(dir.file("Scripts"));
  writeFile(dir.file("Scripts/b.txt"), "b");
  writeFile(dir.file("Scripts/a.txt"), "a");
  std::filesystem::permissions(dir.file("Scripts/a.txt"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);

  EXPECT_TRUE(fileAt(dir.file("Scripts")).Exists());
  EXPECT_FALSE(fileAt(dir.file("Scripts/")).Exists());
  EXPECT_TRUE(fileAt(dir.file("Scripts/*.txt")).Exists());
  EXPECT_FALSE(fileAt(dir.file("Scripts/*.vbs")).Exists());
  // A pattern's attributes are those of its first match, a.txt.
  EXPECT_EQ(fileAt(dir.file("Scripts/*.txt")).Attributes() & 1, 1);
  EXPECT_TRUE(fileAt(dir.file("Scripts/a.txt")).ReadOnly());
  EXPECT_FALSE(fileAt(dir.file("Scripts/b.txt")).ReadOnly());
  EXPECT_EQ(fileAt(dir.file("Scripts")).Attributes() & 16, 16);
  EXPECT_EQ(fileAt(dir.file("Scripts/b.txt")).Attributes(), 128);
}

// ---- Text, size, short name --------------------------------------------------------

TEST_F(CFileTest, ContentsWritesALineEndAndReadsLinesBackJoinedByCrLf) {
  const std::string path = dir.file("text.txt");
  CFile f = fileAt(path);
  f.setContents("one line");
  EXPECT_EQ(readFile(path), "one line\r\n");
  EXPECT_EQ(f.Contents(), "one line");

  struct Case {
    const char* bytes;
    const char* text;
  };
  const Case cases[] = {
      {"a\r\nb\r\n", "a\r\nb"},
      {"a\nb\n", "a\nb\n"},  // LF alone stays inside one line
      {"a\rb", "a\r\nb"},    // a lone CR ends a line
      {"\r\n", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    writeFile(path, c.bytes);
    EXPECT_EQ(f.Contents(), c.text);
  }
}

TEST_F(CFileTest, ContentsIntoAMissingFolderIsAComponentFailure) {
  CFile f = fileAt(dir.file("no/such/folder/x.txt"));
  const Raised r = raisedBy([&] { f.setContents("x"); });
  EXPECT_EQ(r.n, 17427);
  EXPECT_EQ(r.source, "KestrinScriptEditor.CFile");
  EXPECT_EQ(r.description, "CFile component failure");
}

TEST_F(CFileTest, SizeAndShortFileNameOfAnExistingFile) {
  const std::string path = dir.file("five.txt");
  writeFile(path, "12345");
  const CFile f = fileAt(path);
  EXPECT_EQ(f.Size(), 5);
  const std::string shortName = f.ShortFileName();
  EXPECT_EQ(shortName, path);
  EXPECT_EQ(shortName.size(), path.size());  // no NUL after it
}

// ---- Comparison -------------------------------------------------------------------

TEST_F(CFileTest, IdenticalWithComparesLengthsThenBlocks) {
  const int32_t block = CFile::kCompareBlock;
  const std::string base(block + 3616, 'x');  // one whole block and a partial one
  auto changed = [&](size_t at) {
    std::string s = base;
    s[at] = 'y';
    return s;
  };
  struct Case {
    const char* name;
    std::string a, b;
    bool identical;
  };
  const Case cases[] = {
      {"two empty files", "", "", true},
      {"equal bytes", base, base, true},
      {"lengths differ", base, base + "x", false},
      {"last byte of the first block", base, changed(block - 1), false},
      {"first byte of the second block", base, changed(block), false},
      {"last byte of the partial block", base, changed(base.size() - 1), false},
      {"two whole blocks alike", std::string(2 * block, 'z'), std::string(2 * block, 'z'), true},
      {"the second whole block differs", std::string(2 * block, 'z'), std::string(block, 'z') + std::string(block, 'q'),
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(dir.file("a.bin"), c.a);
    writeFile(dir.file("b.bin"), c.b);
    EXPECT_EQ(fileAt(dir.file("a.bin")).IdenticalWith(dir.file("b.bin")), c.identical);
  }
}

TEST_F(CFileTest, IdenticalWithItsOwnNameOpensNothingAndAnotherNameOfTheSameFileCompares) {
  // A folder cannot be opened for reading: its own name needs no opening.
  std::filesystem::create_directories(dir.file("folder"));
  const CFile folder = fileAt(dir.file("folder"));
  EXPECT_TRUE(folder.IdenticalWith(dir.file("folder")));
  EXPECT_EQ(raisedBy([&] { folder.IdenticalWith(dir.path() + "/./folder"); }).n, 17427);

  writeFile(dir.file("same.txt"), "same bytes");
  EXPECT_TRUE(fileAt(dir.file("same.txt")).IdenticalWith(dir.path() + "/./same.txt"));
  EXPECT_EQ(raisedBy([&] { fileAt(dir.file("same.txt")).IdenticalWith(dir.file("gone.txt")); }).n, 17423);
}

// ---- Copy, move, delete -----------------------------------------------------------

TEST_F(CFileTest, CopyReplacesAnExistingTargetAndMoveRefusesOne) {
  const std::string source = dir.file("source.txt"), target = dir.file("target.txt");
  writeFile(source, "new");
  writeFile(target, "old");
  const CFile f = fileAt(source);
  f.Copy(target);
  EXPECT_EQ(readFile(target), "new");

  writeFile(target, "old");
  const Raised r = raisedBy([&] { f.Move(target); });
  EXPECT_EQ(r.n, 17425);
  EXPECT_EQ(r.description, "File move failed");
  EXPECT_EQ(readFile(target), "old");
  EXPECT_TRUE(f.Exists());

  f.Move(dir.file("moved.txt"));
  EXPECT_EQ(f.PathFileName(), source);  // still the source
  EXPECT_FALSE(f.Exists());
  EXPECT_EQ(readFile(dir.file("moved.txt")), "new");
}

TEST_F(CFileTest, FailedCopyAndDeleteRaiseTheirOwnNumbers) {
  const std::string source = dir.file("source.txt");
  writeFile(source, "x");
  const CFile f = fileAt(source);
  const Raised copy = raisedBy([&] { f.Copy(dir.file("no/folder/x.txt")); });
  EXPECT_EQ(copy.n, 17424);
  EXPECT_EQ(copy.description, "File copy failed");

  // The platform refuses to delete a read-only file.
  std::filesystem::permissions(source, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
  const Raised del = raisedBy([&] { f.Delete(); });
  EXPECT_EQ(del.n, 17426);
  EXPECT_EQ(del.description, "File delete failed");
  std::filesystem::permissions(source, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  f.Delete();
  EXPECT_FALSE(std::filesystem::exists(source));
}

TEST_F(CFileTest, CopyMoveAndDeleteHandThePlatformTrimmedNames) {
  writeFile(dir.file("a.txt"), "a");
  const CFile a = fileAt(dir.file("a.txt"));
  a.Copy("  " + dir.file("b.txt") + "  ");
  EXPECT_EQ(readFile(dir.file("b.txt")), "a");
  EXPECT_FALSE(std::filesystem::exists(dir.file("b.txt  ")));
  fileAt(dir.file("b.txt")).Move(dir.file("c.txt") + " ");
  EXPECT_TRUE(std::filesystem::exists(dir.file("c.txt")));

  // The existence check takes the stored name as it is, the platform the
  // trimmed one: with both files present, the one without the blank goes.
  writeFile(dir.file("c.txt "), "blank");
  fileAt(dir.file("c.txt ")).Delete();
  EXPECT_FALSE(std::filesystem::exists(dir.file("c.txt")));
  EXPECT_TRUE(std::filesystem::exists(dir.file("c.txt ")));
  // Without a file of the untrimmed name the existence check fails first.
  EXPECT_EQ(raisedBy([&] { fileAt(dir.file("a.txt ")).Delete(); }).n, 17423);
}

// ---- Through the object boundary ----------------------------------------------------

class CFileObjectTest : public CFileTest {
 protected:
  void SetUp() override {
    CFileTest::SetUp();
    const auto* coclass = kestrin::typelib::library().findClass("CFile");
    ASSERT_NE(coclass, nullptr);
    com::ComPtr<com::IClassFactory> factory;
    ASSERT_EQ(kestrin::typelib::componentServer().getClassObject(coclass->clsid, com::IID_IClassFactory,
                                                                 reinterpret_cast<void**>(factory.out())),
              com::S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, com::IID_IDispatch, reinterpret_cast<void**>(object.out())), com::S_OK);
  }
  void TearDown() override { object.reset(); }

  struct Result {
    com::HRESULT code = com::S_OK;
    com::ComVariant value;
    com::EXCEPINFO exception{};
    ~Result() { com::ClearExcepInfo(&exception); }
  };
  void invoke(com::DISPID id, uint16_t flags, std::vector<com::ComVariant> args, Result& out) {
    std::vector<com::VARIANT> lastFirst;
    for (auto it = args.rbegin(); it != args.rend(); ++it) lastFirst.push_back(it->get());
    com::DISPID put = com::DISPID_PROPERTYPUT;
    com::DISPPARAMS params;
    params.rgvarg = lastFirst.empty() ? nullptr : lastFirst.data();
    params.cArgs = static_cast<uint32_t>(lastFirst.size());
    if (flags & com::DISPATCH_PROPERTYPUT) {
      params.rgdispidNamedArgs = &put;
      params.cNamedArgs = 1;
    }
    uint32_t argError = 0;
    out.code = object->Invoke(id, com::IID_NULL, 0, flags, &params, out.value.ptr(), &out.exception, &argError);
  }
  com::DISPID idOf(const char* name) {
    com::DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(com::IID_NULL, &name, 1, 0, &id), com::S_OK);
    return id;
  }
  com::ComPtr<com::IDispatch> object;
};

TEST(CFileBindings, BindEveryMemberOfTheInterface) {
  EXPECT_EQ(kestrin::support::CFileObject::bindings().problems(), std::vector<std::string>{});
}

TEST_F(CFileObjectTest, AnUninitialisedObjectGivesTheCaller17421) {
  Result r;
  invoke(idOf("Size"), com::DISPATCH_PROPERTYGET, {}, r);
  EXPECT_EQ(r.code, com::DISP_E_EXCEPTION);
  EXPECT_EQ(r.exception.scode, classErrorNumber(17421));
  EXPECT_EQ(com::toString(r.exception.bstrSource), "KestrinScriptEditor.CFile");
  EXPECT_EQ(com::toString(r.exception.bstrDescription),
            "Object not properly initialized. Set the PathFileName property to a non-empty value "
            "first");
}

TEST_F(CFileObjectTest, ACallerSetsThePathWritesAndReadsTheFileByDispatchId) {
  const std::string path = dir.file("via.txt");
  Result init;
  invoke(0x60030009, com::DISPATCH_METHOD, {com::ComVariant::text(path)}, init);
  ASSERT_EQ(init.code, com::S_OK);
  Result let;
  invoke(0x68030007, com::DISPATCH_PROPERTYPUT, {com::ComVariant::text("hello")}, let);
  ASSERT_EQ(let.code, com::S_OK);
  Result exists, size, name, contents;
  invoke(0x6003000c, com::DISPATCH_METHOD, {}, exists);
  invoke(0x68030000, com::DISPATCH_PROPERTYGET, {}, size);
  invoke(0x68030006, com::DISPATCH_PROPERTYGET, {}, name);
  invoke(0x68030007, com::DISPATCH_PROPERTYGET, {}, contents);
  EXPECT_TRUE(exists.value.toBool());
  EXPECT_EQ(size.value.toLong(), 7);
  EXPECT_EQ(name.value.toText(), "via.txt");
  EXPECT_EQ(contents.value.toText(), "hello");

  Result bad;
  invoke(0x68030003, com::DISPATCH_PROPERTYPUT, {com::ComVariant::text("")}, bad);
  EXPECT_EQ(bad.exception.scode, classErrorNumber(17422));
  Result kept;
  invoke(0x68030003, com::DISPATCH_PROPERTYGET, {}, kept);
  EXPECT_EQ(kept.value.toText(), path);
}

TEST_F(CFileObjectTest, AnEarlyBoundCallReturnsTheNumberAndLeavesItsInformation) {
  com::ComPtr<kestrin::typelib::_CFile> early;
  const auto* iface = kestrin::typelib::library().findInterface("_CFile");
  ASSERT_EQ(object->QueryInterface(iface->iid, reinterpret_cast<void**>(early.out())), com::S_OK);
  int32_t size = 0;
  const com::HRESULT code = early->get_Size(&size);
  EXPECT_EQ(code, classErrorNumber(17421));
  const auto e = com::errorFromResult(code, early.get(), iface->iid);
  EXPECT_EQ(e.source(), "KestrinScriptEditor.CFile");

  com::Bstr missing(dir.file("missing.vbs"));
  com::BSTR path = missing.get();
  EXPECT_EQ(early->Init(&path), com::S_OK);
  com::VARIANT_BOOL found = com::VARIANT_TRUE;
  EXPECT_EQ(early->Exists(&found), com::S_OK);
  EXPECT_EQ(found, com::VARIANT_FALSE);
  EXPECT_EQ(early->Delete(), classErrorNumber(17423));
}

}  // namespace
