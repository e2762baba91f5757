// The scenario language: one command a line, read into commands whose
// arguments are checked before anything runs, so that a malformed scenario
// is refused with its line number and nothing of it happens.
//
// The same reader serves the console user, one typed line at a time.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrin_host {

// A word of a line: quoted texts keep what they say; bare words may be
// keywords where a command names them.
struct Token {
  std::string text;
  bool quoted = false;
  // Whether this is the bare keyword `word` (a quoted "missing" is text).
  bool is(const char* word) const { return !quoted && text == word; }
};

// A line that cannot be read; line is the scenario's line number.
class ScenarioError : public std::runtime_error {
 public:
  ScenarioError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
  int line() const noexcept { return line_; }

 private:
  int line_;
};

// A value of a late-bound call's argument or of an expectation: a text, a
// number, True or False, or empty.
struct Value {
  enum class Kind { Text, Number, Boolean, Empty } kind = Kind::Empty;
  std::string text;      // Text
  double number = 0;     // Number
  bool boolean = false;  // Boolean
};

// The families of commands.
enum class Family { Setup, HostCall, Action, Answer, Expect, Console };

// One command, its arguments checked and read into a few plain fields,
// in the order the command writes them: texts (paths, names, texts),
// numbers (lines and columns, counts, millisecond times, error numbers,
// button answers), qualifiers by name (and "mode" for the word that picks
// a variant: replace all|once, expect file equals|contains|...). `what` is
// the second word of answer and expect commands, the host call of onrun,
// the value type of registry and the state of window.
struct Command {
  int line = 0;
  std::string source;  // the line as written, trimmed
  Family family = Family::Setup;
  std::string verb;  // "run", "type", "answer", "expect", ...
  std::string what;  // answer and expect: "msgbox", "text", ...; others: a mode word
  std::vector<std::string> texts;
  std::vector<int64_t> numbers;
  std::map<std::string, std::string> qualifiers;  // title, buttons, icon, default, folder, ...
  bool flag = false;                              // run TEXT (not bare run), answer ... cancel, expect msgbox contains
  bool keyword = false;                           // a keyword stood where a text may stand (missing, none, cancel)
  std::vector<Value> values;                      // call arguments, let and object expectations: the values as written
};

// A value as the scenario writes it: "text", 12, -1.5, True, False, empty.
std::string describeValue(const Value& value);

// Replaces ${WORK}, ${EDITOR} and ${HOME} (and any other name of vars)
// inside a text; unknown names stay as written.
std::string substitute(const std::string& text, const std::map<std::string, std::string>& vars);

// Splits a line into words: blanks separate, "..." is one text with the
// escapes \" \\ \r \n \t. Raises ScenarioError for an unclosed quote or an
// unknown escape.
std::vector<Token> splitLine(const std::string& line, int lineNumber);

// Reads one line into a command; nothing for a blank line or a comment.
// Raises ScenarioError when the line is no command or its arguments are
// wrong.
std::optional<Command> parseLine(const std::string& line, int lineNumber,
                                 const std::map<std::string, std::string>& vars);

// Reads a whole scenario (the first malformed line raises).
std::vector<Command> parseScenario(const std::string& text, const std::map<std::string, std::string>& vars);

// Durations: "65535ms", "66s", "5m", "1h"; nothing for anything else.
std::optional<int64_t> parseDuration(const std::string& text);

// Message-box words: buttons "OK" ... "No" to their answer numbers, button
// sets "OKCancel" ... to 0..5, icons "none" ... to 0, 16, 32, 48, 64.
std::optional<int32_t> buttonAnswer(const std::string& word);
std::optional<int32_t> buttonSet(const std::string& word);
std::optional<int32_t> iconValue(const std::string& word);
const char* buttonName(int32_t answer);
const char* buttonSetName(int32_t buttons);
const char* iconName(int32_t icon);

// A text quoted as the scenario writes it, escapes included.
std::string quote(const std::string& text);

// The commands, one line each, for `help`.
const char* commandSummary();

}  // namespace kestrin_host
