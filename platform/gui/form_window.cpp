#include "platform/gui/form_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStyleOptionMenuItem>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "platform/controls/code_editor.h"
#include "platform/controls/dialog_layout.h"
#include "platform/controls/splitter.h"
#include "platform/controls/standard_controls.h"
#include "platform/controls/status_bar.h"
#include "platform/controls/task_list.h"
#include "platform/gui/action_sink.h"
#include "platform/gui/code_view.h"
#include "platform/gui/qt_support.h"
#include "platform/runtime/strings.h"
#include "platform/ui/windows.h"

namespace platform::gui {

namespace c = platform::controls;
using ui::Action;

// The menu bar holds the keyboard only while one of its titles is lit, from
// the keys (F10, Alt, a menu closed by Escape): that title is drawn lit
// then, as an open menu's title is, where the style would draw it as the
// others and leave no sign of where the keys go.
class MenuBarStyle final : public QProxyStyle {
 public:
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element == CE_MenuBarItem && item && widget && widget->hasFocus() && (item->state & State_Selected)) {
      QStyleOptionMenuItem lit(*item);
      lit.state |= State_Sunken;
      QProxyStyle::drawControl(element, &lit, painter, widget);
      return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
  }
};

// A window that is activated again gives the keyboard back to the widget
// that had it, the menu bar too; but the bar left its keyboard mode when
// the window lost the keyboard, and would hold it with no title lit,
// taking the person's letters for access keys and Escape for nothing. It
// passes the keyboard on to the form's focused control instead.
class MenuBarFocus final : public QObject {
 public:
  explicit MenuBarFocus(FormWindow& owner, QMenuBar* bar) : QObject(bar), owner_(owner) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::FocusIn) return false;
    QPointer<QMenuBar> bar = qobject_cast<QMenuBar*>(watched);
    if (!bar || bar->activeAction()) return false;
    QTimer::singleShot(0, bar, [this, bar] {
      if (!bar || !bar->hasFocus() || bar->activeAction() || QApplication::activePopupWidget()) return;
      auto form = owner_.form();
      const ui::Control* focused = form ? form->focusedControl() : nullptr;
      QWidget* to = focused ? owner_.controlWidget(focused->fullName()) : nullptr;
      if (to && to->isVisible() && to->isEnabled() && to->window() == bar->window())
        to->setFocus(Qt::OtherFocusReason);
      else
        bar->clearFocus();
    });
    return false;
  }

 private:
  FormWindow& owner_;
};

// The top-level widget: its close box, its keys and its moves go to the
// waiting loop; the form decides what happens.
class FormWidget : public QMainWindow {
 public:
  FormWidget(FormWindow& owner, QWidget* parent) : QMainWindow(parent, Qt::Window), owner_(&owner) {}
  void detach() { owner_ = nullptr; }

  // A control's widget that takes the focus moves the form's focus there.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn && owner_) {
      auto form = owner_->form();
      const std::string name = fromQ(watched->objectName());
      auto ctl = form ? form->findControl(name) : nullptr;
      if (ctl && !ctl->hasFocus() && ctl->focusable()) {
        Action a;
        a.kind = Action::Kind::Focus;
        a.form = owner_->formName_;
        a.control = name;
        owner_->sink_.post(a);
      }
    }
    return QMainWindow::eventFilter(watched, event);
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    // The close box is the form's close query; the window goes only when
    // the form unloads or hides.
    event->ignore();
    if (owner_) owner_->postClose();
  }
  void keyPressEvent(QKeyEvent* event) override {
    auto key = keyInput(event->key(), event->modifiers(), event->text());
    if (owner_ && key && !key->typed) {
      owner_->postKey(key->text);
      event->accept();
      return;
    }
    QMainWindow::keyPressEvent(event);
  }
  void changeEvent(QEvent* event) override {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && owner_ && !owner_->applying_) {
      const auto s = windowState();
      const int32_t state = s & Qt::WindowMinimized   ? ui::vbMinimized
                            : s & Qt::WindowMaximized ? ui::vbMaximized
                                                      : ui::vbNormal;
      // The window is in that state already: the form follows it, the
      // window is not set to it once more.
      owner_->appliedState_ = state;
      // Restored from maximised: the window takes the form's normal
      // rectangle again, whatever the window manager kept of it (one that
      // saw the window first maximised keeps the whole screen).
      const auto old = static_cast<QWindowStateChangeEvent*>(event)->oldState();
      if (state == ui::vbNormal && (old & Qt::WindowMaximized)) owner_->appliedWidth_ = -1;
      if (state != ui::vbNormal) owner_->keepNormalRect();
      owner_->postWindowState(state);
    }
  }
  void resizeEvent(QResizeEvent* event) override {
    QMainWindow::resizeEvent(event);
    if (owner_ && !owner_->applying_ && event->spontaneous()) owner_->geometryChanged();
  }
  void moveEvent(QMoveEvent* event) override {
    QMainWindow::moveEvent(event);
    if (owner_ && !owner_->applying_ && event->spontaneous()) owner_->geometryChanged();
  }

 private:
  FormWindow* owner_;
};

