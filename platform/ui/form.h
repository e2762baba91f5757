// The base of the system's windows.
//
// A form object lives as long as something references it. Its life as a
// window: load (the window and its controls are made, then the load event
// runs), show modeless or modal, hide, and unload (the close query may keep
// the window open; then the unload event runs and the window and its
// controls go). While loaded a form is in the forms collection, which keeps
// it alive; unloading never destroys an object that is still referenced.
// When the last reference goes, the terminate event runs (after the unload,
// if the form was loaded).
//
// Form objects are made with Form::make<T>(...) (or defaultInstance<T>()),
// never on the stack, so that the terminate event can run.
//
// A modal show runs a nested loop: while the form stays loaded and visible
// it lets due timers tick, asks currentUser().nextAction() and dispatches
// the action to the form (and its controls) it names. An error that escapes
// a handler started by the user's action goes back to what raised it and
// never ends the loop.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/user.h"
#include "platform/win32/types.h"

namespace platform::ui {

// The close query's UnloadMode.
namespace unload_mode {
inline constexpr int32_t FormControlMenu = 0;  // the user clicked the close box
inline constexpr int32_t FormCode = 1;         // code unloads the form
}  // namespace unload_mode

// Show styles.
inline constexpr int32_t vbModeless = 0;
inline constexpr int32_t vbModal = 1;

// Window states.
inline constexpr int32_t vbNormal = 0;
inline constexpr int32_t vbMinimized = 1;
inline constexpr int32_t vbMaximized = 2;

// Scale units of ScaleX / ScaleY.
inline constexpr int32_t vbUser = 0, vbTwips = 1, vbPoints = 2, vbPixels = 3, vbCharacters = 4, vbInches = 5,
                         vbMillimeters = 6, vbCentimeters = 7;

// Border styles: 0 none, 1 fixed single, 2 sizable, 3 fixed dialog,
// 4 fixed tool window, 5 sizable tool window.
inline constexpr int32_t vbBSNone = 0, vbFixedSingle = 1, vbSizable = 2, vbFixedDialog = 3, vbFixedToolWindow = 4,
                         vbSizableToolWindow = 5;

class Form : public std::enable_shared_from_this<Form> {
 public:
  template <class T, class... Args>
  static std::shared_ptr<T> make(Args&&... args) {
    return std::shared_ptr<T>(new T(std::forward<Args>(args)...), &Form::destroy);
  }

  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // --- Life --------------------------------------------------------------
  // Loads the form when it is not loaded: the window, then createControls(),
  // then the load event. An error of the load event goes to the caller; the
  // form stays loaded.
  void load();
  bool loaded() const noexcept { return loaded_; }
  // Shows the form, loading it first. Modal (vbModal): returns when the form
  // is hidden or unloaded; showing a visible modeless form modally raises
  // 400. owner: the window that owns this one (may be null).
  void show(int32_t modal = vbModeless, Form* owner = nullptr);
  void hide();
  // Unloads the form with the close query for code (UnloadMode 1). Returns
  // false when the close query or the unload event cancelled. Unloading a
  // form that is not loaded does nothing and returns true; an unload asked
  // for while the same form is already unloading does nothing and returns
  // false.
  bool unload();
  // The user's click on the close box (UnloadMode 0); errors of the close
  // query or unload event are contained.
  bool closeBox();
  // Unloads with the given UnloadMode.
  bool unloadWith(int32_t unloadMode);
  // Whether a modal loop of this form is running.
  bool inModalLoop() const noexcept { return modalDepth_ > 0; }

  // --- Properties ----------------------------------------------------------
  const std::string& name() const noexcept { return name_; }
  const std::string& tag() const noexcept { return tag_; }
  void setTag(std::string tag) { tag_ = std::move(tag); }
  const std::string& caption() const noexcept { return caption_; }
  void setCaption(std::string caption);
  // The window's handle while loaded, else 0.
  HWND hWnd() const noexcept { return hwnd_; }
  HDC hDC() const noexcept { return hdc_; }
  bool visible() const;
  void setVisible(bool visible);  // true shows modeless, false hides
  // 0 normal, 1 minimised, 2 maximised; set while hidden, it applies when
  // the form is shown. Other values raise 380.
  int32_t windowState() const;
  void setWindowState(int32_t state);
  int32_t borderStyle() const noexcept { return borderStyle_; }
  void setBorderStyle(int32_t style);  // 0 to 5, else 380
  int32_t scaleMode() const noexcept { return scaleMode_; }
  void setScaleMode(int32_t mode);

