#include "platform/ui/emergency.h"

#include <mutex>
#include <utility>

namespace platform::ui {
namespace {

std::mutex& emergencyMutex() {
  static std::mutex m;
  return m;
}
std::function<void()>& emergencyWriter() {
  static std::function<void()> writer;
  return writer;
}

}  // namespace

void setEmergencySave(std::function<void()> writer) {
  std::lock_guard lock(emergencyMutex());
  emergencyWriter() = std::move(writer);
}

bool emergencySaveSet() {
  std::lock_guard lock(emergencyMutex());
  return static_cast<bool>(emergencyWriter());
}

void runEmergencySave() noexcept {
  std::function<void()> writer;
  {
    std::lock_guard lock(emergencyMutex());
    writer = std::exchange(emergencyWriter(), nullptr);
  }
  if (!writer) return;
  try {
    writer();
  } catch (...) {
  }
}

}  // namespace platform::ui