namespace {

// A dialog's page: it asks for the room its whole content needs (up to
// what a screen holds, beyond that it scrolls), so that a window whose
// design size is smaller grows rather than cutting its last rows off.
class ContentArea final : public QScrollArea {
 public:
  QSize minimumSizeHint() const override {
    const QWidget* content = widget();
    if (!content) return QScrollArea::minimumSizeHint();
    const int frame = 2 * frameWidth();
    return (content->sizeHint() + QSize(frame, frame)).boundedTo(QSize(1600, 900));
  }
};

template <class T>
T* as(const std::shared_ptr<ui::Control>& control) {
  return dynamic_cast<T*>(control.get());
}

QLabel* plainLabel(const std::string& text, QWidget* parent = nullptr) {
  auto* l = new QLabel(plainLines(text), parent);
  l->setTextFormat(Qt::PlainText);
  l->setTextInteractionFlags(Qt::NoTextInteraction);
  return l;
}

bool fixedBorder(int32_t border) {
  return border == ui::vbFixedDialog || border == ui::vbFixedSingle || border == ui::vbFixedToolWindow;
}

// A caption with its access key for the toolkit: "&&" stays a plain "&",
// control characters are drawn as symbols.
QString accessCaption(const std::string& caption) { return plainText(caption); }

// The icon theme's name for a toolbar's tool, where the desktop's naming
// has one; the other tools show their caption.
const char* themeIconName(const std::string& toolId) {
  static const struct {
    const char* id;
    const char* icon;
  } kIcons[] = {
      {"ID_FileNew", "document-new"},
      {"ID_FileOpen", "document-open"},
      {"ID_FileSave", "document-save"},
      {"ID_FileSaveAs", "document-save-as"},
      {"ID_FilePrint", "document-print"},
      {"ID_InsertFile", "insert-text"},
      {"ID_EditUndo", "edit-undo"},
      {"ID_EditRedo", "edit-redo"},
      {"ID_EditCut", "edit-cut"},
      {"ID_EditCopy", "edit-copy"},
      {"ID_EditPaste", "edit-paste"},
      {"ID_EditFind", "edit-find"},
      {"ID_EditReplace", "edit-find-replace"},
      {"ID_EditGoToLine", "go-jump"},
      {"ID_EditPreferences", "preferences-system"},
      {"ID_Calc", "accessories-calculator"},
      {"ID_DOSCommand", "utilities-terminal"},
      {"ID_Notepad", "accessories-text-editor"},
      {"ID_ExecuteScript", "system-run"},
      {"ID_CloseEditor", "window-close"},
  };
  // The layout file spells some IDs "id_...", others "ID_...".
  for (const auto& entry : kIcons)
    if (platform::equalsAsciiNoCase(toolId, entry.id)) return entry.icon;
  return nullptr;
}

}  // namespace

FormWindow::FormWindow(ActionSink& sink, const std::shared_ptr<ui::Form>& form, QWidget* owner,
                       Qt::WindowModality modality)
    : sink_(sink), form_(form), formName_(form->name()) {
  window_ = new FormWidget(*this, owner);
  window_->setObjectName(toQ(form->name()));
  window_->setAttribute(Qt::WA_DeleteOnClose, false);
  // A modal form with an owner and a form of a fixed border are dialogs:
  // the window manager keeps them above their owner, with a close box and
  // no minimise or maximise button. (A modal form alone on the desktop, as
  // the editor's main window, stays a main window.)
  const int32_t border = form->borderStyle();
  const bool modal = modality != Qt::NonModal;
  if ((modal && owner) || fixedBorder(border))
    window_->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint);
  window_->setWindowModality(modality);
  if (owner) {
    // The owner's window is the dialog's transient parent (the toolkit
    // names it only for some kinds of window).
    window_->winId();
    owner->winId();
    if (QWindow* handle = window_->windowHandle()) handle->setTransientParent(owner->windowHandle());
  }
  build();
}

FormWindow::~FormWindow() {
  // The settling moves' timer calls back into this window: it goes first.
  delete settle_.data();
  if (window_) {
    window_->detach();
    window_->hide();
    window_->deleteLater();
  }
}

QMainWindow* FormWindow::widget() const { return window_; }

QWidget* FormWindow::controlWidget(const std::string& fullName) const {
  auto it = controlWidgets_.find(fullName);
  return it == controlWidgets_.end() ? nullptr : it->second;
}

QAction* FormWindow::toolAction(const std::string& toolId) const {
  auto it = toolActions_.find(toolId);
  return it == toolActions_.end() ? nullptr : it->second.data();
}

bool FormWindow::openMenuBar() {
  auto* bar = window_ ? qobject_cast<QMenuBar*>(window_->menuWidget()) : nullptr;
  if (!bar || !bar->isVisible() || !window_->isEnabled()) return false;
  // The style may have lit the first title already (Alt alone): its menu
  // opens.
  if (QAction* lit = bar->activeAction(); lit && lit->menu() && lit->isEnabled()) {
    bar->setActiveAction(lit);
    return true;
  }
  for (QAction* act : bar->actions()) {
    if (!act->menu() || !act->isVisible() || !act->isEnabled()) continue;
    bar->setActiveAction(act);
    return true;
  }
  return false;
}

