#include "host/player.h"

#include <algorithm>

#include "platform/ui/form.h"

namespace kestrin_host {

ScenarioPlayer::ScenarioPlayer(std::ostream& out, EditorLink& link, std::map<std::string, std::string> vars,
                               std::vector<Command> commands)
    : Session(out, link, std::move(vars)), commands_(std::move(commands)) {}

std::optional<Command> ScenarioPlayer::nextCommand(const platform::ui::WaitContext*) {
  if (next_ >= commands_.size()) return std::nullopt;
  return commands_[next_++];
}

std::optional<std::string> ScenarioPlayer::popupPick(const platform::ui::PopupPrompt& prompt) {
  if (next_ >= commands_.size()) return std::nullopt;
  const Command& c = commands_[next_];
  if (c.verb != "tool") return std::nullopt;
  if (std::find(prompt.toolIds.begin(), prompt.toolIds.end(), c.texts[0]) == prompt.toolIds.end()) return std::nullopt;
  ++next_;
  say(std::to_string(c.line) + ": " + c.source);
  lastTaken_ = c;
  return c.texts[0];
}

int ScenarioPlayer::play() {
  runTopLevel();
  settleRefusal();
  // A window of the editor still open at the end (a modeless one, or one
  // whose loop was left) is closed by the host.
  if (!platform::ui::forms().empty() && !ending()) {
    std::string names;
    for (auto& f : platform::ui::forms()) names += (names.empty() ? "" : ", ") + f->name();
    error(nullptr, "the scenario ended while windows of the editor are loaded: " + names);
    endEditor("the scenario has ended");
  }
  for (const auto& a : queuedAnswers()) error(&a, "the answer was never used: " + a.source);
  say(std::to_string(passed()) + " passed, " + std::to_string(failed()) + " failed");
  return failed() == 0 && errors() == 0 ? 0 : 1;
}

}  // namespace kestrin_host
