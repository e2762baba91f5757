// The Options dialog: its controls filled from the preferences, OK and
// Apply storing them and applying them to the main window's editor, Cancel,
// the folder browser and the minutes box.
#include "common/case_name.h"
#include "editor/frmOptions.h"

#include <gtest/gtest.h>

#include <ostream>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "diagnostics/error_handler.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor_fixture.h"
#include "platform/runtime/errors.h"
#include "platform/ui/form.h"
#include "platform/ui/user.h"
#include "platform/win32/settings.h"

namespace editor_test {
namespace {

using kestrin::editor::CPreferences;
using kestrin::editor::frmMain;
using kestrin::editor::frmOptions;
namespace mb = platform::ui::mb;

constexpr const char* kDialog = "frmOptions";

class OptionsTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    main = kestrin::editor::mainWindow();
    main->load();
    ASSERT_TRUE(main->loaded());
  }
  void TearDown() override {
    if (dialog && dialog->loaded()) dialog->unload();
    dialog.reset();
    if (main && main->loaded()) main->unload();
    main.reset();
    EditorTest::TearDown();
  }

  // Opens the dialog as the preferences command does, up to the modal show.
  frmOptions& open() {
    dialog = platform::ui::Form::make<frmOptions>();
    dialog->load();
    dialog->setPreferences(std::make_shared<CPreferences>());
    return *dialog;
  }
  // The modal show: the queued actions run, then it returns once the
  // dialog is closed (or nobody acts any more).
  void show() { dialog->show(platform::ui::vbModal, main.get()); }

  std::string value(const std::string& control) const { return dialog->findControl(control)->valueText(); }
  static std::string stored(const std::string& key) {
    return platform::GetSetting("KestrinEditor", "Preferences", key, "<absent>");
  }
  static void store(const std::string& key, const std::string& text) {
    platform::SaveSetting("KestrinEditor", "Preferences", key, text);
  }
  std::vector<std::string> callStack() const {
    std::vector<std::string> out;
    for (const auto& e : kestrin::diagnostics::errorHandlerSlot()->callStack()) out.push_back(e.procedure);
    return out;
  }

  std::shared_ptr<frmMain> main;
  std::shared_ptr<frmOptions> dialog;
};

TEST_F(OptionsTest, AUserWithoutStoredPreferencesSeesTheDefaults) {
  open();
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"cboFonts", "Courier New"},
      {"cboFontSize", "10"},
      {"chkAddHeader", "1"},
      {"chkConvertTabs", "1"},
      {"chkHighlightLines", "1"},
      {"chkLineNumbers", "0"},
      {"chkShowMargin", "1"},
      {"chkWhiteSpace", "0"},
      {"chkAutoIndent", "0"},
      {"optScriptStarts(0)", "True"},
      {"optScriptStarts(1)", "False"},
      {"optScriptStarts(2)", "False"},
      {"txtUser", ""},
      {"txtEMail", ""},
      {"chkHideReadOnly", "1"},
      {"chkBackup(0)", "1"},
      {"chkBackup(1)", "1"},
      {"txtAutoSavePath", ""},
      {"txtAutoSaveFileMinutes", "0"},
      {"chkStopAtEOL", "1"},
  };
  for (const auto& [control, text] : expected) EXPECT_EQ(value(control), text) << control;
  // Opening writes nothing.
  EXPECT_EQ(stored("Font"), "<absent>");
  EXPECT_EQ(stored("CursorAtEOL"), "<absent>");

  ASSERT_EQ(dialog->cboFontSize->listCount(), 67);
  EXPECT_EQ(dialog->cboFontSize->list(0), "6");
  EXPECT_EQ(dialog->cboFontSize->list(66), "72");
  EXPECT_GT(dialog->cboFonts->listCount(), 0);
}

