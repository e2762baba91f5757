#include <QAbstractEventDispatcher>
#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QSocketNotifier>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/controls/code_editor_files.h"
#include "platform/gui/code_view.h"
#include "platform/gui/form_window.h"
#include "platform/gui/gui_internal.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/script_file.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/emergency.h"
#include "platform/ui/screen.h"
#include "platform/ui/timer.h"
#include "platform/ui/visible_text.h"
#include "platform/ui/windows.h"

namespace platform::gui {

namespace {

thread_local WindowUser* t_current = nullptr;

// A display that goes away cannot be drawn on again: the host ends at once,
// without the save question; a modified script is kept first as the
// emergency copy (what was saved stays as it was written).
// The end of the X connection (and of a Wayland one) comes as a warning,
// right before the toolkit ends the process on its own.
bool connectionBroke(QtMsgType type, const QString& message) {
  return (type == QtWarningMsg || type == QtFatalMsg) &&
         (message.contains(QLatin1String("connection broke")) ||
          message.contains(QLatin1String("Wayland connection experienced a fatal error")));
}

// The copy reads the editor's objects, which only the thread of the
// application object may touch.
void keepWhatWouldBeLost() {
  auto* app = QCoreApplication::instance();
  if (app && QThread::currentThread() == app->thread()) ui::runEmergencySave();
  std::fflush(stderr);
}

void onToolkitMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
  const QByteArray text = message.toLocal8Bit();
  const bool broke = connectionBroke(type, message);
  if (type == QtFatalMsg || broke) {
    if (broke || message.contains(QLatin1String("display"))) {
      static const char line[] = "kestrin: the display went away; the editor ends\n";
      (void)!write(2, line, sizeof line - 1);
      // A display that was never there leaves nothing to keep.
      if (broke) keepWhatWouldBeLost();
      _exit(1);
    }
    std::fprintf(stderr, "%s\n", text.constData());
    std::abort();
  }
  if (type == QtCriticalMsg || type == QtWarningMsg) {
    if (std::getenv("KESTRIN_QT_DEBUG")) std::fprintf(stderr, "qt: %s\n", text.constData());
  }
}

// A host's application object keeps its own messages and its own end; a
// lost display only keeps the copy first.
QtMessageHandler g_hostMessages = nullptr;
void onHostToolkitMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (connectionBroke(type, message)) keepWhatWouldBeLost();
  if (g_hostMessages)
    g_hostMessages(type, context, message);
  else
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// SIGINT, SIGTERM, SIGHUP and SIGQUIT ask the program to end: the handler
// only writes the signal's number into a pipe, which the toolkit's loop
// (the editor's own or a modal one) reads; there the emergency copy is
// written and the program ends by the signal's default action, so that the
// exit status says how it ended. A second request while the first waits
// (a program busy elsewhere) ends it at once.
constexpr int kEndRequests[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
int g_endPipe[2] = {-1, -1};
volatile sig_atomic_t g_ending = 0;
struct sigaction g_previous[NSIG] = {};

[[noreturn]] void endBySignal(int sig) {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  ::sigaction(sig, &dfl, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(sig);
  ::_exit(128 + sig);
}

void onEndRequest(int sig) {
  if (g_ending) endBySignal(sig);
  const int saved = errno;
  g_ending = sig;
  const char byte = static_cast<char>(sig);
  (void)!::write(g_endPipe[1], &byte, 1);
  errno = saved;
}

class EndRequests final : public QObject {
 public:
  EndRequests() {
    if (g_endPipe[0] < 0 && ::pipe2(g_endPipe, O_CLOEXEC | O_NONBLOCK) != 0) g_endPipe[0] = g_endPipe[1] = -1;
    if (g_endPipe[0] < 0) return;
    notifier_ = new QSocketNotifier(g_endPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [] { onRequest(); });
    g_ending = 0;
    struct sigaction ours {};
    ours.sa_handler = onEndRequest;
    sigemptyset(&ours.sa_mask);
    for (int sig : kEndRequests) ::sigaction(sig, &ours, &g_previous[sig]);
    // A write to a display's connection that has gone would end the
    // program by SIGPIPE before the toolkit notices the loss (and the copy
    // is kept): the write fails instead.
    struct sigaction ign {};
    ign.sa_handler = SIG_IGN;
    sigemptyset(&ign.sa_mask);
    ::sigaction(SIGPIPE, &ign, &g_previous[SIGPIPE]);
    installed_ = true;
  }
  ~EndRequests() override {
    if (!installed_) return;
    for (int sig : kEndRequests) ::sigaction(sig, &g_previous[sig], nullptr);
    ::sigaction(SIGPIPE, &g_previous[SIGPIPE], nullptr);
  }

 private:
  static void onRequest() {
    char byte = 0;
    if (::read(g_endPipe[0], &byte, 1) != 1 || !g_ending) return;
    ui::runEmergencySave();
    std::fflush(stdout);
    std::fflush(stderr);
    endBySignal(g_ending);
  }
  QSocketNotifier* notifier_ = nullptr;
  bool installed_ = false;
};

class SystemClipboard final : public ui::clipboard::Provider {
 public:
  void clear() override {
    if (auto* c = board()) c->clear();
  }
  void setText(const std::string& text) override {
    if (auto* c = board()) c->setText(toQ(platformLineEnds(text)));
  }
  std::string text() override {
    auto* c = board();
    return c ? scriptLineEnds(fromQ(c->text())) : std::string();
  }
  bool hasText() override {
    auto* c = board();
    const QMimeData* d = c ? c->mimeData() : nullptr;
    return d && d->hasText();
  }

 private:
  static QClipboard* board() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
  }
};

// The menu bar's keys of every window: F10, or Alt pressed and let go with
// nothing between, opens the first menu (the toolkit takes Alt with a
// menu's letter itself). An open menu keeps its own keys.
class MenuKeys final : public QObject {
 public:
  explicit MenuKeys(WindowUser& user) : user_(user) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        const auto mods =
            key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (key->key() == Qt::Key_Alt && (mods & ~Qt::AltModifier) == Qt::NoModifier) {
          if (!key->isAutoRepeat()) altAlone_ = true;
          return false;
        }
        altAlone_ = false;
        if (key->key() == Qt::Key_F10 && mods == Qt::NoModifier && openIn(watched)) return true;
        return false;
      }
      case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Alt && altAlone_) {
          altAlone_ = false;
          if (openIn(watched)) return true;
        }
        return false;
      }
      case QEvent::ShortcutOverride:
        if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Alt) altAlone_ = false;
        return false;
      case QEvent::MouseButtonPress:
      case QEvent::Wheel: altAlone_ = false; return false;
      default: return false;
    }
  }

 private:
  bool openIn(QObject* watched) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || QApplication::activePopupWidget()) return false;
    FormWindow* w = user_.formWindowOf(widget->window());
    return w && w->openMenuBar();
  }
  WindowUser& user_;
  bool altAlone_ = false;
};

}  // namespace

