// frmOptions: the Options dialog ("Options Dialog"), the editor preferences
// on five tabs: Editor, Editor Format, Environment, User and Backup.
//
// The preferences command loads it, hands it a new CPreferences through
// setPreferences (which fills the controls from the store) and shows it
// modally over the main window:
//
//   auto dialog = platform::ui::Form::make<frmOptions>();
//   dialog->load();
//   dialog->setPreferences(std::make_shared<CPreferences>());
//   dialog->show(platform::ui::vbModal, mainWindow().get());
//
// OK and Apply store the controls' state through the held preferences and
// apply the editor settings to the main window's editor control and
// autosave timer (modCodeSense::g_SetProperties); OK then closes the
// dialog, Apply leaves it open. Cancel (also Escape) closes it and stores
// nothing; what an earlier Apply stored stays.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "editor/CPreferences.h"
#include "platform/controls/standard_controls.h"
#include "platform/ui/form.h"

namespace kestrin::editor {

// The message of a backup folder that does not exist (the storing goes on
// without the folder).
inline constexpr const char* kBackupFolderMissing = "Backup folder does not exist         ";

class frmOptions : public platform::ui::Form {
 public:
  frmOptions();
  ~frmOptions() override;

  // ---- Controls (made at every load) ----------------------------------------
  // The header strip.
  std::shared_ptr<platform::controls::PictureBox> picIcon;
  std::shared_ptr<platform::controls::Label> lblTitle;
  std::shared_ptr<platform::controls::Label> lblConfigure;
  // The tabs "Editor", "&Editor Format", "Environment", "&User", "Backup".
  std::shared_ptr<platform::controls::TabControl> ssTabOptions;
  // Editor: frame "Options:".
  std::shared_ptr<platform::controls::Frame> fraOptions;
  std::shared_ptr<platform::controls::CheckBox> chkStopAtEOL;
  std::shared_ptr<platform::controls::CheckBox> chkWhiteSpace;
  std::shared_ptr<platform::controls::CheckBox> chkHideReadOnly;
  std::shared_ptr<platform::controls::CheckBox> chkAutoIndent;
  std::shared_ptr<platform::controls::CheckBox> chkConvertTabs;
  std::shared_ptr<platform::controls::CheckBox> chkLineNumbers;
  std::shared_ptr<platform::controls::CheckBox> chkHighlightLines;
  std::shared_ptr<platform::controls::CheckBox> chkAddHeader;
  // Editor Format: frame "Editor:" with the font, its size and a sample.
  std::shared_ptr<platform::controls::Frame> fraEditor;
  std::shared_ptr<platform::controls::Label> lblFont;
  std::shared_ptr<platform::controls::ComboBox> cboFonts;
  std::shared_ptr<platform::controls::Label> lblSize;
  std::shared_ptr<platform::controls::ComboBox> cboFontSize;
  std::shared_ptr<platform::controls::Label> lblShow;
  std::shared_ptr<platform::controls::CheckBox> chkShowMargin;
  // Environment: frame "When a script starts:" with the option buttons
  // optScriptStarts(0) "Save changes", (1) "Prompt to save changes" and
  // (2) "Don't save changes".
  std::shared_ptr<platform::controls::Frame> fraScriptStarts;
  std::shared_ptr<platform::controls::OptionButton> optScriptStarts[3];
  // User: frame "User Information: ".
  std::shared_ptr<platform::controls::Frame> fraUser;
  std::shared_ptr<platform::controls::Label> lblUser;
  std::shared_ptr<platform::controls::TextBox> txtUser;
  std::shared_ptr<platform::controls::Label> lblEMail;
  std::shared_ptr<platform::controls::TextBox> txtEMail;
  std::shared_ptr<platform::controls::Label> lblHeaderNote;
  // Backup: frame "Automatic Save" with the minutes and chkBackup(0) "Do
  // not auto-save unnamed (new) files", chkBackup(1) "Create archive (zip)
  // from file"; frame "Back Directory" with the path and its browse button.
  std::shared_ptr<platform::controls::Frame> fraAutoSave;
  std::shared_ptr<platform::controls::Label> lblSaveEvery;
  std::shared_ptr<platform::controls::TextBox> txtAutoSaveFileMinutes;
  std::shared_ptr<platform::controls::Label> lblMinutes;
  std::shared_ptr<platform::controls::CheckBox> chkBackup[2];
  std::shared_ptr<platform::controls::Frame> fraBackDirectory;
  std::shared_ptr<platform::controls::TextBox> txtAutoSavePath;
  std::shared_ptr<platform::controls::CommandButton> cmdBrowse;
  // The buttons; Cancel is the dialog's cancel button (Escape).
  std::shared_ptr<platform::controls::CommandButton> cmdOK;
  std::shared_ptr<platform::controls::CommandButton> cmdCancel;
  std::shared_ptr<platform::controls::CommandButton> cmdApply;

