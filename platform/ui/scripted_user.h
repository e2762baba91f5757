// The scripted user of tests: a queue of expected prompts with their
// answers, and of actions for the waiting loops, in the order the test
// means them to happen.
//
// Every prompt is checked against the front of the queue: its kind must
// match, and the queued title and text, when given, must occur in the
// prompt's. A prompt nobody expected, or one that does not match, is a
// failure that names its kind, title and text. The failure goes to the
// failure handler (tests turn it into a test failure); without one it is
// thrown as ScriptFailure, which no event containment swallows. After a
// failure the prompt is answered with its Cancel (or last) button and the
// loop is abandoned, so the test cannot hang.
//
// A loop that asks for an action while the queue is empty gets Abandon
// (nobody will act any more). Every prompt and action is written to the
// transcript.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/user.h"

namespace platform::ui {

class ScriptFailure : public UncontainedFailure {
 public:
  using UncontainedFailure::UncontainedFailure;
};

class ScriptedUser : public User {
 public:
  using FailureHandler = std::function<void(const std::string& message)>;

  explicit ScriptedUser(FailureHandler onFailure = {});
  ~ScriptedUser() override;

  // Makes a scripted user and installs it as the current user.
  static std::shared_ptr<ScriptedUser> install(FailureHandler onFailure = {});

  void setFailureHandler(FailureHandler onFailure) { onFailure_ = std::move(onFailure); }

  // --- Expected prompts (text and title: parts that must occur; empty: any)
  ScriptedUser& answerMessageBox(int32_t answer, std::string text = {}, std::string title = {});
  ScriptedUser& answerInputBox(std::optional<std::string> answer, std::string prompt = {}, std::string title = {});
  ScriptedUser& answerFileDialog(std::optional<std::string> path, std::string title = {});
  ScriptedUser& answerPrintDialog(std::optional<PrintDialogAnswer> answer);
  ScriptedUser& answerBrowseFolder(std::optional<std::string> folder, std::string title = {});
  ScriptedUser& answerFind(std::optional<std::string> text);
  ScriptedUser& answerReplace(std::optional<ReplaceAnswer> answer);
  ScriptedUser& answerGotoLine(std::optional<int32_t> line);
  ScriptedUser& answerPopupMenu(std::optional<std::string> toolId, std::string popupId = {});

  // --- Actions for the waiting loops
  ScriptedUser& act(Action action);
  ScriptedUser& toolClick(std::string toolId);
  ScriptedUser& type(std::string text);
  ScriptedUser& key(std::string keyName);
  ScriptedUser& click(std::string control, std::string form = {});
  ScriptedUser& setValue(std::string control, std::string value, std::string form = {});
  ScriptedUser& pick(std::string control, std::string entry, std::string form = {});
  ScriptedUser& focus(std::string control, std::string form = {});
  ScriptedUser& close(std::string form = {});
  ScriptedUser& wait(int64_t millis);
  ScriptedUser& caret(int32_t line, int32_t column);
  ScriptedUser& select(int32_t line, int32_t column, int32_t line2, int32_t column2);
  ScriptedUser& mouse(int32_t line, int32_t column);
  ScriptedUser& rightClick();
  ScriptedUser& windowState(int32_t state, std::string form = {});
  ScriptedUser& abandon();

  // Whether everything queued has happened.
  bool done() const noexcept { return queue_.empty(); }
  size_t pending() const noexcept { return queue_.size(); }
  // Reports a failure naming what is still queued; nothing when done.
  void verifyDone();
  // Drops what is still queued.
  void clear() { queue_.clear(); }

  // One line per prompt and action, as "MsgBox [title] text -> 6",
  // "InputBox [title] prompt -> \"text\"", "Action Click txtUser".
  const std::vector<std::string>& transcript() const noexcept { return transcript_; }
  std::string transcriptText() const;
  // The failures reported so far.
  const std::vector<std::string>& failures() const noexcept { return failures_; }

  // User
  int32_t messageBox(const MessageBoxPrompt& prompt) override;
  std::optional<std::string> inputBox(const InputBoxPrompt& prompt) override;
  std::optional<std::string> fileDialog(const FileDialogPrompt& prompt) override;
  std::optional<PrintDialogAnswer> printDialog(const PrintDialogPrompt& prompt) override;
  std::optional<std::string> browseFolder(const FolderPrompt& prompt) override;
  std::optional<std::string> find(const FindPrompt& prompt) override;
  std::optional<ReplaceAnswer> replace(const FindPrompt& prompt) override;
  std::optional<int32_t> gotoLine(const GotoPrompt& prompt) override;
  std::optional<std::string> popupMenu(const PopupPrompt& prompt) override;
  Action nextAction(const WaitContext& waiting) override;
  void actionRefused(const Action& action, const std::string& why) override;

  // The last file dialog, print dialog and popup prompts seen (for checks
  // of filters, flags and entries).
  const std::optional<FileDialogPrompt>& lastFileDialog() const noexcept { return lastFile_; }
  const std::optional<PrintDialogPrompt>& lastPrintDialog() const noexcept { return lastPrint_; }
  const std::optional<PopupPrompt>& lastPopup() const noexcept { return lastPopup_; }
  const std::optional<MessageBoxPrompt>& lastMessageBox() const noexcept { return lastBox_; }

 private:
  enum class Kind {
    MessageBox,
    InputBox,
    FileDialog,
    PrintDialog,
    BrowseFolder,
    Find,
    Replace,
    GotoLine,
    PopupMenu,
    Action
  };
  struct Step {
    Step(Kind k, std::string tx = {}, std::string ti = {}) : kind(k), text(std::move(tx)), title(std::move(ti)) {}
    Kind kind;
    std::string text;
    std::string title;
    int32_t number = 0;
    std::optional<std::string> textAnswer;
    std::optional<PrintDialogAnswer> printAnswer;
    std::optional<ReplaceAnswer> replaceAnswer;
    std::optional<int32_t> lineAnswer;
    Action action;
  };
  static const char* kindName(Kind kind);
  // The front step when it is of `kind` and matches; else reports the
  // failure and returns null.
  std::optional<Step> take(Kind kind, const std::string& title, const std::string& text);
  void fail(const std::string& message);
  std::string describe(const Step& step) const;

  FailureHandler onFailure_;
  std::deque<Step> queue_;
  std::vector<std::string> transcript_;
  std::vector<std::string> failures_;
  std::optional<FileDialogPrompt> lastFile_;
  std::optional<PrintDialogPrompt> lastPrint_;
  std::optional<PopupPrompt> lastPopup_;
  std::optional<MessageBoxPrompt> lastBox_;
};

}  // namespace platform::ui