// A window manager gives the keyboard back to the window under a dialog
// that closes; without one (a bare X server) the focus falls to the root
// window and the person's keys reach no window at all. So when an active
// window of the desktop hides on purpose, the window it belongs to is
// activated again (with a window manager this only asks for what it does
// anyway).
class FocusReturn final : public QObject {
 public:
  explicit FocusReturn(WindowUser& user) : user_(user) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowActivate && watched->isWidgetType()) {
      // A window under a modal dialog that the person clicked (a window
      // manager gives it the keyboard): the dialog comes back on top with
      // the keyboard, since the window under it takes no input.
      auto* activated = static_cast<QWidget*>(watched);
      QPointer<QWidget> modal = QApplication::activeModalWidget();
      if (activated->isWindow() && modal && modal != activated && modal->isVisible() && user_.ours(activated) &&
          !modal->isAncestorOf(activated))
        QTimer::singleShot(0, modal, [modal] {
          if (!modal || !modal->isVisible()) return;
          modal->raise();
          modal->activateWindow();
        });
      return false;
    }
    if (event->type() != QEvent::Hide || event->spontaneous() || !watched->isWidgetType()) return false;
    auto* hidden = static_cast<QWidget*>(watched);
    if (!hidden->isWindow()) return false;
    const Qt::WindowType type = hidden->windowType();
    if (type == Qt::Popup || type == Qt::ToolTip) return false;
    QWidget* next = user_.nextActive(hidden);
    if (!next) return false;
    // Another window that has the keyboard keeps it.
    QWidget* active = QApplication::activeWindow();
    if (active && active != hidden && active != next && active->isVisible()) return false;
    next->activateWindow();
    return false;
  }

 private:
  WindowUser& user_;
};

