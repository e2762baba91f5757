#include "editor/CPreferences.h"

#include <memory>

#include "diagnostics/handling.h"
#include "editor/modMain.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/win32/editor_store.h"
#include "platform/win32/settings.h"

namespace kestrin::editor {

namespace {

using platform::Variant;

std::string readText(const char* key, const char* defaultValue) {
  return platform::GetSetting(CPreferences::kApplication, CPreferences::kSection, key, defaultValue);
}

void writeText(const char* key, const std::string& value) {
  platform::SaveSetting(CPreferences::kApplication, CPreferences::kSection, key, value);
}

// The text an Integer or Boolean preference converts from: an empty stored
// text is no value at all (nothing this editor writes is empty), so it
// reads as the default, as an absent one does. Left as it is it would
// raise 13 at every read, and the Options dialog would store none of the
// values after it.
std::string readValueText(const char* key, const char* defaultValue) {
  std::string text = readText(key, defaultValue);
  if (text.empty()) text = defaultValue;
  return text;
}

int16_t readInteger(const char* key, const char* defaultValue) {
  return platform::cInt(Variant(readValueText(key, defaultValue)));
}

void writeInteger(const char* key, int16_t value) { writeText(key, platform::cStr(Variant(value))); }

bool readBoolean(const char* key, const char* defaultValue) {
  return platform::cBool(Variant(readValueText(key, defaultValue)));
}

void writeBoolean(const char* key, bool value) { writeText(key, value ? "True" : "False"); }

// The stream a step opened; 91 "Object variable not set" when that step
// failed.
platform::scripting::TextStream& opened(const std::unique_ptr<platform::scripting::TextStream>& file) {
  if (!file) platform::raise(platform::err::ObjectVariableNotSet);
  return *file;
}

}  // namespace

std::string CPreferences::bookmarkFilePath(bool writing) {
  return writing ? platform::editorFileToWrite(kBookmarkFile) : platform::editorFileToRead(kBookmarkFile);
}

void CPreferences::setCursorAtEOL(int16_t value) { writeInteger("CursorAtEOL", value); }
int16_t CPreferences::CursorAtEOL() const { return readInteger("CursorAtEOL", "1"); }

void CPreferences::setAutoSaveMinutes(const std::string& value) {
  diagnostics::IgnoreFailures ignore;
  std::string stored = value;
  if (ignore.condition([&] { return value.empty() || !platform::isNumeric(Variant(value)); })) stored = "0";
  ignore.step([&] { writeText("AutoSaveMinutes", stored); });
}
std::string CPreferences::AutoSaveMinutes() const { return readText("AutoSaveMinutes", "0"); }

void CPreferences::setDoNotSaveNewFile(int16_t value) { writeInteger("DoNotSaveNewFile", value); }
int16_t CPreferences::DoNotSaveNewFile() const { return readInteger("DoNotSaveNewFile", "1"); }

void CPreferences::setZipFile(int16_t value) { writeInteger("ZipFile", value); }
int16_t CPreferences::ZipFile() const { return readInteger("ZipFile", "1"); }

void CPreferences::setAutoSavePath(const std::string& value) { writeText("AutoSavePath", value); }
std::string CPreferences::AutoSavePath() const { return readText("AutoSavePath", ""); }

void CPreferences::setBookmarkScriptName(const std::string& value) { writeText("BookmarkScriptName", value); }
std::string CPreferences::BookmarkScriptName() const { return readText("BookmarkScriptName", ""); }

void CPreferences::SaveBookMarks(const platform::LongArray& bookmarks) {
  diagnostics::IgnoreFailures ignore;
  const platform::scripting::FileSystemObject fso;
  std::string path;
  ignore.step([&] { path = bookmarkFilePath(true); });
  // The number of elements; none for an unallocated array.
  int32_t count = 0;
  ignore.step([&] { count = bookmarks.ubound() + 1; });
  if (count > 0) {
    std::unique_ptr<platform::scripting::TextStream> file;
    ignore.step([&] { file = fso.CreateTextFile(path, true); });
    // Every element is written, however many the control keeps.
    for (int32_t i = 0; i <= bookmarks.ubound(); ++i) {
      ignore.step([&] { opened(file).writeLine(platform::trim(platform::cStr(Variant(bookmarks[i])))); });
    }
    ignore.step([&] { opened(file).close(); });
  } else {
    if (ignore.condition([&] { return fso.FileExists(path); })) ignore.step([&] { fso.DeleteFile(path, true); });
  }
}

platform::Variant CPreferences::GetBookMarks() {
  diagnostics::IgnoreFailures ignore;
  const platform::scripting::FileSystemObject fso;
  platform::LongArray marks;
  std::string path;
  ignore.step([&] { path = bookmarkFilePath(); });
  if (!ignore.condition([&] { return fso.FileExists(path); })) {
    hasBookmarks_ = false;
    return Variant(marks);
  }
  std::unique_ptr<platform::scripting::TextStream> file;
  ignore.step([&] { file = fso.OpenTextFile(path); });
  int32_t i = 0;
  // A file that cannot be read ends the loop instead of spinning on it.
  while (ignore.condition([&] { return !opened(file).atEndOfStream(); })) {
    ignore.step([&] { marks.redimPreserve(i); });
    std::string line;
    if (!ignore.step([&] { line = opened(file).readLine(); })) {
      // Nothing more can be read: drop the element grown for it.
      if (i == 0)
        marks.erase();
      else
        marks.redimPreserve(i - 1);
      break;
    }
    ignore.step([&] { marks[i] = platform::cLng(Variant(line)); });
    ++i;
  }
  ignore.step([&] { opened(file).close(); });
  hasBookmarks_ = true;
  return Variant(marks);
}

void CPreferences::setGetTaskHeight(double value) { writeText("GetTaskHeight", platform::numberText(value)); }
double CPreferences::GetTaskHeight() const { return platform::val(readText("GetTaskHeight", "")); }

void CPreferences::setShowTasks(bool value) { writeBoolean("ShowTasks", value); }
bool CPreferences::ShowTasks() const { return readBoolean("ShowTasks", "True"); }

int16_t CPreferences::ExpandTabs() const { return readInteger("ExpandTabs", "1"); }
int16_t CPreferences::ShowMargin() const { return readInteger("ShowMargin", "1"); }

int16_t CPreferences::HighLightLine() const { return readInteger("Highlight", "1"); }
void CPreferences::setHighLightLine(int16_t value) { writeInteger("Highlight", value); }

int16_t CPreferences::Saving() const { return readInteger("Saving", "0"); }
void CPreferences::setSaving(int16_t value) { writeInteger("Saving", value); }

std::string CPreferences::LastScriptLoaded() const { return readText("LastScriptLoaded", ""); }
void CPreferences::setLastScriptLoaded(const std::string& value) { writeText("LastScriptLoaded", value); }

bool CPreferences::WasDirty() const { return readBoolean("WasDirty", "False"); }
void CPreferences::setWasDirty(bool value) { writeBoolean("WasDirty", value); }

std::string CPreferences::TempScript() const { return readText("TempScript", ""); }
void CPreferences::setTempScript(const std::string& value) { writeText("TempScript", value); }

std::string CPreferences::UserName() const { return readText("UserName", ""); }
void CPreferences::setUserName(const std::string& value) { writeText("UserName", value); }

std::string CPreferences::EMail() const { return readText("EMail", ""); }
void CPreferences::setEMail(const std::string& value) { writeText("EMail", value); }

std::string CPreferences::Font() const { return readText("Font", "Courier New"); }
void CPreferences::setFont(const std::string& value) { writeText("Font", value); }

int16_t CPreferences::FontSize() const { return readInteger("FontSize", "10"); }
void CPreferences::setFontSize(int16_t value) { writeInteger("FontSize", value); }

int16_t CPreferences::Indent() const { return readInteger("Indent", "0"); }
void CPreferences::setIndent(int16_t value) { writeInteger("Indent", value); }

int16_t CPreferences::LineNumbering() const { return readInteger("LineNumbering", "0"); }
void CPreferences::setLineNumbering(int16_t value) { writeInteger("LineNumbering", value); }

int16_t CPreferences::DisplayWhitespace() const { return readInteger("DisplayWhitespace", "0"); }
void CPreferences::setDisplayWhitespace(int16_t value) { writeInteger("DisplayWhitespace", value); }

void CPreferences::setExpandTabs(int16_t value) { writeInteger("ExpandTabs", value); }
void CPreferences::setShowMargin(int16_t value) { writeInteger("ShowMargin", value); }

int16_t CPreferences::HideReadOnly() const { return readInteger("HideReadOnly", "1"); }
void CPreferences::setHideReadOnly(int16_t value) { writeInteger("HideReadOnly", value); }

int16_t CPreferences::AddHeader() const { return readInteger("AddHeader", "1"); }
void CPreferences::setAddHeader(int16_t value) { writeInteger("AddHeader", value); }

}  // namespace kestrin::editor
