#include "platform/ui/scripted_user.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace platform::ui {

namespace {

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::string answerName(int32_t a) {
  switch (a) {
    case mb::OK: return "OK";
    case mb::Cancel: return "Cancel";
    case mb::Abort: return "Abort";
    case mb::Retry: return "Retry";
    case mb::Ignore: return "Ignore";
    case mb::Yes: return "Yes";
    case mb::No: return "No";
    default: return std::to_string(a);
  }
}

std::string optText(const std::optional<std::string>& s) { return s ? quoted(*s) : std::string("Cancel"); }

bool contains(const std::string& hay, const std::string& needle) {
  return needle.empty() || hay.find(needle) != std::string::npos;
}

int32_t cancelAnswer(const MessageBoxPrompt& p) {
  auto answers = p.answers();
  for (int32_t a : answers)
    if (a == mb::Cancel) return a;
  return answers.back();
}

}  // namespace

ScriptedUser::ScriptedUser(FailureHandler onFailure) : onFailure_(std::move(onFailure)) {}

ScriptedUser::~ScriptedUser() = default;

std::shared_ptr<ScriptedUser> ScriptedUser::install(FailureHandler onFailure) {
  auto user = std::make_shared<ScriptedUser>(std::move(onFailure));
  setCurrentUser(user);
  return user;
}

const char* ScriptedUser::kindName(Kind kind) {
  switch (kind) {
    case Kind::MessageBox: return "message box";
    case Kind::InputBox: return "input box";
    case Kind::FileDialog: return "file dialog";
    case Kind::PrintDialog: return "print dialog";
    case Kind::BrowseFolder: return "folder browser";
    case Kind::Find: return "find prompt";
    case Kind::Replace: return "replace prompt";
    case Kind::GotoLine: return "go-to-line prompt";
    case Kind::PopupMenu: return "popup menu";
    case Kind::Action: return "action";
  }
  return "prompt";
}

std::string ScriptedUser::describe(const Step& s) const {
  if (s.kind == Kind::Action) return "the action " + platform::ui::describe(s.action);
  const char* kind = kindName(s.kind);
  std::string d = std::string(std::strchr("aeiou", kind[0]) ? "an " : "a ") + kind;
  if (!s.title.empty()) d += " titled " + quoted(s.title);
  if (!s.text.empty()) d += " with " + quoted(s.text);
  return d;
}

void ScriptedUser::fail(const std::string& message) {
  failures_.push_back(message);
  transcript_.push_back("FAILURE " + message);
  if (onFailure_)
    onFailure_(message);
  else
    throw ScriptFailure(message);
}

std::optional<ScriptedUser::Step> ScriptedUser::take(Kind kind, const std::string& title, const std::string& text) {
  std::string seen = std::string(kindName(kind)) + " [" + title + "] " + quoted(text);
  if (queue_.empty()) {
    fail("Unexpected " + seen + ": nothing more was expected");
    return std::nullopt;
  }
  const Step& front = queue_.front();
  if (front.kind != kind) {
    fail("Unexpected " + seen + ": expected " + describe(front));
    return std::nullopt;
  }
  if (!contains(title, front.title) || !contains(text, front.text)) {
    fail("The " + seen + " does not match: expected " + describe(front));
    return std::nullopt;
  }
  Step s = front;
  queue_.pop_front();
  return s;
}

// --- Queueing ----------------------------------------------------------------

ScriptedUser& ScriptedUser::answerMessageBox(int32_t answer, std::string text, std::string title) {
  Step s(Kind::MessageBox, std::move(text), std::move(title));
  s.number = answer;
  queue_.push_back(std::move(s));
  return *this;
}

ScriptedUser& ScriptedUser::answerInputBox(std::optional<std::string> answer, std::string prompt, std::string title) {
  Step s(Kind::InputBox, std::move(prompt), std::move(title));
  s.textAnswer = std::move(answer);
  queue_.push_back(std::move(s));
  return *this;
}

ScriptedUser& ScriptedUser::answerFileDialog(std::optional<std::string> path, std::string title) {
  Step s(Kind::FileDialog, {}, std::move(title));
  s.textAnswer = std::move(path);
  queue_.push_back(std::move(s));
  return *this;
}

ScriptedUser& ScriptedUser::answerPrintDialog(std::optional<PrintDialogAnswer> answer) {
  Step s(Kind::PrintDialog, {}, {});
  s.printAnswer = answer;
  if (answer) s.number = 1;
  queue_.push_back(std::move(s));
  return *this;
}

ScriptedUser& ScriptedUser::answerBrowseFolder(std::optional<std::string> folder, std::string title) {
  Step s(Kind::BrowseFolder, {}, std::move(title));
  s.textAnswer = std::move(folder);
  queue_.push_back(std::move(s));
  return *this;
}