// A host that lends its application object keeps its quit and its
// windows' close to itself: a quit asked while the editor's windows are
// open closes them as the close box does (the editor's close query may
// keep them), and once the editor has closed and the host's own loop runs
// again the quit is asked once more, for the host's loop to end. A host
// window closed by code meanwhile ends the host's loop then when it was
// the last of its windows, as it would have at once without the editor.
class HostLoop final : public QObject {
 public:
  explicit HostLoop(WindowUser& user) : user_(user) {
    check_ = new QTimer(this);
    check_->setInterval(50);
    connect(check_, &QTimer::timeout, this, [this] { afterEditor(); });
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance() && user_.anyShown()) {
      quitAsked_ = true;
      check_->start();
    } else if (event->type() == QEvent::Close && watched->isWidgetType()) {
      auto* closing = static_cast<QWidget*>(watched);
      if (closing->isWindow() && !closing->parentWidget() && !user_.ours(closing) && user_.anyShown()) {
        hostClosed_ = true;
        check_->start();
      }
    }
    return false;
  }

 private:
  void afterEditor() {
    // Still in the editor: its loops, its windows (once they follow the
    // forms), a modal prompt of its own.
    for (auto& f : ui::forms())
      if (f->inModalLoop()) return;
    user_.sync();
    if (user_.anyShown() || QApplication::activeModalWidget()) return;
    check_->stop();
    const bool quit = quitAsked_ || (hostClosed_ && lastHostWindowClosed());
    quitAsked_ = hostClosed_ = false;
    if (quit) QCoreApplication::quit();
  }
  bool lastHostWindowClosed() const {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || !app->quitOnLastWindowClosed()) return false;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && !w->parentWidget() && w->testAttribute(Qt::WA_QuitOnClose) && !user_.ours(w) &&
          w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip)
        return false;
    return true;
  }
  WindowUser& user_;
  QTimer* check_ = nullptr;
  bool quitAsked_ = false;
  bool hostClosed_ = false;
};

bool displayAvailable() {
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
  };
  if (set("WAYLAND_DISPLAY") || set("DISPLAY")) return true;
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  return qpa && (std::string(qpa) == "offscreen" || std::string(qpa) == "minimal");
}

QApplication* ensureApplication() {
  static QApplication* made = nullptr;
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
    static bool watched = false;
    if (app != made && !watched) g_hostMessages = qInstallMessageHandler(onHostToolkitMessage);
    watched = true;
    return app;
  }
  static int argc = 1;
  static char name[] = "kestrin";
  static char* argv[] = {name, nullptr};
  qInstallMessageHandler(onToolkitMessage);
  // Made once and kept to the end of the process: the windows of a host
  // that loads and unloads the component come and go, the application
  // object stays.
  auto* app = new QApplication(argc, argv);
  made = app;
  app->setQuitOnLastWindowClosed(false);
  return app;
}

// --- the user --------------------------------------------------------------

