// The kinds of expectation: for each, how its line is read and how the
// session checks it, side by side in one table, so that a kind is added,
// changed or removed in one place.
#include "host/expectations.h"

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "host/desktop_view.h"
#include "host/inspect.h"
#include "host/session.h"
#include "host/session_values.h"
#include "platform/controls/code_editor.h"
#include "platform/controls/code_editor_files.h"
#include "platform/controls/status_bar.h"
#include "platform/runtime/optional_library.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/windows.h"
#include "platform/win32/files.h"
#include "platform/win32/registry.h"
#include "platform/win32/settings.h"

namespace kestrin_host {

namespace fs = std::filesystem;

namespace {

std::string readAll(const std::string& path, bool* ok) {
  std::ifstream in(path, std::ios::binary);
  *ok = static_cast<bool>(in);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The last line of a file, without its line end; nothing when it has none.
std::optional<std::string> lastLine(const std::string& path) {
  bool ok = false;
  std::string text = readAll(path, &ok);
  if (!ok) return std::nullopt;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  if (text.empty()) return std::nullopt;
  const size_t nl = text.rfind('\n');
  return nl == std::string::npos ? text : text.substr(nl + 1);
}

std::string colourText(int32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%06X", static_cast<uint32_t>(c) & 0xFFFFFF);
  return buf;
}

// A registry value as the expectations write it: REG_SZ as it is, REG_DWORD
// in decimal, other kinds as hexadecimal bytes. Nothing when it is missing.
std::optional<std::string> readRegistryValue(const std::string& path, const std::string& name) {
  std::string below;
  platform::HKEY root = splitKeyPath(path, &below);
  platform::HKEY key = 0;
  if (platform::RegOpenKeyEx(root, below, 0, platform::KEY_READ, &key) != platform::ERROR_SUCCESS) return std::nullopt;
  platform::DWORD type = 0, size = 0;
  std::optional<std::string> out;
  if (platform::RegQueryValueEx(key, name, &type, nullptr, &size) == platform::ERROR_SUCCESS) {
    std::string data(size, '\0');
    if (size == 0 || platform::RegQueryValueEx(key, name, &type, data.data(), &size) == platform::ERROR_SUCCESS) {
      data.resize(size);
      if (type == platform::REG_SZ || type == platform::REG_EXPAND_SZ) {
        while (!data.empty() && data.back() == '\0') data.pop_back();
        out = data;
      } else if (type == platform::REG_DWORD && data.size() == 4) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[i]);
        out = std::to_string(v);
      } else {
        std::string h;
        char b[4];
        for (unsigned char ch : data) {
          std::snprintf(b, sizeof b, "%02x", ch);
          h += (h.empty() ? "" : " ") + std::string(b);
        }
        out = h;
      }
    }
  }
  platform::RegCloseKey(key);
  return out;
}

const std::set<std::string> kEditorSettings = {"language", "linenumbers",  "margin", "whitespace", "tabstospaces",
                                               "indent",   "confinecaret", "font",   "fontsize",   "highlightedline"};

// An optional `contains` before the text: the command's flag.
void readContains(Reader& r, Command& c) {
  if (r.more() && r.peek().is("contains")) {
    r.take("contains");
    c.flag = true;
  }
}

}  // namespace

// One expectation being checked: the session whose record of prompts,
// calls and actions it reads, and the command.
class ExpectationCheck {
 public:
  ExpectationCheck(Session& session, const Command& command)
      : s(session), c(command), t(command.texts), n(command.numbers) {}

  void operator()(bool ok, const std::string& found) {
    if (ok)
      s.passExpectation(c);
    else
      s.failExpectation(c, found);
  }
  const std::string* qualifier(const char* name) const {
    auto it = c.qualifiers.find(name);
    return it == c.qualifiers.end() ? nullptr : &it->second;
  }

  // --- Prompts ---------------------------------------------------------------

