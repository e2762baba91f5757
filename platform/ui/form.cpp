#include "platform/ui/form.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>

#include "platform/runtime/strings.h"
#include "platform/ui/emergency.h"
#include "platform/ui/keys.h"
#include "platform/ui/scripted_user.h"
#include "platform/ui/timer.h"
#include "platform/ui/windows.h"

namespace platform::ui {

namespace {

struct UiState {
  std::vector<std::shared_ptr<Form>> forms;  // loaded, in load order
  std::map<std::type_index, std::shared_ptr<Form>> defaults;
  std::vector<Form*> modalStack;  // innermost last
};

// Left to the thread's end on purpose: forms that go late still find it.
UiState& S() {
  thread_local auto* s = new UiState();
  return *s;
}

std::atomic<HDC> g_nextDC{0x01000010};

bool sameName(const std::string& a, const std::string& b) { return equalsAsciiNoCase(a, b); }

[[noreturn]] void raiseText(int32_t number, const std::string& text) { raise(number, defaultErrorSource(), text); }

void styleFor(int32_t border, LONG& style, LONG& exStyle) {
  switch (border) {
    case vbBSNone:
      style = 0;
      exStyle = 0;
      break;
    case vbFixedSingle:
      style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
      exStyle = WS_EX_WINDOWEDGE;
      break;
    case vbFixedDialog:
      style = WS_CAPTION | WS_SYSMENU;
      exStyle = WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME;
      break;
    case vbFixedToolWindow:
      style = WS_CAPTION | WS_SYSMENU;
      exStyle = WS_EX_WINDOWEDGE | WS_EX_TOOLWINDOW;
      break;
    case vbSizableToolWindow:
      style = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
      exStyle = WS_EX_WINDOWEDGE | WS_EX_TOOLWINDOW;
      break;
    default:
      style = WS_OVERLAPPEDWINDOW;
      exStyle = WS_EX_WINDOWEDGE;
      break;
  }
}

int32_t showCommandFor(int32_t state) {
  return state == vbMinimized ? SW_SHOWMINIMIZED : state == vbMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
}

// Twips in one unit of a scale mode, across and down.
double twipsPerUnit(int32_t mode, bool vertical) {
  switch (mode) {
    case vbPoints: return 20.0;
    case vbPixels: return 15.0;
    case vbCharacters: return vertical ? 240.0 : 120.0;
    case vbInches: return 1440.0;
    case vbMillimeters: return 1440.0 / 25.4;
    case vbCentimeters: return 1440.0 / 2.54;
    default: return 1.0;  // twips; a user scale counts as twips
  }
}

bool parseControlName(const std::string& fullName, std::string& name, int32_t& index) {
  index = -1;
  auto open = fullName.find('(');
  if (open == std::string::npos) {
    name = fullName;
    return !name.empty();
  }
  if (fullName.back() != ')') return false;
  name = fullName.substr(0, open);
  std::string digits = fullName.substr(open + 1, fullName.size() - open - 2);
  if (name.empty() || digits.empty() || digits.size() > 9) return false;
  for (char c : digits)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  index = std::stoi(digits);
  return true;
}

}  // namespace

// --- Life ----------------------------------------------------------------

namespace {
std::atomic<long> g_livingForms{0};
}  // namespace

Form::Form(std::string name) : name_(std::move(name)), caption_(name_) { ++g_livingForms; }

Form::~Form() {
  --g_livingForms;
  if (hwnd_) DestroyWindow(hwnd_);
}

bool desktopHoldsObjects() { return g_livingForms.load() > 0 || livingControls() > 0 || emergencySaveSet(); }

void Form::destroy(Form* form) noexcept {
  try {
    if (form->loaded_) {  // only when the desktop is reset under it
      form->loaded_ = false;
      form->controls_.clear();
    }
    runContained(form->name_ + ".Terminate", [form] { form->onTerminate(); });
  } catch (...) {
    // A failure of the scripted user inside the terminate event has no one
    // to go to here; the test sees it in the user's failures.
  }
  delete form;
}

void Form::load() {
  if (loaded_ || loading_) return;
  auto self = shared_from_this();  // forms are made with Form::make
  loading_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{loading_};
  // The desktop opens before the first window, so that the screen's size
  // is its display's when the load step places the form.
  (void)currentUserShared();
  LONG style = 0, exStyle = 0;
  styleFor(borderStyle_, style, exStyle);
  hwnd_ =
      desktop::createWindow(caption_, style, exStyle, 0, RECT{pxLeft_, pxTop_, pxLeft_ + pxWidth_, pxTop_ + pxHeight_});
  hdc_ = g_nextDC.fetch_add(4);
  loaded_ = true;
  S().forms.push_back(self);
  createControls();
  if (!loaded_) return;
  onLoad();
}

void Form::applyShow() {
  HWND h = hwnd_;
  ShowWindow(h, showCommandFor(pendingWindowState_));
  SetForegroundWindow(h);
}

void Form::show(int32_t modal, Form* owner) {
  auto self = shared_from_this();
  load();
  if (!loaded_) raiseText(364, "Object was unloaded");
  if (owner && owner != this && owner->loaded()) desktop::setOwner(hwnd_, owner->hWnd());
  if (modal == vbModal) {
    if (visible()) raiseText(400, "Form already displayed; can't show modally");
    applyShow();
    auto order = tabOrder();
    if (!order.empty()) moveFocus(order.front().get());
    if (!loaded_) return;
    runContained(name_ + ".Activate", [this] { onActivate(); });
    runModalLoop();
    return;
  }
  bool wasVisible = visible();
  applyShow();
  if (!focused_) {
    auto order = tabOrder();
    if (!order.empty()) moveFocus(order.front().get());
  }
  if (!wasVisible && loaded_) runContained(name_ + ".Activate", [this] { onActivate(); });
}

void Form::hide() {
  if (!loaded_) return;
  if (visible()) pendingWindowState_ = windowState();
  ShowWindow(hwnd_, SW_HIDE);
}

bool Form::unload() { return unloadWith(unload_mode::FormCode); }

bool Form::closeBox() {
  bool unloaded = false;
  runContained(name_ + ".QueryUnload", [&] { unloaded = unloadWith(unload_mode::FormControlMenu); });
  return unloaded;
}

bool Form::unloadWith(int32_t unloadMode) {
  if (!loaded_) return true;
  if (unloading_) return false;
  auto self = shared_from_this();  // alive until the unload is done
  unloading_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{unloading_};

  bool cancel = false;
  onQueryUnload(cancel, unloadMode);
  if (cancel || !loaded_) return false;
  onUnload(cancel);
  if (cancel || !loaded_) return false;

  // The window and its controls go. A control whose handler is still
  // running is kept alive by that handler.
  std::vector<std::shared_ptr<Control>> dropped;
  dropped.swap(controls_);
  for (auto& c : dropped) c->form_ = nullptr;
  focused_ = cancel_ = default_ = nullptr;
  loaded_ = false;
  HWND h = hwnd_;
  hwnd_ = 0;
  hdc_ = 0;
  DestroyWindow(h);
  auto& st = S();
  st.forms.erase(std::remove(st.forms.begin(), st.forms.end(), self), st.forms.end());
  for (auto it = st.defaults.begin(); it != st.defaults.end();)
    it = it->second == self ? st.defaults.erase(it) : std::next(it);
  return true;
}

// --- The modal loop ----------------------------------------------------------

void Form::runModalLoop() {
  auto self = shared_from_this();
  auto& st = S();
  // The other windows wait while this one is shown modally.
  std::vector<std::weak_ptr<Form>> disabled;
  for (auto& f : st.forms)
    if (f.get() != this && f->visible() && IsWindowEnabled(f->hWnd())) {
      EnableWindow(f->hWnd(), 0);
      disabled.push_back(f);
    }
  st.modalStack.push_back(this);
  ++modalDepth_;
  struct Restore {
    Form* form;
    std::vector<std::weak_ptr<Form>>& disabled;
    ~Restore() {
      auto& stack = S().modalStack;
      auto it = std::find(stack.rbegin(), stack.rend(), form);
      if (it != stack.rend()) stack.erase(std::next(it).base());
      --form->modalDepth_;
      for (auto& w : disabled)
        if (auto f = w.lock(); f && f->loaded()) EnableWindow(f->hWnd(), 1);
    }
  } restore{this, disabled};

  while (loaded_ && visible()) {
    desktop::takeSessionRequests();
    runDueTimers();
    if (!loaded_ || !visible()) break;
    auto user = currentUserShared();
    Action action = user->nextAction(WaitContext{name_, caption_, hwnd_});
    std::string why;
    bool ok = true;
    switch (action.kind) {
      case Action::Kind::Wait: passTime(action.millis); break;
      case Action::Kind::Abandon:
        // Nobody will act any more: code unloads the window; when its close
        // query keeps it, the wait ends all the same.
        runContained(name_ + ".QueryUnload", [this] { unloadWith(unload_mode::FormCode); });
        if (loaded_ && visible()) hide();
        break;
      default: {
        std::shared_ptr<Form> target;
        if (action.form.empty()) {
          target = activeForm();
          if (!target || !IsWindowEnabled(target->hWnd())) target = self;
        } else {
          for (auto& f : st.forms)
            if (sameName(f->name(), action.form) && (!target || f->visible())) target = f;
          if (!target) {
            ok = false;
            why = "no form " + action.form + " is loaded";
          } else if (!target->visible()) {
            ok = false;
            why = target->name() + " is not shown";
          } else if (!IsWindowEnabled(target->hWnd())) {
            ok = false;
            why = target->name() + " waits behind the modal window " + name_;
          }
        }
        if (ok) {
          ok = false;
          runContained("action " + describe(action), [&] { ok = target->dispatch(action, &why); });
          if (!ok && why.empty()) why = "the action failed";
        }
      }
    }
    if (!ok) user->actionRefused(action, why);
  }
}

// --- Properties ------------------------------------------------------------

void Form::setCaption(std::string caption) {
  caption_ = std::move(caption);
  if (hwnd_) SetWindowText(hwnd_, caption_.c_str());
}

bool Form::visible() const { return loaded_ && IsWindowVisible(hwnd_); }

void Form::setVisible(bool visible) {
  if (visible)
    show(vbModeless);
  else
    hide();
}

int32_t Form::windowState() const {
  if (!visible()) return pendingWindowState_;
  return IsIconic(hwnd_) ? vbMinimized : IsZoomed(hwnd_) ? vbMaximized : vbNormal;
}

void Form::setWindowState(int32_t state) {
  if (state < vbNormal || state > vbMaximized) raise(err::InvalidPropertyValue);
  pendingWindowState_ = state;
  if (visible() && windowState() != state) {
    ShowWindow(hwnd_, showCommandFor(state));
    runContained(name_ + ".Resize", [this] { onResize(); });
  }
}

void Form::setBorderStyle(int32_t style) {
  if (style < vbBSNone || style > vbSizableToolWindow) raise(err::InvalidPropertyValue);
  borderStyle_ = style;
}

void Form::setScaleMode(int32_t mode) {
  if (mode < vbUser || mode > vbCentimeters) raise(err::InvalidPropertyValue);
  scaleMode_ = mode;
}

int32_t Form::left() const { return (loaded_ ? desktop::windowRect(hwnd_).left : pxLeft_) * twipsPerPixel(); }
int32_t Form::top() const { return (loaded_ ? desktop::windowRect(hwnd_).top : pxTop_) * twipsPerPixel(); }
int32_t Form::width() const {
  if (!loaded_) return pxWidth_ * twipsPerPixel();
  RECT r = desktop::windowRect(hwnd_);
  return (r.right - r.left) * twipsPerPixel();
}
int32_t Form::height() const {
  if (!loaded_) return pxHeight_ * twipsPerPixel();
  RECT r = desktop::windowRect(hwnd_);
  return (r.bottom - r.top) * twipsPerPixel();
}

void Form::move(int32_t left, int32_t top, int32_t width, int32_t height) {
  auto px = [this](int32_t twips) {
    return static_cast<int32_t>(std::lround(static_cast<double>(twips) / twipsPerPixel()));
  };
  if (width < -1 || height < -1) raise(err::InvalidPropertyValue);
  if (!loaded_) {
    pxLeft_ = px(left);
    pxTop_ = px(top);
    if (width >= 0) pxWidth_ = px(width);
    if (height >= 0) pxHeight_ = px(height);
    return;
  }
  if (IsIconic(hwnd_) || IsZoomed(hwnd_)) raiseText(384, "A form can't be moved or sized while minimized or maximized");
  RECT r = desktop::windowRect(hwnd_);
  int32_t w = width >= 0 ? px(width) : r.right - r.left;
  int32_t h = height >= 0 ? px(height) : r.bottom - r.top;
  bool resized = w != r.right - r.left || h != r.bottom - r.top;
  SetWindowPos(hwnd_, 0, px(left), px(top), w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  if (resized) runContained(name_ + ".Resize", [this] { onResize(); });
}

void Form::setLeft(int32_t twips) { move(twips, top()); }
void Form::setTop(int32_t twips) { move(left(), twips); }
void Form::setWidth(int32_t twips) { move(left(), top(), twips, height()); }
void Form::setHeight(int32_t twips) { move(left(), top(), width(), twips); }

double Form::scaleX(double width, int32_t fromScale, int32_t toScale) const {
  if (fromScale < 0) fromScale = scaleMode_;
  if (toScale < 0) toScale = scaleMode_;
  return width * twipsPerUnit(fromScale, false) / twipsPerUnit(toScale, false);
}

double Form::scaleY(double height, int32_t fromScale, int32_t toScale) const {
  if (fromScale < 0) fromScale = scaleMode_;
  if (toScale < 0) toScale = scaleMode_;
  return height * twipsPerUnit(fromScale, true) / twipsPerUnit(toScale, true);
}

void Form::publish(const std::string& name, std::function<std::string()> get,
                   std::function<void(const std::string&)> set) {
  published_[name] = Published{std::move(get), std::move(set)};
}

std::string Form::property(const std::string& name) const {
  for (const auto& [n, p] : published_)
    if (sameName(n, name) && p.get) return p.get();
  raise(err::ObjectDoesntSupport);
}

void Form::setProperty(const std::string& name, const std::string& value) {
  for (const auto& [n, p] : published_)
    if (sameName(n, name)) {
      if (!p.set) raiseText(383, "Property is read-only");
      p.set(value);
      return;
    }
  raise(err::ObjectDoesntSupport);
}

std::vector<std::string> Form::propertyNames() const {
  std::vector<std::string> names;
  for (const auto& [n, p] : published_) names.push_back(n);
  return names;
}

// --- Controls ------------------------------------------------------------

void Form::addControl(const std::shared_ptr<Control>& control) {
  if (!control) raise(err::ObjectRequired);
  for (const auto& c : controls_)
    if (sameName(c->name(), control->name()) &&
        (c->index() == control->index() || c->hasIndex() != control->hasIndex()))
      raiseText(360, "Object already loaded");
  control->form_ = this;
  control->owned_ = true;
  control->tabIndex_ = static_cast<int32_t>(controls_.size());
  controls_.push_back(control);
}

Control& Form::control(const std::string& name) const {
  Control* found = nullptr;
  for (const auto& c : controls_)
    if (sameName(c->name(), name)) {
      if (c->hasIndex()) raise(err::ControlArrayElementDoesNotExist);
      found = c.get();
    }
  if (!found) raiseText(730, "Control '" + name + "' not found");
  return *found;
}

Control& Form::control(const std::string& name, int32_t index) const {
  bool known = false;
  for (const auto& c : controls_)
    if (sameName(c->name(), name)) {
      known = true;
      if (c->hasIndex() && c->index() == index) return *c;
    }
  if (!known) raiseText(730, "Control '" + name + "' not found");
  raise(err::ControlArrayElementDoesNotExist);
}

std::shared_ptr<Control> Form::findControl(const std::string& fullName) const {
  std::string name;
  int32_t index = -1;
  if (!parseControlName(fullName, name, index)) return nullptr;
  for (const auto& c : controls_)
    if (sameName(c->name(), name) && c->index() == index) return c;
  return nullptr;
}

std::vector<std::shared_ptr<Control>> Form::controlArray(const std::string& name) const {
  std::vector<std::shared_ptr<Control>> out;
  for (const auto& c : controls_)
    if (sameName(c->name(), name) && c->hasIndex()) out.push_back(c);
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a->index() < b->index(); });
  return out;
}