WindowUser::WindowUser() {
  ensureApplication();
  t_current = this;
  // The forms are placed on the display's primary screen.
  if (const QScreen* primary = QGuiApplication::primaryScreen()) {
    const QRect area = primary->geometry();
    ui::setDisplayPixels(area.width(), area.height());
  }
  ui::clipboard::setProvider(std::make_shared<SystemClipboard>());
  controls::setPrintJobSink([](const std::string& title, std::string_view text, const std::string& file) {
    if (auto* u = WindowUser::current()) u->printJob(title, std::string(text), file);
  });
  menuKeys_ = std::make_unique<MenuKeys>(*this);
  QCoreApplication::instance()->installEventFilter(menuKeys_.get());
  pump_ = new QTimer;
  pump_->setSingleShot(true);
  QObject::connect(pump_.data(), &QTimer::timeout, [this] { tick(); });
  focusReturn_ = new FocusReturn(*this);
  QCoreApplication::instance()->installEventFilter(focusReturn_.data());
  hostLoop_ = new HostLoop(*this);
  QCoreApplication::instance()->installEventFilter(hostLoop_.data());
  endRequests_ = new EndRequests;
}

WindowUser::~WindowUser() {
  delete focusReturn_.data();
  delete hostLoop_.data();
  delete endRequests_.data();
  if (t_current == this) {
    t_current = nullptr;
    ui::clipboard::setProvider(nullptr);
    controls::setPrintJobSink(nullptr);
  }
  if (auto* app = QCoreApplication::instance()) app->removeEventFilter(menuKeys_.get());
  menuKeys_.reset();
  windows_.clear();
  delete pump_.data();
}

WindowUser* WindowUser::current() { return t_current; }

void WindowUser::post(ui::Action action) {
  Item item;
  item.action = std::move(action);
  queue_.push_back(std::move(item));
}

void WindowUser::postCall(std::function<void()> call) {
  Item item;
  item.call = std::move(call);
  queue_.push_back(std::move(item));
}

void WindowUser::whenIdle(std::function<void()> step) { idleSteps_.push_back(std::move(step)); }

void WindowUser::armPump() {
  if (!pump_) return;
  // A virtual clock moves only when the person waits on purpose: nothing to
  // wake up for.
  if (clockIsVirtual()) {
    pump_->stop();
    return;
  }
  auto due = ui::nextTimerDue();
  if (!due) {
    pump_->stop();
    return;
  }
  const int64_t in = std::clamp<int64_t>(*due - clockMillis(), 0, std::numeric_limits<int>::max() / 2);
  pump_->start(static_cast<int>(in));
}

void WindowUser::tick() {
  // The desktop's timers ride on the toolkit's loop, whichever loop runs:
  // the waiting loop, a message box's or a file dialog's. A handler that
  // opens a loop of its own (a message box) keeps the others ticking in it:
  // the pump stays armed at the timer resolution until the handler returns.
  if (pump_ && !clockIsVirtual()) pump_->start(ui::kTimerResolutionMillis);
  ui::runDueTimers();
  sync();
}

void WindowUser::sync() {
  if (syncing_) return;
  syncing_ = true;
  struct Done {
    bool& f;
    ~Done() { f = false; }
  } done{syncing_};
  auto forms = ui::forms();
  std::map<uint32_t, std::shared_ptr<ui::Form>> loaded;
  for (auto& f : forms)
    if (f->loaded() && f->hWnd()) loaded[f->hWnd()] = f;
  for (auto it = windows_.begin(); it != windows_.end();) {
    auto f = it->second->form();
    if (!f || !loaded.count(it->first) || loaded[it->first] != f)
      it = retire(it);
    else
      ++it;
  }
  for (auto& [hwnd, f] : loaded) {
    auto it = windows_.find(hwnd);
    if (!f->visible()) {
      if (it != windows_.end() && it->second->widget() && it->second->widget()->isVisible())
        it->second->widget()->hide();
      continue;
    }
    if (it == windows_.end()) {
      QWidget* owner = nullptr;
      if (HWND o = ui::GetParent(hwnd); o && windows_.count(o)) owner = windows_[o]->widget();
      Qt::WindowModality modality = Qt::NonModal;
      if (f->inModalLoop()) {
        // Modal to its owner, else to the whole desktop; a form without an
        // owner of its own still belongs to the window that was active when
        // it opened, so that it stays above that one.
        modality = owner ? Qt::WindowModal : Qt::ApplicationModal;
        if (!owner) owner = activeWindowBefore(hwnd);
      }
      it = windows_.emplace(hwnd, std::make_unique<FormWindow>(*this, f, owner, modality)).first;
    }
    it->second->follow();
  }
  armPump();
}