  static void readMsgbox(Reader& r, Command& c) {
    readContains(r, c);
    c.texts = {r.text("text")};
    parseQualifiers(r, c, {"title", "buttons", "icon", "default"});
    if (c.qualifiers.count("buttons") && !buttonSet(c.qualifiers["buttons"]))
      r.fail("buttons is OK, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo or RetryCancel");
    if (c.qualifiers.count("icon") && !iconValue(c.qualifiers["icon"]))
      r.fail("icon is none, critical, question, exclamation or information");
    if (c.qualifiers.count("default") && !buttonAnswer(c.qualifiers["default"]))
      r.fail("default is a button: OK, Cancel, Abort, Retry, Ignore, Yes or No");
  }
  void msgbox() {
    auto& check = *this;
    if (!s.lastBox_) return check(false, "no message box has been shown");
    const auto& b = *s.lastBox_;
    bool ok = c.flag ? b.text.find(t[0]) != std::string::npos : b.text == t[0];
    if (auto v = qualifier("title")) ok = ok && b.title == *v;
    if (auto v = qualifier("buttons")) ok = ok && buttonSet(*v) == b.buttons;
    if (auto v = qualifier("icon")) ok = ok && iconValue(*v) == b.icon;
    if (auto v = qualifier("default")) {
      auto answers = b.answers();
      ok = ok && b.defaultButton < static_cast<int32_t>(answers.size()) && buttonAnswer(*v) == answers[b.defaultButton];
    }
    check(ok, describeBox(b));
  }

  static void readCount(Reader& r, Command& c) { c.numbers = {r.number("count", 0)}; }
  void prompts() {
    const int count = s.promptsSinceCheck_;
    s.promptsSinceCheck_ = 0;
    (*this)(count == n[0], std::to_string(count) + " prompts");
  }

  static void readDialog(Reader& r, Command& c) {
    c.texts = {r.text("title")};
    parseQualifiers(r, c, {"folder", "filter", "index", "flags", "file"}, {"index", "flags"});
  }
  void dialog() {
    auto& check = *this;
    if (!s.lastDialog_) return check(false, "no file dialog has been shown");
    const auto& d = *s.lastDialog_;
    bool ok = d.title == t[0];
    for (const auto& [name, value] : c.qualifiers) {
      if (name == "folder") ok = ok && d.initDir == value;
      if (name == "filter") ok = ok && d.filter == value;
      if (name == "file") ok = ok && d.fileName == value;
      if (name == "index") ok = ok && std::to_string(d.filterIndex) == std::to_string(std::stoll(value, nullptr, 0));
      if (name == "flags") ok = ok && static_cast<int64_t>(d.flags) == std::stoll(value, nullptr, 0);
    }
    check(ok, "[" + d.title + "] folder " + quote(d.initDir) + " filter " + quote(d.filter) + " index " +
                  std::to_string(d.filterIndex) + " flags " + std::to_string(d.flags) + " file " + quote(d.fileName));
  }

  static void readInput(Reader& r, Command& c) {
    c.texts = {r.text("prompt")};
    parseQualifiers(r, c, {"title", "default"});
  }
  void input() {
    auto& check = *this;
    if (!s.lastInput_) return check(false, "no input box has been shown");
    const auto& p = *s.lastInput_;
    bool ok = p.prompt == t[0];
    if (auto v = qualifier("title")) ok = ok && p.title == *v;
    if (auto v = qualifier("default")) ok = ok && p.defaultText == *v;
    check(ok, quote(p.prompt) + " title " + quote(p.title) + " default " + quote(p.defaultText));
  }

  static void readPrintDialog(Reader& r, Command& c) {
    parseQualifiers(r, c, {"flags", "copies", "from", "to"}, {"flags", "copies", "from", "to"});
  }
  void printDialog() {
    auto& check = *this;
    if (!s.lastPrint_) return check(false, "no print dialog has been shown");
    const auto& p = *s.lastPrint_;
    bool ok = true;
    for (const auto& [name, value] : c.qualifiers) {
      const int64_t v = std::stoll(value, nullptr, 0);
      if (name == "flags") ok = ok && p.flags == v;
      if (name == "copies") ok = ok && p.copies == v;
      if (name == "from") ok = ok && p.fromPage == v;
      if (name == "to") ok = ok && p.toPage == v;
    }
    check(ok, "flags " + std::to_string(p.flags) + " copies " + std::to_string(p.copies) + " from " +
                  std::to_string(p.fromPage) + " to " + std::to_string(p.toPage));
  }

  static void readFolderDialog(Reader& r, Command& c) {
    c.texts = {r.text("title")};
    parseQualifiers(r, c, {"root", "options"}, {"options"});
  }
  void folderDialog() {
    auto& check = *this;
    if (!s.lastFolder_) return check(false, "no folder browser has been shown");
    const auto& p = *s.lastFolder_;
    bool ok = p.title == t[0];
    if (auto v = qualifier("root")) ok = ok && p.root == *v;
    if (auto v = qualifier("options")) ok = ok && p.options == std::stoll(*v, nullptr, 0);
    check(ok, quote(p.title) + " root " + quote(p.root) + " options " + std::to_string(p.options));
  }

  // --- The code editor of the main window ---------------------------------------

