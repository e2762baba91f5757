#include "platform/ui/clipboard.h"

#include <mutex>
#include <optional>

namespace platform::ui::clipboard {

namespace {
std::mutex g_mutex;
std::optional<std::string> g_text;
}  // namespace

void Clear() {
  std::lock_guard lock(g_mutex);
  g_text.reset();
}

void SetText(const std::string& text) {
  std::lock_guard lock(g_mutex);
  g_text = text;
}

std::string GetText() {
  std::lock_guard lock(g_mutex);
  return g_text.value_or(std::string());
}

bool HasText() {
  std::lock_guard lock(g_mutex);
  return g_text.has_value();
}

}  // namespace platform::ui::clipboard
