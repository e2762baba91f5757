#include "host/inspect.h"

#include <cstdio>
#include <cstdlib>

#include "host/desktop_view.h"
#include "platform/controls/code_editor.h"
#include "platform/controls/standard_controls.h"
#include "platform/controls/toolbar.h"
#include "platform/runtime/strings.h"
#include "platform/ui/form.h"

namespace kestrin_host {

namespace pc = platform::controls;

namespace {

bool same(const std::string& a, const char* b) { return platform::equalsAsciiNoCase(a, b); }

std::string flag(bool b) { return b ? "True" : "False"; }

std::optional<std::string> captionOf(const platform::ui::Control& c) {
  if (auto* x = dynamic_cast<const pc::CommandButton*>(&c)) return x->caption();
  if (auto* x = dynamic_cast<const pc::CheckBox*>(&c)) return x->caption();
  if (auto* x = dynamic_cast<const pc::OptionButton*>(&c)) return x->caption();
  if (auto* x = dynamic_cast<const pc::Label*>(&c)) return x->caption();
  if (auto* x = dynamic_cast<const pc::Frame*>(&c)) return x->caption();
  return std::nullopt;
}

}  // namespace

std::optional<std::string> controlProperty(const std::string& formName, const std::string& controlName,
                                           const std::string& property, std::string* why) {
  auto form = platform::ui::findForm(formName);
  if (!form) {
    *why = "no form " + formName + " is loaded";
    return std::nullopt;
  }
  auto control = form->findControl(controlName);
  if (!control) {
    *why = formName + " has no control " + controlName;
    return std::nullopt;
  }
  const std::string kind = control->typeName();
  auto lacks = [&]() -> std::optional<std::string> {
    *why = "the " + kind + " " + controlName + " has no property " + property;
    return std::nullopt;
  };
  if (same(property, "Enabled")) return flag(control->enabled());
  if (same(property, "Visible")) return flag(control->visible());
  if (same(property, "Caption")) {
    if (auto c = captionOf(*control)) return c;
    return lacks();
  }
  if (same(property, "Default") || same(property, "Cancel")) {
    auto* button = dynamic_cast<const pc::CommandButton*>(control.get());
    if (!button) return lacks();
    return flag(same(property, "Default") ? button->isDefault() : button->cancel());
  }
  auto* standard = dynamic_cast<const pc::StandardControl*>(control.get());
  if (same(property, "FontName") || same(property, "FontSize") || same(property, "FontBold")) {
    if (!standard) return lacks();
    const auto& f = standard->font();
    if (same(property, "FontName")) return f.name;
    if (same(property, "FontBold")) return flag(f.bold);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(f.size));
    return std::string(buf);
  }
  auto* combo = dynamic_cast<const pc::ComboBox*>(control.get());
  if (same(property, "ListCount")) {
    if (!combo) return lacks();
    return std::to_string(combo->listCount());
  }
  if (property.size() > 6 && same(property.substr(0, 5), "List(") && property.back() == ')') {
    if (!combo) return lacks();
    const std::string n = property.substr(5, property.size() - 6);
    char* end = nullptr;
    const long i = std::strtol(n.c_str(), &end, 10);
    if (n.empty() || *end || i < 0) {
      *why = "List takes a position from 0, not " + n;
      return std::nullopt;
    }
    if (i >= combo->listCount()) {
      *why = controlName + " has " + std::to_string(combo->listCount()) + " entries";
      return std::nullopt;
    }
    return combo->list(static_cast<int32_t>(i));
  }
  *why =
      "a control's property is Caption, Enabled, Visible, Default, Cancel, FontName, FontSize, FontBold, "
      "ListCount or List(N), not " +
      property;
  return std::nullopt;
}

std::optional<std::string> formPlacement(const std::string& formName, const std::string& property, std::string* why) {
  const bool placement =
      same(property, "Left") || same(property, "Top") || same(property, "Width") || same(property, "Height");
  if (!placement) return std::nullopt;
  auto form = platform::ui::findForm(formName);
  if (!form) {
    *why = "no form " + formName + " is loaded";
    return std::nullopt;
  }
  if (same(property, "Left")) return std::to_string(form->left());
  if (same(property, "Top")) return std::to_string(form->top());
  if (same(property, "Width")) return std::to_string(form->width());
  return std::to_string(form->height());
}

std::optional<std::string> toolState(const std::string& id, const std::string& part, std::string* why) {
  auto form = platform::ui::findForm(kMainForm);
  if (!form) {
    *why = "the main window is not loaded";
    return std::nullopt;
  }
  for (const auto& c : form->controls()) {
    auto* bar = dynamic_cast<const pc::Toolbar*>(c.get());
    if (!bar) continue;
    const pc::Tool* tool = bar->findTool(id);
    if (!tool) {
      *why = "the main window's toolbar has no tool " + id;
      return std::nullopt;
    }
    if (part == "caption") return tool->caption;
    return flag(part == "enabled" ? tool->enabled : tool->visible);
  }
  *why = "the main window has no toolbar";
  return std::nullopt;
}

std::optional<CompletionView> completionView(std::string* why) {
  auto* editor = mainCodeEditor();
  if (!editor) {
    *why = "the main window's code editor is not there";
    return std::nullopt;
  }
  CompletionView view;
  view.open = editor->completionListOpen();
  if (auto* list = editor->completionList()) {
    for (const auto& item : list->items()) view.entries.push_back(item.text + ":" + std::to_string(item.image));
    if (list->selectedItem() >= 0 && list->selectedItem() < list->itemCount())
      view.selected = list->items()[static_cast<size_t>(list->selectedItem())].text;
  }
  return view;
}

std::optional<TipView> tipView(std::string* why, bool* editorThere) {
  auto* editor = mainCodeEditor();
  *editorThere = editor != nullptr;
  if (!editor) {
    *why = "the main window's code editor is not there";
    return std::nullopt;
  }
  auto* tip = editor->tip();
  if (!editor->tipShown() || !tip || tip->destroyed()) return std::nullopt;
  return TipView{tip->text(), tip->argument() + 1};
}

}  // namespace kestrin_host