  // The main window's code editor; nothing (and the expectation failed)
  // when it is not there.
  platform::controls::CodeEditor* editor() {
    auto* e = mainCodeEditor();
    if (!e) (*this)(false, "the main window's code editor is not there");
    return e;
  }
  static std::string pos(int32_t line, int32_t col) { return std::to_string(line + 1) + " " + std::to_string(col + 1); }

  static void readText(Reader& r, Command& c) { c.texts = {r.text("text")}; }
  void text() {
    if (auto* e = editor()) (*this)(e->text() == t[0], quote(e->text()));
  }

  static void readLine(Reader& r, Command& c) {
    c.numbers = {r.number("line", 1)};
    c.texts = {r.text("text")};
  }
  void line() {
    auto* e = editor();
    if (!e) return;
    std::string v = e->getLine(static_cast<int32_t>(n[0] - 1));
    (*this)(n[0] <= e->lineCount() && v == t[0], quote(v));
  }

  void lines() {
    if (auto* e = editor()) (*this)(e->lineCount() == n[0], std::to_string(e->lineCount()));
  }

  static void readPosition(Reader& r, Command& c) { c.numbers = {r.number("line", 1), r.number("column", 1)}; }
  void caret() {
    auto* e = editor();
    if (!e) return;
    auto p = e->caretPos();
    (*this)(p.line + 1 == n[0] && p.column + 1 == n[1], pos(p.line, p.column));
  }

  static void readRange(Reader& r, Command& c) {
    c.numbers = {r.number("line", 1), r.number("column", 1), r.number("line", 1), r.number("column", 1)};
  }
  void selection() {
    auto* e = editor();
    if (!e) return;
    auto r = e->getSel(false);
    (*this)(r.startLine + 1 == n[0] && r.startColumn + 1 == n[1] && r.endLine + 1 == n[2] && r.endColumn + 1 == n[3],
            pos(r.startLine, r.startColumn) + " " + pos(r.endLine, r.endColumn));
  }

  void selected() {
    if (auto* e = editor()) (*this)(e->selText() == t[0], quote(e->selText()));
  }

  static void readBookmarks(Reader& r, Command& c) {
    while (r.more()) c.numbers.push_back(r.number("line", 1));
    for (size_t i = 1; i < c.numbers.size(); ++i)
      if (c.numbers[i] <= c.numbers[i - 1]) r.fail("bookmarks are listed in ascending order");
  }
  void bookmarks() {
    auto* e = editor();
    if (!e) return;
    auto marks = e->getBookmarks();
    std::string found;
    bool ok = marks.size() == n.size();
    for (size_t i = 0; i < marks.size(); ++i) {
      found += (found.empty() ? "" : " ") + std::to_string(marks[i] + 1);
      ok = ok && marks[i] + 1 == n[i];
    }
    (*this)(ok, found.empty() ? "none" : found);
  }

  static void readYesNo(Reader& r, Command& c) { c.flag = r.oneOf("yes or no", {"yes", "no"}) == 0; }
  void readonly() {
    if (auto* e = editor()) (*this)(e->readOnly() == c.flag, e->readOnly() ? "yes" : "no");
  }

  static void readColour(Reader& r, Command& c) {
    c.numbers = {r.number("line", 1), r.number("column", 1), r.number("colour", 0, 0xFFFFFF)};
  }
  void colour() {
    auto* e = editor();
    if (!e) return;
    int32_t v = colourAt(*e, static_cast<int32_t>(n[0] - 1), static_cast<int32_t>(n[1] - 1));
    (*this)(v == n[2], colourText(v));
  }

  static void readEditorSetting(Reader& r, Command& c) {
    std::string name = r.text("setting");
    if (!kEditorSettings.count(name))
      r.fail("unknown editor setting " + quote(name) +
             "; known: language, linenumbers, margin, whitespace, tabstospaces, indent, "
             "confinecaret, font, fontsize, highlightedline");
    c.texts = {name, r.text("value")};
  }
  void editorSetting() {
    auto* e = editor();
    if (!e) return;
    auto b = [](bool v) { return std::string(v ? "True" : "False"); };
    const std::string& name = t[0];
    std::string v;
    if (name == "language")
      v = e->language();
    else if (name == "linenumbers")
      v = b(e->lineNumbering());
    else if (name == "margin")
      v = b(e->displayLeftMargin());
    else if (name == "whitespace")
      v = b(e->displayWhitespace());
    else if (name == "tabstospaces")
      v = b(e->expandTabs());
    else if (name == "indent")
      v = std::to_string(e->autoIndentMode());
    else if (name == "confinecaret")
      v = b(e->selBounds());
    else if (name == "font")
      v = e->font().name;
    else if (name == "fontsize")
      v = std::to_string(e->font().size);
    else if (name == "highlightedline")
      v = std::to_string(e->highlightedLine() < 0 ? 0 : e->highlightedLine() + 1);
    (*this)(v == t[1], quote(v));
  }

