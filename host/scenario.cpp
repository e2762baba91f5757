#include "host/scenario.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>

#include "host/expectations.h"
#include "host/scenario_reader.h"
#include "platform/runtime/clock.h"
#include "platform/ui/keys.h"
#include "platform/ui/user.h"
#include "platform/ui/visible_text.h"

namespace kestrin_host {

namespace mb = platform::ui::mb;

std::string substitute(const std::string& text, const std::map<std::string, std::string>& vars) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, 2, "${") == 0) {
      size_t close = text.find('}', i + 2);
      if (close != std::string::npos) {
        auto it = vars.find(text.substr(i + 2, close - i - 2));
        if (it != vars.end()) {
          out += it->second;
          i = close + 1;
          continue;
        }
      }
    }
    out += text[i++];
  }
  return out;
}

std::vector<Token> splitLine(const std::string& line, int lineNumber) {
  std::vector<Token> words;
  size_t i = 0;
  const size_t n = line.size();
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (i < n) {
    while (i < n && blank(line[i])) ++i;
    if (i >= n) break;
    Token t;
    if (line[i] == '"') {
      t.quoted = true;
      ++i;
      bool closed = false;
      while (i < n) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\') {
          if (i >= n) break;
          char e = line[i++];
          switch (e) {
            case '"': t.text += '"'; break;
            case '\\': t.text += '\\'; break;
            case 'r': t.text += '\r'; break;
            case 'n': t.text += '\n'; break;
            case 't': t.text += '\t'; break;
            default: throw ScenarioError(lineNumber, std::string("unknown escape \\") + e + " in a text");
          }
          continue;
        }
        t.text += c;
      }
      if (!closed) throw ScenarioError(lineNumber, "a text is not closed with \"");
      if (i < n && !blank(line[i])) throw ScenarioError(lineNumber, "a blank must follow the closing \" of a text");
    } else {
      while (i < n && !blank(line[i])) {
        if (line[i] == '"') throw ScenarioError(lineNumber, "a \" inside a bare word; write the whole text in quotes");
        t.text += line[i++];
      }
    }
    words.push_back(std::move(t));
  }
  return words;
}

std::optional<int64_t> parseDuration(const std::string& text) {
  size_t digits = 0;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
  if (digits == 0 || digits > 12) return std::nullopt;
  int64_t value = std::stoll(text.substr(0, digits));
  std::string unit = text.substr(digits);
  if (unit == "ms") return value;
  if (unit == "s") return value * 1000;
  if (unit == "m") return value * 60000;
  if (unit == "h") return value * 3600000;
  return std::nullopt;
}

namespace {

struct Name {
  const char* word;
  int32_t value;
};
const Name kButtons[] = {{"OK", mb::OK},         {"Cancel", mb::Cancel}, {"Abort", mb::Abort}, {"Retry", mb::Retry},
                         {"Ignore", mb::Ignore}, {"Yes", mb::Yes},       {"No", mb::No}};
const Name kButtonSets[] = {{"OK", mb::OKOnly},
                            {"OKCancel", mb::OKCancel},
                            {"AbortRetryIgnore", mb::AbortRetryIgnore},
                            {"YesNoCancel", mb::YesNoCancel},
                            {"YesNo", mb::YesNo},
                            {"RetryCancel", mb::RetryCancel}};
const Name kIcons[] = {{"none", 0},
                       {"critical", mb::Critical},
                       {"question", mb::Question},
                       {"exclamation", mb::Exclamation},
                       {"information", mb::Information}};

template <size_t N>
std::optional<int32_t> lookup(const Name (&table)[N], const std::string& word) {
  for (const auto& e : table)
    if (sameWord(word, e.word)) return e.value;
  return std::nullopt;
}
template <size_t N>
const char* nameOf(const Name (&table)[N], int32_t value) {
  for (const auto& e : table)
    if (e.value == value) return e.word;
  return "?";
}

}  // namespace

std::optional<int32_t> buttonAnswer(const std::string& word) { return lookup(kButtons, word); }
std::optional<int32_t> buttonSet(const std::string& word) { return lookup(kButtonSets, word); }
std::optional<int32_t> iconValue(const std::string& word) { return lookup(kIcons, word); }
const char* buttonName(int32_t answer) { return nameOf(kButtons, answer); }
const char* buttonSetName(int32_t buttons) { return nameOf(kButtonSets, buttons); }
const char* iconName(int32_t icon) { return nameOf(kIcons, icon); }

std::string quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  // Any other control character is drawn as a symbol, never sent as it is.
  return platform::ui::visibleText(out + "\"");
}

