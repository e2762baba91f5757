// The desktop drawn into a cell grid: the main window filling the terminal
// (caption with its close box, menu bar, toolbars, code editor, task pane,
// status bar), the other windows as framed dialogs centred over it, the
// open menu, the open list of a combo box, the code editor's completion
// list and argument tip, and the prompt box in front of everything. The
// drawing also tells where each thing it drew stands (the hits), so that
// a mouse click finds what it fell on.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/terminal/cell_grid.h"

namespace platform::ui {
class Control;
class Form;
}  // namespace platform::ui
namespace platform::controls {
class CodeEditor;
class Toolbar;
}  // namespace platform::controls

namespace platform::terminal {

// The smallest terminal the windows are drawn on.
inline constexpr int32_t kMinWidth = 60, kMinHeight = 16;

struct Hit {
  enum class Kind {
    Tool,        // id: a toolbar button
    MenuTitle,   // index: a title of the menu bar
    MenuItem,    // index: an entry of the open menu at `level`; id: its tool
    CloseBox,    // form
    Control,     // form, control: a control of a dialog
    Tab,         // control (the tab strip), index: the tab
    ComboEntry,  // control, index: an entry of the open list
    Text,        // control: the code editor's text area
    BoxItem,     // index: an item of the prompt box
    BoxButton,   // index: the item, level: the button
    BoxEntry,    // index: the item (a list), level: the entry
    MoreTools,   // form, tools: the toolbar buttons that found no room (the "»")
  };
  Kind kind = Kind::Tool;
  int32_t x = 0, y = 0, w = 1, h = 1;
  std::string id;
  ui::Form* form = nullptr;
  ui::Control* control = nullptr;
  int32_t index = 0;
  int32_t level = 0;
  // Text: the first line shown, the column of the grid where the text
  // starts and the first cell of the text shown.
  int32_t top = 0, textX = 0, scroll = 0;
  std::vector<std::pair<std::string, std::string>> tools;  // MoreTools: ID and caption of each
  bool contains(int32_t px, int32_t py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

// An open menu: the title of the menu bar and the popups opened from it.
struct MenuLevel {
  std::string popupId;
  int32_t selected = 0;
  int32_t first = 0;  // the first entry shown, when not all fit the terminal's height
};
struct MenuState {
  int32_t title = -1;  // -1: closed, unless a popup menu is shown
  std::vector<MenuLevel> levels;
  // A popup menu shown at a cell instead of under a title: the toolbar
  // whose popups it opens, the tools that may be picked from it and the
  // cell of its top left corner.
  const controls::Toolbar* popupBar = nullptr;
  std::set<std::string> pickable;
  int32_t anchorX = 0, anchorY = 0;
  bool open() const noexcept { return title >= 0 || popupBar; }
};

// A prompt as a box of items: texts, fields, check boxes, option buttons,
// lists and a row of buttons. The message boxes, input box, find, replace,
// go-to line, print dialog, popup menu and the file browser are boxes.
// A list's empty entry is a separator line, never selected.
struct BoxItem {
  enum class Kind { Text, Field, Check, Option, List, Buttons, Choice };
  Kind kind = Kind::Text;
  std::string label;                 // a field's or list's label; a check box's caption
  std::string text;                  // a text; a field's value
  bool checked = false;              // Check, Option
  std::vector<std::string> entries;  // List: entries; Buttons: captions; Choice: choices
  int32_t selected = 0;              // List, Choice: the chosen entry; Buttons: the chosen button
  int32_t defaultButton = -1;        // Buttons: the one Enter presses when no button is chosen
  int32_t rows = 8;                  // List: rows shown
  int32_t top = 0;                   // List: the first row shown
  bool bold = false;                 // Text
  int32_t caret = -1;                // Field: the characters before the caret; -1: at the end
  int32_t first = 0;                 // Field: the first character shown
  bool allSelected = false;          // Field: its whole text is selected (typing replaces it)
};
struct Box {
  std::string title;
  std::vector<BoxItem> items;
  int32_t focus = -1;  // the focused item
  int32_t width = 0;   // the wanted inner width; 0: fits the texts
  // A popup at a cell (the popup menu) instead of centred.
  int32_t anchorX = -1, anchorY = -1;
  bool closeBox = true;
};

// What the desktop shows beside the system's windows.
struct DesktopView {
  MenuState menu;
  std::map<const controls::CodeEditor*, int32_t> scroll;  // an editor's first cell shown
  std::map<const ui::Control*, int32_t> fieldFirst;       // a text box's first character shown
  std::weak_ptr<ui::Control> openCombo;                   // the combo box whose list is open
  int32_t comboSelected = 0;
  Box* box = nullptr;     // the prompt in front
  std::string notice;     // a line over the status bar until the next key or click
  bool useColour = true;  // the code editor's colours
};

// Draws everything into the grid (at its size) and lists the hits, the
// last drawn first.
void drawDesktop(Grid& grid, DesktopView& view, std::vector<Hit>& hits);

// The main window's menu bar, when the form has one.
const controls::Toolbar* menuBarOf(const ui::Form& form);
// The tool IDs of the menu bar's visible titles and of a popup's entries
// ("" a separator).
std::vector<std::string> menuTitles(const controls::Toolbar& bar);
std::vector<std::string> popupEntries(const controls::Toolbar& bar, const std::string& popupId);
// The entries of a popup in an open menu: under the menu bar, all its
// visible tools; in a popup menu, only the tools it lets be picked and the
// nested popups that hold any, a separator where the popup has one but
// never at an end or twice.
std::vector<std::string> menuEntries(const controls::Toolbar& bar, const MenuState& menu, const std::string& popupId);
// The tools a popup menu lets be picked that a popup holds, itself or in
// its nested popups.
std::set<std::string> pickableIn(const controls::Toolbar& bar, const std::string& popupId,
                                 const std::set<std::string>& pickable);
// Whether a form is drawn as the main window (it has a menu bar or a code
// editor and a sizable frame), else as a dialog.
bool isMainWindow(const ui::Form& form);
// The tab page a dialog shows: the page of the focused control, else the
// selected tab.
int32_t shownPage(const ui::Form& form);

// The toolbars of the main window in rows `width` cells wide: a bar
// shares a row with the bars before it while it fits, in their order, and
// starts the next row when it does not; a bar wider than the row, or the
// bars for which no row is left, end their row with a "»". Each cell
// holds a button, a separator or the "»".
struct ToolCell {
  enum class Kind { Tool, Separator, More };
  Kind kind = Kind::Tool;
  int32_t row = 0, x = 0, w = 1;
  std::string text;
  std::string id;  // Tool: the tool's ID
  bool enabled = true;
  // More: the tools left out, in their order (ID and caption as on the bar).
  std::vector<std::pair<std::string, std::string>> hidden;
};
std::vector<ToolCell> flowToolbars(const controls::Toolbar& bar, int32_t width, int32_t rows);

// The code editor drawn in a rectangle of the grid as the desktop draws
// it in its windows (margin, line numbers, the lines from the editor's top
// line, the caret kept in view); the caret's cell becomes the grid's
// cursor.
void drawCodeEditor(Grid& grid, DesktopView& view, controls::CodeEditor& editor, int32_t x, int32_t y, int32_t w,
                    int32_t h);

// A one-line field `width` cells wide: `first` (the first character shown)
// moves so that the caret's cell is inside the field and as much of the
// text as fits is shown. Draws the text from x and returns the caret's cell.
int32_t drawField(Grid& grid, int32_t x, int32_t y, int32_t width, const std::string& text, int32_t caret,
                  int32_t& first, Style style);
// The caret position (in characters) of a click `cell` cells into a field
// whose first shown character is `first`.
int32_t fieldCaretAt(const std::string& text, int32_t first, int32_t cell);

// A text broken into lines of at most `width` cells, at blanks where it can.
std::vector<std::string> wrapText(const std::string& text, int32_t width);

}  // namespace platform::terminal
