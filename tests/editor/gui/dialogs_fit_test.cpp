// Every dialog and prompt of the editor opened from the main window, as
// the person opens it, on the windowed desktop (offscreen; the suite runs
// this test at a scale of 1 and once more at 2): on each page the dialog
// shows all its controls inside its visible area, without a scroll bar,
// and every text field is wide enough to read what it holds.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <fstream>

#include "editor/CMainFrontEnd.h"
#include "editor/editor_fixture.h"
#include "platform/controls/standard_controls.h"
#include "platform/gui/form_window.h"
#include "platform/gui/gui_internal.h"
#include "windowed_editor_fixture.h"

namespace editor_test {
namespace {

using platform::gui::WindowUser;

class DialogsFitTest : public WindowedEditorFixture {
 protected:
  // Runs the editor on a new script through the steps given before; the
  // window is closed once they are done.
  void runTheSteps() {
    closeWithoutSaving();
    std::string arg = "new";
    auto front = kestrin::editor::CMainFrontEnd::create();
    EXPECT_NE(front->RunEditor(arg), 0);
  }
};

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

// A prompt of the code editor (a dialog of the toolkit, open now): on the
// screen, without a scroll bar, its fields, labels and buttons inside it,
// each field ten average characters wide, each label on one line.
void expectPromptWhole(QDialog& dialog, const std::string& name) {
  const QRect inside = dialog.rect();
  if (const QScreen* screen = dialog.screen()) {
    const QSize room = screen->availableGeometry().size();
    EXPECT_TRUE(dialog.width() <= room.width() && dialog.height() <= room.height())
        << name << ": " << dialog.width() << "x" << dialog.height() << " on a screen of " << room.width() << "x"
        << room.height();
  }
  int fields = 0;
  for (QWidget* w : dialog.findChildren<QWidget*>()) {
    if (!w->isVisibleTo(&dialog)) continue;
    const std::string what = name + ": " + w->metaObject()->className() + " " + w->objectName().toStdString();
    EXPECT_EQ(qobject_cast<QScrollBar*>(w), nullptr) << what << " is a scroll bar";
    const bool field = qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w) ||
                       (qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractSpinBox*>(w->parentWidget()) &&
                        !qobject_cast<QComboBox*>(w->parentWidget()));
    auto* label = qobject_cast<QLabel*>(w);
    if (!field && !label && !qobject_cast<QAbstractButton*>(w)) continue;
    const QRect at(w->mapTo(&dialog, QPoint()), w->size());
    EXPECT_TRUE(inside.contains(at)) << what << " at " << at.x() << "," << at.y() << " " << at.width() << "x"
                                     << at.height() << " outside the dialog's " << inside.width() << "x"
                                     << inside.height();
    if (field) {
      ++fields;
      EXPECT_GE(w->width(), 10 * w->fontMetrics().averageCharWidth()) << what << " is " << w->width() << " px wide";
    }
    if (label && !label->text().contains('\n')) {
      EXPECT_LT(label->height(), 2 * label->fontMetrics().lineSpacing())
          << what << " \"" << label->text().toStdString() << "\" takes several lines";
    }
  }
  EXPECT_GT(fields, 0) << name << " shows no field";
}

// A tool of the main window and the object name of the dialog it opens.
struct ToolDialog {
  const char* tool;
  const char* dialog;
};

// Clicks a tool of the main window that opens a modal dialog of the
// toolkit; from the dialog's own loop, `look` is given the dialog (of that
// type and object name, once it shows) at every tick until it answers true.
template <class Dialog>
void lookAtTheDialogOf(WindowUser& windows, const char* tool, const char* dialogName,
                       std::function<bool(Dialog&)> look) {
  auto* looking = new QTimer(windows.formWindow("frmMain")->widget());
  QObject::connect(looking, &QTimer::timeout, looking, [looking, dialogName, look] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible() || dialog->objectName() != QLatin1String(dialogName)) return;
    if (!look(*dialog)) return;
    looking->stop();
    looking->deleteLater();
  });
  looking->start(5);
  QAction* action = windows.formWindow("frmMain")->toolAction(tool);
  ASSERT_NE(action, nullptr) << tool;
  action->trigger();
}