WindowUser::Windows::iterator WindowUser::retire(Windows::iterator it) {
  std::erase_if(retired_, [](const QPointer<QWidget>& w) { return w.isNull(); });
  retired_.emplace_back(it->second->widget());
  return windows_.erase(it);
}

void WindowUser::releaseClosedWindows() {
  for (auto it = windows_.begin(); it != windows_.end();) {
    auto f = it->second->form();
    if (!f || !f->loaded() || f->hWnd() != it->first)
      it = retire(it);
    else
      ++it;
  }
  auto retired = std::move(retired_);
  retired_.clear();
  for (auto& w : retired) delete w.data();
  // Calls still queued for the waiting loop hold the forms and controls
  // of that library (a window's last move, a paste) and would outlive it:
  // with no editor left to run them, they go now.
  std::erase_if(queue_, [](const Item& item) { return static_cast<bool>(item.call); });
}

QWidget* WindowUser::windowOf(const std::string& formName) const {
  FormWindow* w = formWindow(formName);
  return w ? w->widget() : nullptr;
}

FormWindow* WindowUser::formWindow(const std::string& formName) const {
  FormWindow* found = nullptr;
  for (auto& [h, w] : windows_) {
    auto f = w->form();
    if (f && f->name() == formName && (!found || f->visible())) found = w.get();
  }
  return found;
}

FormWindow* WindowUser::formWindowOf(const QWidget* window) const {
  if (!window) return nullptr;
  for (auto& [h, w] : windows_)
    if (w->widget() == window) return w.get();
  return nullptr;
}

QWidget* WindowUser::promptParent() const {
  if (QWidget* m = QApplication::activeModalWidget()) return m;
  auto active = ui::activeForm();
  if (active) {
    auto it = windows_.find(active->hWnd());
    if (it != windows_.end() && it->second->widget() && it->second->widget()->isVisible()) return it->second->widget();
  }
  return nullptr;
}

QWidget* WindowUser::activeWindowBefore(uint32_t opening) const {
  auto shownOther = [opening](const Windows::value_type& w) {
    return w.first != opening && w.second->widget() && w.second->widget()->isVisible();
  };
  for (const auto& w : windows_)
    if (shownOther(w) && w.second->widget() == QApplication::activeWindow()) return w.second->widget();
  if (auto active = ui::activeForm()) {
    auto it = windows_.find(active->hWnd());
    if (it != windows_.end() && shownOther(*it)) return it->second->widget();
  }
  for (const auto& w : windows_)
    if (shownOther(w)) return w.second->widget();
  return nullptr;
}

bool WindowUser::anyShown() const {
  for (auto& [h, w] : windows_)
    if (w->widget() && w->widget()->isVisible()) return true;
  return false;
}

bool WindowUser::ours(const QWidget* w) const {
  if (!w) return false;
  for (auto& [h, fw] : windows_)
    if (fw->widget() == w) return true;
  for (auto& r : retired_)
    if (r.data() == w) return true;
  return false;
}

QWidget* WindowUser::nextActive(QWidget* hidden) const {
  auto ours = [this](QWidget* w) { return this->ours(w); };
  QWidget* next = hidden->parentWidget() ? hidden->parentWidget()->window() : nullptr;
  // A window of a host that lends its application object is the host's
  // business.
  if (!ours(hidden) && !ours(next)) return nullptr;
  auto shown = [hidden](QWidget* w) { return w && w != hidden && w->isVisible(); };
  if (shown(next)) return ours(next) ? next : nullptr;
  // A window without a shown owner: the active form's window, else the
  // first shown window of the desktop that takes input.
  if (auto active = ui::activeForm()) {
    auto it = windows_.find(active->hWnd());
    if (it != windows_.end() && shown(it->second->widget())) return it->second->widget();
  }
  for (auto& [h, w] : windows_)
    if (shown(w->widget()) && w->widget()->isEnabled() && ui::IsWindowEnabled(h)) return w->widget();
  return nullptr;
}