void FormWindow::postClose() {
  Action a;
  a.kind = Action::Kind::Close;
  a.form = formName_;
  sink_.post(a);
}

void FormWindow::postControl(Action::Kind kind, const std::string& control, std::string text) {
  Action a;
  a.kind = kind;
  a.form = formName_;
  a.control = control;
  a.text = std::move(text);
  sink_.post(a);
}

void FormWindow::postKey(const std::string& name) {
  Action a;
  a.kind = Action::Kind::Key;
  a.form = formName_;
  a.text = name;
  sink_.post(a);
}

void FormWindow::postWindowState(int32_t state) {
  Action a;
  a.kind = Action::Kind::WindowState;
  a.form = formName_;
  a.number = state;
  ++*placing_;
  sink_.post(a);
  // Runs once the form has taken the state.
  sink_.postCall([placing = placing_] { --*placing; });
}

void FormWindow::geometryChanged() {
  // A window manager that maximises a window may say so after it gave the
  // window the whole screen: the rectangle is taken once the moves have
  // settled, so that the form keeps its normal one.
  if (!settle_) {
    settle_ = new QTimer(window_);
    settle_->setSingleShot(true);
    QObject::connect(settle_, &QTimer::timeout, [this] { postGeometry(); });
  }
  settle_->start(200);
}

void FormWindow::postGeometry() {
  if (!window_ || window_->isMinimized() || window_->isMaximized()) return;
  const QRect g = window_->geometry();
  if (g != postedRect_) priorRect_ = postedRect_, postedRect_ = g;
  postRect(g);
}

void FormWindow::keepNormalRect() {
  // The rectangle of the moves not yet settled is the maximised or
  // minimised window's, never the form's.
  if (settle_) settle_->stop();
  // On a busy machine the window manager's word on the state may come long
  // after the whole screen's rectangle was taken as the form's: the form
  // gets the one it had before back.
  if (window_ && postedRect_ == window_->geometry() && priorRect_.isValid()) {
    postedRect_ = priorRect_;
    postRect(priorRect_);
  }
}

void FormWindow::postRect(const QRect& g) {
  const double tpp = twipsPerPixel(window_);
  auto t = [tpp](int px) { return static_cast<int32_t>(std::lround(px * tpp)); };
  const int32_t l = t(g.x()), tp = t(g.y()), w = t(g.width()), h = t(g.height());
  appliedLeft_ = l, appliedTop_ = tp, appliedWidth_ = w, appliedHeight_ = h;
  std::weak_ptr<ui::Form> weak = form_;
  ++*placing_;
  sink_.postCall([weak, l, tp, w, h, placing = placing_] {
    --*placing;
    if (auto f = weak.lock(); f && f->loaded()) f->move(l, tp, w, h);
  });
}

void FormWindow::build() {
  auto form = form_.lock();
  if (!form) return;
  controlWidgets_.clear();
  toolActions_.clear();
  updaters_.clear();
  panels_.clear();
  code_ = nullptr;
  taskPane_ = nullptr;
  split_ = nullptr;
  layoutBuilt_ = false;
  dialog_ = false;
  dialogLayout_ = {};
  focusSeen_ = nullptr;
  builtFor_.clear();
  for (auto& ctl : form->controls()) builtFor_.push_back(ctl.get());

  bool mainParts = false;
  for (auto& ctl : form->controls())
    if (as<c::Toolbar>(ctl) || as<c::CodeEditor>(ctl)) mainParts = true;
  if (QWidget* old = window_->centralWidget()) old->deleteLater();
  for (QToolBar* tb : window_->findChildren<QToolBar*>(Qt::FindDirectChildrenOnly)) tb->deleteLater();
  if (mainParts) {
    buildMainParts(*form);
  } else {
    auto* scroll = new ContentArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    auto* area = new QWidget;
    buildDialog(*form, area);
    scroll->setWidget(area);
    window_->setCentralWidget(scroll);
  }
}

