#include "host/session.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "host/desktop_view.h"
#include "host/inspect.h"
#include "host/session_values.h"
#include "platform/com/bstr.h"
#include "platform/controls/code_editor.h"
#include "platform/controls/code_editor_files.h"
#include "platform/controls/status_bar.h"
#include "platform/controls/toolbar.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/errors.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/form.h"
#include "platform/ui/visible_text.h"
#include "platform/ui/windows.h"
#include "platform/win32/files.h"
#include "platform/win32/registry.h"
#include "platform/win32/settings.h"

namespace kestrin_host {

namespace fs = std::filesystem;
namespace mb = platform::ui::mb;
using platform::ui::Action;

namespace {

Session* g_current = nullptr;

bool writeRegistryValue(const std::string& path, const std::string& name, const std::string& type,
                        const std::string& value, std::string* why) {
  std::string below;
  platform::HKEY root = splitKeyPath(path, &below);
  platform::HKEY key = 0;
  platform::LONG r = platform::RegCreateKeyEx(root, below, 0, platform::KEY_WRITE, &key);
  if (r != platform::ERROR_SUCCESS) {
    *why = "the key cannot be created (error " + std::to_string(r) + ")";
    return false;
  }
  std::string data;
  platform::DWORD kind = platform::REG_SZ;
  if (type == "sz" || type == "expand") {
    kind = type == "sz" ? platform::REG_SZ : platform::REG_EXPAND_SZ;
    data = value + '\0';
  } else if (type == "dword") {
    kind = platform::REG_DWORD;
    uint32_t v = value.rfind("0x", 0) == 0 || value.rfind("0X", 0) == 0
                     ? static_cast<uint32_t>(std::stoull(value.substr(2), nullptr, 16))
                     : static_cast<uint32_t>(std::stoll(value));
    for (int i = 0; i < 4; ++i) data += static_cast<char>((v >> (8 * i)) & 0xFF);
  } else {
    kind = platform::REG_BINARY;
    if (type.rfind("bytes:", 0) == 0) kind = static_cast<platform::DWORD>(std::stoul(type.substr(6)));
    std::string hex;
    for (char ch : value)
      if (ch != ' ') hex += ch;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) data += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  r = platform::RegSetValueEx(key, name, kind, data.data(), static_cast<platform::DWORD>(data.size()));
  platform::RegCloseKey(key);
  if (r != platform::ERROR_SUCCESS) {
    *why = "the value cannot be written (error " + std::to_string(r) + ")";
    return false;
  }
  return true;
}

// Sets or clears the file system's compressed flag of a file or folder.
bool setCompressed(const std::string& path, bool on, std::string* why) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    *why = "cannot open " + path;
    return false;
  }
  int flags = 0;
  bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_COMPR_FL) : (flags & ~FS_COMPR_FL);
    ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  if (!ok) *why = "the file system does not let " + path + (on ? " be compressed" : " be uncompressed");
  return ok;
}

const char* kindOfAnswer(const std::string& what) {
  static const std::map<std::string, const char*> names = {
      {"msgbox", "message box"},     {"input", "input box"},    {"open", "open dialog"}, {"save", "save dialog"},
      {"folder", "folder browser"},  {"print", "print dialog"}, {"find", "find prompt"}, {"replace", "replace prompt"},
      {"goto", "go-to-line prompt"}, {"popup", "popup menu"}};
  auto it = names.find(what);
  return it == names.end() ? "prompt" : it->second;
}

}  // namespace

std::string hex32(int32_t n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<uint32_t>(n));
  return buf;
}

platform::HKEY splitKeyPath(const std::string& path, std::string* below) {
  size_t slash = path.find('\\');
  std::string root = path.substr(0, slash);
  *below = slash == std::string::npos ? std::string() : path.substr(slash + 1);
  if (root == "HKEY_CLASSES_ROOT") return platform::HKEY_CLASSES_ROOT;
  if (root == "HKEY_CURRENT_USER") return platform::HKEY_CURRENT_USER;
  return platform::HKEY_LOCAL_MACHINE;
}

