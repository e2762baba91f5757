// The editor's main window on the windowed desktop (Qt's offscreen
// platform): the menu bar, toolbars and status panels built from the
// design layout, keys typed into the code view marking the script, a menu
// pick reaching the dispatcher as a tool click, the Options dialog's check
// box and OK storing the setting, the About window shown whole, and the
// close box's exit question.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <map>
#include <vector>

#include "editor/CMainFrontEnd.h"
#include "editor/editor_fixture.h"
#include "windowed_editor_fixture.h"
#include "platform/controls/standard_controls.h"
#include "platform/gui/code_view.h"
#include "platform/gui/form_window.h"
#include "platform/gui/gui_internal.h"
#include "platform/ui/visible_text.h"
#include "platform/win32/settings.h"

namespace editor_test {
namespace {

using platform::gui::WindowUser;

class WindowedEditorTest : public WindowedEditorFixture {
 protected:
  QMainWindow* mainWindow() const { return windows->formWindow("frmMain")->widget(); }
  QAction* tool(const std::string& id) const { return windows->formWindow("frmMain")->toolAction(id); }
  int run() {
    std::string arg = "new";
    auto front = kestrin::editor::CMainFrontEnd::create();
    return front->RunEditor(arg);
  }
};

TEST_F(WindowedEditorTest, TheMainWindowShowsTheDesignLayoutsMenusToolbarAndStatusPanels) {
  then([&] {
    auto& bar = *window().SSActiveToolBars1;
    QMenuBar* menus = mainWindow()->menuBar();
    std::vector<std::string> titles, expected;
    for (QAction* a : menus->actions()) titles.push_back(a->text().toStdString());
    for (const auto& b : bar.layout().bars)
      if (b.menu)
        for (const auto& id : b.items)
          if (const auto* t = bar.findTool(id); t && !id.empty()) expected.push_back(t->caption);
    EXPECT_EQ(titles, expected);
    EXPECT_EQ(titles.front(), "&File");
    // The File menu: its items with their access keys, its separators.
    QMenu* file = menus->actions().front()->menu();
    ASSERT_NE(file, nullptr);
    std::vector<std::string> items;
    for (QAction* a : file->actions()) items.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    EXPECT_EQ(items.back(), "E&xit");
    EXPECT_NE(std::find(items.begin(), items.end(), "-"), items.end());
    // A visible toolbar shows its own captions of its tools ("Insert File"
    // where the menu says "Insert File...").
    for (const auto& b : bar.layout().bars) {
      if (b.menu || !b.visible) continue;
      auto* tb = mainWindow()->findChild<QToolBar*>(QString::fromStdString(b.name));
      ASSERT_NE(tb, nullptr) << b.name;
      std::vector<std::string> shown, captions;
      for (QAction* a : tb->actions())
        if (!a->isSeparator()) shown.push_back(a->iconText().toStdString());
      for (const auto& id : b.items)
        if (!id.empty()) captions.push_back(b.plainCaptionOf(*bar.findTool(id)));
      EXPECT_EQ(shown, captions) << b.name;
      EXPECT_NE(std::find(shown.begin(), shown.end(), "Insert File"), shown.end()) << b.name;
      break;
    }
    // The status bar's panels.
    auto panels = windows->formWindow("frmMain")->statusPanels();
    ASSERT_EQ(static_cast<int>(panels.size()), window().StatusBar1->count());
    for (int i = 0; i < window().StatusBar1->count(); ++i)
      EXPECT_EQ(panels[static_cast<size_t>(i)]->text().toStdString(),
                platform::ui::visibleText(window().StatusBar1->panel(i + 1).text(), {true, true}));
    EXPECT_EQ(mainWindow()->windowTitle().toStdString(), window().caption());
  });
  closeWithoutSaving();
  EXPECT_NE(run(), 0);
  EXPECT_TRUE(platform::ui::forms().empty());
}

TEST_F(WindowedEditorTest, KeysTypedIntoTheCodeViewChangeTheTextAndMarkTheScript) {
  std::string dirty;
  then([&] {
    auto* view = dynamic_cast<platform::gui::CodeView*>(windows->formWindow("frmMain")->codeView());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(window().property("IsDirty"), "False");
    QTest::keyClicks(view, "Dim x");
  });
  then([&] {
    if (const char* shot = getenv("KESTRIN_SHOT")) mainWindow()->grab().save(shot);
  });
  then([&] {
    EXPECT_NE(window().CodeSense1->text().find("Dim x"), std::string::npos);
    dirty = window().property("IsDirty");
  });
  closeWithoutSaving();
  EXPECT_NE(run(), 0);
  EXPECT_EQ(dirty, "True");
}

// Counts the paints of the widgets it watches.
class PaintCounter : public QObject {
 public:
  void watch(QWidget* w) {
    w->installEventFilter(this);
    counts[w] = 0;
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++counts[watched];
    return false;
  }
  std::map<QObject*, int> counts;
};

TEST_F(WindowedEditorTest, AKeyRepaintsTheLineItChangedAndOnlyThePanelsWhoseTextChanged) {
  PaintCounter paints;
  std::vector<QString> panelTexts;
  platform::gui::CodeView* view = nullptr;
  then([&] {
    view = windows->formWindow("frmMain")->codeView();
    ASSERT_NE(view, nullptr);
    QTest::keyClicks(view, "Dim x");  // the script is marked from the first key on
  });
  then([&] {
    // The first keys' paint first (the toolkit asks for it at a low
    // priority, after this step).
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    paints.watch(mainWindow()->menuBar());
    for (QToolBar* bar : mainWindow()->findChildren<QToolBar*>()) paints.watch(bar);
    for (QLabel* panel : windows->formWindow("frmMain")->statusPanels()) {
      paints.watch(panel);
      panelTexts.push_back(panel->text());
    }
    QTest::keyClicks(view, "y");
  });
  then([&] {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    EXPECT_NE(window().CodeSense1->text().find("Dim xy"), std::string::npos);
    EXPECT_EQ(paints.counts[mainWindow()->menuBar()], 0);
    for (QToolBar* bar : mainWindow()->findChildren<QToolBar*>())
      EXPECT_EQ(paints.counts[bar], 0) << bar->objectName().toStdString();
    const auto panels = windows->formWindow("frmMain")->statusPanels();
    ASSERT_EQ(panels.size(), panelTexts.size());
    for (size_t i = 0; i < panels.size(); ++i) {
      if (panels[i]->text() == panelTexts[i]) {
        EXPECT_EQ(paints.counts[panels[i]], 0) << panels[i]->text().toStdString();
      }
    }
    EXPECT_GE(view->linesPainted(), 1);
    EXPECT_LE(view->linesPainted(), 2);
  });
  closeWithoutSaving();
  EXPECT_NE(run(), 0);
}

TEST_F(WindowedEditorTest, F10OrAltAloneOpensTheFirstMenuTheArrowsMoveAndEscapeCloses) {
  for (const auto key : {Qt::Key_F10, Qt::Key_Alt}) {
    then([&, key] {
      auto* view = windows->formWindow("frmMain")->codeView();
      // The offscreen platform makes every window it shows active, the menus
      // too: the main window is made active again first.
      mainWindow()->activateWindow();
      ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == mainWindow(); }));
      view->setFocus();
      const std::string before = window().CodeSense1->text();
      const auto titles = mainWindow()->menuBar()->actions();
      ASSERT_GE(titles.size(), 2);
      QTest::keyClick(view, key);
      auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(open, nullptr) << key;
      EXPECT_EQ(open, titles[0]->menu());
      QTest::keyClick(open, Qt::Key_Right);
      EXPECT_EQ(QApplication::activePopupWidget(), titles[1]->menu());
      QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Left);
      EXPECT_EQ(QApplication::activePopupWidget(), titles[0]->menu());
      // Escape closes the menu, a second one leaves the menu bar: the keys
      // reach the script again.
      QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
      EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
      EXPECT_EQ(mainWindow()->focusWidget(), mainWindow()->menuBar());
      QTest::keyClick(mainWindow()->menuBar(), Qt::Key_Escape);
      EXPECT_EQ(mainWindow()->focusWidget(), view);
      EXPECT_EQ(window().CodeSense1->text(), before);
    });
  }
  // Alt with a letter is the toolkit's access key, not Alt alone.
  then([&] {
    auto* view = windows->formWindow("frmMain")->codeView();
    QTest::keyPress(view, Qt::Key_Alt);
    QTest::keyClick(view, Qt::Key_Left, Qt::AltModifier);
    QTest::keyRelease(view, Qt::Key_Alt);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  });
  closeWithoutSaving();
  EXPECT_NE(run(), 0);
}