  // The outer rectangle in twips (15 twips to a pixel); while minimised or
  // maximised, the normal rectangle.
  int32_t left() const;
  int32_t top() const;
  int32_t width() const;
  int32_t height() const;
  void setLeft(int32_t twips);
  void setTop(int32_t twips);
  void setWidth(int32_t twips);
  void setHeight(int32_t twips);
  void move(int32_t left, int32_t top, int32_t width = -1, int32_t height = -1);
  // Converts a measure between scale units (vbTwips, vbPixels, ...);
  // fromScale -1 is the form's ScaleMode, toScale -1 as well.
  double scaleX(double width, int32_t fromScale = -1, int32_t toScale = -1) const;
  double scaleY(double height, int32_t fromScale = -1, int32_t toScale = -1) const;

  // Published properties, read and written as text by name
  // ("frmMain.IsDirty"); an unknown name raises 438, a read-only one 383.
  void publish(const std::string& name, std::function<std::string()> get,
               std::function<void(const std::string&)> set = {});
  std::string property(const std::string& name) const;
  void setProperty(const std::string& name, const std::string& value);
  std::vector<std::string> propertyNames() const;

  // --- Controls --------------------------------------------------------------
  // Adds a control (in createControls()); its tab index is the next one.
  // A name and index that the form already has raise 360.
  template <class T>
  std::shared_ptr<T> add(std::shared_ptr<T> control) {
    addControl(control);
    return control;
  }
  void addControl(const std::shared_ptr<Control>& control);
  // A control by name; of a control array, by name and index. An unknown
  // name raises 730; an index that the array lacks raises 340, as does an
  // index given for a control that is no array or none given for an array.
  Control& control(const std::string& name) const;
  Control& control(const std::string& name, int32_t index) const;
  // "name" or "name(index)"; null when there is none.
  std::shared_ptr<Control> findControl(const std::string& fullName) const;
  // The controls in the order they were added.
  const std::vector<std::shared_ptr<Control>>& controls() const noexcept { return controls_; }
  // The elements of a control array in index order.
  std::vector<std::shared_ptr<Control>> controlArray(const std::string& name) const;
  // The controls that can take the focus, in tab order.
  std::vector<std::shared_ptr<Control>> tabOrder() const;

  // --- Focus ---------------------------------------------------------------
  Control* focusedControl() const noexcept { return focused_; }
  // Moves the focus: the lost-focus event of the control that had it runs
  // before the got-focus event of the new one (both contained). Null clears
  // the focus.
  void moveFocus(Control* control);
  // The next or previous control in tab order (Tab, Shift+Tab).
  void tabFocus(bool forward = true);

  // --- The user's actions --------------------------------------------------
  // Carries out one action addressed to this form. Returns false, with the
  // reason in *why, when the form or its controls refused it (unknown
  // control, a disabled one, nothing took it). Errors of the handlers that
  // the action starts are contained.
  virtual bool dispatch(const Action& action, std::string* why = nullptr);

  // The button that Escape presses and the one that Enter presses (null:
  // none). A key goes to the focused control first; Escape and Enter that
  // it does not take press these buttons, and Tab / Shift+Tab that it does
  // not take move the focus.
  void setCancelControl(Control* control) noexcept { cancel_ = control; }
  void setDefaultControl(Control* control) noexcept { default_ = control; }
  Control* cancelControl() const noexcept { return cancel_; }
  Control* defaultControl() const noexcept { return default_; }
  // With KeyPreview the form's key events run before the focused control
  // gets the key.
  bool keyPreview() const noexcept { return keyPreview_; }
  void setKeyPreview(bool on) noexcept { keyPreview_ = on; }