// What the user reads: the dialog's caption, its tabs in their order, every
// caption, the tips and the size list from 6 to 72.
TEST_F(OptionsTest, TheDialogShowsItsCaptionsTabsAndTipsAsDesigned) {
  open();
  EXPECT_EQ(dialog->caption(), "Options Dialog");
  std::vector<std::string> tabs;
  for (int32_t i = 0; i < dialog->ssTabOptions->tabCount(); ++i) tabs.push_back(dialog->ssTabOptions->tabCaption(i));
  EXPECT_EQ(tabs, (std::vector<std::string>{"Editor", "&Editor Format", "Environment", "&User", "Backup"}));
  const frmOptions& d = *dialog;
  const std::pair<std::string, const char*> captions[] = {
      {d.lblTitle->caption(), "Kestrin VB Script Editor"},
      {d.lblConfigure->caption(), "Configure options"},
      {d.fraOptions->caption(), "Options:"},
      {d.chkStopAtEOL->caption(), "Confine curor to text"},
      {d.chkWhiteSpace->caption(), "Show &whitespace"},
      {d.chkHideReadOnly->caption(), "Hide& Read-Only Script"},
      {d.chkAutoIndent->caption(), "&Auto indent"},
      {d.chkConvertTabs->caption(), "Convert &tabs to spaces"},
      {d.chkLineNumbers->caption(), "Show line &numbers"},
      {d.chkHighlightLines->caption(), "&Highlight current line"},
      {d.chkAddHeader->caption(), "Add Header to &Script"},
      {d.fraEditor->caption(), "Editor:"},
      {d.lblFont->caption(), "Font:"},
      {d.lblSize->caption(), "Size:"},
      {d.lblShow->caption(), "This is example text "},
      {d.chkShowMargin->caption(), "Show &margin indicator bar"},
      {d.fraScriptStarts->caption(), "When a script starts:"},
      {d.optScriptStarts[0]->caption(), "&Save changes"},
      {d.optScriptStarts[1]->caption(), "&Prompt to save changes"},
      {d.optScriptStarts[2]->caption(), "&Don't save changes"},
      {d.fraUser->caption(), "User Information: "},
      {d.lblUser->caption(), "Name:"},
      {d.lblEMail->caption(), "E-Mail:"},
      {d.lblHeaderNote->caption(),
       "This information will be automatically added to all script headers if the 'Add Header "
       "to Script' option is selected.. "},
      {d.txtUser->toolTipText(), "Sets name to be used when inserting a header"},
      {d.txtEMail->toolTipText(), "Sets e-mail address to be used when inserting a header"},
      {d.fraAutoSave->caption(), "Automatic Save"},
      {d.lblSaveEvery->caption(), "Save file every"},
      {d.txtAutoSaveFileMinutes->toolTipText(), "0 = No Save"},
      {d.lblMinutes->caption(), "minutes"},
      {d.chkBackup[0]->caption(), "Do not auto-save unnamed (new) files"},
      {d.chkBackup[1]->caption(), "Create archive (zip) from file"},
      {d.fraBackDirectory->caption(), "Back Directory"},
      {d.cmdBrowse->caption(), "Browse..."},
      {d.cmdOK->caption(), "&OK"},
      {d.cmdCancel->caption(), "&Cancel"},
      {d.cmdApply->caption(), "&Apply"},
  };
  for (const auto& [shown, designed] : captions) EXPECT_EQ(shown, designed);
  ASSERT_EQ(d.cboFontSize->listCount(), 67);
  EXPECT_EQ(d.cboFontSize->list(0), "6");
  EXPECT_EQ(d.cboFontSize->list(66), "72");
}

TEST_F(OptionsTest, TheSampleKeepsItsOwnFontAtOpeningAndFollowsAPickFromEitherList) {
  store("Font", "Courier New");
  store("FontSize", "14");
  open();
  const auto designFont = platform::controls::ControlFont{};
  EXPECT_EQ(dialog->lblShow->font().name, designFont.name);
  EXPECT_EQ(dialog->lblShow->font().size, designFont.size);

  dialog->cboFontSize->pick("20");
  EXPECT_EQ(dialog->lblShow->font().name, "Courier New");
  EXPECT_EQ(dialog->lblShow->font().size, 20.0f);
  EXPECT_EQ(dialog->lblShow->refreshCount(), 1);

  // With a size typed as text that is no number, a pick from the font list
  // leaves the sample as it was.
  dialog->cboFontSize->setValueText("big");
  dialog->cboFonts->pick(dialog->cboFonts->list(0));
  EXPECT_EQ(dialog->lblShow->font().name, "Courier New");
  EXPECT_EQ(dialog->lblShow->refreshCount(), 1);
  ASSERT_TRUE(dialog->cboFonts->lastEventError());
  EXPECT_EQ(dialog->cboFonts->lastEventError()->number(), platform::err::TypeMismatch);
}

struct RefusedCase {
  const char* key;
  const char* storedText;
  const char* control;
  const char* shown;  // the design state
};
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.key << " " << c.storedText; }

