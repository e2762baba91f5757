#include "host/desktop_view.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "platform/controls/code_editor.h"
#include "platform/controls/status_bar.h"
#include "platform/controls/toolbar.h"
#include "platform/terminal/desktop_draw.h"
#include "platform/ui/form.h"
#include "platform/ui/timer.h"
#include "platform/ui/visible_text.h"

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
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

const char* boolText(bool b) { return b ? "True" : "False"; }

std::string controlValue(const Control& c) {
  if (auto* t = dynamic_cast<const platform::ui::Timer*>(&c)) return boolText(t->timerEnabled());
  return c.valueText();
}

}  // namespace

std::optional<std::string> formValue(const std::string& formName, const std::string& name, std::string* why) {
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

// A row of the grid as terminal text: the cells' characters (already made
// visible) and, with colour, their colours and attributes as SGR codes.
std::string rowOf(const platform::terminal::Grid& g, int32_t y, bool colour) {
  namespace pt = platform::terminal;
  std::string out;
  std::string last;
  int32_t end = g.width();
  while (end > 0 && g.at(end - 1, y).text == " " && g.at(end - 1, y).style == pt::Style{}) --end;
  for (int32_t x = 0; x < end; ++x) {
    const auto& c = g.at(x, y);
    if (colour) {
      std::string code = "\x1b[0";
      if (c.style.attrs & pt::attr::Bold) code += ";1";
      if (c.style.attrs & pt::attr::Dim) code += ";2";
      if (c.style.attrs & pt::attr::Italic) code += ";3";
      if (c.style.attrs & pt::attr::Underline) code += ";4";
      if (c.style.attrs & pt::attr::Reverse) code += ";7";
      auto rgb = [&](uint32_t v, const char* which) {
        if (v == pt::kDefault) return;
        code += std::string(";") + which + ";2;" + std::to_string(v & 0xFF) + ";" + std::to_string((v >> 8) & 0xFF) +
                ";" + std::to_string((v >> 16) & 0xFF);
      };
      rgb(c.style.fg, "38");
      rgb(c.style.bg, "48");
      code += "m";
      if (code != last) out += code;
      last = code;
    }
    out += c.text;
  }
  if (colour && !last.empty()) out += "\x1b[0m";
  return out;
}

}  // namespace

std::string renderActiveWindow(bool colour, int32_t rows) {
  auto form = platform::ui::activeForm();
  if (!form) form = platform::ui::findForm(kMainForm);
  if (!form) return "(no window of the editor is open)\n";
  std::ostringstream out;
  const std::string bold = colour ? "\x1b[1m" : "", reset = colour ? "\x1b[0m" : "";
  out << bold << "== " << platform::ui::visibleText(form->caption()) << " ==" << reset << "  (" << form->name()
      << ")\n";
  // The windows as the terminal desktop draws them, one drawing for both.
  int32_t width = 100;
  if (const char* cols = std::getenv("COLUMNS"); cols && std::atoi(cols) >= platform::terminal::kMinWidth)
    width = std::min(std::atoi(cols), 400);
  platform::terminal::Grid grid(width, std::max(platform::terminal::kMinHeight, rows + 12));
  platform::terminal::DesktopView view;
  view.useColour = colour;
  std::vector<platform::terminal::Hit> hits;
  platform::terminal::drawDesktop(grid, view, hits);
  int32_t last = grid.height();
  while (last > 0 && grid.rowText(last - 1).empty()) --last;
  for (int32_t y = 0; y < last; ++y) out << rowOf(grid, y, colour) << "\n";
  // A dialog's controls by the names that the commands give them.
  if (!platform::terminal::isMainWindow(*form)) {
    for (auto& c : form->controls()) {
      if (!c->visible()) continue;
      out << "  " << c->fullName() << " (" << c->typeName() << ")";
      std::string v = controlValue(*c);
      if (!v.empty()) out << ": " << platform::ui::visibleText(v);
      if (!c->enabled()) out << " [disabled]";
      if (c->hasFocus()) out << " [focus]";
      out << "\n";
    }
  }
  return out.str();
}

}  // namespace kestrin_host