std::string describeValue(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Text: return quote(v.text);
    case Value::Kind::Boolean: return v.boolean ? "True" : "False";
    case Value::Kind::Empty: return "empty";
    case Value::Kind::Number: {
      char buf[64];
      if (v.number == static_cast<double>(static_cast<int64_t>(v.number)) && v.number > -1e15 && v.number < 1e15)
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v.number));
      else
        std::snprintf(buf, sizeof buf, "%.15g", v.number);
      return buf;
    }
  }
  return "?";
}

bool sameWord(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return i == a.size() && b[i] == 0;
}

bool validRegistryPath(const std::string& path) {
  for (const char* root : {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"}) {
    std::string r = root;
    if (path == r || path.rfind(r + "\\", 0) == 0) return true;
  }
  return false;
}

void parseQualifiers(Reader& r, Command& c, std::initializer_list<const char*> names,
                     std::initializer_list<const char*> numbers) {
  while (r.more()) {
    const Token& q = r.take("qualifier");
    bool known = false;
    for (const char* n : names) {
      if (q.is(n)) {
        known = true;
        if (c.qualifiers.count(n)) r.fail(std::string("the qualifier ") + n + " is given twice");
        c.qualifiers[n] = r.text(n);
      }
    }
    if (!known) {
      std::string list;
      for (const char* n : names) list += (list.empty() ? "" : ", ") + std::string(n);
      r.fail("unknown qualifier " + quote(q.text) + "; this expectation takes " + list);
    }
  }
  for (const char* n : numbers) {
    auto it = c.qualifiers.find(n);
    if (it != c.qualifiers.end() && !Reader::toNumber(it->second))
      r.fail(std::string(n) + " must be a number, not " + quote(it->second));
  }
}

namespace {

std::optional<int64_t> parseClock(const std::string& date, const std::string& time) {
  int y, mo, d, h, mi, s;
  char tail;
  if (std::sscanf(date.c_str(), "%4d-%2d-%2d%c", &y, &mo, &d, &tail) != 3) return std::nullopt;
  if (std::sscanf(time.c_str(), "%2d:%2d:%2d%c", &h, &mi, &s, &tail) != 3) return std::nullopt;
  if (y < 100 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 ||
      s < 0)
    return std::nullopt;
  return platform::localMillisFrom(y, mo, d, h, mi, s);
}

void parseSetup(Reader& r, Command& c) {
  c.family = Family::Setup;
  const std::string& v = c.verb;
  if (v == "unset") {
    c.texts = {r.text("application"), r.text("section"), r.text("key")};
  } else if (v == "write") {
    c.texts = {r.text("path"), r.text("text")};
  } else if (v == "mkdir" || v == "remove") {
    c.texts = {r.text("path")};
  } else if (v == "attrib") {
    c.texts = {r.text("path")};
    if (!r.more()) r.fail("attrib needs at least one of +r -r +h -h +s -s +a -a +c -c");
    while (r.more()) {
      const Token& t = r.take("attribute");
      static const std::set<std::string> ok = {"+r", "-r", "+h", "-h", "+s", "-s", "+a", "-a", "+c", "-c"};
      if (t.quoted || !ok.count(t.text)) r.fail("attrib takes +r -r +h -h +s -s +a -a +c -c, not " + quote(t.text));
      c.texts.push_back(t.text);
    }
  } else if (v == "chmod") {
    c.texts = {r.text("path")};
    const Token& m = r.take("mode");
    if (m.quoted || m.text.empty() || m.text.size() > 4 || m.text.find_first_not_of("01234567") != std::string::npos)
      r.fail("chmod takes an octal mode such as 644 or 0600, not " + quote(m.text));
    c.numbers = {std::stoll(m.text, nullptr, 8)};
  } else if (v == "touch") {
    c.texts = {r.text("path")};
    std::string date = r.text("date"), time = r.text("time");
    auto ms = parseClock(date, time);
    if (!ms) r.fail("touch takes PATH YYYY-MM-DD HH:MM:SS");
    c.numbers = {*ms};
  } else if (v == "env" || v == "unenv") {
    std::string name = r.text("variable name");
    if (name.empty() || name.find('=') != std::string::npos)
      r.fail("an environment variable's name is not empty and has no =, not " + quote(name));
    c.texts = {name};
    if (v == "env") c.texts.push_back(r.text("value"));
  } else if (v == "allow") {
    std::string program = r.text("program");
    if (program.empty()) r.fail("allow names a program");
    c.texts = {program};
  } else if (v == "setting") {
    c.texts = {r.text("application"), r.text("section"), r.text("key"), r.text("text")};
  } else if (v == "registry") {
    std::string path = r.text("key path");
    if (!validRegistryPath(path))
      r.fail("a key path begins with HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE");
    if (r.more() && r.peek().is("delete")) {
      // registry KEYPATH delete: the key and everything below it.
      r.take("delete");
      if (!r.more()) {
        c.what = "deletekey";
        c.texts = {path};
        r.end();
        return;
      }
      r.fail("registry KEYPATH delete removes a key; a value named delete is written \"delete\"");
    }
    std::string name = r.text("value name");
    static const char* types[] = {"sz", "dword", "expand", "binary", "delete", "bytes"};
    c.what = types[r.oneOf("value type", {"sz", "dword", "expand", "binary", "delete", "bytes"})];
    if (c.what == "delete") {
      c.texts = {path, name};
      r.end();
      return;
    }
    if (c.what == "bytes") {
      const Token& t = r.take("value type of the bytes");
      static const Name kinds[] = {{"none", 0},  {"sz", 1},    {"expand", 2}, {"binary", 3},
                                   {"dword", 4}, {"multi", 7}, {"qword", 11}};
      std::optional<int64_t> type;
      if (!t.quoted) {
        if (auto k = lookup(kinds, t.text))
          type = *k;
        else
          type = Reader::toNumber(t.text);
      }
      if (!type || *type < 0 || *type > 0xFFFF)
        r.fail("the bytes' type is none, sz, expand, binary, dword, multi, qword or a number, not " + quote(t.text));
      c.numbers = {*type};
    }
    std::string value = r.text("value");
    if (c.what == "dword") {
      auto n = Reader::toNumber(value);
      if (!n || *n < INT32_MIN || *n > 0xFFFFFFFFll) r.fail("a dword value is a number, not " + quote(value));
    } else if (c.what == "binary" || c.what == "bytes") {
      std::string hex;
      for (char ch : value)
        if (ch != ' ') hex += ch;
      if (hex.size() % 2 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        r.fail(std::string("a ") + (c.what == "bytes" ? "bytes" : "binary") +
               " value is pairs of hexadecimal digits, not " + quote(value));
    }
    c.texts = {path, name, value};
  } else if (v == "clock") {
    std::string date = r.text("date"), time = r.text("time");
    auto ms = parseClock(date, time);
    if (!ms) r.fail("clock takes YYYY-MM-DD HH:MM:SS");
    c.numbers = {*ms};
  }
  r.end();
}

void parseRunArgument(Reader& r, Command& c) {
  if (r.more()) {
    c.flag = true;
    c.texts = {r.text("argument")};
  }
}

bool isIdentifier(const std::string& s) {
  if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
  for (char ch : s)
    if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '_') return false;
  return true;
}

// NAME.MEMBER of an object: its two names into the command's texts.
void objectMember(Reader& r, Command& c) {
  const Token& t = r.take("NAME.MEMBER");
  const size_t dot = t.text.find('.');
  if (t.quoted || dot == std::string::npos || !isIdentifier(t.text.substr(0, dot)) ||
      !isIdentifier(t.text.substr(dot + 1)))
    r.fail("an object's member is written NAME.MEMBER, not " + quote(t.text));
  c.texts = {t.text.substr(0, dot), t.text.substr(dot + 1)};
}

void parseHostCall(Reader& r, Command& c) {
  c.family = Family::HostCall;
  if (c.verb == "create") {
    std::string name = r.text("object name");
    if (!isIdentifier(name)) r.fail("an object's name is a word of letters, digits and _, not " + quote(name));
    std::string progId = r.text("ProgID");
    if (progId.empty()) r.fail("create needs a ProgID");
    c.texts = {name, progId};
  } else if (c.verb == "release") {
    std::string name = r.text("object name");
    if (!isIdentifier(name)) r.fail("an object's name is a word of letters, digits and _, not " + quote(name));
    c.texts = {name};
  } else if (c.verb == "call") {
    objectMember(r, c);
    while (r.more()) c.values.push_back(r.value("argument"));
  } else if (c.verb == "let") {
    objectMember(r, c);
    c.values = {r.value("value")};
  } else if (c.verb == "run") {
    parseRunArgument(r, c);
  } else if (c.verb == "onrun") {
    c.what = r.oneOf("host call", {"free", "run"}) == 0 ? "free" : "run";
    if (c.what == "run") parseRunArgument(r, c);
  }
  r.end();
}

void parseAction(Reader& r, Command& c) {
  c.family = Family::Action;
  const std::string& v = c.verb;
  if (v == "tool" || v == "click" || v == "focus") {
    c.texts = {r.text(v == "tool" ? "tool ID" : "control")};
  } else if (v == "type") {
    c.texts = {r.text("text")};
  } else if (v == "key") {
    std::string name = r.text("key name");
    if (!platform::ui::parseKey(name)) r.fail("unknown key " + quote(name));
    c.texts = {name};
  } else if (v == "caret" || v == "mouse") {
    c.numbers = {r.number("line", 1), r.number("column", 1)};
  } else if (v == "select") {
    c.numbers = {r.number("line", 1), r.number("column", 1), r.number("line", 1), r.number("column", 1)};
  } else if (v == "set" || v == "pick") {
    c.texts = {r.text("control"), r.text(v == "set" ? "text" : "entry")};
  } else if (v == "close") {
    if (r.more()) c.texts = {r.text("form")};
  } else if (v == "wait") {
    std::string d = r.text("duration");
    auto ms = parseDuration(d);
    if (!ms) r.fail("a duration is written 65535ms, 66s or 5m, not " + quote(d));
    c.numbers = {*ms};
  } else if (v == "window") {
    c.texts = {r.text("form")};
    static const char* states[] = {"minimize", "maximize", "restore"};
    c.what = states[r.oneOf("window action", {"minimize", "maximize", "restore"})];
  }
  r.end();
}

// A text or the bare keyword `cancel`.
void textOrCancel(Reader& r, Command& c, const char* what) {
  const Token& t = r.take(what);
  if (t.is("cancel")) {
    c.flag = true;
  } else {
    c.texts = {t.text};
  }
}

void parseAnswer(Reader& r, Command& c) {
  c.family = Family::Answer;
  static const char* kinds[] = {"msgbox", "input", "open",    "save", "folder",
                                "print",  "find",  "replace", "goto", "popup"};
  c.what = kinds[r.oneOf("prompt kind",
                         {"msgbox", "input", "open", "save", "folder", "print", "find", "replace", "goto", "popup"})];
  const std::string& w = c.what;
  if (w == "msgbox") {
    const Token& t = r.take("button");
    auto b = t.quoted ? std::nullopt : buttonAnswer(t.text);
    if (!b) r.fail("a message box's button is OK, Cancel, Abort, Retry, Ignore, Yes or No, not " + quote(t.text));
    c.numbers = {*b};
  } else if (w == "input" || w == "open" || w == "save" || w == "folder" || w == "find") {
    textOrCancel(r, c, w == "input" || w == "find" ? "text" : "path");
  } else if (w == "print") {
    c.flag = r.oneOf("print answer", {"ok", "cancel"}) == 1;
  } else if (w == "replace") {
    const Token& t = r.take("text to find");
    if (t.is("cancel")) {
      c.flag = true;
    } else {
      c.texts = {t.text, r.text("replacement")};
      c.qualifiers["mode"] = r.oneOf("replace mode", {"all", "once"}) == 0 ? "all" : "once";
    }
  } else if (w == "goto") {
    const Token& t = r.take("line");
    if (t.is("cancel")) {
      c.flag = true;
    } else {
      auto n = Reader::toNumber(t.text);
      if (!n || *n < 1 || *n > INT32_MAX) r.fail("the line to go to is a number from 1, not " + quote(t.text));
      c.numbers = {*n};
    }
  } else if (w == "popup") {
    const Token& t = r.take("tool ID");
    if (t.is("cancel") || t.is("none")) {
      c.keyword = true;
    } else {
      c.texts = {t.text};
    }
  }
  r.end();
}

const std::set<std::string> kSetup = {"unset", "write", "mkdir", "remove", "attrib", "setting", "registry",
                                      "clock", "chmod", "touch", "env",    "unenv",  "allow"};
const std::set<std::string> kHostCalls = {"run",    "free",    "onrun", "register", "unregister",
                                          "create", "release", "call",  "let"};
const std::set<std::string> kActions = {"tool",  "type", "key",  "caret", "select", "mouse", "rightclick",
                                        "click", "set",  "pick", "focus", "close",  "wait",  "window"};
const std::set<std::string> kConsole = {"show", "help", "quit"};

}  // namespace

std::optional<Command> parseLine(const std::string& line, int lineNumber,
                                 const std::map<std::string, std::string>& vars) {
  size_t first = line.find_first_not_of(" \t\r\n");
  if (first == std::string::npos || line[first] == '#') return std::nullopt;
  std::vector<Token> words = splitLine(line, lineNumber);
  for (auto& w : words) w.text = substitute(w.text, vars);
  Command c;
  c.line = lineNumber;
  size_t last = line.find_last_not_of(" \t\r\n");
  c.source = line.substr(first, last - first + 1);
  if (words.front().quoted) throw ScenarioError(lineNumber, "a line begins with a command, not a text");
  c.verb = words.front().text;
  words.erase(words.begin());
  Reader r(std::move(words), lineNumber);
  if (kSetup.count(c.verb)) {
    parseSetup(r, c);
  } else if (kHostCalls.count(c.verb)) {
    parseHostCall(r, c);
  } else if (kActions.count(c.verb)) {
    parseAction(r, c);
  } else if (c.verb == "answer") {
    parseAnswer(r, c);
  } else if (c.verb == "expect") {
    parseExpect(r, c);
  } else if (kConsole.count(c.verb)) {
    c.family = Family::Console;
    r.end();
  } else {
    throw ScenarioError(lineNumber, "unknown command " + quote(c.verb));
  }
  return c;
}

std::vector<Command> parseScenario(const std::string& text, const std::map<std::string, std::string>& vars) {
  std::vector<Command> commands;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    auto c = parseLine(line, number, vars);
    if (!c) continue;
    if (c->family == Family::Console)
      throw ScenarioError(number, c->verb + " is a command of the console, not of a scenario");
    commands.push_back(std::move(*c));
  }
  return commands;
}