std::string describeBox(const platform::ui::MessageBoxPrompt& p) {
  std::string s = "msgbox [" + p.title + "] " + quote(p.text) + " " + buttonSetName(p.buttons) + " " + iconName(p.icon);
  auto answers = p.answers();
  if (p.defaultButton > 0 && p.defaultButton < static_cast<int32_t>(answers.size()))
    s += std::string(" default ") + buttonName(answers[p.defaultButton]);
  return s;
}

Session::Session(std::ostream& out, EditorLink& link, std::map<std::string, std::string> vars)
    : out_(out), link_(link), vars_(std::move(vars)) {
  previous_ = g_current;
  g_current = this;
}

Session::~Session() { g_current = previous_; }

Session* Session::current() { return g_current; }

void Session::say(const std::string& line) { out_ << platform::ui::visibleText(line) << "\n" << std::flush; }

void Session::error(const Command* c, const std::string& message) {
  ++errors_;
  if (!c && lastTaken_) c = &*lastTaken_;
  say("ERROR" + (c ? " " + std::to_string(c->line) : std::string()) + ": " + message);
}

void Session::passExpectation(const Command&) {
  ++passed_;
  // At the console, where commands are not echoed, a kept expectation says so.
  if (!echo_) say("   ok");
}

void Session::failExpectation(const Command& c, const std::string& found) {
  ++failed_;
  say("FAIL " + std::to_string(c.line) + ": " + c.source);
  say("     found: " + found);
}

void Session::runTopLevel() {
  while (auto c = nextCommand(nullptr)) perform(*c);
}

void Session::perform(const Command& c) {
  if (!(c.verb == "expect" && c.what == "refused")) settleRefusal();
  const Command* outer = running_;
  running_ = &c;
  lastTaken_ = c;
  if (c.family != Family::Console && echo_) say(std::to_string(c.line) + ": " + c.source);
  try {
    switch (c.family) {
      case Family::Setup: setup(c); break;
      case Family::HostCall: hostCall(c); break;
      case Family::Answer: answers_.push_back(c); break;
      case Family::Expect: expect(c); break;
      case Family::Action: error(&c, "no window waits for the person: " + c.verb + " needs an open window"); break;
      case Family::Console: consoleCommand(c); break;
    }
  } catch (const platform::RuntimeError& e) {
    error(&c, "failed with error " + std::to_string(e.number()) + ": " + e.description());
  } catch (const std::exception& e) {
    error(&c, std::string("failed: ") + e.what());
  }
  running_ = outer;
}

void Session::consoleCommand(const Command& c) { error(&c, c.verb + " is a command of the console"); }

// --- Set-up -----------------------------------------------------------------

