#include "platform/controls/common_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "controls_test_support.h"
#include "platform/runtime/errors.h"

namespace {

using namespace platform::controls;
namespace mb = platform::ui::mb;
using controls_test::raisedNumber;
using controls_test::TempFolder;
using controls_test::writeFile;

class CommonDialogTest : public controls_test::WithUser {
 protected:
  std::shared_ptr<CommonDialog> dialog = std::make_shared<CommonDialog>("dlgCommonDialog");
};

TEST_F(CommonDialogTest, CancelRaises32755UnderCancelErrorAndChangesNothing) {
  dialog->setCancelError(true);
  dialog->setFileName("/scripts/last.vbs");
  user->answerFileDialog(std::nullopt);
  try {
    dialog->showOpen();
    FAIL() << "Cancel raised nothing";
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), platform::err::CancelSelected);
    EXPECT_EQ(e.description(), "Cancel was selected.");
  }
  EXPECT_EQ(dialog->fileName(), "/scripts/last.vbs");
  EXPECT_EQ(dialog->fileTitle(), "last.vbs");

  // Without CancelError, Cancel is only a false result.
  dialog->setCancelError(false);
  user->answerFileDialog(std::nullopt);
  EXPECT_FALSE(dialog->showSave());
  EXPECT_EQ(dialog->fileName(), "/scripts/last.vbs");
}

TEST_F(CommonDialogTest, FileMustExistRefusesAMissingFileAndAsksAgain) {
  TempFolder dir;
  const std::string real = dir.file("real.vbs");
  writeFile(real, "x");
  dialog->setDialogTitle("Select Kestrin VB Script");
  dialog->setFlags(cdl::PathMustExist | cdl::FileMustExist | cdl::NoDereferenceLinks);

  const std::string missing = dir.file("missing.vbs");
  user->answerFileDialog(missing, "Select Kestrin VB Script")
      .answerMessageBox(mb::OK, missing + kFileNotFoundText, "Select Kestrin VB Script")
      .answerFileDialog(dir.file("no-folder/x.vbs"))
      .answerMessageBox(mb::OK, dir.file("no-folder/x.vbs") + kPathNotFoundText)
      .answerFileDialog(dir.path().string())
      .answerMessageBox(mb::OK, kIsFolderText)
      .answerFileDialog(real);
  EXPECT_TRUE(dialog->showOpen());
  EXPECT_EQ(dialog->fileName(), real);
  EXPECT_EQ(dialog->fileTitle(), "real.vbs");
  ASSERT_TRUE(user->lastMessageBox().has_value());
  EXPECT_EQ(user->lastMessageBox()->buttons, mb::OKOnly);
  EXPECT_EQ(user->lastMessageBox()->icon, mb::Exclamation);
}

TEST_F(CommonDialogTest, WithoutFileMustExistAMissingFileIsTaken) {
  TempFolder dir;
  user->answerFileDialog(dir.file("new.vbs"));
  EXPECT_TRUE(dialog->showOpen());
  EXPECT_EQ(dialog->fileName(), dir.file("new.vbs"));
}

TEST_F(CommonDialogTest, AChosenLinkGivesItsTargetUnlessLinksStayLinks) {
  TempFolder dir;
  const std::string target = dir.file("target.vbs");
  writeFile(target, "x");
  const std::string link = dir.file("link.vbs");
  std::filesystem::create_symlink(target, link);

  dialog->setFlags(cdl::FileMustExist);
  user->answerFileDialog(link);
  EXPECT_TRUE(dialog->showOpen());
  EXPECT_EQ(dialog->fileName(), std::filesystem::canonical(target).string());

  dialog->setFlags(cdl::FileMustExist | cdl::NoDereferenceLinks);
  user->answerFileDialog(link);
  EXPECT_TRUE(dialog->showOpen());
  EXPECT_EQ(dialog->fileName(), link);
  EXPECT_EQ(dialog->fileTitle(), "link.vbs");
}

TEST_F(CommonDialogTest, SavingOverAnExistingFileAsksFirst) {
  TempFolder dir;
  const std::string existing = dir.file("old.vbs");
  writeFile(existing, "x");
  dialog->setDialogTitle("Save Kestrin VB Script");
  dialog->setFlags(cdl::Explorer | cdl::OverwritePrompt);

  // No asks the dialog again; Yes takes the file.
  user->answerFileDialog(existing)
      .answerMessageBox(mb::No, existing + kReplaceQuestionText, "Save Kestrin VB Script")
      .answerFileDialog(existing)
      .answerMessageBox(mb::Yes);
  EXPECT_TRUE(dialog->showSave());
  EXPECT_EQ(dialog->fileName(), existing);
  EXPECT_EQ(user->lastMessageBox()->buttons, mb::YesNo);

  // A new name is taken without a question, and without the flag nobody asks.
  user->answerFileDialog(dir.file("fresh.vbs"));
  EXPECT_TRUE(dialog->showSave());
  dialog->setFlags(cdl::Explorer);
  user->answerFileDialog(existing);
  EXPECT_TRUE(dialog->showSave());
  EXPECT_EQ(dialog->fileName(), existing);
}

TEST_F(CommonDialogTest, KeepsItsSettingsAndLastFileBetweenUses) {
  TempFolder dir;
  const std::string chosen = dir.file("chosen.vbs");
  writeFile(chosen, "x");
  dialog->setCancelError(true);
  dialog->setFilter("Kestrin VB Script (*.vbs)|*.vbs");
  dialog->setFilterIndex(1);
  dialog->setInitDir(dir.path().string());
  dialog->setDialogTitle("Select Kestrin VB Script");
  dialog->setFlags(0x101800);
  user->answerFileDialog("chosen.vbs");  // a name alone counts from InitDir
  EXPECT_TRUE(dialog->showOpen());
  EXPECT_EQ(dialog->fileName(), chosen);

  // The next use, on the same instance, shows all of it again, with the
  // last file name, and still raises on Cancel.
  user->answerFileDialog(std::nullopt);
  EXPECT_EQ(raisedNumber([&] { dialog->showOpen(); }), platform::err::CancelSelected);
  ASSERT_TRUE(user->lastFileDialog().has_value());
  const auto& shown = *user->lastFileDialog();
  EXPECT_FALSE(shown.save);
  EXPECT_EQ(shown.title, "Select Kestrin VB Script");
  EXPECT_EQ(shown.filter, "Kestrin VB Script (*.vbs)|*.vbs");
  EXPECT_EQ(shown.filterIndex, 1);
  EXPECT_EQ(shown.initDir, dir.path().string());
  EXPECT_EQ(shown.flags, 0x101800);
  EXPECT_EQ(shown.fileName, chosen);
  EXPECT_EQ(dialog->flags(), 0x101800);
  EXPECT_EQ(dialog->fileName(), chosen);
}

}  // namespace