const char* commandSummary() {
  return R"(Set-up:
  unset APP SECTION KEY          setting APP SECTION KEY TEXT
  write PATH TEXT                mkdir PATH          remove PATH
  attrib PATH +r|-r|+h|-h|+s|-s|+a|-a|+c|-c ...    chmod PATH MODE
  touch PATH YYYY-MM-DD HH:MM:SS
  registry KEYPATH NAME sz|dword|expand|binary VALUE
  registry KEYPATH NAME bytes TYPE HEX    registry KEYPATH NAME delete
  registry KEYPATH delete
  env NAME VALUE   unenv NAME   allow PROGRAM   clock YYYY-MM-DD HH:MM:SS
Host calls:
  run [TEXT]   free   onrun free|run [TEXT]   register   unregister
  create NAME PROGID   release NAME   call NAME.MEMBER [ARG ...]
  let NAME.MEMBER VALUE       (values: "text", 12, True, False, empty)
Actions:
  tool ID   type TEXT   key NAME   caret LINE COL   select LINE COL LINE COL
  mouse LINE COL   rightclick   click CONTROL   set CONTROL TEXT
  pick CONTROL TEXT   focus CONTROL   close [FORM]   wait 5s|66s|65535ms
  window FORM minimize|maximize|restore
Answers (queued for the next prompts; at the console prompts are asked at once):
  answer msgbox BUTTON | input TEXT | open PATH | save PATH | folder PATH
  answer print ok | find TEXT | replace TEXT TEXT all|once | goto LINE | popup ID|none
  (cancel instead of the text cancels)
Expectations:
  expect msgbox [contains] TEXT [title T] [buttons B] [icon I] [default B]
  expect prompts N (file dialogs included)
  expect dialog TITLE [folder P] [filter T] [index N] [flags N] [file T]
  expect input PROMPT [title T] [default T]
  expect printdialog [flags N] [copies N] [from N] [to N]
  expect folderdialog TITLE [root PATH] [options N]
  expect text TEXT    expect line N TEXT    expect lines N    expect caret LINE COL
  expect selection L C L C    expect selected TEXT    expect bookmarks [LINE ...]
  expect readonly yes|no    expect editor NAME TEXT    expect colour LINE COL 0xBBGGRR
  expect completion open|closed | entries TEXT:IMAGE ... | selected TEXT|none
  expect tip TEXT [argument N] | none
  expect panel KEY TEXT    expect FORM.NAME [contains] TEXT
  expect FORM.CONTROL.PROPERTY VALUE    expect tool ID caption|enabled|visible VALUE
  expect window TITLE open|closed    expect refused
  expect file PATH exists|missing|hidden|readonly|equals T|contains T|lacks T|begins T|ends T
  expect file PATH attributes +r -h +a -s +c ...
  expect zip PATH holds NAME    expect setting APP SECTION KEY TEXT|missing
  expect registry KEYPATH NAME TEXT|missing    expect clipboard TEXT
  expect launch [contains] TEXT    expect print [contains] TEXT
  expect NAME.MEMBER VALUE    expect argument N VALUE
  expect result VALUE|nonzero    expect arg TEXT
  expect error NUMBER [source T] [description T]|none
Console:
  show   help   quit
)";
}

}  // namespace kestrin_host
