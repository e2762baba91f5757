// A form as a top-level window: its caption, its place and size from
// twips, its controls as widgets, and on a window with a toolbar control
// the menu bar, the visible toolbars, the code editor, the task pane and
// the status bar's panels. The window hands what the person does to the
// waiting loop (post) and follows the form after every action (follow).
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls/dialog_layout.h"
#include "platform/controls/toolbar.h"
#include "platform/ui/form.h"

class QMenuBar;
class QMenu;
class QSplitter;
class QListWidget;
class QLabel;
class QRect;
class QTimer;

namespace platform::gui {

class ActionSink;
class CodeView;
class FormWidget;

class FormWindow {
 public:
  // owner: the window that owns this one (null for none); modality: how the
  // window keeps the others from input while it shows.
  FormWindow(ActionSink& sink, const std::shared_ptr<ui::Form>& form, QWidget* owner,
             Qt::WindowModality modality = Qt::NonModal);
  ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  // The window follows its form: caption, geometry when the form moved it,
  // enabled state, each control's value, the menus and the panels.
  void follow();

  std::shared_ptr<ui::Form> form() const { return form_.lock(); }
  QMainWindow* widget() const;
  CodeView* codeView() const { return code_; }
  // The widget that shows a control ("chkBackup(1)"), or null.
  QWidget* controlWidget(const std::string& fullName) const;
  // The QAction of a tool in the menus or toolbars (the first one), or null.
  QAction* toolAction(const std::string& toolId) const;
  std::vector<QLabel*> statusPanels() const { return panels_; }
  // Opens the menu bar's first menu from the keyboard (F10, or Alt pressed
  // and let go alone); the arrows then move between the menus and Escape
  // closes them. False when the window has no menu to open.
  bool openMenuBar();

 private:
  friend class FormWidget;
  void build();
  void buildMainParts(ui::Form& form);
  void buildDialog(ui::Form& form, QWidget* area);
  // A dialog control's widget, its updaters and its entry among the
  // control widgets; null for a control with no window of its own.
  QWidget* dialogWidget(const std::shared_ptr<ui::Control>& control);
  bool dialogRowsChanged(const ui::Form& form) const;
  void buildMenus(const controls::Toolbar& bar);
  void fillMenu(QMenu* menu, const controls::Toolbar& bar, const std::vector<std::string>& items, int depth);
  QAction* makeToolAction(const controls::Tool& tool, QObject* parent);
  void applyGeometry(ui::Form& form);
  void postGeometry();
  // The person (or the window manager) moved or resized the window.
  void geometryChanged();
  // Moves the form to the window's normal rectangle in pixels.
  void postRect(const QRect& rect);
  // The window went maximised or minimised: the form keeps its normal
  // rectangle.
  void keepNormalRect();
  void postClose();
  void postKey(const std::string& name);
  // An action on one of the form's controls (a click, a pick, a new value).
  void postControl(ui::Action::Kind kind, const std::string& control, std::string text = {});
  void postWindowState(int32_t state);

  ActionSink& sink_;
  std::weak_ptr<ui::Form> form_;
  std::string formName_;
  QPointer<FormWidget> window_;
  CodeView* code_ = nullptr;
  QSplitter* split_ = nullptr;
  QListWidget* taskPane_ = nullptr;
  std::vector<QLabel*> panels_;
  std::map<std::string, QWidget*> controlWidgets_;
  std::multimap<std::string, QPointer<QAction>> toolActions_;
  std::vector<std::function<void()>> updaters_;
  std::vector<ui::Control*> builtFor_;
  std::weak_ptr<ui::Control> toolbar_;
  controls::ToolbarLayout builtLayout_;
  bool layoutBuilt_ = false;
  bool dialog_ = false;
  controls::DialogLayout dialogLayout_;
  int32_t appliedLeft_ = -1, appliedTop_ = -1, appliedWidth_ = -1, appliedHeight_ = -1;
  int32_t appliedState_ = -1;
  ui::Control* focusSeen_ = nullptr;
  std::string captionSeen_;
  bool applying_ = false;
  QPointer<QTimer> settle_;
  // The moves and states of the window handed to the form and not yet
  // taken by it.
  std::shared_ptr<int> placing_ = std::make_shared<int>(0);
  // The last two rectangles the form was given (by moves of the window or
  // by the form itself).
  QRect postedRect_, priorRect_;
};

}  // namespace platform::gui
