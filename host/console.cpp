#include "host/console.h"

#include <iostream>

#include "host/desktop_view.h"
#include "platform/ui/emergency.h"
#include "platform/ui/form.h"

namespace kestrin_host {

namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

}  // namespace

std::optional<Command> typedAnswer(const std::string& kind, const std::string& raw) {
  const std::string line = trim(raw);
  // A whole `answer` command is taken as it is.
  if (line.rfind("answer ", 0) == 0) {
    try {
      auto c = parseLine(line, 0, {});
      if (c && c->what == kind) return c;
    } catch (const ScenarioError&) {
    }
    return std::nullopt;
  }
  Command c;
  c.family = Family::Answer;
  c.verb = "answer";
  c.what = kind;
  c.source = "answer " + kind + " " + line;
  if (kind == "msgbox") {
    auto b = buttonAnswer(line);
    if (!b) return std::nullopt;
    c.numbers = {*b};
    return c;
  }
  if (line == "cancel") {
    c.flag = true;
    c.keyword = true;
    return c;
  }
  if (kind == "input" || kind == "find") {
    // The text as typed, blanks included; only the line end goes.
    std::string text = raw;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    c.texts = {text};
    return c;
  }
  if (kind == "open" || kind == "save" || kind == "folder" || kind == "popup") {
    if (line.empty()) return std::nullopt;
    if (kind == "popup" && line == "none") {
      c.keyword = true;
      return c;
    }
    c.texts = {line};
    return c;
  }
  if (kind == "print") {
    if (line != "ok") return std::nullopt;
    return c;
  }
  if (kind == "goto") {
    try {
      size_t used = 0;
      long n = std::stol(line, &used);
      if (used != line.size() || n < 1) return std::nullopt;
      c.numbers = {n};
      return c;
    } catch (const std::exception&) {
      return std::nullopt;
    }
  }
  if (kind == "replace") {
    try {
      auto words = splitLine(line, 0);
      if (words.size() != 3 || (!words[2].is("all") && !words[2].is("once"))) return std::nullopt;
      c.texts = {words[0].text, words[1].text};
      c.qualifiers["mode"] = words[2].text;
      return c;
    } catch (const ScenarioError&) {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

ConsoleUser::ConsoleUser(std::istream& in, std::ostream& out, EditorLink& link, std::map<std::string, std::string> vars,
                         bool colour)
    : Session(out, link, std::move(vars)), in_(in), colour_(colour) {
  echo_ = false;
}

bool ConsoleUser::readLine(const char* prompt, std::string* line) {
  out_ << prompt << std::flush;
  if (!std::getline(in_, *line)) {
    out_ << "\n";
    inputEnded_ = true;
    return false;
  }
  ++lineNumber_;
  return true;
}

void ConsoleUser::draw() { out_ << renderActiveWindow(colour_) << std::flush; }

int ConsoleUser::run(const std::optional<std::string>& argument) {
  out_ << "Kestrin host: type help for the commands, quit to end.\n";
  Command first = *parseLine(argument ? "run " + quote(*argument) : std::string("run"), 0, vars());
  perform(first);
  if (!quitting_) runTopLevel();
  return errors() == 0 ? 0 : 1;
}

std::optional<Command> ConsoleUser::nextCommand(const platform::ui::WaitContext* waiting) {
  for (;;) {
    while (!quitting_) {
      if (waiting && redraw_) draw();
      redraw_ = false;
      std::string line;
      if (!readLine(waiting ? "kestrin> " : "kestrin (no editor window)> ", &line)) {
        quitting_ = true;
        break;
      }
      try {
        auto c = parseLine(line, lineNumber_, vars());
        if (!c) continue;
        if (c->family == Family::Console) {
          if (c->verb == "quit") {
            quitting_ = true;
            break;
          }
          consoleCommand(*c);
          continue;
        }
        redraw_ = true;
        return c;
      } catch (const ScenarioError& e) {
        out_ << "? " << e.what() << " (help lists the commands)\n";
      }
    }
    if (platform::ui::forms().empty()) return std::nullopt;
    if (inputEnded_) {
      // Nobody is left to answer: the editor is closed with its questions
      // answered by their last buttons. When that keeps it open (Cancel to
      // saving a modified script), the session ends as a closed terminal
      // does: the unsaved text is kept as the emergency copy.
      endEditor("the input has ended");
      if (!platform::ui::forms().empty()) platform::ui::runEmergencySave();
      return std::nullopt;
    }
    // quit: the host closes the editor; its questions are asked of the person.
    CallOutcome o = link_.freeEditor();
    if (!o.reached) {
      out_ << "FreeEditor cannot be called: " << o.failure << "\n";
      return std::nullopt;
    }
    if (platform::ui::forms().empty()) return std::nullopt;
    // The person kept the editor open (Cancel in its close question).
    quitting_ = false;
    redraw_ = true;
  }
}

std::optional<Command> ConsoleUser::unanswered(const std::string& kind, const std::string& quoted) {
  out_ << "   " << quoted << "\n";
  std::string line;
  while (readLine("   answer> ", &line)) {
    if (auto a = typedAnswer(kind, line)) return a;
    out_ << "   ? answer with "
         << (kind == "msgbox" ? "one of the box's buttons (OK, Cancel, Yes, No, ...)"
                              : "the text, path or number it asks for, or cancel")
         << "\n";
  }
  return std::nullopt;
}

void ConsoleUser::commandsRanOut(const platform::ui::WaitContext&) {}

void ConsoleUser::consoleCommand(const Command& c) {
  if (c.verb == "show") draw();
  if (c.verb == "help") out_ << commandSummary();
}

}  // namespace kestrin_host
