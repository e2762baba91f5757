// The console user: the scenario commands typed at a prompt. After each
// action it draws the active window; a prompt is drawn and answered at
// once by the person's typed answer. It reads any stream, so it works the
// same when standard input is no terminal (then without colour).
#pragma once

#include <iosfwd>

#include "host/session.h"

namespace kestrin_host {

class ConsoleUser : public Session {
 public:
  ConsoleUser(std::istream& in, std::ostream& out, EditorLink& link, std::map<std::string, std::string> vars,
              bool colour);

  // Calls RunEditor with the argument (or none), then reads commands until
  // quit or the end of the input. Returns 0, or 1 when a call could not be
  // made.
  int run(const std::optional<std::string>& argument);

 protected:
  std::optional<Command> nextCommand(const platform::ui::WaitContext* waiting) override;
  std::optional<Command> unanswered(const std::string& kind, const std::string& quoted) override;
  void commandsRanOut(const platform::ui::WaitContext& waiting) override;
  void consoleCommand(const Command& command) override;

 private:
  bool readLine(const char* prompt, std::string* line);
  void draw();

  std::istream& in_;
  bool colour_;
  bool quitting_ = false;
  bool redraw_ = true;
  bool inputEnded_ = false;
  int lineNumber_ = 0;
};

// Reads a person's typed answer to a prompt of `kind` ("msgbox", "input",
// "open", ...): a button name, a text, a path, a number, or the bare word
// cancel. Nothing when the text is no answer of that kind.
std::optional<Command> typedAnswer(const std::string& kind, const std::string& line);

}  // namespace kestrin_host
