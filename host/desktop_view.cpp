#include "host/desktop_view.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "platform/controls/code_editor.h"
#include "platform/controls/code_editor_render.h"
#include "platform/controls/status_bar.h"
#include "platform/controls/toolbar.h"
#include "platform/ui/form.h"
#include "platform/ui/timer.h"

namespace kestrin_host {

using platform::controls::CodeEditor;
using platform::controls::StatusBar;
using platform::controls::Toolbar;
using platform::ui::Control;
using platform::ui::Form;

CodeEditor* codeEditorOf(Control& control) {
  // The code editor on a form is both a control and the editor itself.
  return dynamic_cast<CodeEditor*>(&control);
}

CodeEditor* mainCodeEditor() {
  auto form = platform::ui::findForm(kMainForm);
  if (!form) return nullptr;
  if (auto c = form->findControl(kCodeEditorName))
    if (auto* e = codeEditorOf(*c)) return e;
  for (auto& c : form->controls())
    if (auto* e = codeEditorOf(*c)) return e;
  return nullptr;
}

StatusBar* mainStatusBar() {
  auto form = platform::ui::findForm(kMainForm);
  if (!form) return nullptr;
  if (auto c = form->findControl(kStatusBarName))
    if (auto* s = dynamic_cast<StatusBar*>(c.get())) return s;
  for (auto& c : form->controls())
    if (auto* s = dynamic_cast<StatusBar*>(c.get())) return s;
  return nullptr;
}

namespace {

bool sameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

const char* boolText(bool b) { return b ? "True" : "False"; }

std::string controlValue(const Control& c) {
  if (auto* t = dynamic_cast<const platform::ui::Timer*>(&c)) return boolText(t->timerEnabled());
  return c.valueText();
}

}  // namespace

std::optional<std::string> formValue(const std::string& formName, const std::string& name,
                                     std::string* why) {
  auto form = platform::ui::findForm(formName);
  if (!form) {
    if (why) *why = "no form " + formName + " is loaded";
    return std::nullopt;
  }
  if (sameName(name, "Tag")) return form->tag();
  if (sameName(name, "Caption")) return form->caption();
  if (sameName(name, "Name")) return form->name();
  if (sameName(name, "Visible")) return std::string(boolText(form->visible()));
  if (sameName(name, "WindowState")) return std::to_string(form->windowState());
  for (const auto& p : form->propertyNames())
    if (sameName(p, name)) {
      try {
        return form->property(p);
      } catch (const std::exception& e) {
        if (why) *why = formName + "." + name + " cannot be read: " + e.what();
        return std::nullopt;
      }
    }
  if (auto c = form->findControl(name)) return controlValue(*c);
  if (why) *why = formName + " has no property or control " + name;
  return std::nullopt;
}

int32_t colourAt(const CodeEditor& editor, int32_t line, int32_t column) {
  using platform::controls::TokenKind;
  namespace ci = platform::controls::color_index;
  int32_t index = ci::Text;
  for (const auto& t : editor.lineTokens(line)) {
    if (column >= static_cast<int32_t>(t.start) && column < static_cast<int32_t>(t.start + t.length)) {
      switch (t.kind) {
        case TokenKind::Text: index = ci::Text; break;
        case TokenKind::Keyword: index = ci::Keyword; break;
        case TokenKind::Operator: index = ci::Operator; break;
        case TokenKind::Number: index = ci::Number; break;
        case TokenKind::String: index = ci::String; break;
        case TokenKind::Comment: index = ci::Comment; break;
        case TokenKind::Constant: index = ci::Constant; break;
        case TokenKind::ScopeKeyword: index = ci::ScopeKeyword; break;
      }
      break;
    }
  }
  return editor.color(index);
}

namespace {

std::string menuBar(const Form& form) {
  for (auto& c : form.controls()) {
    auto* bar = dynamic_cast<const Toolbar*>(c.get());
    if (!bar) continue;
    for (const auto& b : bar->layout().bars) {
      if (!b.menu) continue;
      std::string line;
      for (const auto& id : b.items) {
        const auto* t = bar->findTool(id);
        if (!t || !t->visible) continue;
        line += (line.empty() ? "" : "  ") + t->plainCaption();
      }
      return line;
    }
  }
  return {};
}

}  // namespace

std::string renderActiveWindow(bool colour, int32_t rows) {
  auto form = platform::ui::activeForm();
  if (!form) form = platform::ui::findForm(kMainForm);
  if (!form) return "(no window of the editor is open)\n";
  std::ostringstream out;
  const std::string bold = colour ? "\x1b[1m" : "", reset = colour ? "\x1b[0m" : "";
  out << bold << "== " << form->caption() << " ==" << reset << "  (" << form->name() << ")\n";
  CodeEditor* editor = nullptr;
  for (auto& c : form->controls())
    if ((editor = codeEditorOf(*c))) break;
  if (editor) {
    std::string menu = menuBar(*form);
    if (!menu.empty()) out << menu << "\n";
    platform::controls::TerminalRenderOptions options;
    options.colour = colour;
    options.height = rows;
    if (const char* cols = std::getenv("COLUMNS"); cols && std::atoi(cols) > 20) options.width = std::atoi(cols);
    out << platform::controls::renderTerminal(*editor, options);
    for (auto& c : form->controls())
      if (auto* s = dynamic_cast<const StatusBar*>(c.get())) out << "[" << s->valueText() << "]\n";
    return out.str();
  }
  for (auto& c : form->controls()) {
    if (!c->visible()) continue;
    out << "  " << c->fullName() << " (" << c->typeName() << ")";
    std::string v = controlValue(*c);
    if (!v.empty()) out << ": " << v;
    if (!c->enabled()) out << " [disabled]";
    if (c->hasFocus()) out << " [focus]";
    out << "\n";
  }
  return out.str();
}

}  // namespace kestrin_host
