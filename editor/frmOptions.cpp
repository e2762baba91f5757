// The Options dialog: its controls, their filling from the preferences and
// the storing of their state.
#include "editor/frmOptions.h"

#include <string>

#include "diagnostics/failure.h"
#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/frmMain.h"
#include "editor/modCodeSense.h"
#include "editor/modMain.h"
#include "platform/controls/folder_browser.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/errors.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/screen.h"

namespace kestrin::editor {

using platform::controls::CheckBox;
using platform::controls::ComboBox;
using platform::controls::CommandButton;
using platform::controls::Frame;
using platform::controls::Label;
using platform::controls::OptionButton;
using platform::controls::PictureBox;
using platform::controls::TabControl;
using platform::controls::TextBox;

namespace {

// The smallest and largest size the size list offers.
constexpr int32_t kFirstFontSize = 6;
constexpr int32_t kLastFontSize = 72;

// The group the three option buttons form.
constexpr const char* kScriptStartsGroup = "fraScriptStarts";

// 1 for a checked box, 0 for a clear or greyed one.
int16_t checkedFlag(const CheckBox& box) { return box.value() == 1 ? 1 : 0; }

// The main window's editor control and autosave timer get the settings.
void applyEditorSettings() {
  const std::shared_ptr<frmMain> main = mainWindow();
  if (!main || !main->CodeSense1) platform::raise(platform::err::ObjectVariableNotSet);
  modCodeSense::g_SetProperties(*main->CodeSense1, main->tmrAutoSave.get());
}

}  // namespace

frmOptions::frmOptions() : Form("frmOptions") {
  setBorderStyle(platform::ui::vbFixedDialog);
  setCaption("Options Dialog");
  move(0, 0, 6930, 5850);
}

frmOptions::~frmOptions() = default;

void frmOptions::createControls() {
  picIcon = add(std::make_shared<PictureBox>("picIcon", "options"));
  lblTitle = add(std::make_shared<Label>("lblTitle", kMainWindowTitle));
  lblConfigure = add(std::make_shared<Label>("lblConfigure", "Configure options"));

  ssTabOptions = add(std::make_shared<TabControl>("ssTabOptions"));
  for (const char* tab : {"Editor", "&Editor Format", "Environment", "&User", "Backup"}) ssTabOptions->addTab(tab);
  ssTabOptions->setSelectedTab(0);

  // Editor. The check states below are the design states: a stored value
  // that a box refuses leaves it so.
  fraOptions = add(std::make_shared<Frame>("fraOptions", "Options:"));
  chkStopAtEOL = add(std::make_shared<CheckBox>("chkStopAtEOL", "Confine curor to text"));
  chkWhiteSpace = add(std::make_shared<CheckBox>("chkWhiteSpace", "Show &whitespace"));
  chkHideReadOnly = add(std::make_shared<CheckBox>("chkHideReadOnly", "Hide& Read-Only Script"));
  chkHideReadOnly->setValue(1);
  chkAutoIndent = add(std::make_shared<CheckBox>("chkAutoIndent", "&Auto indent"));
  chkConvertTabs = add(std::make_shared<CheckBox>("chkConvertTabs", "Convert &tabs to spaces"));
  chkLineNumbers = add(std::make_shared<CheckBox>("chkLineNumbers", "Show line &numbers"));
  chkHighlightLines = add(std::make_shared<CheckBox>("chkHighlightLines", "&Highlight current line"));
  chkHighlightLines->setValue(1);
  chkAddHeader = add(std::make_shared<CheckBox>("chkAddHeader", "Add Header to &Script"));
  chkAddHeader->setValue(1);

  // Editor Format.
  fraEditor = add(std::make_shared<Frame>("fraEditor", "Editor:"));
  lblFont = add(std::make_shared<Label>("lblFont", "Font:"));
  cboFonts = add(std::make_shared<ComboBox>("cboFonts"));
  cboFonts->onClick = [this] { cboFonts_Click(); };
  lblSize = add(std::make_shared<Label>("lblSize", "Size:"));
  cboFontSize = add(std::make_shared<ComboBox>("cboFontSize"));
  cboFontSize->onClick = [this] { cboFontSize_Click(); };
  lblShow = add(std::make_shared<Label>("lblShow", "This is example text "));
  chkShowMargin = add(std::make_shared<CheckBox>("chkShowMargin", "Show &margin indicator bar"));
  chkShowMargin->setValue(1);

  // Environment.
  fraScriptStarts = add(std::make_shared<Frame>("fraScriptStarts", "When a script starts:"));
  const char* const startCaptions[] = {"&Save changes", "&Prompt to save changes", "&Don't save changes"};
  for (int32_t i = 0; i < 3; ++i)
    optScriptStarts[i] =
        add(std::make_shared<OptionButton>("optScriptStarts", startCaptions[i], i, kScriptStartsGroup));
  optScriptStarts[0]->setValue(true);

  // User.
  fraUser = add(std::make_shared<Frame>("fraUser", "User Information: "));
  lblUser = add(std::make_shared<Label>("lblUser", "Name:"));
  txtUser = add(std::make_shared<TextBox>("txtUser"));
  txtUser->setToolTipText("Sets name to be used when inserting a header");
  lblEMail = add(std::make_shared<Label>("lblEMail", "E-Mail:"));
  txtEMail = add(std::make_shared<TextBox>("txtEMail"));
  txtEMail->setToolTipText("Sets e-mail address to be used when inserting a header");
  lblHeaderNote = add(std::make_shared<Label>(
      "lblHeaderNote",
      "This information will be automatically added to all script headers if the 'Add Header to "
      "Script' option is selected.. "));

  // Backup.
  fraAutoSave = add(std::make_shared<Frame>("fraAutoSave", "Automatic Save"));
  lblSaveEvery = add(std::make_shared<Label>("lblSaveEvery", "Save file every"));
  txtAutoSaveFileMinutes = add(std::make_shared<TextBox>("txtAutoSaveFileMinutes"));
  txtAutoSaveFileMinutes->setText("0");
  txtAutoSaveFileMinutes->setToolTipText("0 = No Save");
  txtAutoSaveFileMinutes->onLostFocus = [this] { txtAutoSaveFileMinutes_LostFocus(); };
  lblMinutes = add(std::make_shared<Label>("lblMinutes", "minutes"));
  chkBackup[0] = add(std::make_shared<CheckBox>("chkBackup", "Do not auto-save unnamed (new) files", 0));
  chkBackup[0]->setValue(1);
  chkBackup[1] = add(std::make_shared<CheckBox>("chkBackup", "Create archive (zip) from file", 1));
  fraBackDirectory = add(std::make_shared<Frame>("fraBackDirectory", "Back Directory"));
  txtAutoSavePath = add(std::make_shared<TextBox>("txtAutoSavePath"));
  cmdBrowse = add(std::make_shared<CommandButton>("cmdBrowse", "Browse..."));
  cmdBrowse->onClick = [this] { cmdBrowse_Click(); };

  cmdOK = add(std::make_shared<CommandButton>("cmdOK", "&OK"));
  cmdOK->onClick = [this] { cmdOK_Click(); };
  cmdCancel = add(std::make_shared<CommandButton>("cmdCancel", "&Cancel"));
  cmdCancel->setCancel(true);
  cmdCancel->onClick = [this] { cmdCancel_Click(); };
  cmdApply = add(std::make_shared<CommandButton>("cmdApply", "&Apply"));
  cmdApply->onClick = [this] { cmdApply_Click(); };
}

void frmOptions::onLoad() {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("frmOptions::Form_Load(Function)", ignore);
  ignore.step([&] {
    for (const std::string& font : platform::ui::screen().Fonts()) cboFonts->addItem(font);
  });
  ignore.step([&] {
    for (int32_t size = kFirstFontSize; size <= kLastFontSize; ++size) cboFontSize->addItem(std::to_string(size));
  });
  ignore.step([&] { m_oPreferences = std::make_shared<CPreferences>(); });
  ignore.step([&] { modMain::CenterForm(*this); });
  // The boxes are still empty here, so the sample keeps its own font.
  ignore.step([&] { ShowFontSample(); });
}

void frmOptions::onTerminate() {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("frmOptions::Form_Terminate(Sub)", ignore);
  ignore.step([&] { m_oPreferences.reset(); });
}

void frmOptions::setPreferences(std::shared_ptr<CPreferences> preferences) {
  diagnostics::IgnoreFailures ignore;
  m_oPreferences = std::move(preferences);
  if (!m_oPreferences) return;
  CPreferences& p = *m_oPreferences;
  ignore.step([&] { cboFonts->setText(p.Font()); });
  ignore.step([&] { cboFontSize->setText(std::to_string(p.FontSize())); });
  ignore.step([&] { chkAddHeader->setValue(p.AddHeader()); });
  ignore.step([&] { chkConvertTabs->setValue(p.ExpandTabs()); });
  ignore.step([&] { chkHighlightLines->setValue(p.HighLightLine()); });
  ignore.step([&] { chkLineNumbers->setValue(p.LineNumbering()); });
  ignore.step([&] { chkShowMargin->setValue(p.ShowMargin()); });
  ignore.step([&] { chkWhiteSpace->setValue(p.DisplayWhitespace()); });
  ignore.step([&] { chkAutoIndent->setValue(p.Indent()); });
  // An option the group lacks (340) leaves the design choice.
  ignore.step([&] { static_cast<OptionButton&>(control("optScriptStarts", p.Saving())).setValue(true); });
  ignore.step([&] { txtEMail->setText(p.EMail()); });
  ignore.step([&] { txtUser->setText(p.UserName()); });
  ignore.step([&] { chkHideReadOnly->setValue(p.HideReadOnly()); });
  ignore.step([&] { chkBackup[0]->setValue(p.DoNotSaveNewFile()); });
  ignore.step([&] { chkBackup[1]->setValue(p.ZipFile()); });
  ignore.step([&] { txtAutoSavePath->setText(p.AutoSavePath()); });
  ignore.step([&] { txtAutoSaveFileMinutes->setText(p.AutoSaveMinutes()); });
  ignore.step([&] { chkStopAtEOL->setValue(p.CursorAtEOL()); });
}

void frmOptions::ShowFontSample() {
  // The size is read first, so that a size that is no number leaves the
  // sample wholly as it was.
  const float size = platform::cSng(platform::Variant(cboFontSize->text()));
  lblShow->setFontName(cboFonts->text());
  lblShow->setFontSize(size);
  lblShow->refresh();
}

void frmOptions::cboFonts_Click() { ShowFontSample(); }

void frmOptions::cboFontSize_Click() { ShowFontSample(); }

void frmOptions::SetPreferences() {
  diagnostics::Trace trace("frmOptions::SetPreferences(Function)");
  if (!m_oPreferences) platform::raise(platform::err::ObjectVariableNotSet);
  CPreferences& p = *m_oPreferences;
  p.setFont(cboFonts->text());
  p.setFontSize(platform::cInt(platform::Variant(cboFontSize->text())));
  p.setAddHeader(static_cast<int16_t>(chkAddHeader->value()));
  p.setIndent(checkedFlag(*chkAutoIndent));
  p.setExpandTabs(static_cast<int16_t>(chkConvertTabs->value()));
  p.setHideReadOnly(static_cast<int16_t>(chkHideReadOnly->value()));
  p.setLineNumbering(static_cast<int16_t>(chkLineNumbers->value()));
  p.setShowMargin(static_cast<int16_t>(chkShowMargin->value()));
  p.setDisplayWhitespace(static_cast<int16_t>(chkWhiteSpace->value()));
  p.setEMail(txtEMail->text());
  p.setUserName(txtUser->text());
  p.setHighLightLine(checkedFlag(*chkHighlightLines));
  for (int16_t i = 0; i < 3; ++i) {
    if (optScriptStarts[i]->value()) {
      p.setSaving(i);
      break;
    }
  }
  const std::string minutes = txtAutoSaveFileMinutes->text();
  p.setAutoSaveMinutes(minutes == "0" ? std::string("0") : minutes);
  if (minutes == "0") {
    p.setAutoSavePath(txtAutoSavePath->text());
  } else if (platform::scripting::FileSystemObject().FolderExists(txtAutoSavePath->text())) {
    p.setAutoSavePath(txtAutoSavePath->text());
  } else {
    platform::ui::MsgBox(kBackupFolderMissing, platform::ui::mb::OKOnly | platform::ui::mb::Critical, kMainWindowTitle);
  }
  p.setDoNotSaveNewFile(static_cast<int16_t>(chkBackup[0]->value()));
  p.setZipFile(static_cast<int16_t>(chkBackup[1]->value()));
  p.setCursorAtEOL(checkedFlag(*chkStopAtEOL));
}

void frmOptions::cmdOK_Click() {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("frmOptions::cmdOK_Click(Sub)", ignore);
  ignore.step([&] { SetPreferences(); });
  ignore.step([&] { applyEditorSettings(); });
  ignore.step([&] { unload(); });
}

void frmOptions::cmdApply_Click() {
  diagnostics::Trace trace("frmOptions::cmdApply_Click(Sub)");
  SetPreferences();
  applyEditorSettings();
}

void frmOptions::cmdCancel_Click() {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("frmOptions::cmdCancel_Click(Sub)", ignore);
  ignore.step([&] { unload(); });
}

void frmOptions::cmdBrowse_Click() {
  diagnostics::IgnoreFailures ignore;
  std::string chosen;
  const bool found = ignore.step([&] {
    const platform::controls::ShellFolder folder =
        platform::controls::browseForFolder(0, "Select a folder:", 0, "Desktop");
    chosen = folder.self().path();
  });
  if (found) {
    ignore.step([&] { txtAutoSavePath->setText(chosen); });
  } else {
    ignore.step([&] { txtAutoSavePath->setText(""); });
    diagnostics::clearFailure();
  }
}

void frmOptions::txtAutoSaveFileMinutes_LostFocus() {
  diagnostics::IgnoreFailures ignore;
  ignore.step([&] {
    const std::string& text = txtAutoSaveFileMinutes->text();
    if (text.empty() || !platform::isNumeric(platform::Variant(text))) txtAutoSaveFileMinutes->setText("0");
  });
}

}  // namespace kestrin::editor