void Session::setup(const Command& c) {
  const auto& t = c.texts;
  if (c.verb == "unset") {
    try {
      platform::DeleteSetting(t[0], t[1], t[2]);
    } catch (const platform::RuntimeError&) {
      // A setting that is not there is unset already.
    }
  } else if (c.verb == "setting") {
    platform::SaveSetting(t[0], t[1], t[2], t[3]);
  } else if (c.verb == "write") {
    fs::path p(t[0]);
    std::error_code ec;
    if (p.has_parent_path()) fs::create_directories(p.parent_path(), ec);
    std::ofstream f(t[0], std::ios::binary | std::ios::trunc);
    f << t[1];
    if (!f) error(&c, "cannot write " + t[0]);
  } else if (c.verb == "mkdir") {
    std::error_code ec;
    fs::create_directories(t[0], ec);
    if (ec) error(&c, "cannot make the folder " + t[0] + ": " + ec.message());
  } else if (c.verb == "remove") {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(t[0], ec))) {
      platform::SetFileAttributes(t[0], 128);
      for (auto it = fs::recursive_directory_iterator(t[0], ec); !ec && it != fs::recursive_directory_iterator();
           it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
      fs::permissions(t[0], fs::perms::owner_write, fs::perm_options::add, ec);
      fs::remove_all(t[0], ec);
      if (ec) error(&c, "cannot remove " + t[0] + ": " + ec.message());
    }
  } else if (c.verb == "attrib") {
    platform::DWORD a = platform::GetFileAttributes(t[0]);
    if (a == 0xFFFFFFFFu) {
      error(&c, "there is no file " + t[0]);
      return;
    }
    bool dosBits = false;
    for (size_t i = 1; i < t.size(); ++i) {
      if (t[i][1] == 'c') continue;
      dosBits = true;
      platform::DWORD bit = t[i][1] == 'r' ? 1 : t[i][1] == 'h' ? 2 : t[i][1] == 's' ? 4 : 32;
      a = t[i][0] == '+' ? (a | bit) : (a & ~bit);
    }
    a &= ~platform::DWORD{16 | 0x800};  // the directory and compressed bits are not set this way
    if (dosBits && !platform::SetFileAttributes(t[0], a == 0 ? 128 : a))
      error(&c, "cannot set the attributes of " + t[0]);
    for (size_t i = 1; i < t.size(); ++i) {
      std::string why;
      if (t[i][1] == 'c' && !setCompressed(t[0], t[i][0] == '+', &why)) error(&c, why);
    }
  } else if (c.verb == "chmod") {
    if (::chmod(t[0].c_str(), static_cast<mode_t>(c.numbers[0])) != 0)
      error(&c, "cannot change the mode of " + t[0] + ": " + std::strerror(errno));
  } else if (c.verb == "touch") {
    // The local wall-clock time, as the clock and the runtime count it.
    const int64_t ms = c.numbers[0];
    const int64_t local = ms / 1000;
    std::tm tm{};
    const time_t asUtc = static_cast<time_t>(local);
    gmtime_r(&asUtc, &tm);
    tm.tm_isdst = -1;
    const time_t when = std::mktime(&tm);
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = when;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    if (::utimensat(AT_FDCWD, t[0].c_str(), times, 0) != 0)
      error(&c, "cannot set the time of " + t[0] + ": " + std::strerror(errno));
  } else if (c.verb == "env") {
    ::setenv(t[0].c_str(), t[1].c_str(), 1);
  } else if (c.verb == "unenv") {
    ::unsetenv(t[0].c_str());
  } else if (c.verb == "allow") {
    allowed_.insert(t[0]);
  } else if (c.verb == "registry") {
    std::string why;
    std::string below;
    platform::HKEY root = splitKeyPath(t[0], &below);
    if (c.what == "deletekey") {
      platform::LONG r = platform::RegDeleteTree(root, below);
      if (r != platform::ERROR_SUCCESS && r != platform::ERROR_FILE_NOT_FOUND)
        error(&c, "the key cannot be deleted (error " + std::to_string(r) + ")");
    } else if (c.what == "delete") {
      platform::HKEY key = 0;
      if (platform::RegOpenKeyEx(root, below, 0, platform::KEY_ALL_ACCESS, &key) == platform::ERROR_SUCCESS) {
        platform::LONG r = platform::RegDeleteValue(key, t[1]);
        platform::RegCloseKey(key);
        if (r != platform::ERROR_SUCCESS && r != platform::ERROR_FILE_NOT_FOUND)
          error(&c, "the value cannot be deleted (error " + std::to_string(r) + ")");
      }
    } else {
      const std::string type = c.what == "bytes" ? "bytes:" + std::to_string(c.numbers[0]) : c.what;
      if (!writeRegistryValue(t[0], t[1], type, t[2], &why)) error(&c, why);
    }
  } else if (c.verb == "clock") {
    platform::setVirtualClock(c.numbers[0]);
  }
}

// --- Host calls ------------------------------------------------------------------

