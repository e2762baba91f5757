#include "platform/ui/control.h"

#include <atomic>

namespace platform::ui {

namespace {
std::optional<ContainedError>& lastError() {
  // Left to the thread's end on purpose: handlers may still run while
  // other thread state goes.
  thread_local auto* e = new std::optional<ContainedError>();
  return *e;
}
}  // namespace

bool runContained(std::string_view what, const std::function<void()>& handler, std::optional<RuntimeError>* kept) {
  if (!handler) return true;
  auto keep = [&](RuntimeError e) {
    if (kept) *kept = e;
    lastError() = ContainedError{std::string(what), std::move(e)};
  };
  try {
    handler();
    return true;
  } catch (const UncontainedFailure&) {
    throw;
  } catch (const RuntimeError& e) {
    keep(e);
  } catch (const std::exception& e) {
    keep(RuntimeError(51, std::string(what), e.what()));  // internal error
  }
  return false;
}

const std::optional<ContainedError>& lastContainedError() { return lastError(); }
void clearLastContainedError() { lastError().reset(); }

namespace {
std::atomic<long> g_livingControls{0};
}  // namespace

Control::Control(std::string name, int32_t index) : name_(std::move(name)), index_(index) { ++g_livingControls; }

Control::~Control() { --g_livingControls; }

long livingControls() { return g_livingControls.load(); }

std::string Control::fullName() const { return hasIndex() ? name_ + "(" + std::to_string(index_) + ")" : name_; }

bool Control::typeText(const std::string&) { return false; }
bool Control::pasteText(const std::string& text) {
  std::string line;
  line.reserve(text.size());
  for (char c : text)
    if (c == '\t')
      line += ' ';
    else if (c != '\r' && c != '\n')
      line += c;
  return line.empty() || typeText(line);
}
bool Control::pressKey(const std::string&) { return false; }
bool Control::click() { return false; }
bool Control::setValueText(const std::string&) { return false; }
bool Control::pick(const std::string&) { return false; }
bool Control::toolClick(const std::string&) { return false; }
bool Control::rightClick() { return false; }
bool Control::caret(int32_t, int32_t) { return false; }
bool Control::select(int32_t, int32_t, int32_t, int32_t) { return false; }
bool Control::mouse(int32_t, int32_t) { return false; }

bool Control::fireEvent(std::string_view eventName, const std::function<void()>& handler) {
  if (!handler) return true;
  auto self = weak_from_this().lock();  // alive while the handler runs
  auto owner = formShared();
  return runContained(fullName() + "." + std::string(eventName), handler, &lastEventError_);
}

}  // namespace platform::ui
