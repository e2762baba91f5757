// The user: the one place where a person's answers and actions enter the
// system.
//
// Every prompt that the platform shows (a message box, an input box, a file
// dialog, the print dialog, the folder browser, the code editor's find,
// replace and go-to-line prompts, a popup menu) is asked of the current user,
// and every modal loop asks it for the next action while it waits. Tests
// install a scripted user (scripted_user.h); the host program installs its
// console user or its scenario player. Nothing else in the system knows who
// the user is.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

// Message-box style bits and answers, with the original values.
namespace mb {
inline constexpr int32_t OKOnly = 0, OKCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5;
inline constexpr int32_t Critical = 16, Question = 32, Exclamation = 48, Information = 64;
inline constexpr int32_t DefaultButton1 = 0, DefaultButton2 = 256, DefaultButton3 = 512;
inline constexpr int32_t OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7;
}  // namespace mb

struct MessageBoxPrompt {
  std::string text;
  std::string title;
  int32_t buttons = mb::OKOnly;          // 0 to 5
  int32_t icon = 0;                      // 0, 16, 32, 48 or 64
  int32_t defaultButton = 0;             // 0-based: 0, 1 or 2
  std::vector<int32_t> answers() const;  // the answers the box offers, in order
};

struct InputBoxPrompt {
  std::string prompt;
  std::string title;
  std::string defaultText;
};

struct FileDialogPrompt {
  bool save = false;  // ShowSave, else ShowOpen
  std::string title;
  std::string filter;  // "description|pattern|..."
  int32_t filterIndex = 0;
  std::string initDir;
  std::string fileName;  // the name the dialog shows
  int32_t flags = 0;
};

struct PrintDialogPrompt {
  int32_t flags = 0;
  int32_t fromPage = 0, toPage = 0, minPage = 0, maxPage = 0, copies = 1;
};
struct PrintDialogAnswer {
  int32_t flags = 0;
  int32_t fromPage = 0, toPage = 0, copies = 1;
};
// The answer that keeps what the prompt holds (the printer setup form's OK).
inline PrintDialogAnswer keptChoices(const PrintDialogPrompt& p) {
  return {p.flags, p.fromPage, p.toPage, p.copies > 1 ? p.copies : 1};
}

struct FolderPrompt {
  std::string title;
  std::string root;  // the folder the browse starts from
  int32_t options = 0;
};

struct FindPrompt {
  std::string title;
  std::string defaultText;
};
struct ReplaceAnswer {
  std::string find;
  std::string replaceWith;
  bool all = false;
};
struct GotoPrompt {
  int32_t lineCount = 0;  // lines of the text; the answer counts from 1
};

struct PopupPrompt {
  std::string popupId;               // the tool whose popup is shown
  std::vector<std::string> toolIds;  // what the user may pick
  std::vector<std::string> captions;
  // The entries a separator line stands before, in order: where the popup
  // has one and where a nested popup's entries begin and end.
  std::vector<size_t> separators;
};

// What became of a print job: the file it was written to (gone again once
// the spooler took it), or the failure that stopped it.
struct PrintReport {
  std::string title;
  std::string folder;   // the print folder
  std::string jobFile;  // empty when the job failed
  bool spooled = false;
  int32_t error = 0;  // the error raised; 0 when printed
  std::string failure;
};

// What a person does while a modal loop waits.
struct Action {
  enum class Kind {
    ToolClick,    // text: tool ID (of the active window's toolbar, or of a shown popup)
    TypeText,     // text: characters typed into the focused control
    Paste,        // text: pasted into the focused control, as one edit
    Key,          // text: key name ("Enter", "Ctrl+Space", "F5", "a")
    Click,        // control: "name" or "name(index)"
    SetValue,     // control, text
    Pick,         // control, text: an entry of a combo box's list
    Focus,        // control
    Close,        // form: the close box of the named form (empty: the active window)
    Wait,         // millis: time passes, timers tick
    Caret,        // line, column (counted from 1): the code editor's caret
    Select,       // line, column, line2, column2 (counted from 1)
    Mouse,        // line, column: a click in the code editor
    RightClick,   // a right click in the code editor at the caret
    WindowState,  // form, number: 0 restore, 1 minimise, 2 maximise
    Abandon,      // nobody will act any more: the loop's window is unloaded by code
  };
  Kind kind = Kind::Abandon;
  std::string form;
  std::string control;
  std::string text;
  int32_t line = 0, column = 0, line2 = 0, column2 = 0;
  int32_t number = 0;
  int64_t millis = 0;
};

// What the waiting loop tells the user: the window it waits for.
struct WaitContext {
  std::string formName;
  std::string caption;
  uint32_t hWnd = 0;
};

class User {
 public:
  virtual ~User() = default;

  // The answer: one of the box's buttons (mb::OK ... mb::No).
  virtual int32_t messageBox(const MessageBoxPrompt& prompt) = 0;
  // The text, or nothing for Cancel.
  virtual std::optional<std::string> inputBox(const InputBoxPrompt& prompt) = 0;
  // The chosen path, or nothing for Cancel.
  virtual std::optional<std::string> fileDialog(const FileDialogPrompt& prompt) = 0;
  virtual std::optional<PrintDialogAnswer> printDialog(const PrintDialogPrompt& prompt) = 0;
  virtual std::optional<std::string> browseFolder(const FolderPrompt& prompt) = 0;
  virtual std::optional<std::string> find(const FindPrompt& prompt) = 0;
  virtual std::optional<ReplaceAnswer> replace(const FindPrompt& prompt) = 0;
  virtual std::optional<int32_t> gotoLine(const GotoPrompt& prompt) = 0;
  // The picked tool ID, or nothing.
  virtual std::optional<std::string> popupMenu(const PopupPrompt& prompt) = 0;
  // Told after every print job, printed or failed, as a printer tells its
  // user; the default tells nobody.
  virtual void printed(const PrintReport& report) { (void)report; }
  // The next action while a modal loop waits.
  virtual Action nextAction(const WaitContext& waiting) = 0;
  // The waiting loop could not carry out an action (no such form or
  // control, or nothing took it); the default ignores it.
  virtual void actionRefused(const Action& action, const std::string& why) {
    (void)action;
    (void)why;
  }
};

// An action as one line of text ("Click txtUser", "ToolClick ID_FileOpen").
std::string describe(const Action& action);

// The current user of this thread's desktop. Without one installed, every
// prompt is answered with its Cancel (or last) button and every loop is
// abandoned, so nothing ever blocks.
User& currentUser();
void setCurrentUser(std::shared_ptr<User> user);
std::shared_ptr<User> currentUserShared();

}  // namespace platform::ui
