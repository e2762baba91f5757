// The windowed face's user, shared by its sources and its tests (with the
// widgets' headers, the only headers of the platform that include Qt;
// nothing above the platform includes them). The widgets know the user
// only as the sink of their actions.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/action_sink.h"
#include "platform/gui/gui.h"
#include "platform/gui/qt_support.h"
#include "platform/ui/form.h"
#include "platform/ui/user.h"

class QTimer;
class QPrinter;

namespace platform::controls {
class CodeEditor;
}

namespace platform::gui {

// The application object: the host's, or one made here at first use.
QApplication* ensureApplication();

class FormWindow;

class WindowUser final : public ui::User, public ActionSink {
 public:
  WindowUser();
  ~WindowUser() override;

  int32_t messageBox(const ui::MessageBoxPrompt& prompt) override;
  std::optional<std::string> inputBox(const ui::InputBoxPrompt& prompt) override;
  std::optional<std::string> fileDialog(const ui::FileDialogPrompt& prompt) override;
  std::optional<ui::PrintDialogAnswer> printDialog(const ui::PrintDialogPrompt& prompt) override;
  std::optional<std::string> browseFolder(const ui::FolderPrompt& prompt) override;
  std::optional<std::string> find(const ui::FindPrompt& prompt) override;
  std::optional<ui::ReplaceAnswer> replace(const ui::FindPrompt& prompt) override;
  std::optional<int32_t> gotoLine(const ui::GotoPrompt& prompt) override;
  std::optional<std::string> popupMenu(const ui::PopupPrompt& prompt) override;
  ui::Action nextAction(const ui::WaitContext& waiting) override;

  // The windowed user installed on this thread, or null.
  static WindowUser* current();

  // What the windows hand in: an action for the waiting loop, or a change
  // of the view that runs there (contained).
  void post(ui::Action action) override;
  void postCall(std::function<void()> call) override;

  // The windows follow the desktop: a window for every visible form, each
  // control's state as the control holds it; windows of unloaded forms go.
  void sync();
  // Lets go at once of the windows of forms that unloaded (their widgets
  // too, without waiting for the toolkit's deferred delete) and of the
  // queued calls: they hold references into the library that made the
  // forms, which is about to be freed.
  void releaseClosedWindows();
  // The window of a loaded form, or null.
  QWidget* windowOf(const std::string& formName) const;
  FormWindow* formWindow(const std::string& formName) const;

  // Runs each step once the waiting loop has nothing else to do, one step
  // each time (a person acting on the windows, in tests).
  void whenIdle(std::function<void()> step);

  // The window of a form whose widget is `window`, or null.
  FormWindow* formWindowOf(const QWidget* window) const;

  // The printer that the print dialog set up; print jobs go to it.
  QPrinter& printer();
  // Prints a job's text on the chosen printer.
  void printJob(const std::string& title, const std::string& text, const std::string& jobFile);

 private:
  struct Item {
    std::optional<ui::Action> action;
    std::function<void()> call;
  };
  void armPump();
  void tick();
  QWidget* promptParent() const;
  // The window that takes the keyboard back when an active window of the
  // desktop (a dialog, a message box) hides: its owner, else the active
  // form's; null when that is none of the desktop's windows.
  QWidget* nextActive(QWidget* hidden) const;
  // The shown window (not that of the form opening) that a form opened
  // now belongs to: the active one, else the active form's, else the first.
  QWidget* activeWindowBefore(uint32_t opening) const;
  // Whether the window is one of the desktop's (shown or going).
  bool ours(const QWidget* window) const;
  // Whether a window of the desktop is shown.
  bool anyShown() const;
  friend class FocusReturn;
  friend class HostLoop;

  std::deque<Item> queue_;
  std::deque<std::function<void()>> idleSteps_;
  using Windows = std::map<uint32_t, std::unique_ptr<FormWindow>>;
  // Takes a window out of windows_; its widget goes with the toolkit's
  // deferred delete (or at releaseClosedWindows).
  Windows::iterator retire(Windows::iterator it);
  Windows windows_;
  // The widgets of windows gone from windows_ whose deferred delete is due.
  std::vector<QPointer<QWidget>> retired_;
  QPointer<QTimer> pump_;
  QPointer<QObject> focusReturn_;
  QPointer<QObject> hostLoop_;
  // Reads the signals that ask the program to end (see window_user.cpp).
  QPointer<QObject> endRequests_;
  std::unique_ptr<QObject> menuKeys_;
  std::unique_ptr<QPrinter> printer_;
  bool printerChosen_ = false;
  bool syncing_ = false;
};

// Makes a prompt's text plain: every label of the face shows text as it
// stands, never as markup.
void makePlain(QWidget* widget);

}  // namespace platform::gui