  // ---- The held preferences -------------------------------------------------
  // Keeps the object and fills the controls from it, in the order Font,
  // FontSize, AddHeader, ExpandTabs, HighLightLine, LineNumbering,
  // ShowMargin, DisplayWhitespace, Indent, Saving, EMail, UserName,
  // HideReadOnly, DoNotSaveNewFile, ZipFile, AutoSavePath, AutoSaveMinutes,
  // CursorAtEOL. Each stands alone: a value that does not convert, or that
  // its control refuses (a check state outside 0 to 2, a Saving outside 0
  // to 2), leaves that control in its design state. The sample is not
  // refreshed.
  void setPreferences(std::shared_ptr<CPreferences> preferences);
  const std::shared_ptr<CPreferences>& Preferences() const { return m_oPreferences; }

  // ---- Event handlers ---------------------------------------------------------
  // A pick from either list refreshes the sample (no handling of its own: a
  // size text that is no number leaves the sample as it was and the event
  // keeps the error).
  void cboFonts_Click();
  void cboFontSize_Click();
  // Stores, then applies the editor settings; the dialog stays open. No
  // handling of its own (see OK): a failing storing step ends it before the
  // settings are applied, and the event keeps the error. Traced.
  void cmdApply_Click();
  // The folder browser ("Select a folder:", from the desktop): the path box
  // gets the chosen folder's path, or is emptied on Cancel or any failure.
  void cmdBrowse_Click();
  // Closes the dialog; nothing is stored. Traced.
  void cmdCancel_Click();
  // Stores, applies the editor settings and closes the dialog. Failures are
  // skipped: a failing storing step (a size that is no 16-bit number) ends
  // the storing there, with the preferences before it stored and its trace
  // entry left on the call stack; the settings are still applied and the
  // dialog still closes, without a message. Traced.
  void cmdOK_Click();
  // An empty or non-numeric minutes text becomes "0" when the box loses
  // the focus; a numeric one (blanks, sign, decimal point) stays.
  void txtAutoSaveFileMinutes_LostFocus();

  // ---- Internal operations -----------------------------------------------------
  // The sample label takes the font name of cboFonts and the size of
  // cboFontSize's text, then is repainted. No handling of its own.
  void ShowFontSample();
  // Stores the controls' state through the held preferences, in the order
  // Font, FontSize, AddHeader, Indent, ExpandTabs, HideReadOnly,
  // LineNumbering, ShowMargin, DisplayWhitespace, EMail, UserName,
  // HighLightLine, Saving (the first selected option; none: nothing),
  // AutoSaveMinutes, AutoSavePath (stored as it is with the minutes "0";
  // else only when it names an existing folder, else the message
  // kBackupFolderMissing and the stored folder stays), DoNotSaveNewFile,
  // ZipFile, CursorAtEOL. A failing step ends it and reaches the caller,
  // with its trace entry left on the call stack. Traced.
  void SetPreferences();

 protected:
  void createControls() override;
  // Form_Load: fills the font list with the screen fonts and the size list
  // with "6" to "72", holds a new CPreferences, centres the dialog and
  // refreshes the sample (before any stored font reaches the boxes).
  // Failures are skipped. Traced.
  void onLoad() override;
  // Form_Terminate: releases the held preferences. Traced.
  void onTerminate() override;

 private:
  std::shared_ptr<CPreferences> m_oPreferences;
};

}  // namespace kestrin::editor