// A menu closed by Escape leaves its title lit while the menu bar holds the
// keyboard; once the window has lost the keyboard and is activated again,
// the keys reach the script, not the menu bar.
TEST_F(WindowedEditorTest, AMenuClosedByEscapeLeavesItsTitleLitAndTheWindowActivatedAgainTypesIntoTheScript) {
  QWidget other;
  then([&] {
    auto* view = windows->formWindow("frmMain")->codeView();
    QMenuBar* bar = mainWindow()->menuBar();
    mainWindow()->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == mainWindow(); }));
    view->setFocus();
    QAction* first = bar->actions().value(0);
    ASSERT_NE(first, nullptr);
    const QRect title = bar->actionGeometry(first);
    const QImage plain = bar->grab().toImage().copy(title);
    QTest::keyClick(view, Qt::Key_F10);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    ASSERT_EQ(QApplication::focusWidget(), bar);
    ASSERT_EQ(bar->activeAction(), first);
    EXPECT_NE(bar->grab().toImage().copy(title), plain) << "the title of the closed menu is not lit";

    other.resize(200, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &other; }));
    mainWindow()->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == mainWindow(); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == view; }))
        << "the keyboard stays with the menu bar";
    other.hide();
    QTest::keyClicks(QApplication::focusWidget(), "xq");
  });
  then([&] { EXPECT_NE(window().CodeSense1->text().find("xq"), std::string::npos); });
  closeWithoutSaving();
  EXPECT_NE(run(), 0);
}

