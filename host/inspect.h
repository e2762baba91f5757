// What the scenario language reads of the editor's windows besides the
// values of desktop_view: a control's properties, a form's place and size,
// the main window's tools, and the code editor's completion list and tip.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrin_host {

// A control's Caption, Enabled, Visible, Default, Cancel, FontName,
// FontSize, FontBold, ListCount or List(N) (positions from 0), as text
// (True/False for the flags); nothing, with the reason, when the form, the
// control or the property is not there.
std::optional<std::string> controlProperty(const std::string& form, const std::string& control,
                                           const std::string& property, std::string* why);

// A form's Left, Top, Width or Height in twips; nothing when the name is
// none of them (why stays empty) or the form is not loaded.
std::optional<std::string> formPlacement(const std::string& form, const std::string& property, std::string* why);

// A tool of the main window's toolbar and menu control: its caption (as
// set, with its access-key marks), or "True"/"False" for enabled and
// visible.
std::optional<std::string> toolState(const std::string& id, const std::string& part, std::string* why);

// The main window's completion list: whether it is open, its entries as
// TEXT:IMAGE, the highlighted entry's text ("" when none).
struct CompletionView {
  bool open = false;
  std::vector<std::string> entries;
  std::optional<std::string> selected;
};
std::optional<CompletionView> completionView(std::string* why);

// The main window's argument tip: its text and its highlighted argument
// (from 1, 0 for none); nothing when no tip is shown.
struct TipView {
  std::string text;
  int argument = 0;
};
std::optional<TipView> tipView(std::string* why, bool* editorThere);

}  // namespace kestrin_host