void FormWindow::buildMainParts(ui::Form& form) {
  for (auto& ctl : form.controls())
    if (auto* bar = as<c::Toolbar>(ctl)) {
      toolbar_ = ctl;
      buildMenus(*bar);
      break;
    }
  split_ = new QSplitter(Qt::Horizontal);
  split_->setChildrenCollapsible(true);
  for (auto& ctl : form.controls()) {
    if (as<c::TaskList>(ctl)) {
      taskPane_ = new QListWidget;
      taskPane_->setObjectName(toQ(ctl->fullName()));
      taskPane_->setFocusPolicy(Qt::NoFocus);
      split_->addWidget(taskPane_);
      controlWidgets_[ctl->fullName()] = taskPane_;
      std::weak_ptr<ui::Control> weak = ctl;
      updaters_.push_back([this, weak] {
        auto ctl = weak.lock();
        auto* tl = ctl ? as<c::TaskList>(ctl) : nullptr;
        if (!tl) return;
        if (taskPane_->count() != tl->count()) {
          taskPane_->clear();
          for (int i = 0; i < tl->count(); ++i) new QListWidgetItem(taskPane_);
        }
        for (int i = 0; i < tl->count(); ++i) {
          const auto& t = tl->tasks()[static_cast<size_t>(i)];
          auto* item = taskPane_->item(i);
          item->setText(plainText(t.text));
          item->setCheckState(t.done ? Qt::Checked : Qt::Unchecked);
        }
      });
    }
  }
  for (auto& ctl : form.controls()) {
    if (as<c::CodeEditor>(ctl) && !code_) {
      code_ = new CodeView(sink_, formName_, ctl);
      split_->addWidget(code_);
      controlWidgets_[ctl->fullName()] = code_;
    }
  }
  if (taskPane_) split_->setStretchFactor(split_->indexOf(taskPane_), 0);
  if (code_) split_->setStretchFactor(split_->indexOf(code_), 1);
  window_->setCentralWidget(split_);
  // The task pane's width follows the splitter's first pane; a width the
  // person gave it by dragging the handle stays until the form sets the
  // pane another size (hides it, shows it again).
  for (auto& ctl : form.controls())
    if (as<c::Splitter>(ctl) && taskPane_) {
      std::weak_ptr<ui::Control> weak = ctl;
      auto dragged = std::make_shared<float>(-1.0f);  // the pane's size when the person last dragged
      QObject::connect(split_, &QSplitter::splitterMoved, split_, [weak, dragged] {
        auto ctl = weak.lock();
        auto* sp = ctl ? as<c::Splitter>(ctl) : nullptr;
        if (sp && sp->paneCount() >= 1) *dragged = sp->pane(1).size();
      });
      updaters_.push_back([this, weak, dragged] {
        auto ctl = weak.lock();
        auto* sp = ctl ? as<c::Splitter>(ctl) : nullptr;
        if (!sp || sp->paneCount() < 1) return;
        const float size = sp->pane(1).size();
        const bool shown = size > 0.0f;
        if (taskPane_->isVisibleTo(window_) != shown) taskPane_->setVisible(shown);
        if (size == *dragged) return;
        *dragged = -1.0f;
        if (shown) {
          const int px = static_cast<int>(size / twipsPerPixel(window_));
          auto sizes = split_->sizes();
          const int at = split_->indexOf(taskPane_);
          if (at >= 0 && sizes.size() > 1 && std::abs(sizes[at] - px) > 1) {
            int total = 0;
            for (int s : sizes) total += s;
            sizes[at] = px;
            sizes[1 - at] = std::max(0, total - px);
            split_->setSizes(sizes);
          }
        }
      });
    }
  for (auto& ctl : form.controls())
    if (auto* sb = as<c::StatusBar>(ctl)) {
      QStatusBar* bar = window_->statusBar();
      bar->setObjectName(toQ(ctl->fullName()));
      bar->setSizeGripEnabled(true);
      std::weak_ptr<ui::Control> weak = ctl;
      updaters_.push_back([this, weak, bar] {
        auto ctl = weak.lock();
        auto* sb = ctl ? as<c::StatusBar>(ctl) : nullptr;
        if (!sb) return;
        while (static_cast<int>(panels_.size()) < sb->count()) {
          auto* l = plainLabel({});
          l->setFrameShape(QFrame::StyledPanel);
          l->setObjectName(QStringLiteral("panel%1").arg(panels_.size() + 1));
          panels_.push_back(l);
          if (panels_.size() == 1)
            bar->addWidget(l, 1);
          else
            bar->addPermanentWidget(l);
        }
        for (int i = 0; i < sb->count(); ++i) {
          QString t = plainText(sb->panel(i + 1).text());
          if (panels_[static_cast<size_t>(i)]->text() != t) panels_[static_cast<size_t>(i)]->setText(t);
        }
      });
      (void)sb;
      break;
    }
}

QAction* FormWindow::makeToolAction(const c::Tool& tool, QObject* parent) {
  auto* act = new QAction(accessCaption(tool.caption), parent);
  act->setObjectName(toQ(tool.id));
  act->setEnabled(tool.enabled);
  act->setVisible(tool.visible);
  if (!tool.description.empty()) {
    act->setStatusTip(plainText(tool.description));
    act->setToolTip(plainText(tool.description));
  }
  const std::string id = tool.id;
  QObject::connect(act, &QAction::triggered, [this, id] {
    Action a;
    a.kind = Action::Kind::ToolClick;
    a.form = formName_;
    a.text = id;
    sink_.post(a);
  });
  toolActions_.emplace(tool.id, act);
  return act;
}

void FormWindow::fillMenu(QMenu* menu, const c::Toolbar& bar, const std::vector<std::string>& items, int depth) {
  for (const auto& id : items) {
    if (id.empty()) {
      menu->addSeparator();
      continue;
    }
    const c::Tool* tool = bar.findTool(id);
    if (!tool || tool->kind == c::ToolKind::Separator) {
      if (tool) menu->addSeparator();
      continue;
    }
    if (tool->kind == c::ToolKind::Popup && depth < 8) {
      QMenu* sub = menu->addMenu(accessCaption(tool->caption));
      sub->setObjectName(toQ(tool->id));
      sub->menuAction()->setEnabled(tool->enabled);
      sub->menuAction()->setVisible(tool->visible);
      fillMenu(sub, bar, tool->items, depth + 1);
      continue;
    }
    menu->addAction(makeToolAction(*tool, menu));
  }
}