  static void readCompletion(Reader& r, Command& c) {
    const size_t k = r.oneOf("open, closed, entries or selected", {"open", "closed", "entries", "selected"});
    static const char* modes[] = {"open", "closed", "entries", "selected"};
    c.qualifiers["mode"] = modes[k];
    if (k == 2) {
      // TEXT:IMAGE, the image after the last colon.
      while (r.more()) {
        const Token& e = r.take("entry");
        const size_t colon = e.text.rfind(':');
        auto image = colon == std::string::npos ? std::nullopt : Reader::toNumber(e.text.substr(colon + 1));
        if (!image) r.fail("a completion entry is written TEXT:IMAGE (Left:3), not " + quote(e.text));
        c.texts.push_back(e.text.substr(0, colon));
        c.numbers.push_back(*image);
      }
    } else if (k == 3) {
      const Token& e = r.take("entry text or none");
      if (e.is("none"))
        c.keyword = true;
      else
        c.texts = {e.text};
    }
  }
  void completion() {
    auto& check = *this;
    std::string why;
    auto v = completionView(&why);
    if (!v) return check(false, why);
    const std::string& mode = c.qualifiers.at("mode");
    if (mode == "open" || mode == "closed") return check(v->open == (mode == "open"), v->open ? "open" : "closed");
    if (!v->open) return check(false, "the completion list is closed");
    if (mode == "selected") {
      const bool ok = c.keyword ? !v->selected : (v->selected && *v->selected == t[0]);
      return check(ok, v->selected ? quote(*v->selected) : "none");
    }
    std::vector<std::string> want;
    for (size_t i = 0; i < t.size(); ++i) want.push_back(t[i] + ":" + std::to_string(n[i]));
    std::string found;
    for (const auto& e : v->entries) found += (found.empty() ? "" : " ") + quote(e);
    check(v->entries == want, found.empty() ? "no entries" : found);
  }

  static void readTip(Reader& r, Command& c) {
    const Token& tip = r.take("tip text or none");
    if (tip.is("none")) {
      c.keyword = true;
      return;
    }
    c.texts = {tip.text};
    if (r.more()) {
      r.oneOf("argument", {"argument"});
      c.numbers = {r.number("argument number", 0)};
    }
  }
  void tip() {
    auto& check = *this;
    std::string why;
    bool editorThere = false;
    auto v = tipView(&why, &editorThere);
    if (!editorThere) return check(false, why);
    if (c.keyword) return check(!v, v ? quote(v->text) + " argument " + std::to_string(v->argument) : "none");
    if (!v) return check(false, "no tip is shown");
    const bool ok = v->text == t[0] && (n.empty() || v->argument == n[0]);
    check(ok, quote(v->text) + " argument " + std::to_string(v->argument));
  }

  // --- The main window and its forms ----------------------------------------------

  static void readPanel(Reader& r, Command& c) { c.texts = {r.text("panel key"), r.text("text")}; }
  void panel() {
    auto& check = *this;
    auto* bar = mainStatusBar();
    if (!bar) return check(false, "the main window has no status bar");
    if (!bar->hasPanel(t[0])) return check(false, "no panel " + t[0]);
    std::string v = bar->panel(t[0]).text();
    check(v == t[1], quote(v));
  }

  static void readWindow(Reader& r, Command& c) {
    c.texts = {r.text("title")};
    c.flag = r.oneOf("open or closed", {"open", "closed"}) == 0;
  }
  void window() {
    bool open = platform::ui::FindWindow(nullptr, t[0].c_str()) != 0;
    (*this)(open == c.flag, open ? "open" : "closed");
  }

  static void readTool(Reader& r, Command& c) {
    c.texts = {r.text("tool ID")};
    const size_t k = r.oneOf("caption, enabled or visible", {"caption", "enabled", "visible"});
    static const char* parts[] = {"caption", "enabled", "visible"};
    c.qualifiers["mode"] = parts[k];
    const Token& v = r.take("value");
    if (k > 0 && (v.quoted || (!sameWord(v.text, "True") && !sameWord(v.text, "False"))))
      r.fail(std::string("a tool's ") + parts[k] + " is True or False, not " + quote(v.text));
    c.texts.push_back(k > 0 ? (sameWord(v.text, "True") ? "True" : "False") : v.text);
  }
  void tool() {
    std::string why;
    auto v = toolState(t[0], c.qualifiers.at("mode"), &why);
    (*this)(v && *v == t[1], v ? quote(*v) : why);
  }

