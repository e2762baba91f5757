// The terminal desktop: the user of a thread that a person drives from a
// full-screen terminal. While a window waits it draws the desktop, waits
// for a key, a mouse report or the next due timer (never busy), and turns
// what the person did into the waiting loop's action: typed characters and
// keys for the focused control, menu picks as tool clicks, clicks on the
// close box, on dialog controls and in the code editor's text. Prompts
// (message boxes, the input box, find, replace, go to line, print, the
// popup menu, the open and save dialogs as a file browser, the folder
// browser) are boxes in front of the windows, answered there.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/terminal/desktop_draw.h"
#include "platform/terminal/terminal.h"
#include "platform/ui/user.h"

namespace platform::terminal {

// How a box of the desktop was answered: a button (its index), Escape, an
// entry activated, a choice changed, or the terminal gone.
struct BoxResult {
  enum class Kind { Button, Cancel, Activate, Changed, Closed };
  Kind kind = Kind::Cancel;
  int32_t button = 0;
};

class TerminalDesktop : public ui::User {
 public:
  explicit TerminalDesktop(std::unique_ptr<Terminal> terminal);
  ~TerminalDesktop() override;

  int32_t messageBox(const ui::MessageBoxPrompt& prompt) override;
  std::optional<std::string> inputBox(const ui::InputBoxPrompt& prompt) override;
  std::optional<std::string> fileDialog(const ui::FileDialogPrompt& prompt) override;
  std::optional<ui::PrintDialogAnswer> printDialog(const ui::PrintDialogPrompt& prompt) override;
  std::optional<std::string> browseFolder(const ui::FolderPrompt& prompt) override;
  std::optional<std::string> find(const ui::FindPrompt& prompt) override;
  std::optional<ui::ReplaceAnswer> replace(const ui::FindPrompt& prompt) override;
  std::optional<int32_t> gotoLine(const ui::GotoPrompt& prompt) override;
  std::optional<std::string> popupMenu(const ui::PopupPrompt& prompt) override;
  // A job printed says where it went on the status bar's line; one that
  // failed says why in a message box.
  void printed(const ui::PrintReport& report) override;
  ui::Action nextAction(const ui::WaitContext& waiting) override;

  // The last frame drawn (tests look at it).
  const Grid& frame() const noexcept { return grid_; }
  // What one input does while a window waits: an action for the loop, or
  // nothing when the desktop took it itself (a menu opened, a list moved).
  std::optional<ui::Action> actionFor(const InputEvent& event);
  // Draws the desktop into the frame and shows it.
  void render();

 private:
  // Runs a box until it is answered; `key` may answer a key first (a
  // message box's letters).
  BoxResult runBox(Box& box, const std::function<std::optional<BoxResult>(const InputEvent&)>& key = {});
  std::optional<BoxResult> boxEvent(Box& box, const InputEvent& event);
  std::optional<ui::Action> menuEvent(const InputEvent& event);
  std::optional<ui::Action> comboEvent(const InputEvent& event);
  std::optional<ui::Action> mouseEvent(const MouseEvent& mouse);
  std::optional<ui::Action> dialogKey(ui::Form& form, const std::string& key, bool* took);
  void openMenu(int32_t title);
  std::optional<ui::Action> pickMenuEntry(int32_t index);
  // A list of tools to pick one from, its top left corner near the cell.
  std::optional<std::string> popupList(const ui::PopupPrompt& prompt, int32_t x, int32_t y);
  std::optional<std::string> browse(const std::string& title, std::string folder, bool folders,
                                    const std::string& filter, int32_t filterIndex, std::string fileName, bool save);
  int32_t waitMillis() const;
  // Draws the desktop and waits for the next input a modal prompt takes,
  // the timers ticking meanwhile; nothing once the terminal is gone.
  std::optional<InputEvent> promptInput();
  bool tooSmall() const;
  void endSession(const InputEvent& event);

  std::unique_ptr<Terminal> terminal_;
  Grid grid_;
  DesktopView view_;
  std::vector<Hit> hits_;
  // A drag in the code editor: where the button went down.
  bool dragging_ = false;
  std::weak_ptr<ui::Control> dragControl_;
  int32_t dragLine_ = 0, dragColumn_ = 0;
  bool closed_ = false;
};

// Opens the terminal desktop on the controlling terminal; null, with the
// reason, when there is none.
std::shared_ptr<ui::User> openTerminalDesktop(std::string* why);

}  // namespace platform::terminal