void Session::hostCall(const Command& c) {
  if (c.verb == "onrun") {
    onRun_ = c;
    return;
  }
  if (c.verb == "register" || c.verb == "unregister") {
    std::string why;
    const platform::com::HRESULT r = link_.registration(c.verb == "unregister", &why);
    if (!why.empty())
      error(&c, why);
    else if (r < 0)
      error(&c, std::string(c.verb == "register" ? "DllRegisterServer" : "DllUnregisterServer") + " failed with " +
                    hex32(r));
    else
      say(std::string("   ") + (c.verb == "register" ? "DllRegisterServer" : "DllUnregisterServer") + " -> " +
          hex32(r));
    return;
  }
  if (c.verb == "create") {
    // The editor's forms are named frm...; an object named as a form would
    // make expect NAME.MEMBER ambiguous.
    if (platform::ui::findForm(c.texts[0]) || c.texts[0].rfind("frm", 0) == 0)
      return error(&c, "an object may not have a form's name (" + c.texts[0] + ")");
    std::string why;
    if (!link_.createObject(c.texts[0], c.texts[1], &why)) return error(&c, why);
    say("   created " + c.texts[0]);
    return;
  }
  if (c.verb == "release") {
    if (!link_.releaseObject(c.texts[0])) error(&c, "there is no object " + c.texts[0]);
    return;
  }
  if (c.verb == "call" || c.verb == "let") return objectCall(c);
  if (c.verb == "free") {
    CallOutcome o = link_.freeEditor();
    if (!o.reached) {
      error(&c, "FreeEditor cannot be called: " + o.failure);
    } else if (o.error) {
      say("   FreeEditor raised " + std::to_string(o.error->number) + " (" + hex32(o.error->number) + ") " +
          quote(o.error->source) + " " + quote(o.error->description));
    } else {
      say("   FreeEditor returned");
    }
    return;
  }
  std::optional<std::string> arg;
  if (c.flag) arg = c.texts[0];
  typeIntoEditor_ = true;
  CallOutcome o = link_.runEditor(arg);
  if (!o.reached) {
    error(&c, "RunEditor cannot be called: " + o.failure);
    return;
  }
  if (!o.failure.empty()) error(&c, o.failure);
  lastRun_ = o;
  lastCallWasObject_ = false;
  if (o.error) {
    say("   RunEditor raised " + std::to_string(o.error->number) + " (" + hex32(o.error->number) + ") source " +
        quote(o.error->source) + " description " + quote(o.error->description));
  } else {
    say("   RunEditor -> " + std::to_string(o.result) + (arg ? ", arg " + quote(o.arg) : std::string()));
  }
}

namespace {

platform::com::ComVariant variantOf(const Value& v) {
  using platform::com::ComVariant;
  switch (v.kind) {
    case Value::Kind::Text: return ComVariant::text(v.text);
    case Value::Kind::Boolean: return ComVariant::boolean(v.boolean);
    case Value::Kind::Empty: return ComVariant();
    case Value::Kind::Number:
      if (v.number == static_cast<double>(static_cast<int32_t>(v.number)))
        return ComVariant::i4(static_cast<int32_t>(v.number));
      return ComVariant::r8(v.number);
  }
  return ComVariant();
}

}  // namespace

// A variant as the transcript writes it: "text", 12, True, empty, null, ...
std::string describeVariant(const platform::com::VARIANT& in) {
  using namespace platform::com;
  VARIANT v{};
  VariantCopyInd(&v, &in);
  std::string out;
  switch (v.vt) {
    case VT_EMPTY: out = "empty"; break;
    case VT_NULL: out = "null"; break;
    case VT_I2: out = std::to_string(v.iVal); break;
    case VT_I4: out = std::to_string(v.lVal); break;
    case VT_R8: out = describeValue(Value{Value::Kind::Number, {}, v.dblVal}); break;
    case VT_BOOL: out = v.boolVal ? "True" : "False"; break;
    case VT_BSTR: out = quote(toString(v.bstrVal)); break;
    case VT_DISPATCH: out = "an object"; break;
    case VT_ERROR: out = "error " + hex32(v.scode); break;
    case VT_DATE: out = "a date"; break;
    default: out = "a value of type " + std::to_string(v.vt); break;
  }
  VariantClear(&v);
  return out;
}