void FormWindow::buildMenus(const c::Toolbar& bar) {
  builtLayout_ = bar.layout();
  layoutBuilt_ = true;
  QMenuBar* mb = window_->menuBar();
  if (!mb->property("kestrinKeys").toBool()) {
    mb->setProperty("kestrinKeys", true);
    // One style for every menu bar, kept by the application.
    static QPointer<MenuBarStyle> style;
    if (!style) {
      style = new MenuBarStyle;
      style->setParent(QCoreApplication::instance());
    }
    mb->setStyle(style);
    mb->installEventFilter(new MenuBarFocus(*this, mb));
  }
  mb->clear();
  for (QToolBar* tb : window_->findChildren<QToolBar*>(Qt::FindDirectChildrenOnly)) {
    window_->removeToolBar(tb);
    tb->deleteLater();
  }
  toolActions_.clear();
  // The toolbars fill rows as wide as the window, a new row where the next
  // bar would no longer show all its buttons.
  // (The window may not have its form's size yet while it is being made.)
  int rowRoom = window_->width();
  if (const ui::Form* owner = bar.form())
    rowRoom = std::max(rowRoom, static_cast<int>(std::lround(owner->width() / twipsPerPixel(window_))));
  int rowUsed = 0;
  for (const auto& b : bar.layout().bars) {
    if (b.menu) {
      for (const auto& id : b.items) {
        const c::Tool* tool = bar.findTool(id);
        if (!tool || id.empty()) continue;
        if (tool->kind == c::ToolKind::Popup) {
          QMenu* m = mb->addMenu(accessCaption(tool->caption));
          m->setObjectName(toQ(tool->id));
          m->menuAction()->setEnabled(tool->enabled);
          m->menuAction()->setVisible(tool->visible);
          fillMenu(m, bar, tool->items, 1);
        } else if (tool->kind != c::ToolKind::Separator) {
          mb->addAction(makeToolAction(*tool, mb));
        }
      }
      continue;
    }
    if (!b.visible) continue;
    auto* tb = new QToolBar(toQ(b.name), window_);
    tb->setObjectName(toQ(b.name));
    tb->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tb->setFocusPolicy(Qt::NoFocus);
    for (const auto& id : b.items) {
      const c::Tool* tool = id.empty() ? nullptr : bar.findTool(id);
      if (!tool || tool->kind == c::ToolKind::Separator) {
        tb->addSeparator();
        continue;
      }
      QAction* act = makeToolAction(*tool, tb);
      // A toolbar shows its own caption of a tool, without the access key.
      act->setIconText(plainText(b.plainCaptionOf(*tool)));
      if (tool->kind == c::ToolKind::Popup) {
        auto* m = new QMenu(tb);
        fillMenu(m, bar, tool->items, 1);
        act->setMenu(m);
      }
      tb->addAction(act);
      // A tool the icon theme has an icon for shows the icon, its caption
      // as its tip; the others their caption.
      const char* iconName = themeIconName(tool->id);
      const QIcon icon = iconName ? QIcon::fromTheme(QString::fromLatin1(iconName)) : QIcon();
      if (!icon.isNull()) {
        act->setIcon(icon);
        act->setToolTip(act->iconText());
        if (auto* button = qobject_cast<QToolButton*>(tb->widgetForAction(act)))
          button->setToolButtonStyle(Qt::ToolButtonIconOnly);
      }
    }
    const int wanted = tb->sizeHint().width();
    if (rowUsed > 0 && rowUsed + wanted > rowRoom) {
      window_->addToolBarBreak();
      rowUsed = 0;
    }
    rowUsed += wanted;
    window_->addToolBar(tb);
  }
}