class RefusedValueTest : public OptionsTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedValueTest, LeavesTheControlInItsDesignStateAndTheOthersLoad) {
  const RefusedCase& c = GetParam();
  store(c.key, c.storedText);
  store("UserName", "Ann Example");
  store("AutoSaveMinutes", "7");
  open();
  EXPECT_EQ(value(c.control), c.shown);
  EXPECT_EQ(value("txtUser"), "Ann Example");
  EXPECT_EQ(value("txtAutoSaveFileMinutes"), "7");
}

INSTANTIATE_TEST_SUITE_P(Options, RefusedValueTest,
                         ::testing::Values(RefusedCase{"ShowMargin", "5", "chkShowMargin", "1"},
                                           RefusedCase{"LineNumbering", "-1", "chkLineNumbers", "0"},
                                           RefusedCase{"Highlight", "3", "chkHighlightLines", "1"},
                                           RefusedCase{"DoNotSaveNewFile", "9", "chkBackup(0)", "1"},
                                           // Clear at design, although the preference's default is 1.
                                           RefusedCase{"ZipFile", "9", "chkBackup(1)", "0"},
                                           RefusedCase{"CursorAtEOL", "x", "chkStopAtEOL", "0"},
                                           RefusedCase{"Saving", "3", "optScriptStarts(0)", "True"},
                                           RefusedCase{"Saving", "-1", "optScriptStarts(0)", "True"},
                                           RefusedCase{"FontSize", "big", "cboFontSize", ""}),
                         kestrin_test::PrintedName());

TEST_F(OptionsTest, StoredValuesTheControlsTakeAreShown) {
  store("Saving", "2");
  store("ShowMargin", "2");  // greyed
  store("Font", "Sans");
  store("Indent", "1");
  open();
  EXPECT_EQ(value("optScriptStarts(2)"), "True");
  EXPECT_EQ(value("optScriptStarts(0)"), "False");
  EXPECT_EQ(value("chkShowMargin"), "2");
  EXPECT_EQ(value("cboFonts"), "Sans");
  EXPECT_EQ(value("chkAutoIndent"), "1");
}

TEST_F(OptionsTest, OkStoresEveryControlAppliesTheSettingsToTheEditorAndCloses) {
  open();
  const std::string font = dialog->cboFonts->list(0);
  user->pick("cboFonts", font, kDialog)
      .pick("cboFontSize", "14", kDialog)
      .setValue("chkAddHeader", "0", kDialog)
      .setValue("chkAutoIndent", "1", kDialog)
      .setValue("chkConvertTabs", "0", kDialog)
      .setValue("chkHideReadOnly", "0", kDialog)
      .setValue("chkLineNumbers", "1", kDialog)
      .setValue("chkShowMargin", "0", kDialog)
      .setValue("chkWhiteSpace", "1", kDialog)
      .setValue("txtEMail", "ann@example.org", kDialog)
      .setValue("txtUser", "Ann Example", kDialog)
      .setValue("chkHighlightLines", "0", kDialog)
      .setValue("optScriptStarts(1)", "True", kDialog)
      .setValue("txtAutoSaveFileMinutes", "5", kDialog)
      .setValue("txtAutoSavePath", editorDir.path(), kDialog)
      .setValue("chkBackup(0)", "0", kDialog)
      .setValue("chkBackup(1)", "0", kDialog)
      .setValue("chkStopAtEOL", "0", kDialog)
      .click("cmdOK", kDialog);
  show();
  EXPECT_FALSE(dialog->loaded());

  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Font", font},
      {"FontSize", "14"},
      {"AddHeader", "0"},
      {"Indent", "1"},
      {"ExpandTabs", "0"},
      {"HideReadOnly", "0"},
      {"LineNumbering", "1"},
      {"ShowMargin", "0"},
      {"DisplayWhitespace", "1"},
      {"EMail", "ann@example.org"},
      {"UserName", "Ann Example"},
      {"Highlight", "0"},
      {"Saving", "1"},
      {"AutoSaveMinutes", "5"},
      {"AutoSavePath", editorDir.path()},
      {"DoNotSaveNewFile", "0"},
      {"ZipFile", "0"},
      {"CursorAtEOL", "0"},
  };
  for (const auto& [key, text] : expected) EXPECT_EQ(stored(key), text) << key;
  EXPECT_EQ(stored("HighLightLine"), "<absent>");

  const auto& editor = *main->CodeSense1;
  EXPECT_EQ(editor.font().name, font);
  EXPECT_EQ(editor.font().size, 14);
  EXPECT_TRUE(editor.lineNumbering());
  EXPECT_FALSE(editor.displayLeftMargin());
  EXPECT_FALSE(editor.expandTabs());
  EXPECT_FALSE(editor.selBounds());
  EXPECT_EQ(editor.autoIndentMode(), 1);
  EXPECT_TRUE(main->tmrAutoSave->timerEnabled());
  EXPECT_TRUE(balanced(traceLines()));
}