std::vector<std::shared_ptr<Control>> Form::tabOrder() const {
  std::vector<std::shared_ptr<Control>> out;
  for (const auto& c : controls_)
    if (c->tabStop() && c->focusable()) out.push_back(c);
  std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a->tabIndex() < b->tabIndex(); });
  return out;
}

// --- Focus ---------------------------------------------------------------

void Form::moveFocus(Control* control) {
  if (control == focused_) return;
  if (control && control->form() != this) return;
  auto keepForm = weak_from_this().lock();
  Control* old = focused_;
  auto keepOld = old ? old->weak_from_this().lock() : nullptr;
  auto keepNew = control ? control->weak_from_this().lock() : nullptr;
  focused_ = control;
  // The control that had the focus hears of it first.
  if (old) old->fireEvent("LostFocus", old->onLostFocus);
  if (control && focused_ == control && control->form() == this) control->fireEvent("GotFocus", control->onGotFocus);
}

void Form::tabFocus(bool forward) {
  auto order = tabOrder();
  if (order.empty()) return;
  auto it = std::find_if(order.begin(), order.end(), [this](const auto& c) { return c.get() == focused_; });
  size_t n = order.size();
  size_t next = 0;
  if (it == order.end())
    next = forward ? 0 : n - 1;
  else {
    size_t at = static_cast<size_t>(it - order.begin());
    next = forward ? (at + 1) % n : (at + n - 1) % n;
  }
  moveFocus(order[next].get());
}