QWidget* FormWindow::dialogWidget(const std::shared_ptr<ui::Control>& ctl) {
  std::weak_ptr<ui::Control> weak = ctl;
  const std::string name = ctl->fullName();
  QWidget* made = nullptr;
  if (auto* fr = as<c::Frame>(ctl)) {
    if (fr->caption().empty()) {
      // A frame without a caption is a line between the rows.
      auto* line = new QFrame;
      line->setFrameShape(QFrame::HLine);
      line->setFrameShadow(QFrame::Sunken);
      made = line;
    } else {
      auto* box = new QGroupBox(plainText(c::stripAccessKeys(fr->caption())));
      made = box;
      updaters_.push_back([weak, box] {
        if (auto ctl = weak.lock()) box->setTitle(plainText(c::stripAccessKeys(as<c::Frame>(ctl)->caption())));
      });
    }
  } else if (auto* tabs = as<c::TabControl>(ctl)) {
    auto* bar = new QTabBar;
    for (int i = 0; i < tabs->tabCount(); ++i) bar->addTab(accessCaption(tabs->tabCaption(i)));
    // A tab picked by a click, by the arrows or by its access key.
    auto picked = [this, weak, name](int index) {
      auto ctl = weak.lock();
      auto* t = ctl ? as<c::TabControl>(ctl) : nullptr;
      if (!t || index < 0 || index >= t->tabCount()) return;
      postControl(Action::Kind::Pick, name, t->tabCaption(index));
    };
    QObject::connect(bar, &QTabBar::tabBarClicked, picked);
    QObject::connect(bar, &QTabBar::currentChanged, picked);
    made = bar;
    updaters_.push_back([weak, bar] {
      auto ctl = weak.lock();
      auto* t = ctl ? as<c::TabControl>(ctl) : nullptr;
      if (!t) return;
      QSignalBlocker block(bar);
      if (t->selectedTab() >= 0 && t->selectedTab() < bar->count()) bar->setCurrentIndex(t->selectedTab());
    });
  } else if (auto* lab = as<c::Label>(ctl)) {
    auto* l = plainLabel(lab->caption());
    l->setObjectName(toQ(name));
    controlWidgets_[name] = l;
    updaters_.push_back([weak, l] {
      auto ctl = weak.lock();
      if (auto* lb = ctl ? as<c::Label>(ctl) : nullptr) {
        QString t = plainLines(lb->caption());
        if (l->text() != t) l->setText(t);
      }
    });
    return l;
  } else if (auto* tb = as<c::TextBox>(ctl)) {
    auto* e = new QLineEdit(toQ(tb->text()));
    QObject::connect(e, &QLineEdit::textEdited,
                     [this, name](const QString& text) { postControl(Action::Kind::SetValue, name, fromQ(text)); });
    made = e;
    updaters_.push_back([weak, e] {
      auto ctl = weak.lock();
      if (auto* t = ctl ? as<c::TextBox>(ctl) : nullptr) {
        QString v = toQ(t->text());
        if (e->text() != v) {
          QSignalBlocker block(e);
          e->setText(v);
        }
      }
    });
  } else if (auto* cb = as<c::CheckBox>(ctl)) {
    auto* box = new QCheckBox(accessCaption(cb->caption()));
    box->setTristate(true);
    QObject::connect(box, &QCheckBox::clicked, [this, name] { postControl(Action::Kind::Click, name); });
    made = box;
    updaters_.push_back([weak, box] {
      auto ctl = weak.lock();
      if (auto* k = ctl ? as<c::CheckBox>(ctl) : nullptr) {
        QSignalBlocker block(box);
        box->setCheckState(k->value() == 1 ? Qt::Checked : k->value() == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
        box->setText(accessCaption(k->caption()));
      }
    });
  } else if (auto* ob = as<c::OptionButton>(ctl)) {
    auto* r = new QRadioButton(accessCaption(ob->caption()));
    r->setAutoExclusive(false);
    QObject::connect(r, &QRadioButton::clicked, [this, name] { postControl(Action::Kind::Click, name); });
    made = r;
    updaters_.push_back([weak, r] {
      auto ctl = weak.lock();
      if (auto* o = ctl ? as<c::OptionButton>(ctl) : nullptr) {
        QSignalBlocker block(r);
        r->setChecked(o->value());
      }
    });
  } else if (as<c::ComboBox>(ctl)) {
    auto* box = new QComboBox;
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    QObject::connect(box, &QComboBox::activated, [this, weak, name](int index) {
      auto ctl = weak.lock();
      auto* cbx = ctl ? as<c::ComboBox>(ctl) : nullptr;
      if (!cbx || index < 0 || index >= cbx->listCount()) return;
      postControl(Action::Kind::Pick, name, cbx->list(index));
    });
    QObject::connect(box->lineEdit(), &QLineEdit::textEdited,
                     [this, name](const QString& text) { postControl(Action::Kind::SetValue, name, fromQ(text)); });
    made = box;
    updaters_.push_back([weak, box] {
      auto ctl = weak.lock();
      auto* cbx = ctl ? as<c::ComboBox>(ctl) : nullptr;
      if (!cbx) return;
      QSignalBlocker block(box);
      bool same = box->count() == cbx->listCount();
      for (int i = 0; same && i < box->count(); ++i) same = box->itemText(i) == plainText(cbx->list(i));
      if (!same) {
        box->clear();
        for (const auto& item : cbx->items()) box->addItem(plainText(item));
      }
      // The list opens on the entry the box shows (where the list holds it).
      const QString text = toQ(cbx->text());
      const int at = box->findText(text);
      if (at >= 0 && box->currentIndex() != at) {
        const int cursor = box->lineEdit()->cursorPosition();
        box->setCurrentIndex(at);
        box->lineEdit()->setCursorPosition(cursor);
      }
      if (box->lineEdit()->text() != text) box->lineEdit()->setText(text);
    });
  } else if (auto* btn = as<c::CommandButton>(ctl)) {
    auto* b = new QPushButton(accessCaption(btn->caption()));
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, [this, name] { postControl(Action::Kind::Click, name); });
    made = b;
    std::weak_ptr<ui::Form> wf = form_;
    updaters_.push_back([weak, wf, b] {
      auto ctl = weak.lock();
      auto* cmd = ctl ? as<c::CommandButton>(ctl) : nullptr;
      auto f = wf.lock();
      if (!cmd || !f) return;
      b->setText(accessCaption(cmd->caption()));
      b->setDefault(f->defaultControl() == ctl.get());
    });
  } else if (as<c::CodeEditor>(ctl)) {
    auto* v = new CodeView(sink_, formName_, ctl);
    v->setMinimumSize(320, 160);
    if (!code_) code_ = v;
    made = v;
  } else {
    return nullptr;  // timers, image lists, dialogs, pictures: no window of their own
  }
  made->setObjectName(toQ(name));
  controlWidgets_[name] = made;
  if (ctl->canTakeFocus() && !as<c::Frame>(ctl) && !as<c::TabControl>(ctl)) made->installEventFilter(window_);
  // A control shown or hidden changes the dialog's rows: the window is
  // built again (follow), so only the enabled state follows here.
  updaters_.push_back([weak, made] {
    if (auto ctl = weak.lock())
      if (made->isEnabled() != ctl->enabled()) made->setEnabled(ctl->enabled());
  });
  return made;
}