TEST_F(OptionsTest, AGreyedBoxStoresItsStateWhereTheStateIsStoredAndZeroWhereCheckedCounts) {
  open();
  dialog->chkShowMargin->setValue(2);
  dialog->chkAutoIndent->setValue(2);
  dialog->chkStopAtEOL->setValue(2);
  dialog->SetPreferences();
  EXPECT_EQ(stored("ShowMargin"), "2");
  EXPECT_EQ(stored("Indent"), "0");
  EXPECT_EQ(stored("CursorAtEOL"), "0");
}

struct BackupFolderCase {
  const char* minutes;
  bool existingFolder;
  bool message;
  bool pathStored;
};
void PrintTo(const BackupFolderCase& c, std::ostream* os) {
  *os << "minutes " << c.minutes << (c.existingFolder ? " existing" : " missing") << " folder";
}

class BackupFolderTest : public OptionsTest, public ::testing::WithParamInterface<BackupFolderCase> {};

TEST_P(BackupFolderTest, TheFolderIsTestedOnlyWhenTheAutosaveRuns) {
  const BackupFolderCase& c = GetParam();
  store("AutoSavePath", "/old/backups");
  const std::string path = c.existingFolder ? editorDir.path() : editorFile("no such folder");
  open();
  user->setValue("txtAutoSaveFileMinutes", c.minutes, kDialog)
      .setValue("txtAutoSavePath", path, kDialog)
      .setValue("chkStopAtEOL", "0", kDialog)
      .click("cmdOK", kDialog);
  if (c.message) user->answerMessageBox(mb::OK, "Backup folder does not exist");
  show();
  if (c.message) {
    ASSERT_TRUE(user->lastMessageBox());
    EXPECT_EQ(user->lastMessageBox()->text, "Backup folder does not exist         ");
    EXPECT_EQ(user->lastMessageBox()->title, "Kestrin VB Script Editor");
    EXPECT_EQ(user->lastMessageBox()->icon, mb::Critical);
    EXPECT_EQ(user->lastMessageBox()->buttons, mb::OKOnly);
  }
  EXPECT_EQ(stored("AutoSavePath"), c.pathStored ? path : "/old/backups");
  EXPECT_EQ(stored("AutoSaveMinutes"), c.minutes);
  // The storing went on past the folder.
  EXPECT_EQ(stored("CursorAtEOL"), "0");
  EXPECT_EQ(main->tmrAutoSave->timerEnabled(), std::string(c.minutes) != "0");
  EXPECT_FALSE(dialog->loaded());
}

INSTANTIATE_TEST_SUITE_P(Options, BackupFolderTest,
                         ::testing::Values(BackupFolderCase{"5", false, true, false},
                                           BackupFolderCase{"5", true, false, true},
                                           BackupFolderCase{"0", false, false, true}),
                         kestrin_test::PrintedName());

TEST_F(OptionsTest, OkWithASizeThatIsNoNumberStoresWhatCameBeforeAndStillAppliesAndCloses) {
  store("Font", "Old Font");
  open();
  user->setValue("cboFonts", "Courier New", kDialog)
      .setValue("cboFontSize", "1x", kDialog)
      .setValue("chkAddHeader", "0", kDialog)
      .setValue("chkLineNumbers", "1", kDialog)
      .click("cmdOK", kDialog);
  show();
  EXPECT_FALSE(dialog->loaded());
  EXPECT_EQ(stored("Font"), "Courier New");
  EXPECT_EQ(stored("FontSize"), "<absent>");
  EXPECT_EQ(stored("AddHeader"), "<absent>");
  EXPECT_EQ(stored("LineNumbering"), "<absent>");
  // Applied from the store as it is now.
  EXPECT_EQ(main->CodeSense1->font().name, "Courier New");
  EXPECT_FALSE(main->CodeSense1->lineNumbering());
  // No message; the storing was left without its pop, so one entry stays
  // on the call stack (the handler's own pop takes the top one).
  EXPECT_EQ(callStack().size(), 1u);
  kestrin::diagnostics::errorHandlerSlot()->CallStackClear();
}