// --- The user's actions --------------------------------------------------

bool Form::dispatch(const Action& a, std::string* why) {
  auto self = shared_from_this();
  auto refuse = [&](std::string reason) {
    if (why) *why = std::move(reason);
    return false;
  };
  using K = Action::Kind;
  if (!loaded_) return refuse(name_ + " is not loaded");

  auto named = [&](std::shared_ptr<Control>& out) -> bool {
    out = findControl(a.control);
    if (!out) {
      refuse(name_ + " has no control " + a.control);
      return false;
    }
    if (!out->visible() || !out->enabled()) {
      refuse(name_ + "." + out->fullName() + " is hidden or disabled");
      return false;
    }
    return true;
  };
  auto stillHere = [&](const std::shared_ptr<Control>& c) { return loaded_ && c->form() == this; };

  switch (a.kind) {
    case K::ToolClick: {
      auto all = controls_;
      for (auto& c : all)
        if (stillHere(c) && c->enabled() && c->toolClick(a.text)) return true;
      bool took = false;
      runContained(name_ + ".ToolClick", [&] { took = onToolClick(a.text); });
      return took ? true : refuse("no control of " + name_ + " has the tool " + a.text);
    }
    case K::TypeText: {
      if (!focused_) return refuse("no control of " + name_ + " has the focus");
      auto c = focused_->shared_from_this();
      return c->typeText(a.text) ? true : refuse(name_ + "." + c->fullName() + " takes no typing");
    }
    case K::Paste: {
      if (!focused_) return refuse("no control of " + name_ + " has the focus");
      auto c = focused_->shared_from_this();
      return c->pasteText(a.text) ? true : refuse(name_ + "." + c->fullName() + " takes no paste");
    }
    case K::Key: {
      auto key = parseKey(a.text);
      if (!key) return refuse("no key is named " + a.text);
      int16_t code = key->keyCode;
      int16_t ascii = key->ascii;
      const int16_t shift = key->shift;
      if (keyPreview_) {
        runContained(name_ + ".KeyDown", [&] { onKeyDown(code, shift); });
        if (ascii) runContained(name_ + ".KeyPress", [&] { onKeyPress(ascii); });
        if (!loaded_) return true;
      }
      bool taken = keyPreview_;
      const bool swallowed = keyPreview_ && key->keyCode != 0 && code == 0;
      if (!swallowed) {
        bool controlTook = false;
        if (focused_) {
          auto c = focused_->shared_from_this();
          controlTook = c->pressKey(a.text);
        }
        if (!controlTook && loaded_ && shift == 0) {
          Control* button = key->keyCode == vbkey::Escape   ? cancel_
                            : key->keyCode == vbkey::Return ? default_
                                                            : nullptr;
          if (button && button->visible() && button->enabled()) {
            auto c = button->shared_from_this();
            controlTook = c->click();
          }
        }
        if (!controlTook && loaded_ && key->keyCode == vbkey::Tab && (shift & ~key_mask::Shift) == 0) {
          tabFocus((shift & key_mask::Shift) == 0);
          controlTook = true;
        }
        taken = taken || controlTook;
      }
      if (keyPreview_ && loaded_) {
        int16_t upCode = key->keyCode;
        runContained(name_ + ".KeyUp", [&] { onKeyUp(upCode, shift); });
      }
      return taken ? true : refuse("nothing on " + name_ + " takes the key " + a.text);
    }
    case K::Click: {
      std::shared_ptr<Control> c;
      if (!named(c)) return false;
      // The control that had the focus loses it before the click.
      if (c->focusable()) moveFocus(c.get());
      if (!stillHere(c)) return true;
      return c->click() ? true : refuse(name_ + "." + c->fullName() + " takes no click");
    }
    case K::SetValue:
    case K::Pick: {
      std::shared_ptr<Control> c;
      if (!named(c)) return false;
      if (c->focusable()) moveFocus(c.get());
      if (!stillHere(c)) return true;
      bool took = a.kind == K::SetValue ? c->setValueText(a.text) : c->pick(a.text);
      return took ? true : refuse(name_ + "." + c->fullName() + " does not take \"" + a.text + "\"");
    }
    case K::Focus: {
      std::shared_ptr<Control> c;
      if (!named(c)) return false;
      if (!c->focusable()) return refuse(name_ + "." + c->fullName() + " cannot take the focus");
      moveFocus(c.get());
      return true;
    }
    case K::Caret:
    case K::Select:
    case K::Mouse:
    case K::RightClick: {
      std::vector<std::shared_ptr<Control>> candidates;
      if (!a.control.empty()) {
        std::shared_ptr<Control> c;
        if (!named(c)) return false;
        candidates.push_back(c);
      } else if (focused_) {
        candidates.push_back(focused_->shared_from_this());
      } else {
        candidates = controls_;
      }
      for (auto& c : candidates) {
        if (!stillHere(c) || !c->visible() || !c->enabled()) continue;
        if (a.kind == K::Mouse && c->focusable()) moveFocus(c.get());
        if (!stillHere(c)) return true;
        bool took = a.kind == K::Caret    ? c->caret(a.line, a.column)
                    : a.kind == K::Select ? c->select(a.line, a.column, a.line2, a.column2)
                    : a.kind == K::Mouse  ? c->mouse(a.line, a.column)
                                          : c->rightClick();
        if (took) return true;
      }
      return refuse("nothing on " + name_ + " takes " + describe(a));
    }
    case K::Close: closeBox(); return true;
    case K::WindowState:
      if (a.number < vbNormal || a.number > vbMaximized) return refuse("no window state " + std::to_string(a.number));
      setWindowState(a.number);
      return true;
    case K::Wait: passTime(a.millis); return true;
    case K::Abandon: unload(); return true;
  }
  return refuse("unknown action");
}

