// Every dialog of the editor opened from the main window, as the person
// opens it, on the windowed desktop (offscreen; the suite runs this test at
// a scale of 1 and once more at 2): on each page the dialog shows all its
// controls inside its visible area, without a scroll bar, and every text
// field is wide enough to read what it holds.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "editor/CMainFrontEnd.h"
#include "editor/editor_fixture.h"
#include "windowed_editor_fixture.h"
#include "platform/controls/standard_controls.h"
#include "platform/gui/form_window.h"
#include "platform/gui/gui_internal.h"

namespace editor_test {
namespace {

using platform::gui::WindowUser;

class DialogsFitTest : public WindowedEditorFixture {};

// Lets the windows follow the forms and the toolkit lay them out.
void settle(WindowUser& windows) {
  for (int i = 0; i < 3; ++i) {
    windows.sync();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

// The dialog's controls on the page shown now: each inside the visible
// area, each text field at least ten average characters wide.
void expectShownWhole(platform::gui::FormWindow& dialog, const std::string& page) {
  QMainWindow* window = dialog.widget();
  auto* area = qobject_cast<QScrollArea*>(window->centralWidget());
  ASSERT_NE(area, nullptr);
  EXPECT_FALSE(area->horizontalScrollBar()->isVisible()) << page << ": a horizontal scroll bar";
  EXPECT_FALSE(area->verticalScrollBar()->isVisible()) << page << ": a vertical scroll bar";
  const QRect visible(area->viewport()->mapTo(window, QPoint()), area->viewport()->size());
  int shown = 0;
  for (const auto& control : dialog.form()->controls()) {
    QWidget* w = dialog.controlWidget(control->fullName());
    if (!w || !w->isVisibleTo(window)) continue;
    ++shown;
    const QRect at(w->mapTo(window, QPoint()), w->size());
    EXPECT_TRUE(visible.contains(at)) << page << ": " << control->fullName() << " at " << at.x() << "," << at.y() << " "
                                      << at.width() << "x" << at.height() << " outside the visible " << visible.width()
                                      << "x" << visible.height();
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)) {
      EXPECT_GE(w->width(), 10 * w->fontMetrics().averageCharWidth())
          << page << ": the field " << control->fullName() << " is " << w->width() << " px wide";
    }
  }
  EXPECT_GT(shown, 0) << page;
}

TEST_F(DialogsFitTest, EveryDialogShowsEachPageWholeWithoutAScrollBar) {
  struct Dialog {
    const char* tool;
    const char* form;
  };
  const Dialog dialogs[] = {
      {"ID_EditPreferences", "frmOptions"},     {"ID_About", "frmAbout"},
      {"ID_InsertClass", "frmNewClass"},        {"ID_NewFunction", "frmAddFunction"},
      {"ID_NewSubroutine", "frmAddSubroutine"}, {"ID_AddProperty", "frmAddProperty"},
  };
  std::vector<std::string> checked;
  for (const auto& d : dialogs) {
    then([this, d] {
      QAction* tool = windows->formWindow("frmMain")->toolAction(d.tool);
      ASSERT_NE(tool, nullptr) << d.tool;
      tool->trigger();
    });
    then([this, d, &checked] {
      auto* dialog = windows->formWindow(d.form);
      ASSERT_NE(dialog, nullptr) << d.form << " did not open";
      auto form = dialog->form();
      platform::controls::TabControl* tabs = nullptr;
      for (const auto& c : form->controls())
        if (auto* t = dynamic_cast<platform::controls::TabControl*>(c.get())) tabs = t;
      const int pages = tabs ? tabs->tabCount() : 1;
      for (int page = 0; page < pages; ++page) {
        if (tabs) tabs->setSelectedTab(page);
        settle(*windows);
        expectShownWhole(*dialog, std::string(d.form) + " page " + std::to_string(page + 1));
      }
      checked.push_back(d.form);
      form->unload();
    });
  }
  then([this] {
    answering = new QTimer;
    QObject::connect(answering, &QTimer::timeout, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      const bool save = box->text().contains("save");
      if (QAbstractButton* b = box->button(save ? QMessageBox::No : QMessageBox::Yes)) b->click();
    });
    answering->start(5);
    windows->formWindow("frmMain")->widget()->close();
  });
  std::string arg = "new";
  auto front = kestrin::editor::CMainFrontEnd::create();
  EXPECT_NE(front->RunEditor(arg), 0);
  EXPECT_EQ(checked.size(), std::size(dialogs));
}

}  // namespace
}  // namespace editor_test
