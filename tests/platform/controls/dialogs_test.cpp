// The print dialog and the folder browser.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "controls_test_support.h"
#include "platform/controls/folder_browser.h"
#include "platform/controls/print_dialog.h"
#include "platform/runtime/errors.h"
#include "platform/ui/form.h"

namespace {

using namespace platform::controls;
using controls_test::raisedNumber;
using controls_test::TempFolder;

class PrintDialogTest : public controls_test::WithUser {};

class OwnerWindow : public platform::ui::Form {
 public:
  OwnerWindow() : Form("frmOwner") {}
};

TEST_F(PrintDialogTest, OkCopiesTheUsersChoicesBack) {
  auto owner = platform::ui::Form::make<OwnerWindow>();
  owner->load();
  PrintDialogRecord record;
  record.owner = owner->hWnd();
  record.flags = pd::ReturnDC | pd::Selection;
  record.fromPage = 0;
  record.toPage = 0;
  record.minPage = 1;
  record.maxPage = 65535;
  record.copies = 1;

  platform::ui::PrintDialogAnswer answer;
  answer.flags = static_cast<int32_t>(pd::PageNums);
  answer.fromPage = 2;
  answer.toPage = 5;
  answer.copies = 3;
  user->answerPrintDialog(answer);
  EXPECT_NE(platform::PrintDlgA(&record), 0);

  // What the user was shown is what the record held.
  ASSERT_TRUE(user->lastPrintDialog().has_value());
  EXPECT_EQ(user->lastPrintDialog()->flags, static_cast<int32_t>(pd::ReturnDC | pd::Selection));
  EXPECT_EQ(user->lastPrintDialog()->maxPage, 65535);
  // The range is the user's; the caller's other flags stay.
  EXPECT_EQ(record.flags, pd::ReturnDC | pd::PageNums);
  EXPECT_EQ(record.fromPage, 2);
  EXPECT_EQ(record.toPage, 5);
  EXPECT_EQ(record.copies, 3);
  EXPECT_NE(record.hDC, 0u);
  EXPECT_EQ(record.owner, owner->hWnd());
  owner->unload();
}

TEST_F(PrintDialogTest, CancelChangesNothing) {
  PrintDialogRecord record;
  record.flags = pd::PrintSetup;
  record.hDC = 77;
  record.fromPage = 4;
  record.copies = 2;
  user->answerPrintDialog(std::nullopt);
  EXPECT_EQ(printDialog(record), 0);
  EXPECT_EQ(record.flags, pd::PrintSetup);
  EXPECT_EQ(record.hDC, 77u);
  EXPECT_EQ(record.fromPage, 4);
  EXPECT_EQ(record.copies, 2);
}

TEST_F(PrintDialogTest, ARecordOfTheWrongSizeIsRefusedWithoutAsking) {
  PrintDialogRecord record;
  record.structSize = 60;
  EXPECT_EQ(printDialog(record), 0);
  PrintDialogRecord orphan;
  orphan.owner = 0x7FFFFFF0;  // no such window
  EXPECT_EQ(printDialog(orphan), 0);
  EXPECT_EQ(platform::PrintDlgA(nullptr), 0);
}

class FolderBrowserTest : public controls_test::WithUser {};

TEST_F(FolderBrowserTest, TheChosenFolderGivesItsPath) {
  TempFolder dir;
  std::filesystem::create_directory(dir.file("backups"));
  // An answer that is no folder is asked again.
  user->answerBrowseFolder(dir.file("not-there"), "Select a folder:").answerBrowseFolder(dir.file("backups") + "/");
  ShellFolder folder = browseForFolder(0, "Select a folder:", 0, dir.path().string());
  ASSERT_FALSE(folder.isNothing());
  EXPECT_EQ(folder.self().path(), dir.file("backups"));
  EXPECT_EQ(folder.title(), "backups");
}

TEST_F(FolderBrowserTest, CancelGivesNothingWhoseSelfFailsWith91) {
  user->answerBrowseFolder(std::nullopt);
  ShellFolder folder = browseForFolder(0, "Select a folder:", 0, "Desktop");
  EXPECT_TRUE(folder.isNothing());
  EXPECT_EQ(raisedNumber([&] { folder.self(); }), platform::err::ObjectVariableNotSet);
}

TEST(FolderBrowserRoot, DesktopIsTheDesktopFolderElseHome) {
  TempFolder home;
  const char* oldHome = std::getenv("HOME");
  std::string saved = oldHome ? oldHome : "";
  ::setenv("HOME", home.path().c_str(), 1);
  ::unsetenv("XDG_DESKTOP_DIR");
  EXPECT_EQ(resolveBrowseRoot("Desktop"), home.path().string());
  std::filesystem::create_directory(home.file("Desktop"));
  EXPECT_EQ(resolveBrowseRoot("Desktop"), home.file("Desktop"));
  EXPECT_EQ(resolveBrowseRoot("/srv/scripts"), "/srv/scripts");
  if (oldHome)
    ::setenv("HOME", saved.c_str(), 1);
  else
    ::unsetenv("HOME");
}

}  // namespace