 protected:
  explicit Form(std::string name);

  // Makes the form's controls; runs at every load, before the load event.
  virtual void createControls() {}
  // Events. Cancel set to true keeps the form loaded.
  virtual void onLoad() {}
  virtual void onActivate() {}
  virtual void onQueryUnload(bool& Cancel, int32_t UnloadMode) {
    (void)Cancel;
    (void)UnloadMode;
  }
  virtual void onUnload(bool& Cancel) { (void)Cancel; }
  virtual void onResize() {}
  // Key events of the form itself (with KeyPreview). Setting KeyAscii or
  // KeyCode to 0 swallows the key.
  virtual void onKeyDown(int16_t& KeyCode, int16_t Shift) {
    (void)KeyCode;
    (void)Shift;
  }
  virtual void onKeyPress(int16_t& KeyAscii) { (void)KeyAscii; }
  virtual void onKeyUp(int16_t& KeyCode, int16_t Shift) {
    (void)KeyCode;
    (void)Shift;
  }
  // Runs once, when the last reference to the form goes.
  virtual void onTerminate() {}
  // A tool click that no control took; returns whether the form took it.
  virtual bool onToolClick(const std::string& toolId) {
    (void)toolId;
    return false;
  }

 private:
  static void destroy(Form* form) noexcept;
  void runModalLoop();
  void applyShow();
  int32_t twipsPerPixel() const noexcept { return 15; }

  std::string name_;
  std::string tag_;
  std::string caption_;
  HWND hwnd_ = 0;
  HDC hdc_ = 0;
  bool loaded_ = false;
  bool unloading_ = false;
  bool loading_ = false;
  int32_t pendingWindowState_ = vbNormal;
  int32_t borderStyle_ = vbSizable;
  int32_t scaleMode_ = vbTwips;
  int32_t modalDepth_ = 0;
  // Geometry in pixels while no window exists.
  int32_t pxLeft_ = 0, pxTop_ = 0, pxWidth_ = 320, pxHeight_ = 240;
  std::vector<std::shared_ptr<Control>> controls_;
  Control* focused_ = nullptr;
  Control* cancel_ = nullptr;
  Control* default_ = nullptr;
  bool keyPreview_ = false;
  struct Published {
    std::function<std::string()> get;
    std::function<void(const std::string&)> set;
  };
  std::map<std::string, Published> published_;
  friend void resetDesktop();
};

// Lets pending work run: due timers tick. The user is not asked for
// actions here (those belong to the waiting loop). Returns the number of
// loaded forms.
int32_t DoEvents();

// The loaded forms of this thread, in the order they were loaded.
std::vector<std::shared_ptr<Form>> forms();
// A loaded form by name (the first one loaded); null when none.
std::shared_ptr<Form> findForm(const std::string& name);
// The form whose modal loop runs innermost, else the foreground form; null
// when none.
std::shared_ptr<Form> activeForm();

// Forgets every form, window and timer of this thread's desktop without
// running their events (between tests), and the emergency copy's writer.
void resetDesktop();

// Whether a form or a control (a timer among them) lives anywhere in the
// process, on any thread, or an emergency writer is set. While one does,
// the desktop may still run the code of whoever made it (a redraw, a tick,
// an event, the writer at a hang-up), so the library holding that code,
// a component's, must stay loaded.
bool desktopHoldsObjects();

// The default instance of a form class: made (not loaded) at first use;
// unloading it releases the default reference, so the next use makes a new
// object.
namespace detail {
std::shared_ptr<Form> defaultInstance(std::type_index type, const std::function<std::shared_ptr<Form>()>& make);
void releaseDefaultInstance(std::type_index type);
}  // namespace detail

template <class T>
std::shared_ptr<T> defaultInstance() {
  return std::static_pointer_cast<T>(detail::defaultInstance(typeid(T), [] { return Form::make<T>(); }));
}
// Drops the default reference (as "Set frmX = Nothing" does).
template <class T>
void releaseDefaultInstance() {
  detail::releaseDefaultInstance(typeid(T));
}

}  // namespace platform::ui
