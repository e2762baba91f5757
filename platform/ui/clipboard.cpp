#include "platform/ui/clipboard.h"

#include <mutex>
#include <optional>

namespace platform::ui::clipboard {

namespace {
std::mutex g_mutex;
std::optional<std::string> g_text;
std::shared_ptr<Provider> g_provider;

std::shared_ptr<Provider> provider() {
  std::lock_guard lock(g_mutex);
  return g_provider;
}
}  // namespace

void setProvider(std::shared_ptr<Provider> p) {
  std::lock_guard lock(g_mutex);
  g_provider = std::move(p);
}

void Clear() {
  if (auto p = provider()) return p->clear();
  std::lock_guard lock(g_mutex);
  g_text.reset();
}

void SetText(const std::string& text) {
  if (auto p = provider()) return p->setText(text);
  std::lock_guard lock(g_mutex);
  g_text = text;
}

std::string GetText() {
  if (auto p = provider()) return p->text();
  std::lock_guard lock(g_mutex);
  return g_text.value_or(std::string());
}

bool HasText() {
  if (auto p = provider()) return p->hasText();
  std::lock_guard lock(g_mutex);
  return g_text.has_value();
}

}  // namespace platform::ui::clipboard
