// The scenario player: plays a scenario file's commands as the user of the
// desktop and ends with the summary line.
#pragma once

#include <vector>

#include "host/session.h"

namespace kestrin_host {

class ScenarioPlayer : public Session {
 public:
  ScenarioPlayer(std::ostream& out, EditorLink& link, std::map<std::string, std::string> vars,
                 std::vector<Command> commands);

  // Plays every command, closes an editor that is still open, and writes
  // "N passed, M failed". Returns the exit status: 0 when nothing failed,
  // 1 otherwise.
  int play();

 protected:
  std::optional<Command> nextCommand(const platform::ui::WaitContext* waiting) override;
  std::optional<std::string> popupPick(const platform::ui::PopupPrompt& prompt) override;

 private:
  std::vector<Command> commands_;
  size_t next_ = 0;
};

}  // namespace kestrin_host