// Whether a variant is the value: texts are texts, numbers numbers (of any
// width), True and False Booleans, empty Empty.
bool variantIs(const platform::com::VARIANT& in, const Value& want) {
  using namespace platform::com;
  VARIANT v{};
  VariantCopyInd(&v, &in);
  bool same = false;
  switch (want.kind) {
    case Value::Kind::Text: same = v.vt == VT_BSTR && toString(v.bstrVal) == want.text; break;
    case Value::Kind::Boolean: same = v.vt == VT_BOOL && (v.boolVal != 0) == want.boolean; break;
    case Value::Kind::Empty: same = v.vt == VT_EMPTY; break;
    case Value::Kind::Number:
      same = (v.vt == VT_I2 && v.iVal == want.number) || (v.vt == VT_I4 && v.lVal == want.number) ||
             (v.vt == VT_R8 && v.dblVal == want.number);
      break;
  }
  VariantClear(&v);
  return same;
}

std::string describeError(const HostError& e) {
  return std::to_string(e.number) + " (" + hex32(e.number) + ") source " + quote(e.source) + " description " +
         quote(e.description);
}

void Session::objectCall(const Command& c) {
  std::vector<platform::com::ComVariant> args;
  for (const auto& v : c.values) args.push_back(variantOf(v));
  if (!link_.hasObject(c.texts[0])) return error(&c, "there is no object " + c.texts[0]);
  ObjectOutcome o =
      link_.callObject(c.texts[0], c.texts[1], c.verb == "let" ? MemberCall::Put : MemberCall::Method, args);
  if (!o.reached) return error(&c, o.failure);
  const std::string what = c.texts[0] + "." + c.texts[1];
  if (o.error) {
    say("   " + what + " raised " + describeError(*o.error));
  } else if (c.verb == "call") {
    say("   " + what + " -> " + describeVariant(o.result.get()));
  }
  lastObjectCall_ = std::move(o);
  lastCallWasObject_ = true;
}

void Session::bridgeRan(const std::string& path) {
  (void)path;
  if (!onRun_) return;
  Command c = *onRun_;
  onRun_.reset();
  c.verb = c.what;
  say("   onrun: " + c.verb + (c.flag ? " " + quote(c.texts[0]) : std::string()));
  const Command* outer = running_;
  running_ = &c;
  try {
    hostCall(c);
  } catch (const std::exception& e) {
    error(&c, std::string("the host call inside run_vbscript failed: ") + e.what());
  }
  running_ = outer;
}

void Session::endEditor(const std::string& why) {
  if (ending_) return;
  ending_ = true;
  say("   " + why + "; the host calls FreeEditor");
  CallOutcome o = link_.freeEditor();
  if (!o.reached) say("   FreeEditor cannot be called: " + o.failure);
}

// --- The person's actions ------------------------------------------------------

