// A dialog's controls placed in rows, for desktops that draw a form whose
// design gives no positions (the terminal's, a native one).
//
// The controls go in tab order. A label and the text box or combo box that
// follows it share a row; a frame with a caption opens a group that holds
// the rows after it up to the next frame; a frame without a caption is a
// separator line and ends the group. A tab strip shows its tabs; the k-th
// captioned frame after it opens page k (frames past the last tab stay on
// the last page), and the rows between the strip and the first frame are
// on the first page. Command buttons go to the last row, except a button
// inside a group that follows a text box or combo box, which stays on the
// field's row ("Browse..." beside its folder). A one-word label after a
// field is its unit and shares its row, unless another label follows it
// (a heading and its hint); a longer one has a row of its own. Hidden
// controls, timers and pictures are left out.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::ui {
class Control;
class Form;
}  // namespace platform::ui

namespace platform::controls {

class TabControl;

struct DialogRow {
  enum class Kind {
    Controls,  // one or more controls side by side
    Group,     // the frame that opens a group (its caption)
    Line,      // a separator line
    Tabs,      // the tab strip
    Buttons,   // the command buttons of the last row
  };
  Kind kind = Kind::Controls;
  std::vector<ui::Control*> controls;
  int32_t page = -1;     // the tab page the row is on; -1: shown on every page
  bool inGroup = false;  // inside a group's frame
};

struct DialogLayout {
  std::vector<DialogRow> rows;
  TabControl* tabs = nullptr;  // the tab strip, when the dialog has one

  // The page a control is on (-1: every page, or not laid out).
  int32_t pageOf(const ui::Control* control) const;
  // The rows shown while `page` is selected, in order.
  std::vector<const DialogRow*> shownRows(int32_t page) const;
};

DialogLayout layoutDialog(const ui::Form& form);

}  // namespace platform::controls