namespace {

// The rows of a dialog as built: the window is built again when they change.
std::vector<std::tuple<int, std::vector<ui::Control*>, int32_t, bool>> rowsOf(const c::DialogLayout& layout) {
  std::vector<std::tuple<int, std::vector<ui::Control*>, int32_t, bool>> out;
  for (const auto& r : layout.rows) out.emplace_back(static_cast<int>(r.kind), r.controls, r.page, r.inGroup);
  return out;
}

}  // namespace

bool FormWindow::dialogRowsChanged(const ui::Form& form) const {
  return dialog_ && rowsOf(c::layoutDialog(form)) != rowsOf(dialogLayout_);
}

// The rows of the shared dialog layout, as the terminal places them: label
// and field side by side, groups in their frames, the tab strip's pages
// (only the page shown), the command buttons on the last row.
void FormWindow::buildDialog(ui::Form& form, QWidget* area) {
  dialog_ = true;
  dialogLayout_ = c::layoutDialog(form);
  std::map<const ui::Control*, std::shared_ptr<ui::Control>> owned;
  for (const auto& ctl : form.controls()) owned[ctl.get()] = ctl;
  auto* outer = new QVBoxLayout(area);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  QVBoxLayout* groupRows = nullptr;
  std::vector<std::pair<QPointer<QWidget>, int32_t>> paged;  // a row's widget and its page
  for (const auto& row : dialogLayout_.rows) {
    using Kind = c::DialogRow::Kind;
    if (row.kind == Kind::Buttons) {
      for (auto* c : row.controls)
        if (QWidget* w = dialogWidget(owned[c])) buttons->addWidget(w);
      continue;
    }
    if (row.kind != Kind::Controls) {
      QWidget* w = dialogWidget(owned[row.controls[0]]);
      if (!w) continue;
      outer->addWidget(w);
      groupRows = nullptr;
      if (row.kind == Kind::Group) groupRows = new QVBoxLayout(w);
      paged.emplace_back(w, row.page);
      continue;
    }
    auto* holder = new QWidget;
    auto* line = new QHBoxLayout(holder);
    line->setContentsMargins(0, 0, 0, 0);
    QLabel* label = nullptr;
    for (auto* c : row.controls) {
      QWidget* w = dialogWidget(owned[c]);
      if (!w) continue;
      const bool field = as<c::TextBox>(owned[c]) || as<c::ComboBox>(owned[c]);
      if (auto* l = qobject_cast<QLabel*>(w)) {
        // A lone label wraps; the first one of a row names its field.
        if (row.controls.size() == 1) l->setWordWrap(true);
        if (!label && c == row.controls.front()) label = l;
      } else if (field && label) {
        label->setBuddy(w);
      }
      line->addWidget(w, field || row.controls.size() == 1 ? 1 : 0);
    }
    if (row.inGroup && groupRows)
      groupRows->addWidget(holder);
    else
      outer->addWidget(holder);
    paged.emplace_back(holder, row.page);
  }
  outer->addStretch(1);
  outer->addLayout(buttons);
  if (!dialogLayout_.tabs) return;
  // The page shown is the focused control's, else the tab strip's.
  std::weak_ptr<ui::Form> wf = form_;
  updaters_.push_back([this, wf, paged] {
    auto f = wf.lock();
    if (!f || !dialogLayout_.tabs) return;
    const int32_t focusPage = dialogLayout_.pageOf(f->focusedControl());
    const int32_t shown = focusPage >= 0 ? focusPage : dialogLayout_.tabs->selectedTab();
    for (const auto& [w, page] : paged) {
      const bool visible = page < 0 || page == shown;
      if (w && w->isVisibleTo(window_) != visible) w->setVisible(visible);
    }
  });
}

