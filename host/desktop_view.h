// What the host sees of the editor's windows: the main window's code
// editor and status bar, forms' properties and controls' values, and a
// drawing of the active window for the terminal. Everything is read through
// the desktop (forms by name, controls by name, published properties).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform::controls {
class CodeEditor;
class StatusBar;
}  // namespace platform::controls
namespace platform::ui {
class Control;
class Form;
}  // namespace platform::ui

namespace kestrin_host {

inline constexpr const char* kMainForm = "frmMain";
inline constexpr const char* kCodeEditorName = "CodeSense1";
inline constexpr const char* kStatusBarName = "StatusBar1";

// The code editor of a control (null when the control is none).
platform::controls::CodeEditor* codeEditorOf(platform::ui::Control& control);
// The main window's code editor and status bar; null while it is not loaded.
platform::controls::CodeEditor* mainCodeEditor();
platform::controls::StatusBar* mainStatusBar();

// A form's property (Tag, Caption, Visible, WindowState, Name, or one it
// publishes) or a control's value by name ("txtName", "chkProperties(2)");
// nothing, with the reason, when there is none.
std::optional<std::string> formValue(const std::string& form, const std::string& name, std::string* why);

// The colour (0x00BBGGRR) the editor gives the character at the line and
// column (from 0).
int32_t colourAt(const platform::controls::CodeEditor& editor, int32_t line, int32_t column);

// The active window drawn for a terminal: its caption and name, then the
// windows as the terminal desktop draws them (rows: the code editor's
// lines; COLUMNS: the width), and for a dialog its controls with the names
// the commands give them and their values. colour: with terminal colour
// codes.
std::string renderActiveWindow(bool colour, int32_t rows = 20);

}  // namespace kestrin_host