  // FORM.NAME TEXT: a form's property or a control's value, or an object's
  // property (NAME.MEMBER VALUE); FORM.CONTROL.PROPERTY VALUE: a control's
  // property.
  static void readMember(Reader& r, Command& c) {
    const std::string w = c.what;
    size_t dot = w.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == w.size()) r.fail("unknown expectation " + quote(w));
    const std::string owner = w.substr(0, dot), rest = w.substr(dot + 1);
    const size_t dot2 = rest.find('.');
    if (dot2 != std::string::npos) {
      if (dot2 == 0 || dot2 + 1 == rest.size() || rest.find('.', dot2 + 1) != std::string::npos)
        r.fail("a control's property is written FORM.CONTROL.PROPERTY, not " + quote(w));
      c.what = "controlproperty";
      c.texts = {owner, rest.substr(0, dot2), rest.substr(dot2 + 1), r.text("value")};
      return;
    }
    c.what = "property";
    readContains(r, c);
    const Token value = r.more() ? r.peek() : Token{};
    c.texts = {owner, rest, r.text("value")};
    // The same word read as a value, for an object's property.
    Reader again({value}, c.line);
    try {
      c.values = {again.value("value")};
    } catch (const ScenarioError&) {
      // No value: fine for a form, an error for an object (known only as
      // the scenario runs).
    }
  }
  void property() {
    if (s.link_.hasObject(t[0])) return objectProperty();
    std::string why;
    auto v = formPlacement(t[0], t[1], &why);
    if (!v && why.empty()) v = formValue(t[0], t[1], &why);
    if (c.flag) return (*this)(v && v->find(t[2]) != std::string::npos, v ? quote(*v) : why);
    (*this)(v && *v == t[2], v ? quote(*v) : why);
  }
  void controlProperty() {
    std::string why;
    auto v = kestrin_host::controlProperty(t[0], t[1], t[2], &why);
    (*this)(v && *v == t[3], v ? quote(*v) : why);
  }

  void refused() {
    const bool wasRefused = s.lastActionRefused_;
    s.refusal_.reset();
    s.lastActionRefused_ = false;
    (*this)(wasRefused, s.lastTaken_ ? "the window took the last action" : "no action has been made");
  }

  // --- Files, settings and the outside world ---------------------------------------

  static void readFile(Reader& r, Command& c) {
    c.texts = {r.text("path")};
    const Token& m = r.take("what of the file");
    static const std::set<std::string> states = {"exists", "missing", "hidden", "readonly"};
    static const std::set<std::string> checks = {"equals", "contains", "lacks", "begins", "ends"};
    if (!m.quoted && states.count(m.text)) {
      c.qualifiers["mode"] = m.text;
    } else if (!m.quoted && checks.count(m.text)) {
      c.qualifiers["mode"] = m.text;
      c.texts.push_back(r.text("text"));
    } else if (m.is("attributes")) {
      c.qualifiers["mode"] = "attributes";
      if (!r.more()) r.fail("expect file PATH attributes needs flags such as +r -h +a -s +c");
      while (r.more()) {
        const Token& f = r.take("attribute");
        static const std::set<std::string> ok = {"+r", "-r", "+h", "-h", "+s", "-s", "+a", "-a", "+c", "-c"};
        if (f.quoted || !ok.count(f.text))
          r.fail("file attributes are +r -r +h -h +s -s +a -a +c -c, not " + quote(f.text));
        c.texts.push_back(f.text);
      }
    } else {
      r.fail(
          "expect file takes exists, missing, hidden, readonly, equals, contains, lacks, begins, ends "
          "or attributes");
    }
  }
  void file() {
    auto& check = *this;
    const std::string& mode = c.qualifiers.at("mode");
    std::error_code ec;
    const bool exists = fs::exists(fs::symlink_status(t[0], ec));
    if (mode == "exists") return check(exists, "no such file");
    if (mode == "missing") return check(!exists, "the file exists");
    if (!exists) return check(false, "no such file");
    if (mode == "hidden" || mode == "readonly") {
      platform::DWORD a = platform::GetFileAttributes(t[0]);
      platform::DWORD bit = mode == "hidden" ? 2 : 1;
      return check((a & bit) != 0, "attributes " + std::to_string(a));
    }
    if (mode == "attributes") {
      const platform::DWORD a = platform::GetFileAttributes(t[0]);
      bool ok = true;
      for (size_t i = 1; i < t.size(); ++i) {
        const char b = t[i][1];
        const platform::DWORD bit = b == 'r' ? 1 : b == 'h' ? 2 : b == 's' ? 4 : b == 'a' ? 32 : 0x800;
        ok = ok && ((a & bit) != 0) == (t[i][0] == '+');
      }
      std::string found;
      for (auto [b, bit] : {std::pair{'r', 1u}, {'h', 2u}, {'s', 4u}, {'a', 32u}, {'c', 0x800u}})
        found += std::string(found.empty() ? "" : " ") + ((a & bit) ? '+' : '-') + b;
      return check(ok, found + " (" + std::to_string(a) + ")");
    }
    bool ok = false;
    std::string text = readAll(t[0], &ok);
    if (!ok) return check(false, "the file cannot be read");
    if (mode == "equals") return check(text == t[1], quote(text));
    if (mode == "contains") return check(text.find(t[1]) != std::string::npos, quote(text));
    if (mode == "lacks") return check(text.find(t[1]) == std::string::npos, quote(text));
    const size_t shown = std::max<size_t>(t[1].size(), 80);
    if (mode == "ends")
      return check(text.size() >= t[1].size() && text.compare(text.size() - t[1].size(), t[1].size(), t[1]) == 0,
                   quote(text.substr(text.size() > shown ? text.size() - shown : 0)));
    check(text.rfind(t[1], 0) == 0, quote(text.substr(0, shown)));
  }

  static void readZip(Reader& r, Command& c) {
    c.texts = {r.text("path")};
    r.oneOf("holds", {"holds"});
    c.texts.push_back(r.text("entry name"));
  }
  void zip() {
    auto& check = *this;
    // The archive library, opened by the first expectation on an archive:
    // a host that plays none maps it not.
    static platform::OptionalLibrary library(KESTRIN_LIBZIP_SONAME);
    const auto open = library.function<decltype(&::zip_open)>("zip_open");
    const auto locate = library.function<decltype(&::zip_name_locate)>("zip_name_locate");
    const auto entries = library.function<decltype(&::zip_get_num_entries)>("zip_get_num_entries");
    const auto name = library.function<decltype(&::zip_get_name)>("zip_get_name");
    const auto discard = library.function<decltype(&::zip_discard)>("zip_discard");
    if (!open || !locate || !entries || !name || !discard)
      return check(false, std::string("the archive library " KESTRIN_LIBZIP_SONAME " cannot be loaded"));
    int err = 0;
    zip_t* z = open(t[0].c_str(), ZIP_RDONLY, &err);
    if (!z) {
      std::error_code ec;
      return check(false, fs::exists(t[0], ec) ? "no zip archive (libzip error " + std::to_string(err) + ")"
                                               : std::string("no such file"));
    }
    bool held = locate(z, t[1].c_str(), 0) >= 0;
    std::string names;
    for (zip_int64_t i = 0, count = entries(z, 0); i < count; ++i)
      names += (names.empty() ? "" : ", ") + quote(name(z, i, 0));
    discard(z);
    check(held, "entries: " + (names.empty() ? std::string("none") : names));
  }

  // TEXT or the bare keyword `missing` (the command's keyword).
  static void readTextOrMissing(Reader& r, Command& c) {
    const Token& v = r.take("text or missing");
    if (v.is("missing"))
      c.keyword = true;
    else
      c.texts.push_back(v.text);
  }
  static void readSetting(Reader& r, Command& c) {
    c.texts = {r.text("application"), r.text("section"), r.text("key")};
    readTextOrMissing(r, c);
  }
  void setting() {
    static const std::string absent = "\x01(missing)";
    std::string v = platform::GetSetting(t[0], t[1], t[2], absent);
    (*this)(c.keyword ? v == absent : v == t[3], v == absent ? "missing" : quote(v));
  }

  static void readRegistry(Reader& r, Command& c) {
    std::string path = r.text("key path");
    if (!validRegistryPath(path))
      r.fail("a key path begins with HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE");
    c.texts = {path, r.text("value name")};
    readTextOrMissing(r, c);
  }
  void registry() {
    auto v = readRegistryValue(t[0], t[1]);
    (*this)(c.keyword ? !v : (v && *v == t[2]), v ? quote(*v) : "missing");
  }

  void clipboard() {
    std::string v = platform::ui::clipboard::GetText();
    (*this)(v == t[0], quote(v));
  }

  static void readContainsText(Reader& r, Command& c) {
    readContains(r, c);
    c.texts = {r.text("text")};
  }
  void launch() {
    auto l = lastLine(s.vars_.count("WORK") ? s.vars_.at("WORK") + "/launch.log" : std::string());
    if (!l) return (*this)(false, "no launch has been recorded");
    (*this)(c.flag ? l->find(t[0]) != std::string::npos : *l == t[0], *l);
  }
  void print() {
    auto& check = *this;
    const std::string folder = platform::controls::printFolder();
    std::string newest;
    long long newestJob = -1;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
      // Jobs are named PID-NUMBER-TITLE.txt, numbered in the order printed.
      const std::string name = it->path().filename().string();
      const size_t dash = name.find('-');
      const long long job = dash == std::string::npos ? 0 : std::atoll(name.c_str() + dash + 1);
      if (job > newestJob || (job == newestJob && name > fs::path(newest).filename().string())) {
        newestJob = job;
        newest = it->path().string();
      }
    }
    if (newest.empty()) return check(false, "no print job in " + folder);
    bool ok = false;
    const std::string text = readAll(newest, &ok);
    check(ok && (c.flag ? text.find(t[0]) != std::string::npos : text == t[0]), quote(text));
  }

  // --- The host's calls: RunEditor's and an object's ---------------------------------

  static void readResult(Reader& r, Command& c) {
    if (r.more() && r.peek().is("nonzero")) {
      r.take("nonzero");
      c.flag = true;
      return;
    }
    if (!r.more()) r.fail("missing result");
    const Token v = r.peek();
    try {
      c.values = {r.value("result")};
    } catch (const ScenarioError&) {
      r.fail("expect result takes a number, nonzero, \"text\", True, False or empty, not " + quote(v.text));
    }
    if (auto number = v.quoted ? std::nullopt : Reader::toNumber(v.text))
      c.numbers = {static_cast<int64_t>(static_cast<int32_t>(*number))};
  }
  void result() {
    auto& check = *this;
    if (s.lastCallWasObject_) return objectResult();
    if (!s.lastRun_) return check(false, "no RunEditor call has returned");
    const CallOutcome& o = *s.lastRun_;
    if (o.error) return check(false, "the call raised " + std::to_string(o.error->number));
    if (!c.flag && n.empty()) return check(false, std::to_string(o.result) + " (RunEditor returns a number)");
    check(c.flag ? o.result != 0 : o.result == n[0], std::to_string(o.result));
  }

  void arg() {
    if (!s.lastRun_) return (*this)(false, "no RunEditor call has returned");
    (*this)(s.lastRun_->arg == t[0], quote(s.lastRun_->arg));
  }

  static void readError(Reader& r, Command& c) {
    const Token& e = r.take("error number or none");
    if (e.is("none")) {
      c.keyword = true;
      return;
    }
    auto number = Reader::toNumber(e.text);
    if (!number || *number < INT32_MIN || *number > 0xFFFFFFFFll)
      r.fail("an error number is signed decimal or 0x hexadecimal, not " + quote(e.text));
    c.numbers = {static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(*number)))};
    parseQualifiers(r, c, {"source", "description"});
  }
  void error() {
    auto& check = *this;
    const std::optional<HostError>* raised = nullptr;
    if (s.lastCallWasObject_) {
      if (!s.lastObjectCall_) return check(false, "no call of an object has been made");
      raised = &s.lastObjectCall_->error;
    } else {
      if (!s.lastRun_) return check(false, "no RunEditor call has returned");
      raised = &s.lastRun_->error;
    }
    const auto& e = *raised;
    if (c.keyword) {
      // RunEditor's error is written by its number and description alone.
      const std::string found = !e ? "none"
                                : s.lastCallWasObject_
                                    ? "error " + describeError(*e)
                                    : "error " + std::to_string(e->number) + " " + quote(e->description);
      return check(!e, found);
    }
    if (!e) return check(false, "no error");
    bool ok = e->number == n[0];
    if (auto v = qualifier("source")) ok = ok && e->source == *v;
    if (auto v = qualifier("description")) ok = ok && e->description == *v;
    check(ok, describeError(*e));
  }

  static void readArgument(Reader& r, Command& c) {
    c.numbers = {r.number("argument number", 1)};
    c.values = {r.value("value")};
  }
  void argument() {
    auto& check = *this;
    if (!s.lastObjectCall_ || !s.lastCallWasObject_) return check(false, "no call of an object has been made");
    const ObjectOutcome& o = *s.lastObjectCall_;
    const size_t i = static_cast<size_t>(n[0]);
    if (i > o.arguments.size())
      return check(false, "the last call had " + std::to_string(o.arguments.size()) + " arguments");
    check(variantIs(o.arguments[i - 1].get(), c.values[0]), describeVariant(o.arguments[i - 1].get()));
  }

  void objectResult() {
    auto& check = *this;
    if (!s.lastObjectCall_) return check(false, "no call of an object has been made");
    const ObjectOutcome& o = *s.lastObjectCall_;
    if (o.error) return check(false, "the call raised " + describeError(*o.error));
    if (c.flag) {
      using namespace platform::com;
      VARIANT v{};
      const bool number = SUCCEEDED(VariantChangeType(&v, &o.result.get(), 0, VT_R8));
      const bool nonzero = number && v.dblVal != 0;
      VariantClear(&v);
      return check(nonzero, describeVariant(o.result.get()));
    }
    check(variantIs(o.result.get(), c.values[0]), describeVariant(o.result.get()));
  }

  // An object's property is read now, and counts as the last call.
  void objectProperty() {
    if (c.values.empty() || c.flag)
      return s.error(&c, "an object's property is compared with \"text\", a number, True, False or empty");
    ObjectOutcome o = s.link_.callObject(t[0], t[1], MemberCall::Get, {});
    if (!o.reached) return s.error(&c, o.failure);
    const bool ok = !o.error && variantIs(o.result.get(), c.values[0]);
    const std::string found = o.error ? "the get raised " + describeError(*o.error) : describeVariant(o.result.get());
    s.lastObjectCall_ = std::move(o);
    s.lastCallWasObject_ = true;
    (*this)(ok, found);
  }

 private:
  Session& s;
  const Command& c;
  const std::vector<std::string>& t;
  const std::vector<int64_t>& n;
};