// --- The forms collection ----------------------------------------------------

std::vector<std::shared_ptr<Form>> forms() { return S().forms; }

std::shared_ptr<Form> findForm(const std::string& name) {
  for (auto& f : S().forms)
    if (sameName(f->name(), name)) return f;
  return nullptr;
}

std::shared_ptr<Form> activeForm() {
  auto& st = S();
  HWND fg = GetForegroundWindow();
  for (auto& f : st.forms)
    if (f->hWnd() == fg && IsWindowEnabled(fg)) return f;
  if (!st.modalStack.empty())
    if (auto f = st.modalStack.back()->weak_from_this().lock()) return f;
  for (auto& f : st.forms)
    if (f->hWnd() == fg) return f;
  return nullptr;
}

void resetDesktop() {
  auto& st = S();
  // The emergency copy's writer belongs to a window that goes now, and its
  // code to a component that may be unloaded next.
  setEmergencySave(nullptr);
  st.modalStack.clear();
  auto all = std::move(st.forms);
  st.forms.clear();
  for (auto& f : all) {
    for (auto& c : f->controls_) c->form_ = nullptr;
    f->controls_.clear();
    f->focused_ = f->cancel_ = f->default_ = nullptr;
    f->loaded_ = false;
    f->hwnd_ = 0;
    f->hdc_ = 0;
  }
  all.clear();
  st.defaults.clear();
  desktop::reset();
  clearLastContainedError();
}

