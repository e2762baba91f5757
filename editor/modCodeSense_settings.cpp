// The editor settings: the code editor's fixed options and colours and the
// stored preferences, applied at every file load and after the Options
// dialog's OK and Apply.
#include <cstdint>
#include <memory>

#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/CPreferences.h"
#include "editor/modCodeSense.h"
#include "platform/controls/code_editor.h"
#include "platform/runtime/errors.h"
#include "platform/ui/timer.h"

namespace kestrin::editor::modCodeSense {

namespace {

using platform::controls::CodeEditor;
using platform::controls::CodeEditorFont;

// Colours as 0x00BBGGRR, in the order they are set. The string colour is
// the decimal number 808080 (a brown), not the grey 0x808080 of the others.
struct ColourSetting {
  int32_t index;
  int32_t colour;
};
constexpr ColourSetting kColours[] = {
    {27, 0x808080},  // line numbers: grey
    {1, 0x808080},   // left margin: grey
    {8, 0xFF0000},   // keywords: blue
    {10, 0x0000FF},  // operators: red
    {16, 808080},    // strings: 0x0C5490
    {20, 0x808080},  // scope keywords: grey
    {22, 0x808080},  // whitespace marks: grey
    {26, 0xFFFFFF},  // line number background: white
    {2, 0xFFFF00},   // highlighted line: cyan
};

// The elements whose font style goes back to normal, in order.
constexpr int32_t kNormalStyleElements[] = {5, 2, 3, 6, 8, 9};

// Changes one field of the editor's font.
template <class Change>
void changeFont(CodeEditor& control, Change&& change) {
  CodeEditorFont font = control.font();
  change(font);
  control.setFont(font);
}

}  // namespace

void g_SetProperties(CodeEditor& control, platform::ui::Timer* autoSaveTimer) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modCodeSense::g_SetProperties(Sub)", ignore);
  // One preferences object, made at the first read, for every read here.
  std::unique_ptr<CPreferences> preferences;
  auto prefs = [&]() -> CPreferences& {
    if (!preferences) preferences = std::make_unique<CPreferences>();
    return *preferences;
  };

  ignore.step([&] { control.setLanguage(kLanguageName); });
  ignore.step([&] { control.setHScrollBar(true); });
  ignore.step([&] { control.setColorSyntax(true); });
  ignore.step([&] { control.setLineNumbering(prefs().LineNumbering() != 0); });
  ignore.step([&] { control.setDisplayLeftMargin(prefs().ShowMargin() != 0); });
  ignore.step([&] { control.setDisplayWhitespace(prefs().DisplayWhitespace() != 0); });
  ignore.step([&] { control.setEnableDragDrop(true); });
  ignore.step([&] { control.setLineNumberStart(1); });
  for (const int32_t element : kNormalStyleElements) ignore.step([&] { control.setFontStyle(element, 0); });
  for (const ColourSetting& c : kColours) ignore.step([&] { control.setColor(c.index, c.colour); });
  ignore.step([&] { control.setVScrollBar(true); });
  ignore.step([&] { control.setSmoothScrolling(true); });
  // The stored integer as it is: 1 turns indentation on.
  ignore.step([&] { control.setAutoIndentMode(prefs().Indent()); });
  ignore.step([&] { control.setOvertypeCaret(true); });
  ignore.step([&] { control.setHighlightBraces(true); });
  ignore.step([&] { control.setExpandTabs(prefs().ExpandTabs() != 0); });
  ignore.step([&] { control.setSelBounds(prefs().CursorAtEOL() != 0); });
  ignore.step([&] { changeFont(control, [](CodeEditorFont& f) { f.bold = false; }); });
  ignore.step([&] { changeFont(control, [](CodeEditorFont& f) { f.italic = false; }); });
  ignore.step([&] {
    const std::string name = prefs().Font();
    changeFont(control, [&](CodeEditorFont& f) { f.name = name; });
  });
  ignore.step([&] {
    const int16_t size = prefs().FontSize();
    changeFont(control, [&](CodeEditorFont& f) { f.size = size; });
  });
  ignore.step([&] { changeFont(control, [](CodeEditorFont& f) { f.strikethrough = false; }); });
  ignore.step([&] { changeFont(control, [](CodeEditorFont& f) { f.underline = false; }); });
  // The autosave runs unless the interval is exactly "0" ("00" and " 0"
  // switch it on).
  ignore.step([&] {
    if (!autoSaveTimer) platform::raise(platform::err::ObjectVariableNotSet);
    autoSaveTimer->setEnabled(prefs().AutoSaveMinutes() != "0");
  });
}

}  // namespace kestrin::editor::modCodeSense