namespace {

void readNothing(Reader&, Command&) {}

// A kind of expectation: the word after `expect`, how the rest of its line
// is read (nothing: the kind is not written by its word but read from
// another form of the line), and its check.
struct ExpectationKind {
  const char* word;
  void (*read)(Reader&, Command&);
  void (ExpectationCheck::*check)();
};

using X = ExpectationCheck;
const ExpectationKind kKinds[] = {
    {"msgbox", X::readMsgbox, &X::msgbox},
    {"prompts", X::readCount, &X::prompts},
    {"dialog", X::readDialog, &X::dialog},
    {"input", X::readInput, &X::input},
    {"printdialog", X::readPrintDialog, &X::printDialog},
    {"folderdialog", X::readFolderDialog, &X::folderDialog},
    {"text", X::readText, &X::text},
    {"line", X::readLine, &X::line},
    {"lines", X::readCount, &X::lines},
    {"caret", X::readPosition, &X::caret},
    {"selection", X::readRange, &X::selection},
    {"selected", X::readText, &X::selected},
    {"bookmarks", X::readBookmarks, &X::bookmarks},
    {"readonly", X::readYesNo, &X::readonly},
    {"colour", X::readColour, &X::colour},
    {"editor", X::readEditorSetting, &X::editorSetting},
    {"completion", X::readCompletion, &X::completion},
    {"tip", X::readTip, &X::tip},
    {"panel", X::readPanel, &X::panel},
    {"window", X::readWindow, &X::window},
    {"tool", X::readTool, &X::tool},
    {"refused", readNothing, &X::refused},
    {"file", X::readFile, &X::file},
    {"zip", X::readZip, &X::zip},
    {"setting", X::readSetting, &X::setting},
    {"registry", X::readRegistry, &X::registry},
    {"clipboard", X::readText, &X::clipboard},
    {"launch", X::readContainsText, &X::launch},
    {"print", X::readContainsText, &X::print},
    {"result", X::readResult, &X::result},
    {"arg", X::readText, &X::arg},
    {"error", X::readError, &X::error},
    {"argument", X::readArgument, &X::argument},
    // FORM.NAME and FORM.CONTROL.PROPERTY (readMember).
    {"property", nullptr, &X::property},
    {"controlproperty", nullptr, &X::controlProperty},
};

const ExpectationKind* kindOf(const std::string& word) {
  for (const auto& k : kKinds)
    if (word == k.word) return &k;
  return nullptr;
}

}  // namespace

void parseExpect(Reader& r, Command& c) {
  c.family = Family::Expect;
  const Token& head = r.take("what to expect");
  if (head.quoted) r.fail("expect must be followed by what to expect, not a text");
  c.what = head.text;
  const ExpectationKind* kind = kindOf(c.what);
  if (kind && kind->read)
    kind->read(r, c);
  else
    ExpectationCheck::readMember(r, c);
  r.end();
}

void Session::expect(const Command& c) {
  const ExpectationKind* kind = kindOf(c.what);
  if (!kind) return error(&c, "unknown expectation " + c.what);
  ExpectationCheck check(*this, c);
  (check.*kind->check)();
}

}  // namespace kestrin_host
