// CPreferences: the editor's preferences and the few values that survive a
// hand-over of the script to the host, kept in the per-user settings store
// (application "KestrinEditor", section "Preferences"), and the bookmark
// file "Bookmarks.txt" in the editor's folder.
//
// Every stored property reads or writes the store at the moment it is
// called; nothing is held, so any number of instances (and other processes
// of the same user) see each other's writes at once. Create one where it is
// needed and drop it afterwards.
//
// Kinds of stored value:
//   Integer  16-bit; written as its decimal text, read back with cInt (a
//            fraction rounds, halves to even; text that is no number raises
//            13 "Type mismatch" to the caller).
//   Boolean  written "True" or "False", read back with cBool (a number:
//            non-zero is True; other text raises 13).
//            An Integer or Boolean stored as an empty text reads as its
//            default, like an absent one.
//   text     written and read unchanged.
// The keys are the property names, except HighLightLine, kept under
// "Highlight". Failures of the store reach the caller, except in the
// AutoSaveMinutes set and the two bookmark members, which never raise.
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/array.h"
#include "platform/runtime/variant.h"

namespace kestrin::editor {

class CPreferences {
 public:
  // The application and section the preferences live under.
  static constexpr const char* kApplication = "KestrinEditor";
  static constexpr const char* kSection = "Preferences";
  // The bookmark file's name in the editor's folder.
  static constexpr const char* kBookmarkFile = "Bookmarks.txt";

  // A new object: HasBookmarks and DoSave False.
  CPreferences() = default;

  // Keep the caret within the text of a line (1 on, 0 off); default 1.
  void setCursorAtEOL(int16_t value);
  int16_t CursorAtEOL() const;
  // The autosave interval in minutes as text; "0" (the default) means no
  // autosave. An empty text, or one that is not numeric by the runtime's
  // test, stores "0"; any numeric text is stored as it is (" 5", "2.5").
  // Never raises.
  void setAutoSaveMinutes(const std::string& value);
  std::string AutoSaveMinutes() const;
  // 1 (default): the autosave skips a script that was never saved.
  void setDoNotSaveNewFile(int16_t value);
  int16_t DoNotSaveNewFile() const;
  // 1 (default): the autosave writes a zip archive, else a copy.
  void setZipFile(int16_t value);
  int16_t ZipFile() const;
  // Kept by this object only.
  void setDoSave(bool value) { doSave_ = value; }
  bool DoSave() const { return doSave_; }
  // The autosave's backup folder; default empty.
  void setAutoSavePath(const std::string& value);
  std::string AutoSavePath() const;
  // True after GetBookMarks found the bookmark file.
  bool HasBookmarks() const { return hasBookmarks_; }
  // The script that "Bookmarks.txt" belongs to; default empty.
  void setBookmarkScriptName(const std::string& value);
  std::string BookmarkScriptName() const;

  // Writes the line numbers to "Bookmarks.txt", one a line, replacing the
  // file; an unallocated array or one without elements deletes the file
  // instead (a read-only one too). Never raises: a failing step is skipped.
  void SaveBookMarks(const platform::LongArray& bookmarks);
  // The line numbers in "Bookmarks.txt" as an array of Longs from index 0
  // (a line that is no number reads as 0), unallocated when there is no
  // file or it has no lines; sets HasBookmarks to whether the file exists.
  // Never raises.
  platform::Variant GetBookMarks();

  // A task pane height, written as the number's text and read back with
  // the leading-number rule (0 when the text begins with none).
  void setGetTaskHeight(double value);
  double GetTaskHeight() const;
  // Whether the task pane is shown; default True.
  void setShowTasks(bool value);
  bool ShowTasks() const;
  // Convert tabs to spaces; default 1.
  int16_t ExpandTabs() const;
  // Show the margin indicator bar; default 1.
  int16_t ShowMargin() const;
  // Highlight the caret's line; kept under "Highlight", default "1".
  int16_t HighLightLine() const;
  void setHighLightLine(int16_t value);
  // Unsaved changes when a script starts: 0 save, 1 prompt, 2 don't save;
  // default 0. Only the Options dialog shows and stores it.
  int16_t Saving() const;
  void setSaving(int16_t value);
  // The document name of the script last handed to the host.
  std::string LastScriptLoaded() const;
  void setLastScriptLoaded(const std::string& value);
  // Whether that script had unsaved changes; default False.
  bool WasDirty() const;
  void setWasDirty(bool value);
  // The path of the temporary copy handed to the host.
  std::string TempScript() const;
  void setTempScript(const std::string& value);
  // The author's name and e-mail address for new-script headers.
  std::string UserName() const;
  void setUserName(const std::string& value);
  std::string EMail() const;
  void setEMail(const std::string& value);
  // The editor font's name (default "Courier New") and size in points
  // (default 10).
  std::string Font() const;
  void setFont(const std::string& value);
  int16_t FontSize() const;
  void setFontSize(int16_t value);
  // Automatic indentation (1 on, 0 off); default 0.
  int16_t Indent() const;
  void setIndent(int16_t value);
  // Show line numbers; default 0.
  int16_t LineNumbering() const;
  void setLineNumbering(int16_t value);
  // Show whitespace; default 0.
  int16_t DisplayWhitespace() const;
  void setDisplayWhitespace(int16_t value);
  void setExpandTabs(int16_t value);
  void setShowMargin(int16_t value);
  // Hide the read-only box of the Open dialog; default 1.
  int16_t HideReadOnly() const;
  void setHideReadOnly(int16_t value);
  // Give a new script the header; default 1.
  int16_t AddHeader() const;
  void setAddHeader(int16_t value);

  // The bookmark file's path: the editor's folder, one separator and
  // "Bookmarks.txt".
  static std::string bookmarkFilePath(bool writing = false);

 private:
  bool hasBookmarks_ = false;
  bool doSave_ = false;
};

}  // namespace kestrin::editor
