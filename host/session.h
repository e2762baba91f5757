// A session with the editor: the user of the host's desktop that carries out
// scenario commands. It sets things up, makes the host calls, hands the
// person's actions to the waiting windows, answers the prompts from its
// queue of answers and checks expectations, writing a transcript.
//
// Where the commands come from, and what happens to a prompt that no
// queued answer fits, is left to the two kinds of session: the scenario
// player (a file) and the console user (a person at a terminal).
#pragma once

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>

#include <set>
#include <vector>

#include "host/editor_link.h"
#include "host/scenario.h"
#include "platform/ui/user.h"
#include "platform/win32/launch.h"

namespace kestrin_host {

class Session : public platform::ui::User {
 public:
  Session(std::ostream& out, EditorLink& link, std::map<std::string, std::string> vars);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Carries out the commands at the top level until there are none.
  void runTopLevel();

  // Carries out one command outside a waiting window (a person's action is
  // refused there).
  void perform(const Command& command);

  // The bridge's run_vbscript was called: a pending `onrun` host call runs
  // now, inside it.
  void bridgeRan(const std::string& path);

  int passed() const noexcept { return passed_; }
  int failed() const noexcept { return failed_; }
  int errors() const noexcept { return errors_; }
  const std::map<std::string, std::string>& vars() const noexcept { return vars_; }

  // The answers still queued.
  const std::deque<Command>& queuedAnswers() const noexcept { return answers_; }

  // User
  int32_t messageBox(const platform::ui::MessageBoxPrompt& prompt) override;
  std::optional<std::string> inputBox(const platform::ui::InputBoxPrompt& prompt) override;
  std::optional<std::string> fileDialog(const platform::ui::FileDialogPrompt& prompt) override;
  std::optional<platform::ui::PrintDialogAnswer> printDialog(const platform::ui::PrintDialogPrompt& prompt) override;
  std::optional<std::string> browseFolder(const platform::ui::FolderPrompt& prompt) override;
  std::optional<std::string> find(const platform::ui::FindPrompt& prompt) override;
  std::optional<platform::ui::ReplaceAnswer> replace(const platform::ui::FindPrompt& prompt) override;
  std::optional<int32_t> gotoLine(const platform::ui::GotoPrompt& prompt) override;
  std::optional<std::string> popupMenu(const platform::ui::PopupPrompt& prompt) override;
  platform::ui::Action nextAction(const platform::ui::WaitContext& waiting) override;
  void actionRefused(const platform::ui::Action& action, const std::string& why) override;

  // The session that the bridge's hook reaches (the one running now).
  static Session* current();

  // A launch of the editor's (a program, or an item for the opener):
  // written as one line into ${WORK}/launch.log; returns whether it goes
  // ahead (a program that an `allow` names).
  bool recordLaunch(const platform::Launch& launch);

  // An action refused and not yet followed by `expect refused` becomes an
  // error now.
  void settleRefusal();

 protected:
  // The next command; nothing when there are no more. waiting: the window
  // that waits for the person, when one does.
  virtual std::optional<Command> nextCommand(const platform::ui::WaitContext* waiting) = 0;
  // A prompt that no queued answer fits; returns the answer to give (an
  // `answer` command), or nothing for the prompt's Cancel. `quoted` is the
  // prompt as the transcript writes it.
  virtual std::optional<Command> unanswered(const std::string& kind, const std::string& quoted);
  // The commands ran out while a window waits.
  virtual void commandsRanOut(const platform::ui::WaitContext& waiting);
  // A console command (show, help, quit).
  virtual void consoleCommand(const Command& command);

  // A `tool` command next in line that names an entry of a shown popup
  // (the player's); nothing by default.
  virtual std::optional<std::string> popupPick(const platform::ui::PopupPrompt& prompt);

  void failExpectation(const Command& c, const std::string& found);
  void passExpectation(const Command& c);
  void error(const Command* c, const std::string& message);
  void say(const std::string& line);

  // Calls FreeEditor with every prompt answered by its last button.
  void endEditor(const std::string& why);
  bool ending() const noexcept { return ending_; }

  // The command running now, and the last one taken (for the line of a
  // failure).
  const Command* running_ = nullptr;
  std::optional<Command> lastTaken_;
  std::ostream& out_;
  EditorLink& link_;
  // Whether each command is written to the transcript before it runs.
  bool echo_ = true;

 private:
  std::optional<platform::ui::Action> actionOf(const Command& c);
  void followEditorFocus(const platform::ui::Action& a);
  void setup(const Command& c);
  void hostCall(const Command& c);
  // Checks an expectation by its kind (expectations.cpp).
  void expect(const Command& c);
  void objectCall(const Command& c);
  // The next answer for a prompt of `kind`: the queued one when it fits,
  // else what unanswered() gives.
  std::optional<Command> answerFor(const std::string& kind, const std::string& quoted);
  void countPrompt();
  void transcribePrompt(const std::string& quoted, const std::string& answer);

  std::map<std::string, std::string> vars_;
  std::deque<Command> answers_;
  std::optional<Command> onRun_;
  int passed_ = 0, failed_ = 0, errors_ = 0;
  int promptsSinceCheck_ = 0;
  bool ending_ = false;
  bool typeIntoEditor_ = false;
  std::optional<platform::ui::MessageBoxPrompt> lastBox_;
  std::optional<platform::ui::FileDialogPrompt> lastDialog_;
  std::optional<CallOutcome> lastRun_;
  // The last call, let or property get of an object (what expect result,
  // argument and error read when it came after the last RunEditor).
  std::optional<ObjectOutcome> lastObjectCall_;
  bool lastCallWasObject_ = false;
  std::optional<platform::ui::InputBoxPrompt> lastInput_;
  std::optional<platform::ui::PrintDialogPrompt> lastPrint_;
  std::optional<platform::ui::FolderPrompt> lastFolder_;
  // An action the window did not take: its line and why, until the next
  // command says whether that was expected.
  struct Refusal {
    Command action;
    std::string message;
  };
  std::optional<Refusal> refusal_;
  bool lastActionRefused_ = false;
  std::set<std::string> allowed_;
  Session* previous_ = nullptr;

  // The checks of the expectations read what the session has seen.
  friend class ExpectationCheck;
};

// A message box as the transcript writes it:
// msgbox [title] "text" YesNoCancel question
std::string describeBox(const platform::ui::MessageBoxPrompt& prompt);

}  // namespace kestrin_host