// The task pane's handle dragged by the person keeps the pane at that width
// while the script is typed into; hidden and shown again, the pane has its
// own width again.
TEST_F(WindowedEditorTest, TheTaskPaneKeepsTheWidthItsHandleIsDraggedToUntilShownAgain) {
  QSplitter* split = nullptr;
  int shownWidth = 0;
  then([&] { tool("ID_ShowTasks")->trigger(); });
  then([&] {
    split = mainWindow()->findChild<QSplitter*>();
    ASSERT_NE(split, nullptr);
    ASSERT_EQ(split->count(), 2);
    ASSERT_TRUE(split->widget(0)->isVisible());
    shownWidth = split->widget(0)->width();
    ASSERT_GT(shownWidth, 0);
    QSplitterHandle* handle = split->handle(1);
    const QPoint middle = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, middle);
    QTest::mouseMove(handle, middle + QPoint(120, 0));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, middle + QPoint(120, 0));
    EXPECT_NEAR(split->widget(0)->width(), shownWidth + 120, 2);
    QTest::keyClicks(windows->formWindow("frmMain")->codeView(), "Dim x");
  });
  then([&] {
    EXPECT_NE(window().CodeSense1->text().find("Dim x"), std::string::npos);
    EXPECT_NEAR(split->widget(0)->width(), shownWidth + 120, 2) << "the dragged pane went back";
    tool("ID_HideTasks")->trigger();
  });
  then([&] {
    EXPECT_FALSE(split->widget(0)->isVisible());
    tool("ID_ShowTasks")->trigger();
  });
  then([&] {
    EXPECT_TRUE(split->widget(0)->isVisible());
    EXPECT_NEAR(split->widget(0)->width(), shownWidth, 2);
  });
  closeWithoutSaving();
  EXPECT_NE(run(), 0);
}

// The font size box of the Options dialog shows the stored size, and its
// list is on that entry when it opens.
TEST_F(WindowedEditorTest, TheOptionsFontSizeListIsOnTheSizeItsBoxShows) {
  then([&] { tool("ID_EditPreferences")->trigger(); });
  then([&] {
    auto* box = qobject_cast<QComboBox*>(windows->formWindow("frmOptions")->controlWidget("cboFontSize"));
    ASSERT_NE(box, nullptr);
    ASSERT_GT(box->count(), 1);
    EXPECT_EQ(box->currentText().toStdString(), "10");
    EXPECT_EQ(box->currentIndex(), box->findText("10"));
    QTest::mouseClick(windows->formWindow("frmOptions")->controlWidget("cmdCancel"), Qt::LeftButton);
  });
  closeWithoutSaving();
  EXPECT_NE(run(), 0);
}

TEST_F(WindowedEditorTest, AMenuPickOpensTheOptionsDialogWhoseCheckBoxAndOkStoreTheSetting) {
  const std::string before = platform::GetSetting("KestrinEditor", "Preferences", "LineNumbering", "<absent>");
  then([&] {
    ASSERT_NE(tool("ID_EditPreferences"), nullptr);
    tool("ID_EditPreferences")->trigger();
  });
  std::string title;
  then([&] {
    QWidget* dialog = windows->windowOf("frmOptions");
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle().toStdString();
    auto* box = windows->formWindow("frmOptions")->controlWidget("chkLineNumbers");
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, 8));
  });
  then([&] { QTest::mouseClick(windows->formWindow("frmOptions")->controlWidget("cmdOK"), Qt::LeftButton); });
  closeWithoutSaving();
  EXPECT_NE(run(), 0);
  EXPECT_FALSE(title.empty());
  EXPECT_EQ(before, "<absent>");
  EXPECT_EQ(platform::GetSetting("KestrinEditor", "Preferences", "LineNumbering", "<absent>"), "1");
}

}  // namespace
}  // namespace editor_test

namespace editor_test {
namespace {

// The About window shows all of its text and its OK button whole, and OK
// closes it.
TEST_F(WindowedEditorTest, TheAboutWindowShowsItsOkButtonWhole) {
  then([&] {
    ASSERT_NE(tool("ID_About"), nullptr);
    tool("ID_About")->trigger();
  });
  bool opened = false;
  then([&] {
    auto* about = windows->formWindow("frmAbout");
    ASSERT_NE(about, nullptr);
    opened = true;
    if (const char* shot = getenv("KESTRIN_ABOUT_SHOT")) windows->windowOf("frmAbout")->grab().save(shot);
    QWidget* ok = about->controlWidget("cmdOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->visibleRegion().boundingRect(), ok->rect());
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  closeWithoutSaving();
  EXPECT_NE(run(), 0);
  EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace editor_test