ui::Action WindowUser::nextAction(const ui::WaitContext& waiting) {
  for (;;) {
    // The window waited for went while the loop slept (a timer's handler
    // unloaded it): the loop looks again.
    if (waiting.hWnd && !ui::IsWindowVisible(waiting.hWnd)) {
      ui::Action a;
      a.kind = ui::Action::Kind::Wait;
      return a;
    }
    sync();
    if (!queue_.empty()) {
      Item item = std::move(queue_.front());
      queue_.pop_front();
      if (item.call) {
        ui::runContained("window", item.call);
        continue;
      }
      return *item.action;
    }
    if (!idleSteps_.empty()) {
      auto step = std::move(idleSteps_.front());
      idleSteps_.pop_front();
      // The step may end the loop that waits (it unloads the window): the
      // wait for more events after it returns at once.
      QTimer::singleShot(0, [step] {
        step();
        if (auto* dispatcher = QAbstractEventDispatcher::instance()) dispatcher->wakeUp();
      });
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

// --- printing ----------------------------------------------------------------

QPrinter& WindowUser::printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer_;
}

namespace {
// A job's text for the page: one line break a line, control characters as
// symbols, tabs kept.
QString pageText(const std::string& text) {
  std::string lf;
  lf.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
  return toQ(ui::visibleText(lf, ui::VisibleTextOptions{true, true}));
}
}  // namespace

namespace {

// Prints the job's text on the printer, page by page; a printer that
// cannot start the job (or finish it) fails with a device error, as the
// spooler's jobs do.
void printText(QPrinter& printer, const std::string& title, const std::string& text) {
  printer.setDocName(plainText(title));
  QTextDocument doc;
  doc.setDefaultFont(QFont(QStringLiteral("Monospace"), 10));
  doc.setPlainText(pageText(text));
  QPainter painter;
  if (!painter.begin(&printer)) platform::raise(err::DeviceIOError);
  doc.documentLayout()->setPaintDevice(&printer);
  const QRectF page(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size());
  doc.setPageSize(page.size());
  for (int i = 0; i < doc.pageCount(); ++i) {
    if (i > 0 && !printer.newPage()) {
      painter.end();
      platform::raise(err::DeviceIOError);
    }
    painter.save();
    painter.translate(0, -i * page.height());
    doc.drawContents(&painter, page.translated(0, i * page.height()));
    painter.restore();
  }
  if (!painter.end()) platform::raise(err::DeviceIOError);
}

}  // namespace

void WindowUser::printJob(const std::string& title, const std::string& text, const std::string& jobFile) {
  QPrinter& p = printer();
  // A printer that cannot take the job: none on this machine and none
  // chosen, or the PDF file printer (the toolkit's choice when the machine
  // has no printer) before a file was named for it. The job then becomes a
  // PDF file beside its text file, rather than going nowhere.
  const bool toFile = p.outputFormat() == QPrinter::PdfFormat;
  if (toFile ? p.outputFileName().isEmpty() : p.printerName().isEmpty()) {
    std::string pdf = jobFile;
    if (pdf.size() > 4 && pdf.compare(pdf.size() - 4, 4, ".txt") == 0) pdf.resize(pdf.size() - 4);
    pdf += ".pdf";
    // A copy of the script as the text file is: made new, readable by this
    // user alone, never written through a link planted under its name (the
    // print folder may be a shared one that the user chose).
    platform::writeNewOwnFile(pdf, {}, 0600);
    QPrinter fallback(QPrinter::HighResolution);
    fallback.setOutputFormat(QPrinter::PdfFormat);
    fallback.setOutputFileName(toQ(pdf));
    printText(fallback, title, text);
    return;
  }
  printText(p, title, text);
}

std::shared_ptr<ui::User> makeWindowUser() { return std::make_shared<WindowUser>(); }

}  // namespace platform::gui
