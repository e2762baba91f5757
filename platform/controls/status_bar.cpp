#include "platform/controls/status_bar.h"

#include "platform/controls/control_files.h"
#include "platform/runtime/datetime.h"
#include "platform/runtime/errors.h"

namespace platform::controls {

namespace {
const char* const kSource = "StatusBar";
}

std::string StatusPanel::text() const {
  switch (style_) {
    case PanelStyle::Date: return shortDateText(now());
    case PanelStyle::Time: return shortTimeText(now());
    case PanelStyle::Text: break;
  }
  return text_;
}

StatusBar::StatusBar(std::string name) : ui::Control(std::move(name)) {}

StatusPanel& StatusBar::add(std::string key, std::string text, PanelStyle style) {
  if (!key.empty() && hasPanel(key)) raise(kKeyNotUnique, kSource, "Key is not unique in collection");
  panels_.push_back(std::make_unique<StatusPanel>(std::move(key), std::move(text), style));
  return *panels_.back();
}

StatusPanel& StatusBar::panel(const std::string& key) {
  if (!key.empty())
    for (auto& p : panels_)
      if (p->key() == key) return *p;
  raiseElementNotFound(kSource);
}

StatusPanel& StatusBar::panel(int32_t position) {
  if (position < 1 || position > count()) raiseIndexOutOfBounds(kSource);
  return *panels_[static_cast<size_t>(position - 1)];
}

bool StatusBar::hasPanel(const std::string& key) const {
  for (const auto& p : panels_)
    if (p->key() == key) return true;
  return false;
}

std::string StatusBar::valueText() const {
  std::string out;
  for (const auto& p : panels_) {
    if (!out.empty()) out += " | ";
    out += p->text();
  }
  return out;
}

}  // namespace platform::controls