std::optional<Action> Session::actionOf(const Command& c) {
  Action a;
  using K = Action::Kind;
  const std::string& v = c.verb;
  if (v == "tool") {
    a.kind = K::ToolClick;
    a.text = c.texts[0];
  } else if (v == "type") {
    a.kind = K::TypeText;
    a.text = c.texts[0];
  } else if (v == "key") {
    a.kind = K::Key;
    a.text = c.texts[0];
  } else if (v == "caret" || v == "mouse") {
    a.kind = v == "caret" ? K::Caret : K::Mouse;
    a.line = static_cast<int32_t>(c.numbers[0]);
    a.column = static_cast<int32_t>(c.numbers[1]);
  } else if (v == "select") {
    a.kind = K::Select;
    a.line = static_cast<int32_t>(c.numbers[0]);
    a.column = static_cast<int32_t>(c.numbers[1]);
    a.line2 = static_cast<int32_t>(c.numbers[2]);
    a.column2 = static_cast<int32_t>(c.numbers[3]);
  } else if (v == "rightclick") {
    a.kind = K::RightClick;
  } else if (v == "click" || v == "focus") {
    a.kind = v == "click" ? K::Click : K::Focus;
    a.control = c.texts[0];
  } else if (v == "set" || v == "pick") {
    a.kind = v == "set" ? K::SetValue : K::Pick;
    a.control = c.texts[0];
    a.text = c.texts[1];
  } else if (v == "close") {
    a.kind = K::Close;
    if (!c.texts.empty()) a.form = c.texts[0];
  } else if (v == "wait") {
    a.kind = K::Wait;
    a.millis = c.numbers[0];
  } else if (v == "window") {
    a.kind = K::WindowState;
    a.form = c.texts[0];
    a.number = c.what == "minimize" ? 1 : c.what == "maximize" ? 2 : 0;
  } else {
    return std::nullopt;
  }
  // The caret, the selection and the mouse address the main window's code
  // editor when its window is the one acted on.
  if ((a.kind == K::Caret || a.kind == K::Select || a.kind == K::Mouse || a.kind == K::RightClick)) {
    auto active = platform::ui::activeForm();
    if (active && active->findControl(kCodeEditorName)) a.control = kCodeEditorName;
  }
  return a;
}

// After a run, and after the caret, a selection or a click in the code
// editor, typed keys go to the main window's code editor, as a person
// looking at it would type into it; a click or focus elsewhere ends that.
void Session::followEditorFocus(const Action& a) {
  using K = Action::Kind;
  switch (a.kind) {
    case K::Caret:
    case K::Select:
    case K::Mouse: typeIntoEditor_ = true; break;
    case K::Click:
    case K::Focus:
    case K::SetValue:
    case K::Pick: typeIntoEditor_ = false; break;
    default: break;
  }
  if (!typeIntoEditor_) return;
  if (a.kind != K::TypeText && a.kind != K::Paste && a.kind != K::Key && a.kind != K::Caret && a.kind != K::Select)
    return;
  auto form = platform::ui::activeForm();
  if (!form || form->name() != kMainForm) return;
  auto editor = form->findControl(kCodeEditorName);
  if (editor && editor->focusable() && !editor->hasFocus()) form->moveFocus(editor.get());
}

Action Session::nextAction(const platform::ui::WaitContext& waiting) {
  auto stillWaiting = [&] {
    return waiting.hWnd != 0 && platform::ui::IsWindow(waiting.hWnd) && platform::ui::IsWindowVisible(waiting.hWnd);
  };
  Action abandon;
  abandon.kind = Action::Kind::Abandon;
  while (true) {
    if (ending_ || !stillWaiting()) return abandon;
    auto c = nextCommand(&waiting);
    if (!c) {
      commandsRanOut(waiting);
      return abandon;
    }
    if (c->family == Family::Action) {
      settleRefusal();
      if (echo_) say(std::to_string(c->line) + ": " + c->source);
      lastTaken_ = *c;
      lastActionRefused_ = false;
      Action a = *actionOf(*c);
      followEditorFocus(a);
      return a;
    }
    perform(*c);
  }
}

void Session::actionRefused(const Action& action, const std::string& why) {
  settleRefusal();
  lastActionRefused_ = true;
  const std::string message = "the window did not take the action " + platform::ui::describe(action) + ": " + why;
  // An error unless the next command expects it.
  if (lastTaken_ && lastTaken_->family == Family::Action)
    refusal_ = Refusal{*lastTaken_, message};
  else
    error(nullptr, message);
}

void Session::settleRefusal() {
  if (!refusal_) return;
  Refusal r = std::move(*refusal_);
  refusal_.reset();
  error(&r.action, r.message);
}

