#include "platform/ui/user.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <mutex>

#include "platform/ui/desktops.h"

namespace platform::ui {

std::vector<int32_t> MessageBoxPrompt::answers() const {
  switch (buttons) {
    case mb::OKCancel: return {mb::OK, mb::Cancel};
    case mb::AbortRetryIgnore: return {mb::Abort, mb::Retry, mb::Ignore};
    case mb::YesNoCancel: return {mb::Yes, mb::No, mb::Cancel};
    case mb::YesNo: return {mb::Yes, mb::No};
    case mb::RetryCancel: return {mb::Retry, mb::Cancel};
    default: return {mb::OK};
  }
}

std::string describe(const Action& a) {
  auto onForm = [&](std::string s) {
    if (!a.form.empty()) s += " on " + a.form;
    return s;
  };
  using K = Action::Kind;
  switch (a.kind) {
    case K::ToolClick: return "ToolClick " + a.text;
    case K::TypeText: return "TypeText \"" + a.text + "\"";
    case K::Paste: return "Paste " + std::to_string(a.text.size()) + " bytes";
    case K::Key: return "Key " + a.text;
    case K::Click: return onForm("Click " + a.control);
    case K::SetValue: return onForm("SetValue " + a.control + " = \"" + a.text + "\"");
    case K::Pick: return onForm("Pick " + a.control + " \"" + a.text + "\"");
    case K::Focus: return onForm("Focus " + a.control);
    case K::Close: return a.form.empty() ? "Close" : "Close " + a.form;
    case K::Wait: return "Wait " + std::to_string(a.millis) + " ms";
    case K::Caret: return "Caret " + std::to_string(a.line) + "," + std::to_string(a.column);
    case K::Select:
      return "Select " + std::to_string(a.line) + "," + std::to_string(a.column) + " to " + std::to_string(a.line2) +
             "," + std::to_string(a.column2);
    case K::Mouse: return "Mouse " + std::to_string(a.line) + "," + std::to_string(a.column);
    case K::RightClick: return "RightClick";
    case K::WindowState: return onForm("WindowState " + std::to_string(a.number));
    case K::Abandon: return "Abandon";
  }
  return "Action";
}

namespace {

// Nobody is there: every prompt gets its Cancel (or last) button, every
// dialog is cancelled and every loop abandoned.
class AbsentUser final : public User {
 public:
  int32_t messageBox(const MessageBoxPrompt& prompt) override {
    auto answers = prompt.answers();
    for (int32_t a : answers)
      if (a == mb::Cancel) return a;
    return answers.back();
  }
  std::optional<std::string> inputBox(const InputBoxPrompt&) override { return std::nullopt; }
  std::optional<std::string> fileDialog(const FileDialogPrompt&) override { return std::nullopt; }
  std::optional<PrintDialogAnswer> printDialog(const PrintDialogPrompt&) override { return std::nullopt; }
  std::optional<std::string> browseFolder(const FolderPrompt&) override { return std::nullopt; }
  std::optional<std::string> find(const FindPrompt&) override { return std::nullopt; }
  std::optional<ReplaceAnswer> replace(const FindPrompt&) override { return std::nullopt; }
  std::optional<int32_t> gotoLine(const GotoPrompt&) override { return std::nullopt; }
  std::optional<std::string> popupMenu(const PopupPrompt&) override { return std::nullopt; }
  Action nextAction(const WaitContext&) override { return Action{}; }
};

std::shared_ptr<User>& slot() {
  thread_local std::shared_ptr<User> user;
  return user;
}

// The desktop the default choice opened on this thread; kept when a host
// installs and removes users of its own, so that it opens only once.
std::shared_ptr<User>& defaultSlot() {
  thread_local std::shared_ptr<User> user;
  return user;
}

struct Registry {
  std::mutex mutex;
  std::vector<DesktopFactory> factories;  // highest priority first
};

Registry& registry() {
  static Registry* r = new Registry;  // lives on while other statics go
  return *r;
}

}  // namespace

void registerDesktop(DesktopFactory factory) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  std::erase_if(r.factories, [&](const DesktopFactory& f) { return f.name == factory.name; });
  auto at = std::find_if(r.factories.begin(), r.factories.end(),
                         [&](const DesktopFactory& f) { return f.priority < factory.priority; });
  r.factories.insert(at, std::move(factory));
}

std::vector<std::string> registeredDesktops() {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  std::vector<std::string> names;
  for (const auto& f : r.factories) names.push_back(f.name);
  return names;
}

std::shared_ptr<User> openDefaultUser(std::string* why) {
  auto absent = [&](std::string reason) -> std::shared_ptr<User> {
    if (why) *why = std::move(reason);
    return std::make_shared<AbsentUser>();
  };
  const char* env = std::getenv("KESTRIN_DESKTOP");
  const std::string wanted = env ? env : "";
  if (wanted == "off") return absent("KESTRIN_DESKTOP=off");
  std::vector<DesktopFactory> candidates;
  {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    candidates = r.factories;
  }
  const bool any = wanted.empty() || wanted == "auto";
  std::string reasons;
  for (const auto& f : candidates) {
    if (!any && f.name != wanted) continue;
    std::string reason;
    if (f.available && !f.available(&reason)) {
      reasons += (reasons.empty() ? "" : "; ") + f.name + ": " + reason;
      continue;
    }
    try {
      if (auto user = f.open ? f.open() : nullptr) return user;
      reasons += (reasons.empty() ? "" : "; ") + f.name + ": it did not open";
    } catch (const std::exception& e) {
      reasons += (reasons.empty() ? "" : "; ") + f.name + ": " + e.what();
    }
  }
  if (!any && reasons.empty()) return absent("there is no desktop named " + wanted);
  return absent(reasons.empty() ? "no desktop is available" : reasons);
}

std::shared_ptr<User> currentUserShared() {
  auto& s = slot();
  if (s) return s;
  auto& d = defaultSlot();
  if (!d) {
    std::string why;
    d = openDefaultUser(&why);
    const char* env = std::getenv("KESTRIN_DESKTOP");
    if (!why.empty() && !(env && std::string(env) == "off"))
      std::cerr << "The editor's windows cannot be shown (" << why << ").\n";
  }
  return d;
}

User& currentUser() { return *currentUserShared(); }

void setCurrentUser(std::shared_ptr<User> user) { slot() = std::move(user); }

void closeDefaultUser() { defaultSlot().reset(); }

}  // namespace platform::ui