ScriptedUser& ScriptedUser::answerFind(std::optional<std::string> text) {
  Step s(Kind::Find, {}, {});
  s.textAnswer = std::move(text);
  queue_.push_back(std::move(s));
  return *this;
}

ScriptedUser& ScriptedUser::answerReplace(std::optional<ReplaceAnswer> answer) {
  Step s(Kind::Replace, {}, {});
  s.replaceAnswer = std::move(answer);
  queue_.push_back(std::move(s));
  return *this;
}

ScriptedUser& ScriptedUser::answerGotoLine(std::optional<int32_t> line) {
  Step s(Kind::GotoLine, {}, {});
  s.lineAnswer = line;
  queue_.push_back(std::move(s));
  return *this;
}

ScriptedUser& ScriptedUser::answerPopupMenu(std::optional<std::string> toolId, std::string popupId) {
  Step s(Kind::PopupMenu, std::move(popupId), {});
  s.textAnswer = std::move(toolId);
  queue_.push_back(std::move(s));
  return *this;
}

ScriptedUser& ScriptedUser::act(Action action) {
  Step s(Kind::Action, {}, {});
  s.action = std::move(action);
  queue_.push_back(std::move(s));
  return *this;
}

namespace {
Action make(Action::Kind kind, std::string form = {}, std::string control = {}, std::string text = {}) {
  Action a;
  a.kind = kind;
  a.form = std::move(form);
  a.control = std::move(control);
  a.text = std::move(text);
  return a;
}
}  // namespace

ScriptedUser& ScriptedUser::toolClick(std::string toolId) {
  return act(make(Action::Kind::ToolClick, {}, {}, std::move(toolId)));
}
ScriptedUser& ScriptedUser::type(std::string text) {
  return act(make(Action::Kind::TypeText, {}, {}, std::move(text)));
}
ScriptedUser& ScriptedUser::key(std::string keyName) {
  return act(make(Action::Kind::Key, {}, {}, std::move(keyName)));
}
ScriptedUser& ScriptedUser::click(std::string control, std::string form) {
  return act(make(Action::Kind::Click, std::move(form), std::move(control)));
}
ScriptedUser& ScriptedUser::setValue(std::string control, std::string value, std::string form) {
  return act(make(Action::Kind::SetValue, std::move(form), std::move(control), std::move(value)));
}
ScriptedUser& ScriptedUser::pick(std::string control, std::string entry, std::string form) {
  return act(make(Action::Kind::Pick, std::move(form), std::move(control), std::move(entry)));
}
ScriptedUser& ScriptedUser::focus(std::string control, std::string form) {
  return act(make(Action::Kind::Focus, std::move(form), std::move(control)));
}
ScriptedUser& ScriptedUser::close(std::string form) { return act(make(Action::Kind::Close, std::move(form))); }
ScriptedUser& ScriptedUser::wait(int64_t millis) {
  Action a = make(Action::Kind::Wait);
  a.millis = millis;
  return act(std::move(a));
}
ScriptedUser& ScriptedUser::caret(int32_t line, int32_t column) {
  Action a = make(Action::Kind::Caret);
  a.line = line;
  a.column = column;
  return act(std::move(a));
}
ScriptedUser& ScriptedUser::select(int32_t line, int32_t column, int32_t line2, int32_t column2) {
  Action a = make(Action::Kind::Select);
  a.line = line;
  a.column = column;
  a.line2 = line2;
  a.column2 = column2;
  return act(std::move(a));
}
ScriptedUser& ScriptedUser::mouse(int32_t line, int32_t column) {
  Action a = make(Action::Kind::Mouse);
  a.line = line;
  a.column = column;
  return act(std::move(a));
}
ScriptedUser& ScriptedUser::rightClick() { return act(make(Action::Kind::RightClick)); }
ScriptedUser& ScriptedUser::windowState(int32_t state, std::string form) {
  Action a = make(Action::Kind::WindowState, std::move(form));
  a.number = state;
  return act(std::move(a));
}
ScriptedUser& ScriptedUser::abandon() { return act(make(Action::Kind::Abandon)); }

void ScriptedUser::verifyDone() {
  if (queue_.empty()) return;
  std::string message =
      "The user still waits for " + std::to_string(queue_.size()) + " step(s); next: " + describe(queue_.front());
  Step keep = queue_.front();
  queue_.clear();
  (void)keep;
  fail(message);
}

std::string ScriptedUser::transcriptText() const {
  std::ostringstream out;
  for (const auto& line : transcript_) out << line << '\n';
  return out.str();
}

// --- Prompts ---------------------------------------------------------------