bool Session::recordLaunch(const platform::Launch& launch) {
  std::string line;
  bool allowed = false;
  if (launch.kind == platform::Launch::Kind::Opener) {
    line = "opener";
  } else {
    line = quote(launch.program);
    const std::string name = fs::path(launch.program).filename().string();
    allowed = allowed_.count(launch.program) || allowed_.count(name);
  }
  for (const auto& a : launch.arguments) line += " " + quote(a);
  auto it = vars_.find("WORK");
  if (it != vars_.end()) {
    std::ofstream log(it->second + "/launch.log", std::ios::binary | std::ios::app);
    log << line << "\n";
  }
  say(std::string("   ") + (allowed ? "started " : "launch recorded: ") + line);
  return allowed;
}

void Session::commandsRanOut(const platform::ui::WaitContext& waiting) {
  error(nullptr, "the commands ran out while the window " + waiting.formName + " (" + quote(waiting.caption) +
                     ") is still open");
  endEditor("the scenario has ended");
}

// --- Prompts ------------------------------------------------------------------------

void Session::countPrompt() { ++promptsSinceCheck_; }

void Session::transcribePrompt(const std::string& quoted, const std::string& answer) {
  say("   " + quoted + " -> " + answer);
}

std::optional<Command> Session::unanswered(const std::string& kind, const std::string& quoted) {
  error(nullptr, (answers_.empty() ? "a prompt with no answer left: "
                                   : "a prompt that the next answer (" + answers_.front().source + ") does not fit: ") +
                     quoted + " (a " + kindOfAnswer(kind) + ")");
  return std::nullopt;
}

std::optional<Command> Session::answerFor(const std::string& kind, const std::string& quoted) {
  countPrompt();
  if (ending_) return std::nullopt;
  if (!answers_.empty() && answers_.front().what == kind) {
    Command a = answers_.front();
    answers_.pop_front();
    return a;
  }
  return unanswered(kind, quoted);
}

int32_t Session::messageBox(const platform::ui::MessageBoxPrompt& prompt) {
  lastBox_ = prompt;
  const std::string quoted = describeBox(prompt);
  const auto answers = prompt.answers();
  auto a = answerFor("msgbox", quoted);
  int32_t answer = answers.back();
  if (a) {
    answer = static_cast<int32_t>(a->numbers[0]);
    if (std::find(answers.begin(), answers.end(), answer) == answers.end()) {
      error(nullptr, std::string("the box has no button ") + buttonName(answer) + ": " + quoted);
      answer = answers.back();
    }
  } else if (!ending_) {
    for (int32_t b : answers)
      if (b == mb::Cancel) answer = b;
  }
  transcribePrompt(quoted, buttonName(answer));
  return answer;
}

std::optional<std::string> Session::inputBox(const platform::ui::InputBoxPrompt& prompt) {
  lastInput_ = prompt;
  const std::string quoted =
      "input [" + prompt.title + "] " + quote(prompt.prompt) + " default " + quote(prompt.defaultText);
  auto a = answerFor("input", quoted);
  std::optional<std::string> out;
  if (a && !a->flag) out = a->texts[0];
  transcribePrompt(quoted, out ? quote(*out) : "cancel");
  return out;
}

std::optional<std::string> Session::fileDialog(const platform::ui::FileDialogPrompt& prompt) {
  lastDialog_ = prompt;
  const std::string kind = prompt.save ? "save" : "open";
  const std::string quoted = kind + " [" + prompt.title + "] folder " + quote(prompt.initDir) + " filter " +
                             quote(prompt.filter) + " index " + std::to_string(prompt.filterIndex) + " flags " +
                             std::to_string(prompt.flags) + " file " + quote(prompt.fileName);
  auto a = answerFor(kind, quoted);
  std::optional<std::string> out;
  if (a && !a->flag) out = a->texts[0];
  transcribePrompt(quoted, out ? quote(*out) : "cancel");
  return out;
}

