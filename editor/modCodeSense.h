// modCodeSense: the code editor's language and settings, and the
// completion word list and argument tips, in sections by subject. Each
// section's procedures are defined in the file named in its heading; new
// subjects add a section here and a file of their own.
#pragma once

#include <string>

namespace platform::controls {
class CodeEditor;
class CompletionList;
}  // namespace platform::controls
namespace platform::ui {
class Timer;
}

namespace kestrin::editor::modCodeSense {

// ---- Language definition and host word lists (modCodeSense_language.cpp) ---
//
// The word-list file "KzLangDef.csv" in the editor's folder (optional;
// nothing in the editor writes it): one entry a line, fields separated by
// "|" without quoting: the word (taken as it is, blanks included), its tip
// text and its kind, the number the third field begins with (blanks
// skipped; 0 when it begins with none). Kind 2 is a host constant, every
// other kind a host function. Further fields are ignored. Every line needs
// three fields: a shorter one (an empty line too) is a failure of the
// loaders.

// The name the language is registered and selected under.
inline constexpr const char* kLanguageName = "Kestrin";
// The word-list file's name in the editor's folder.
inline constexpr const char* kWordListFile = "KzLangDef.csv";

// The host function list: for every line of the word-list file whose kind
// is not 2, in file order, a line feed, the word and a line feed; the
// built-in list (words separated by single line feeds) when the file is
// missing or gives none. Each call reads the file again.
//
// Traced and trapped: a failing step is reported by g_ErrorHandler; Retry
// runs it again, Ignore goes on with the next step (a failing kind test
// goes on into the append, so a line of one or two fields adds its word),
// Abort clears the call stack and returns the words gathered so far, or the
// built-in list when none were. Without g_ErrorHandler the message "Problem
// loading Kestrin Functions" shows and the result is the empty text.
std::string gstr_LoadKestrinFunctionList();

// The host constant list: the same for the lines of kind 2, with the
// message "Problem loading Kestrin Constants".
std::string gstr_LoadKestrinConstants();

// Registers a new language definition under "Kestrin" (replacing the one
// before): no case sensitivity, the VBScript words and then
// modGlobals::g_strHostFunctionList() as keywords, the operators ^ - * / \ + &
// = <> Xor Mod, the comment starts ' REM rem, the double quote as string
// delimiter and the VBScript constants and then
// modGlobals::g_strHostConstantList() as constants; then applies the editor
// settings (g_SetProperties) to the control and the autosave timer.
//
// Traced and trapped: Abort clears the call stack and leaves without
// applying the settings; without g_ErrorHandler the message "Could not
// register Kestrin language" shows and the settings are not applied.
void g_RegisterKestrinLanguage(platform::controls::CodeEditor& control, platform::ui::Timer* autoSaveTimer);

// ---- Editor settings (modCodeSense_settings.cpp) ----------------------------

// Puts the code editor into the editor's working state: selects the
// language "Kestrin", sets its fixed options, font styles and colours,
// applies the preferences (line numbers, margin, whitespace, indentation,
// tabs to spaces, caret confinement, font name and size) and switches the
// autosave timer on unless the preference AutoSaveMinutes is exactly "0".
// The preferences are read afresh at every call. Traced; every step stands
// alone: a failing one (a control member, a stored preference that does not
// convert, no timer) is skipped and the next one runs; nothing is shown.
void g_SetProperties(platform::controls::CodeEditor& control, platform::ui::Timer* autoSaveTimer);

// ---- Completion word list and argument tips (authoring/modCodeSense_completion.cpp)
//
// The completion word list: the rows of the word-list file in file order
// (nothing sorted, trimmed or merged), each with its word, its tip text and
// its kind (the third field's number rounded to a whole number, halves to
// even). It belongs to the thread that loads it and lives as long as the
// component stays loaded; only a load writes it.

// Reads the word-list file into the word list, from its first row on (the
// rows of an earlier load beyond the new ones go). A missing file shows
// "Unable to load intellisense" and changes nothing.
//
// Traced and trapped: a row of fewer than three fields, or a kind beyond
// 32 bits, fails while the row is stored; Retry stores it again, Ignore
// goes on (the kind 0, then an empty tip text), Abort clears the call stack
// and ends the load with the rows before it. Without g_ErrorHandler the
// message "Could not load Intellisense list" shows and the load ends. The
// result: False for a missing file or an Abort, else True.
bool gbln_LoadIntellList();

// Fills the completion list with every word of the list in its order: the
// word as text, its kind less 1 as image (kind 1 "class", 2 "sub" and so on
// in the completion image list) and its tip text as item data; then shows
// the entries with their images. Traced and trapped as the loader (the own
// message "Problem loading intellisense"); False only after an Abort.
bool gbln_ShowIntelliList(platform::controls::CompletionList& list);

// Whether the word is in the list, and the tip text of its first row ("" for
// none); both compare without regard to case, blanks included. Traced;
// failures are skipped.
bool gbln_IsIntelliWord(const std::string& word);
std::string gstr_GetItemData(const std::string& word);

}  // namespace kestrin::editor::modCodeSense