int32_t ScriptedUser::messageBox(const MessageBoxPrompt& prompt) {
  lastBox_ = prompt;
  std::string line = "MsgBox [" + prompt.title + "] " + quoted(prompt.text);
  auto step = take(Kind::MessageBox, prompt.title, prompt.text);
  int32_t answer = cancelAnswer(prompt);
  if (step) {
    auto offered = prompt.answers();
    if (std::find(offered.begin(), offered.end(), step->number) == offered.end()) {
      transcript_.push_back(line + " -> " + answerName(step->number));
      fail("The message box [" + prompt.title + "] " + quoted(prompt.text) + " has no button " +
           answerName(step->number));
      return answer;
    }
    answer = step->number;
  }
  transcript_.push_back(line + " -> " + answerName(answer));
  return answer;
}

std::optional<std::string> ScriptedUser::inputBox(const InputBoxPrompt& prompt) {
  auto step = take(Kind::InputBox, prompt.title, prompt.prompt);
  std::optional<std::string> answer = step ? step->textAnswer : std::nullopt;
  transcript_.push_back("InputBox [" + prompt.title + "] " + quoted(prompt.prompt) + " -> " + optText(answer));
  return answer;
}

std::optional<std::string> ScriptedUser::fileDialog(const FileDialogPrompt& prompt) {
  lastFile_ = prompt;
  auto step = take(Kind::FileDialog, prompt.title, prompt.fileName);
  std::optional<std::string> answer = step ? step->textAnswer : std::nullopt;
  transcript_.push_back(std::string(prompt.save ? "SaveDialog [" : "OpenDialog [") + prompt.title + "] " +
                        quoted(prompt.filter) + " -> " + optText(answer));
  return answer;
}

std::optional<PrintDialogAnswer> ScriptedUser::printDialog(const PrintDialogPrompt& prompt) {
  lastPrint_ = prompt;
  auto step = take(Kind::PrintDialog, {}, {});
  std::optional<PrintDialogAnswer> answer = step ? step->printAnswer : std::nullopt;
  transcript_.push_back(std::string("PrintDialog -> ") + (answer ? "OK" : "Cancel"));
  return answer;
}

std::optional<std::string> ScriptedUser::browseFolder(const FolderPrompt& prompt) {
  auto step = take(Kind::BrowseFolder, prompt.title, {});
  std::optional<std::string> answer = step ? step->textAnswer : std::nullopt;
  transcript_.push_back("BrowseFolder [" + prompt.title + "] -> " + optText(answer));
  return answer;
}

std::optional<std::string> ScriptedUser::find(const FindPrompt& prompt) {
  auto step = take(Kind::Find, prompt.title, {});
  std::optional<std::string> answer = step ? step->textAnswer : std::nullopt;
  transcript_.push_back("Find [" + prompt.title + "] -> " + optText(answer));
  return answer;
}

std::optional<ReplaceAnswer> ScriptedUser::replace(const FindPrompt& prompt) {
  auto step = take(Kind::Replace, prompt.title, {});
  std::optional<ReplaceAnswer> answer = step ? step->replaceAnswer : std::nullopt;
  transcript_.push_back(
      "Replace [" + prompt.title + "] -> " +
      (answer ? quoted(answer->find) + " with " + quoted(answer->replaceWith) + (answer->all ? " (all)" : "")
              : std::string("Cancel")));
  return answer;
}

std::optional<int32_t> ScriptedUser::gotoLine(const GotoPrompt& prompt) {
  auto step = take(Kind::GotoLine, {}, {});
  std::optional<int32_t> answer = step ? step->lineAnswer : std::nullopt;
  transcript_.push_back("GotoLine of " + std::to_string(prompt.lineCount) + " -> " +
                        (answer ? std::to_string(*answer) : std::string("Cancel")));
  return answer;
}

std::optional<std::string> ScriptedUser::popupMenu(const PopupPrompt& prompt) {
  lastPopup_ = prompt;
  auto step = take(Kind::PopupMenu, {}, prompt.popupId);
  std::optional<std::string> answer = step ? step->textAnswer : std::nullopt;
  if (answer && std::find(prompt.toolIds.begin(), prompt.toolIds.end(), *answer) == prompt.toolIds.end()) {
    transcript_.push_back("Popup " + prompt.popupId + " -> " + optText(answer));
    fail("The popup menu " + prompt.popupId + " has no tool " + *answer);
    return std::nullopt;
  }
  transcript_.push_back("Popup " + prompt.popupId + " -> " + optText(answer));
  return answer;
}

Action ScriptedUser::nextAction(const WaitContext& waiting) {
  if (queue_.empty()) {
    transcript_.push_back("Action Abandon (" + waiting.formName + " waits, nothing is queued)");
    return Action{};
  }
  const Step& front = queue_.front();
  if (front.kind != Kind::Action) {
    std::string message = waiting.formName + " waits for an action, but " + describe(front) + " has not come";
    fail(message);
    return Action{};
  }
  Action a = front.action;
  queue_.pop_front();
  transcript_.push_back("Action " + platform::ui::describe(a));
  return a;
}

void ScriptedUser::actionRefused(const Action& action, const std::string& why) {
  fail("The action " + platform::ui::describe(action) + " was refused: " + why);
}

}  // namespace platform::ui