namespace detail {

std::shared_ptr<Form> defaultInstance(std::type_index type, const std::function<std::shared_ptr<Form>()>& make) {
  auto& d = S().defaults;
  auto it = d.find(type);
  if (it != d.end()) return it->second;
  auto form = make();
  d[type] = form;
  return form;
}

void releaseDefaultInstance(std::type_index type) {
  auto& d = S().defaults;
  auto it = d.find(type);
  if (it == d.end()) return;
  auto keep = std::move(it->second);  // released after the map is consistent
  d.erase(it);
}

}  // namespace detail

// --- A control on its form ---------------------------------------------------
//
// What a control does to its form and asks of it (its focus, its place in
// the tab order) is the form's business, kept here so that the control
// needs no more of the form than its name.

std::shared_ptr<Form> Control::formShared() const { return form_ ? form_->weak_from_this().lock() : nullptr; }

void Control::setVisible(bool visible) {
  visible_ = visible;
  if (!visible && form_ && form_->focusedControl() == this) form_->moveFocus(nullptr);
}

void Control::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled && form_ && form_->focusedControl() == this) form_->moveFocus(nullptr);
}

void Control::setTabIndex(int32_t tabIndex) {
  if (tabIndex < 0) raise(err::InvalidPropertyValue);
  if (!form_) {
    tabIndex_ = tabIndex;
    return;
  }
  // Move this control to the place; the others close up behind it.
  const auto& all = form_->controls();
  int32_t count = static_cast<int32_t>(all.size());
  if (tabIndex >= count) tabIndex = count - 1;
  int32_t old = tabIndex_;
  for (const auto& c : all) {
    if (c.get() == this) continue;
    if (old < tabIndex && c->tabIndex_ > old && c->tabIndex_ <= tabIndex) --c->tabIndex_;
    if (old > tabIndex && c->tabIndex_ >= tabIndex && c->tabIndex_ < old) ++c->tabIndex_;
  }
  tabIndex_ = tabIndex;
}

bool Control::onLoadedForm() const { return form_ && form_->loaded(); }

bool Control::focusable() const { return onLoadedForm() && visible_ && enabled_ && canTakeFocus(); }

bool Control::hasFocus() const { return form_ && form_->focusedControl() == this; }

void Control::setFocus() {
  if (!focusable()) raise(err::InvalidProcedureCall);
  form_->moveFocus(this);
}

int32_t DoEvents() {
  runDueTimers();
  return static_cast<int32_t>(forms().size());
}

}  // namespace platform::ui