std::optional<platform::ui::PrintDialogAnswer> Session::printDialog(const platform::ui::PrintDialogPrompt& prompt) {
  lastPrint_ = prompt;
  const std::string quoted = "print flags " + std::to_string(prompt.flags) + " copies " + std::to_string(prompt.copies);
  auto a = answerFor("print", quoted);
  std::optional<platform::ui::PrintDialogAnswer> out;
  if (a && !a->flag) {
    platform::ui::PrintDialogAnswer p;
    p.flags = prompt.flags;
    p.fromPage = prompt.fromPage;
    p.toPage = prompt.toPage;
    p.copies = prompt.copies;
    out = p;
  }
  transcribePrompt(quoted, out ? "ok" : "cancel");
  return out;
}

std::optional<std::string> Session::browseFolder(const platform::ui::FolderPrompt& prompt) {
  lastFolder_ = prompt;
  const std::string quoted = "folder [" + prompt.title + "] root " + quote(prompt.root);
  auto a = answerFor("folder", quoted);
  std::optional<std::string> out;
  if (a && !a->flag) out = a->texts[0];
  transcribePrompt(quoted, out ? quote(*out) : "cancel");
  return out;
}

std::optional<std::string> Session::find(const platform::ui::FindPrompt& prompt) {
  const std::string quoted = "find [" + prompt.title + "] default " + quote(prompt.defaultText);
  auto a = answerFor("find", quoted);
  std::optional<std::string> out;
  if (a && !a->flag) out = a->texts[0];
  transcribePrompt(quoted, out ? quote(*out) : "cancel");
  return out;
}

std::optional<platform::ui::ReplaceAnswer> Session::replace(const platform::ui::FindPrompt& prompt) {
  const std::string quoted = "replace [" + prompt.title + "] default " + quote(prompt.defaultText);
  auto a = answerFor("replace", quoted);
  std::optional<platform::ui::ReplaceAnswer> out;
  if (a && !a->flag) out = platform::ui::ReplaceAnswer{a->texts[0], a->texts[1], a->qualifiers.at("mode") == "all"};
  transcribePrompt(quoted,
                   out ? quote(out->find) + " " + quote(out->replaceWith) + (out->all ? " all" : " once") : "cancel");
  return out;
}

std::optional<int32_t> Session::gotoLine(const platform::ui::GotoPrompt& prompt) {
  const std::string quoted = "goto of " + std::to_string(prompt.lineCount) + " lines";
  auto a = answerFor("goto", quoted);
  std::optional<int32_t> out;
  if (a && !a->flag) out = static_cast<int32_t>(a->numbers[0]);
  transcribePrompt(quoted, out ? std::to_string(*out) : "cancel");
  return out;
}

std::optional<std::string> Session::popupMenu(const platform::ui::PopupPrompt& prompt) {
  std::string entries;
  for (const auto& id : prompt.toolIds) entries += (entries.empty() ? "" : " ") + id;
  const std::string quoted = "popup " + prompt.popupId + " [" + entries + "]";
  std::optional<std::string> out;
  // A `tool` command that names one of the popup's entries clicks it.
  if ((answers_.empty() || answers_.front().what != "popup") && !ending_) {
    if (auto picked = popupPick(prompt)) {
      countPrompt();
      transcribePrompt(quoted, *picked);
      return picked;
    }
  }
  auto a = answerFor("popup", quoted);
  if (a && !a->keyword) {
    out = a->texts[0];
    if (std::find(prompt.toolIds.begin(), prompt.toolIds.end(), *out) == prompt.toolIds.end())
      error(nullptr, "the popup " + prompt.popupId + " has no entry " + *out);
  }
  transcribePrompt(quoted, out ? *out : "none");
  return out;
}

std::optional<std::string> Session::popupPick(const platform::ui::PopupPrompt&) { return std::nullopt; }

}  // namespace kestrin_host
