// Helpers of the code editor's tests: an event sink that writes down what
// it hears, and a desktop of its own (clipboard and user).
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/controls/code_editor.h"
#include "platform/ui/user.h"

namespace ce_test {

using namespace platform::controls;

// Answers the editor's prompts from queues; anything else is a cancel.
class PromptUser : public platform::ui::User {
 public:
  std::deque<std::optional<std::string>> finds;
  std::deque<std::optional<platform::ui::ReplaceAnswer>> replaces;
  std::deque<std::optional<int32_t>> gotos;
  std::deque<std::optional<std::string>> popups;
  std::vector<std::string> asked;
  std::vector<platform::ui::PrintReport> printReports;

  int32_t messageBox(const platform::ui::MessageBoxPrompt& p) override {
    asked.push_back("box:" + p.text);
    return platform::ui::mb::Cancel;
  }
  void printed(const platform::ui::PrintReport& report) override { printReports.push_back(report); }
  std::optional<std::string> inputBox(const platform::ui::InputBoxPrompt&) override { return {}; }
  std::optional<std::string> fileDialog(const platform::ui::FileDialogPrompt&) override { return {}; }
  std::optional<platform::ui::PrintDialogAnswer> printDialog(const platform::ui::PrintDialogPrompt&) override {
    return {};
  }
  std::optional<std::string> browseFolder(const platform::ui::FolderPrompt&) override { return {}; }
  std::optional<std::string> find(const platform::ui::FindPrompt& p) override {
    asked.push_back("find:" + p.defaultText);
    return take(finds);
  }
  std::optional<platform::ui::ReplaceAnswer> replace(const platform::ui::FindPrompt& p) override {
    asked.push_back("replace:" + p.defaultText);
    return take(replaces);
  }
  std::optional<int32_t> gotoLine(const platform::ui::GotoPrompt& p) override {
    asked.push_back("goto:" + std::to_string(p.lineCount));
    return take(gotos);
  }
  std::optional<std::string> popupMenu(const platform::ui::PopupPrompt& p) override {
    asked.push_back("popup:" + p.popupId);
    return take(popups);
  }
  platform::ui::Action nextAction(const platform::ui::WaitContext&) override { return {}; }

 private:
  template <class T>
  static std::optional<T> take(std::deque<std::optional<T>>& q) {
    if (q.empty()) return std::nullopt;
    auto v = q.front();
    q.pop_front();
    return v;
  }
};

class TestHost : public CodeEditorHost {
 public:
  std::string clipboard;
  PromptUser prompts;
  std::string clipboardText() override { return clipboard; }
  void setClipboardText(const std::string& text) override { clipboard = text; }
  platform::ui::User* user() override { return &prompts; }
};

// Writes down every event; the answers and actions can be set per event.
class Recorder : public CodeEditorEvents {
 public:
  std::vector<std::string> log;
  bool dropKeyDown = false;
  bool listShowAnswer = true;
  std::vector<std::string> listWords;
  int32_t tipKindAnswer = 4;
  std::string tipText = "DrawLine(x1, y1, x2, y2)";
  std::function<void(CodeEditor&)> onKeyDown, onKeyPress, onTipShow, onTipUpdate;
  bool rightClickAnswer = true;

  void clear() { log.clear(); }
  std::string joined() const {
    std::string s;
    for (const auto& e : log) s += (s.empty() ? "" : " | ") + e;
    return s;
  }

  void selectionChange(CodeEditor&) override { log.push_back("SelChange"); }
  void textChange(CodeEditor&) override { log.push_back("Change"); }
  void tipDismissed(CodeEditor&) override { log.push_back("TipDismissed"); }
  bool tipCancel(CodeEditor&) override {
    log.push_back("TipCancel");
    return false;
  }
  bool rightClick(CodeEditor&) override {
    log.push_back("RightClick");
    return rightClickAnswer;
  }
  bool keyDown(CodeEditor& e, int32_t k, int32_t s) override {
    log.push_back("KeyDown " + std::to_string(k) + (s ? "/" + std::to_string(s) : ""));
    if (onKeyDown) onKeyDown(e);
    return dropKeyDown;
  }
  bool keyUp(CodeEditor&, int32_t k, int32_t) override {
    log.push_back("KeyUp " + std::to_string(k));
    return false;
  }
  bool keyPress(CodeEditor& e, int32_t c, int32_t) override {
    log.push_back("KeyPress " + std::to_string(c));
    if (onKeyPress) onKeyPress(e);
    return false;
  }
  bool mouseDown(CodeEditor&, int32_t, int32_t, int32_t x, int32_t y) override {
    log.push_back("MouseDown " + std::to_string(y) + "," + std::to_string(x));
    return false;
  }
  bool mouseUp(CodeEditor&, int32_t, int32_t, int32_t, int32_t) override {
    log.push_back("MouseUp");
    return false;
  }
  bool completionListShow(CodeEditor&, CompletionList& list) override {
    log.push_back("ListShow");
    list.clearItems();
    for (const auto& w : listWords) list.addItem(w, 3, w + "(...)");
    list.setImageMode(1);
    return listShowAnswer;
  }
  bool completionListPick(CodeEditor&, CompletionList& list) override {
    log.push_back("ListPick " + (list.selectedItem() >= 0 ? list.itemText(list.selectedItem()) : std::string("-")));
    return false;
  }
  bool completionListMark(CodeEditor&, CompletionList&) override {
    log.push_back("ListMark");
    return false;
  }
  bool completionListKey(CodeEditor&, CompletionList&, int32_t k, int32_t) override {
    log.push_back("ListKey " + std::to_string(k));
    return false;
  }
  int32_t tipKind(CodeEditor& e) override {
    log.push_back("TipKind token " + std::to_string(e.currentToken()));
    return e.currentToken() == 1 || e.currentToken() == 255 ? tipKindAnswer : 0;
  }
  void tipUpdate(CodeEditor& e, ArgumentTip& tip) override {
    log.push_back("TipUpdate");
    if (onTipUpdate) onTipUpdate(e);
    (void)tip;
  }
  bool completionListWord(CodeEditor&, CompletionList&, int32_t i) override {
    log.push_back("ListWord " + std::to_string(i));
    return true;
  }
  std::string completionListSelChange(CodeEditor&, CompletionList& list, int32_t i) override {
    log.push_back("ListSelChange " + list.itemText(i));
    return {};
  }
  void tipShow(CodeEditor& e, ArgumentTip& tip) override {
    log.push_back("TipShow col " + std::to_string(e.getSel(true).endColumn));
    tip.setText(tipText);
    if (onTipShow) onTipShow(e);
  }
  void gotFocus(CodeEditor&) override { log.push_back("GotFocus"); }
};

// An editor with a host and a recorder, and the text given.
struct Fixture {
  TestHost host;
  Recorder events;
  CodeEditor editor;
  explicit Fixture(std::string_view text = {}) {
    editor.setHost(&host);
    editor.setEventSink(&events);
    editor.setText(text);
  }
};

}  // namespace ce_test