TEST_F(OptionsTest, ApplyStoresAndAppliesAndAFollowingCancelKeepsWhatApplyStored) {
  store("LineNumbering", "0");
  open();
  user->setValue("chkLineNumbers", "1", kDialog)
      .setValue("txtAutoSaveFileMinutes", "5", kDialog)
      .setValue("txtAutoSavePath", editorDir.path(), kDialog)
      .click("cmdApply", kDialog)
      .setValue("txtAutoSaveFileMinutes", "3", kDialog)
      .setValue("chkWhiteSpace", "1", kDialog)
      .setValue("txtUser", "Not Kept", kDialog)
      .key("Escape");
  // The actions after Apply reach the dialog only while it stays open.
  show();
  EXPECT_FALSE(dialog->loaded());
  EXPECT_EQ(stored("LineNumbering"), "1");
  EXPECT_TRUE(main->CodeSense1->lineNumbering());
  EXPECT_TRUE(main->tmrAutoSave->timerEnabled());
  // Apply stored the whole dialog once: the values it held then.
  EXPECT_EQ(stored("AutoSavePath"), editorDir.path());
  EXPECT_EQ(stored("AutoSaveMinutes"), "5");
  EXPECT_EQ(stored("DisplayWhitespace"), "0");
  EXPECT_EQ(stored("UserName"), "");
}

// Values stored as empty texts: the editor and the dialog show the same
// defaults, and a change made in the dialog is stored and applied whole
// (an empty size read as no number used to end the storing at the size).
TEST_F(OptionsTest, EmptyStoredValuesShowTheDefaultsHereAndInTheEditorAndStoringGoesThrough) {
  for (const char* key : {"FontSize", "LineNumbering", "ShowMargin", "CursorAtEOL"}) store(key, "");
  main->FileToView("");
  EXPECT_FALSE(main->CodeSense1->lineNumbering());
  EXPECT_TRUE(main->CodeSense1->displayLeftMargin());
  EXPECT_TRUE(main->CodeSense1->selBounds());
  EXPECT_EQ(main->CodeSense1->font().size, 10);
  open();
  EXPECT_EQ(value("cboFontSize"), "10");
  EXPECT_EQ(value("chkLineNumbers"), "0");
  EXPECT_EQ(value("chkShowMargin"), "1");
  EXPECT_EQ(value("chkStopAtEOL"), "1");
  user->setValue("chkLineNumbers", "1", kDialog).click("cmdApply", kDialog).click("cmdOK", kDialog);
  show();
  EXPECT_FALSE(dialog->loaded());
  EXPECT_EQ(stored("FontSize"), "10");
  EXPECT_EQ(stored("LineNumbering"), "1");
  EXPECT_EQ(stored("CursorAtEOL"), "1");
  EXPECT_TRUE(main->CodeSense1->lineNumbering());
}

TEST_F(OptionsTest, CancelStoresNothing) {
  open();
  user->setValue("chkLineNumbers", "1", kDialog)
      .setValue("txtUser", "Not Kept", kDialog)
      .setValue("txtAutoSaveFileMinutes", "5", kDialog)
      .click("cmdCancel", kDialog);
  show();
  EXPECT_FALSE(dialog->loaded());
  for (const char* key : {"LineNumbering", "UserName", "AutoSaveMinutes", "Font", "CursorAtEOL"})
    EXPECT_EQ(stored(key), "<absent>") << key;
  EXPECT_FALSE(main->CodeSense1->lineNumbering());
  EXPECT_FALSE(main->tmrAutoSave->timerEnabled());
}

TEST_F(OptionsTest, ApplyWithASizeThatIsNoNumberLeavesTheDialogOpenAndAppliesNothing) {
  open();
  user->setValue("chkLineNumbers", "1", kDialog)
      .setValue("cboFontSize", "huge", kDialog)
      .click("cmdApply", kDialog)
      .click("cmdCancel", kDialog);
  // The Cancel after Apply reaches the dialog only while it stays open.
  show();
  ASSERT_TRUE(dialog->cmdApply->lastEventError());
  EXPECT_EQ(dialog->cmdApply->lastEventError()->number(), platform::err::TypeMismatch);
  EXPECT_EQ(stored("FontSize"), "<absent>");
  EXPECT_FALSE(main->CodeSense1->lineNumbering());
  // Neither handler has handling of its own: both entries stay.
  EXPECT_EQ(callStack(),
            (std::vector<std::string>{"frmOptions::cmdApply_Click(Sub)", "frmOptions::SetPreferences(Function)"}));
  kestrin::diagnostics::errorHandlerSlot()->CallStackClear();
}