TEST_F(DialogsFitTest, ThePromptsOfTheCodeEditorShowTheirControlsWhole) {
  const ToolDialog prompts[] = {
      {"ID_EditFind", "find"},
      {"id_EditReplace", "replace"},
      {"id_EditGoToLine", "gotoline"},
  };
  std::vector<std::string> checked;
  for (const auto& prompt : prompts) {
    then([this, prompt, &checked] {
      // The prompt is modal: it is looked at, and cancelled, from its own
      // loop.
      lookAtTheDialogOf<QDialog>(*windows, prompt.tool, prompt.dialog, [prompt, &checked](QDialog& dialog) {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
        expectPromptWhole(dialog, prompt.dialog);
        checked.push_back(prompt.dialog);
        dialog.reject();
        return true;
      });
    });
  }
  runTheSteps();
  EXPECT_EQ(checked.size(), std::size(prompts));
}

// Open, Save As and Insert File on a folder of a sub-folder and of files
// whose size, type and date are as long as they come: on the screen, their
// buttons inside them, and each column of the list as wide as the longest
// text it shows, inside the list.
TEST_F(DialogsFitTest, TheFileDialogsShowEveryColumnAndButtonWhole) {
  kestrin_test::TempDir folder;
  std::filesystem::create_directory(folder.path() + "/Scripts of the machine");
  { std::ofstream(folder.path() + "/a script of the machine.vbs") << std::string(1023 * 1024, 'x'); }
  { std::ofstream(folder.path() + "/notes.txt") << std::string(1000, 'x'); }
  const ToolDialog dialogs[] = {
      {"ID_FileOpen", "opendialog"},
      {"ID_FileSaveAs", "savedialog"},
      {"ID_InsertFile", "opendialog"},
  };
  std::vector<std::string> checked;
  for (const auto& d : dialogs) {
    then([this, d, &checked, &folder] {
      auto shown = std::make_shared<bool>(false);
      lookAtTheDialogOf<QFileDialog>(
          *windows, d.tool, d.dialog, [d, &checked, &folder, shown](QFileDialog& shownDialog) {
            QFileDialog* dialog = &shownDialog;
            auto* list = dialog->findChild<QTreeView*>();
            auto* model = list ? qobject_cast<QFileSystemModel*>(list->model()) : nullptr;
            if (!model) {
              ADD_FAILURE() << d.dialog << " shows no list of the folder";
              dialog->reject();
              return true;
            }
            if (!*shown) {
              *shown = true;
              dialog->setDirectory(QString::fromStdString(folder.path()));
              dialog->setNameFilter("All Files (*)");
              return false;
            }
            // Once the folder's entries are read.
            if (model->rowCount(list->rootIndex()) < 3) return false;
            const std::string name = std::string(d.tool) + " " + d.dialog;
            const QSize room = dialog->screen()->availableGeometry().size();
            // A screen smaller than 800 by 600 (the offscreen one at a scale of
            // 2) is smaller than the toolkit's smallest file dialog.
            if (room.width() >= 800 && room.height() >= 600) {
              EXPECT_TRUE(dialog->width() <= room.width() && dialog->height() <= room.height())
                  << name << ": " << dialog->width() << "x" << dialog->height() << " on a screen of " << room.width()
                  << "x" << room.height();
              for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>()) {
                if (!b->isVisibleTo(dialog)) continue;
                const QRect at(b->mapTo(dialog, QPoint()), b->size());
                EXPECT_TRUE(dialog->rect().contains(at)) << name << ": the button " << b->text().toStdString() << " at "
                                                         << at.x() << "," << at.y() << " outside the dialog";
              }
              QHeaderView* header = list->header();
              for (int c = 0; c < header->count(); ++c) {
                if (header->isSectionHidden(c)) continue;
                // What its title and each entry need.
                int needed = header->sectionSizeHint(c);
                for (int r = 0; r < model->rowCount(list->rootIndex()); ++r)
                  needed = std::max(needed, list->sizeHintForIndex(model->index(r, c, list->rootIndex())).width() +
                                                (c == 0 && list->rootIsDecorated() ? list->indentation() : 0));
                EXPECT_GE(header->sectionSize(c), needed)
                    << name << ": the column " << model->headerData(c, Qt::Horizontal).toString().toStdString()
                    << " is " << header->sectionSize(c) << " px wide for texts of " << needed;
                EXPECT_LE(header->sectionPosition(c) + header->sectionSize(c), list->viewport()->width())
                    << name << ": the column " << c << " ends outside the list";
              }
            }
            checked.push_back(name);
            dialog->reject();
            return true;
          });
    });
  }
  runTheSteps();
  EXPECT_EQ(checked.size(), std::size(dialogs));
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
  runTheSteps();
  EXPECT_EQ(checked.size(), std::size(dialogs));
}

}  // namespace
}  // namespace editor_test