void FormWindow::applyGeometry(ui::Form& form) {
  // A move or a state of the window that the form has not taken yet: the
  // form's place and state are older than the window's, and setting them
  // would send the window back (and the window manager after it).
  if (*placing_ > 0) return;
  const int32_t l = form.left(), t = form.top(), w = form.width(), h = form.height();
  const int32_t state = form.windowState();
  applying_ = true;
  // A window that is maximised (or minimised) and stays so has the window
  // manager's rectangle: a move of it would end that state.
  const bool keepsState = state == appliedState_ && state != ui::vbNormal;
  if (!keepsState && (l != appliedLeft_ || t != appliedTop_ || w != appliedWidth_ || h != appliedHeight_)) {
    appliedLeft_ = l, appliedTop_ = t, appliedWidth_ = w, appliedHeight_ = h;
    const double tpp = twipsPerPixel(window_);
    const QRect asked(QPoint(static_cast<int>(std::lround(l / tpp)), static_cast<int>(std::lround(t / tpp))),
                      QSize(std::max(1, static_cast<int>(std::lround(w / tpp))),
                            std::max(1, static_cast<int>(std::lround(h / tpp)))));
    QRect shown(asked.topLeft(), asked.size().expandedTo(window_->minimumSizeHint().boundedTo(QSize(1600, 1000))));
    // A place whose title bar no screen shows (a screen that is gone, a
    // place stored from elsewhere) is moved onto the primary screen, for
    // the person to reach it. A window larger than its screen that the
    // person may resize is made as large as the screen: it could never be
    // seen whole, nor its title bar's buttons reached (one of a fixed size
    // keeps it, its title bar on the screen). Both leave room for the
    // window manager's frame (known once it has framed the window, else one
    // with a title bar of a likely height).
    const bool fixed = fixedBorder(form.borderStyle());
    bool moved = false;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
      const QRect title(shown.topLeft(), QSize(std::min(shown.width(), 120), 24));
      const QScreen* titleScreen = nullptr;
      for (const QScreen* s : QGuiApplication::screens())
        if (s->availableGeometry().intersected(title).width() >= std::min(title.width(), 60) &&
            s->availableGeometry().contains(QPoint(title.center().x(), shown.top())))
          titleScreen = s;
      const QScreen* screen = titleScreen ? titleScreen : primary;
      QMargins frame = window_->windowHandle() ? window_->windowHandle()->frameMargins() : QMargins();
      if (frame.isNull()) frame = QMargins(8, 32, 8, 8);
      const QRect room = screen->availableGeometry().marginsRemoved(frame);
      if (!titleScreen || (!fixed && (shown.width() > room.width() || shown.height() > room.height()))) {
        if (!fixed) shown.setSize(shown.size().boundedTo(room.size()));
        shown.moveTopLeft(
            QPoint(std::clamp(shown.left(), room.left(), std::max(room.left(), room.right() - shown.width() + 1)),
                   std::clamp(shown.top(), room.top(), std::max(room.top(), room.bottom() - shown.height() + 1))));
        moved = true;
      }
    }
    // A window made larger than its form asks (its menus and toolbars need
    // the room) is moved back onto the screen that the form's place lies
    // on, rather than growing past its edge.
    if (shown != asked && !moved) {
      const QScreen* screen = QGuiApplication::screenAt(asked.center());
      const QRect room = screen ? screen->availableGeometry() : QRect();
      if (room.contains(asked) && !room.contains(shown)) {
        if (shown.right() > room.right()) shown.moveRight(room.right());
        if (shown.bottom() > room.bottom()) shown.moveBottom(room.bottom());
        if (shown.left() < room.left()) shown.moveLeft(room.left());
        if (shown.top() < room.top()) shown.moveTop(room.top());
      }
    }
    window_->setGeometry(shown);
    postedRect_ = shown;
    // A fixed border keeps the window at its size: no resizing, and no
    // maximising by the window manager either.
    if (fixed) window_->setFixedSize(shown.size());
    // The form learns where its window went.
    if (moved) postRect(shown);
  }
  if (state != appliedState_) {
    appliedState_ = state;
    window_->setWindowState(state == ui::vbMinimized   ? Qt::WindowMinimized
                            : state == ui::vbMaximized ? Qt::WindowMaximized
                                                       : Qt::WindowNoState);
  }
  applying_ = false;
}

void FormWindow::follow() {
  auto form = form_.lock();
  if (!form || !window_) return;
  // Controls added or dropped since the window was built: build it again.
  bool same = builtFor_.size() == form->controls().size();
  for (size_t i = 0; same && i < builtFor_.size(); ++i) same = builtFor_[i] == form->controls()[i].get();
  if (!same || dialogRowsChanged(*form)) build();
  if (auto tb = toolbar_.lock()) {
    auto* bar = as<c::Toolbar>(tb);
    if (bar && (!layoutBuilt_ || !(bar->layout() == builtLayout_))) buildMenus(*bar);
  }
  if (captionSeen_ != form->caption()) {
    captionSeen_ = form->caption();
    window_->setWindowTitle(plainText(form->caption()));
  }
  for (auto& u : updaters_) u();
  if (code_) code_->follow();
  applyGeometry(*form);
  const bool enabled = ui::IsWindowEnabled(form->hWnd()) != 0;
  if (window_->isEnabled() != enabled) window_->setEnabled(enabled);
  if (form->focusedControl() != focusSeen_) {
    focusSeen_ = form->focusedControl();
    if (focusSeen_)
      if (QWidget* w = controlWidget(focusSeen_->fullName())) w->setFocus(Qt::OtherFocusReason);
  }
  if (!window_->isVisible()) {
    window_->show();
    window_->raise();
    window_->activateWindow();
  }
}

}  // namespace platform::gui