// The dialog's traced procedures enter and leave under their own names, in
// the order they run; the lists, the browse and the minutes box trace
// nothing.
TEST_F(OptionsTest, TheTracedProceduresEnterAndLeaveUnderTheirNames) {
  const size_t before = traceLines().size();
  open();
  dialog->cboFonts_Click();
  dialog->cboFontSize_Click();
  dialog->txtAutoSaveFileMinutes_LostFocus();
  user->answerBrowseFolder(std::nullopt, "Select a folder:");
  dialog->cmdBrowse_Click();
  kestrin::diagnostics::clearFailure();
  dialog->cmdApply_Click();
  user->click("cmdOK", kDialog);
  show();
  ASSERT_FALSE(dialog->loaded());
  dialog.reset();

  dialog = platform::ui::Form::make<frmOptions>();
  dialog->load();
  user->click("cmdCancel", kDialog);
  show();
  dialog.reset();

  std::vector<std::string> lines;
  const auto all = traceLines();
  for (size_t i = before; i < all.size(); ++i)
    if (all[i].find("frmOptions::") != std::string::npos) lines.push_back(all[i]);
  const auto in = [](const char* p) { return std::string("Entered routine: frmOptions::") + p; };
  const auto out = [](const char* p) { return std::string("Exited routine: frmOptions::") + p; };
  EXPECT_EQ(lines, (std::vector<std::string>{
                       in("Form_Load(Function)"),
                       out("Form_Load(Function)"),
                       in("cmdApply_Click(Sub)"),
                       in("SetPreferences(Function)"),
                       out("SetPreferences(Function)"),
                       out("cmdApply_Click(Sub)"),
                       in("cmdOK_Click(Sub)"),
                       in("SetPreferences(Function)"),
                       out("SetPreferences(Function)"),
                       out("cmdOK_Click(Sub)"),
                       in("Form_Terminate(Sub)"),
                       out("Form_Terminate(Sub)"),
                       in("Form_Load(Function)"),
                       out("Form_Load(Function)"),
                       in("cmdCancel_Click(Sub)"),
                       out("cmdCancel_Click(Sub)"),
                       in("Form_Terminate(Sub)"),
                       out("Form_Terminate(Sub)"),
                   }));
  EXPECT_TRUE(callStack().empty());
}

class BrowseTest : public OptionsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(BrowseTest, TheChosenFolderFillsThePathBoxAndCancelEmptiesIt) {
  const bool chooses = GetParam();
  open();
  dialog->txtAutoSavePath->setText("/before");
  kestrin::diagnostics::clearFailure();
  const std::string folder = editorFile("VB");
  user->answerBrowseFolder(chooses ? std::optional<std::string>(folder) : std::nullopt, "Select a folder:");
  dialog->cmdBrowse_Click();
  EXPECT_EQ(value("txtAutoSavePath"), chooses ? folder : "");
  EXPECT_EQ(kestrin::diagnostics::currentFailure().number, 0);
}

INSTANTIATE_TEST_SUITE_P(Options, BrowseTest, ::testing::Bool());

struct MinutesCase {
  const char* typed;
  const char* shown;
};
void PrintTo(const MinutesCase& c, std::ostream* os) { *os << "typed " << c.typed; }

class MinutesBoxTest : public OptionsTest, public ::testing::WithParamInterface<MinutesCase> {};

TEST_P(MinutesBoxTest, LosingTheFocusTurnsATextThatIsNoNumberIntoZero) {
  open();
  dialog->txtAutoSaveFileMinutes->setFocus();
  dialog->txtAutoSaveFileMinutes->setText(GetParam().typed);
  dialog->txtUser->setFocus();
  EXPECT_EQ(value("txtAutoSaveFileMinutes"), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Options, MinutesBoxTest,
                         ::testing::Values(MinutesCase{"", "0"}, MinutesCase{"abc", "0"}, MinutesCase{"5x", "0"},
                                           MinutesCase{" 5", " 5"}, MinutesCase{"-2.5", "-2.5"},
                                           MinutesCase{"10", "10"}),
                         kestrin_test::PrintedName());

}  // namespace
}  // namespace editor_test
