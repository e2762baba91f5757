// Forms as windows: a dialog's controls as widgets that a person types
// into and clicks, the close box as the close query, Enter and Escape, and
// untrusted captions shown as they stand.
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include "gui_fixture.h"
#include "platform/controls/dialog_layout.h"
#include "platform/controls/standard_controls.h"
#include "platform/controls/toolbar.h"
#include "platform/ui/screen.h"

namespace gui_test {
namespace {

using namespace platform::controls;
using platform::ui::Form;

class TestDialog : public Form {
 public:
  TestDialog() : Form("frmTest") {}
  std::shared_ptr<Label> lbl;
  std::shared_ptr<TextBox> txt;
  std::shared_ptr<CheckBox> chk;
  std::shared_ptr<OptionButton> opt[2];
  std::shared_ptr<CommandButton> ok, cancel;
  std::string stored;
  std::vector<int32_t> queries;
  bool keepOpen = false;
  std::string labelCaption = "&Name:";

 protected:
  void createControls() override {
    lbl = add(std::make_shared<Label>("lblName", labelCaption));
    txt = add(std::make_shared<TextBox>("txtName"));
    chk = add(std::make_shared<CheckBox>("chkFlag", "&Flag"));
    opt[0] = add(std::make_shared<OptionButton>("optKind", "One", 0));
    opt[1] = add(std::make_shared<OptionButton>("optKind", "Two", 1));
    ok = add(std::make_shared<CommandButton>("cmdOK", "&OK"));
    cancel = add(std::make_shared<CommandButton>("cmdCancel", "&Cancel"));
    ok->setDefault(true);
    cancel->setCancel(true);
    ok->onClick = [this] {
      stored = txt->text() + "|" + std::to_string(chk->value()) + "|" + (opt[1]->value() ? "Two" : "One");
      unload();
    };
    cancel->onClick = [this] {
      stored = "cancelled";
      unload();
    };
  }
  void onQueryUnload(bool& cancelIt, int32_t mode) override {
    queries.push_back(mode);
    cancelIt = keepOpen;
  }
};

using DialogTest = GuiTest;

TEST_F(DialogTest, TypedTextClicksAndOkReachTheFormsControls) {
  auto d = Form::make<TestDialog>();
  then([&] {
    auto* edit = widget<QLineEdit>("frmTest", "txtName");
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, "Ann");
  });
  // A person clicks on the box itself, at the left of the caption.
  then([&] { QTest::mouseClick(widget<QCheckBox>("frmTest", "chkFlag"), Qt::LeftButton, {}, QPoint(6, 8)); });
  then([&] { QTest::mouseClick(widget<QRadioButton>("frmTest", "optKind(1)"), Qt::LeftButton, {}, QPoint(6, 8)); });
  then([&] {
    // The window follows the form: the check box and option buttons show
    // what the controls hold.
    EXPECT_EQ(widget<QCheckBox>("frmTest", "chkFlag")->checkState(), Qt::Checked);
    EXPECT_FALSE(widget<QRadioButton>("frmTest", "optKind(0)")->isChecked());
    EXPECT_TRUE(widget<QRadioButton>("frmTest", "optKind(1)")->isChecked());
    QTest::mouseClick(widget<QPushButton>("frmTest", "cmdOK"), Qt::LeftButton);
  });
  d->show(platform::ui::vbModal);
  EXPECT_EQ(d->stored, "Ann|1|Two");
  EXPECT_FALSE(d->loaded());
  user->sync();
  EXPECT_EQ(window("frmTest"), nullptr);
}

TEST_F(DialogTest, TheCloseBoxIsTheCloseQueryAndItsCancelKeepsTheWindow) {
  auto d = Form::make<TestDialog>();
  d->keepOpen = true;
  then([&] { window("frmTest")->close(); });
  then([&] {
    EXPECT_EQ(d->queries, std::vector<int32_t>{platform::ui::unload_mode::FormControlMenu});
    EXPECT_TRUE(d->loaded());
    EXPECT_TRUE(window("frmTest")->isVisible());
    d->keepOpen = false;
    window("frmTest")->close();
  });
  d->show(platform::ui::vbModal);
  EXPECT_EQ(d->queries.size(), 2u);
  EXPECT_FALSE(d->loaded());
  EXPECT_EQ(d->stored, "");
}

TEST_F(DialogTest, EnterPressesTheDefaultButtonAndEscapeTheCancelButton) {
  for (auto [key, expected] : {std::pair{Qt::Key_Return, "Bo|0|One"}, std::pair{Qt::Key_Escape, "cancelled"}}) {
    auto d = Form::make<TestDialog>();
    then([&] { QTest::keyClicks(widget<QLineEdit>("frmTest", "txtName"), "Bo"); });
    then([&, key = key] { QTest::keyClick(widget<QLineEdit>("frmTest", "txtName"), key); });
    d->show(platform::ui::vbModal);
    EXPECT_EQ(d->stored, expected);
  }
}

TEST_F(DialogTest, CaptionsAndTitlesHoldingMarkupAreShownAsTheyStand) {
  auto d = Form::make<TestDialog>();
  d->labelCaption = "<b>Name</b>\r\nsecond line\x1b[31m";
  d->load();
  d->setCaption("<i>Options</i>");
  then([&] {
    auto* label = widget<QLabel>("frmTest", "lblName");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    // Its lines break at CR LF; other control characters show as symbols.
    EXPECT_EQ(label->text().toStdString(), "<b>Name</b>\nsecond line\u241b[31m");
    EXPECT_EQ(window("frmTest")->windowTitle().toStdString(), "<i>Options</i>");
    d->unload();
  });
  d->show(platform::ui::vbModal);
}

TEST_F(DialogTest, AWindowTakesItsSizeAndPlaceFromTwips) {
  auto d = Form::make<TestDialog>();
  d->load();
  d->move(1500, 3000, 600 * 15, 450 * 15);
  then([&] {
    const QRect g = window("frmTest")->geometry();
    EXPECT_EQ(g.topLeft(), QPoint(100, 200));
    EXPECT_EQ(g.size(), QSize(600, 450));
    d->unload();
  });
  d->show(platform::ui::vbModal);
}

// A dialog whose design gives no positions, with a tab strip of two pages,
// groups, a field with its unit and a field with its button.
class PagedDialog : public Form {
 public:
  PagedDialog() : Form("frmPaged") {}
  std::shared_ptr<TabControl> tabs;
  std::shared_ptr<CheckBox> extra;

 protected:
  void createControls() override {
    tabs = add(std::make_shared<TabControl>("tabs"));
    tabs->addTab("&One");
    tabs->addTab("&Two");
    add(std::make_shared<Frame>("fraOne", "First:"));
    add(std::make_shared<Label>("lblEvery", "Save every"));
    add(std::make_shared<TextBox>("txtMinutes"));
    add(std::make_shared<Label>("lblMinutes", "minutes"));
    add(std::make_shared<CheckBox>("chkZip", "Zip"));
    extra = add(std::make_shared<CheckBox>("chkExtra", "Extra"));
    extra->setVisible(false);
    add(std::make_shared<Frame>("fraTwo", "Second:"));
    add(std::make_shared<TextBox>("txtPath"));
    add(std::make_shared<CommandButton>("cmdBrowse", "Browse..."));
    add(std::make_shared<CommandButton>("cmdOK", "&OK"));
    add(std::make_shared<CommandButton>("cmdCancel", "&Cancel"));
  }
};

TEST_F(DialogTest, ADialogIsPlacedInTheRowsOfTheSharedLayoutAndShowsOnePageAtATime) {
  auto d = Form::make<PagedDialog>();
  d->load();
  auto at = [&](const std::string& name) {
    QWidget* w = user->formWindow("frmPaged")->controlWidget(name);
    EXPECT_NE(w, nullptr) << name;
    return w ? QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()) : QRect();
  };
  // The rows of the shown page, top to bottom, each row's controls side by
  // side, as the shared layout gives them.
  auto expectRowsOf = [&](int32_t page) {
    const auto layout = layoutDialog(*d);
    int previousBottom = -1;
    for (const DialogRow* row : layout.shownRows(page)) {
      QRect first = at(row->controls.front()->fullName());
      EXPECT_GE(first.top(), previousBottom) << row->controls.front()->fullName();
      int right = -1;
      for (auto* c : row->controls) {
        QRect r = at(c->fullName());
        EXPECT_TRUE(user->formWindow("frmPaged")->controlWidget(c->fullName())->isVisible()) << c->fullName();
        EXPECT_GT(r.left(), right) << c->fullName();
        EXPECT_LT(std::abs(r.center().y() - first.center().y()), first.height()) << c->fullName();
        right = r.right();
        previousBottom = std::max(previousBottom, row->kind == DialogRow::Kind::Group ? r.top() + 1 : r.bottom());
      }
    }
  };
  then([&] {
    EXPECT_EQ(widget<QLabel>("frmPaged", "lblEvery")->buddy(), widget<QLineEdit>("frmPaged", "txtMinutes"));
    EXPECT_EQ(user->formWindow("frmPaged")->controlWidget("chkExtra"), nullptr);
    expectRowsOf(0);
    // The second page's group stays hidden until its tab is chosen.
    EXPECT_FALSE(widget<QGroupBox>("frmPaged", "fraTwo")->isVisible());
    auto* bar = widget<QTabBar>("frmPaged", "tabs");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
  });
  then([&] {
    EXPECT_EQ(d->tabs->selectedTab(), 1);
    EXPECT_FALSE(widget<QGroupBox>("frmPaged", "fraOne")->isVisible());
    EXPECT_FALSE(widget<QCheckBox>("frmPaged", "chkZip")->isVisible());
    expectRowsOf(1);
    // A control shown later takes its row: the window is built again.
    d->tabs->setSelectedTab(0);
    d->extra->setVisible(true);
  });
  then([&] {
    ASSERT_NE(widget<QCheckBox>("frmPaged", "chkExtra"), nullptr);
    expectRowsOf(0);
    // The keyboard reaches the tab strip before the page's first field and
    // picks the pages with the arrows.
    widget<QLineEdit>("frmPaged", "txtMinutes")->setFocus();
  });
  then([&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier); });
  then([&] {
    EXPECT_EQ(QApplication::focusWidget(), widget<QTabBar>("frmPaged", "tabs"))
        << QApplication::focusWidget()->objectName().toStdString() << " "
        << QApplication::focusWidget()->metaObject()->className();
    QTest::keyClick(widget<QTabBar>("frmPaged", "tabs"), Qt::Key_Right);
  });
  then([&] {
    EXPECT_EQ(d->tabs->selectedTab(), 1);
    EXPECT_TRUE(widget<QLineEdit>("frmPaged", "txtPath")->isVisible());
    d->unload();
  });
  d->show(platform::ui::vbModal);
}

// A form smaller than its window's least size, placed near the screen's
// corner: the window grows to its least size and stays on the screen
// instead of growing past the edge.
// A fixed dialog whose design size is smaller than its content.
class CrowdedDialog : public Form {
 public:
  CrowdedDialog() : Form("frmCrowded") {}

 protected:
  void createControls() override {
    setBorderStyle(platform::ui::vbFixedDialog);
    move(0, 0, 300 * 15, 150 * 15);
    for (int i = 1; i <= 10; ++i)
      add(std::make_shared<Label>("Label" + std::to_string(i), "Line " + std::to_string(i)));
    add(std::make_shared<CommandButton>("cmdOK", "OK"))->setDefault(true);
  }
};

// The window grows to show its whole content: its last button is not cut
// off below the window's edge.
TEST_F(DialogTest, ADialogTallerThanItsDesignSizeShowsItsLastButtonWhole) {
  auto d = Form::make<CrowdedDialog>();
  then([&] {
    auto* ok = widget<QPushButton>("frmCrowded", "cmdOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->visibleRegion().boundingRect(), ok->rect());
    d->unload();
  });
  d->show(platform::ui::vbModal);
}

// A window of toolbars too many for one row.
class BarsForm : public Form {
 public:
  BarsForm() : Form("frmBars") {}

 protected:
  void createControls() override {
    move(0, 0, 700 * 15, 500 * 15);
    auto bars = add(std::make_shared<Toolbar>("Bars"));
    for (const char* name : {"One", "Two", "Three", "Four"}) {
      auto& bar = bars->addBar(name);
      for (int i = 1; i <= 4; ++i) {
        const std::string id = std::string(name) + std::to_string(i);
        bars->addTool(id, ToolKind::Button, "Button " + id);
        bar.items.push_back(id);
      }
    }
  }
};

// The bars go on as many rows as they need: every button shows, none is
// left behind a bar's extension button.
TEST_F(DialogTest, ToolbarsTooManyForOneRowEachShowEveryButton) {
  auto f = Form::make<BarsForm>();
  then([&] {
    auto* main = qobject_cast<QMainWindow*>(window("frmBars"));
    ASSERT_NE(main, nullptr);
    const auto bars = main->findChildren<QToolBar*>();
    ASSERT_EQ(bars.size(), 4);
    for (QToolBar* bar : bars)
      for (QAction* act : bar->actions())
        EXPECT_TRUE(bar->widgetForAction(act) && bar->widgetForAction(act)->isVisible())
            << act->iconText().toStdString();
    f->unload();
  });
  f->show(platform::ui::vbModal);
}

// A window with a bar of tools, some of which the icon theme names.
class ToolsForm : public Form {
 public:
  ToolsForm() : Form("frmTools") {}

 protected:
  void createControls() override {
    move(0, 0, 700 * 15, 500 * 15);
    auto bars = add(std::make_shared<Toolbar>("Bars"));
    auto& bar = bars->addBar("File");
    for (const auto& [id, caption] : {std::pair{"ID_FileSave", "&Save"}, std::pair{"id_EditUndo", "&Undo"},
                                      std::pair{"ID_CommentAdd", "Comment &Add"}}) {
      bars->addTool(id, ToolKind::Button, caption);
      bar.items.push_back(id);
    }
  }
};

// Where the desktop's icon theme has an icon for a tool, the button shows
// it with the caption as its tip; a tool it has none for, and every tool
// when there is no theme, shows its caption.
TEST_F(DialogTest, ToolbarButtonsShowTheIconThemesIconsElseTheirCaptions) {
  QTemporaryDir themes;
  ASSERT_TRUE(themes.isValid());
  const QString folder = themes.path() + "/kestrin-test/16x16/actions";
  ASSERT_TRUE(QDir().mkpath(folder));
  QFile index(themes.path() + "/kestrin-test/index.theme");
  ASSERT_TRUE(index.open(QIODevice::WriteOnly));
  index.write(
      "[Icon Theme]\nName=kestrin-test\nDirectories=16x16/actions\n\n"
      "[16x16/actions]\nSize=16\nType=Fixed\n");
  index.close();
  QImage square(16, 16, QImage::Format_ARGB32);
  square.fill(Qt::red);
  for (const char* name : {"document-save", "edit-undo"}) ASSERT_TRUE(square.save(folder + "/" + name + ".png"));
  const QStringList oldPaths = QIcon::themeSearchPaths();
  const QString oldTheme = QIcon::themeName();
  const QString oldFallback = QIcon::fallbackThemeName();

  struct Shown {
    bool icon;
    Qt::ToolButtonStyle style;
    std::string tip;
  };
  auto shownBy = [&](const std::string& id) {
    auto* main = qobject_cast<QMainWindow*>(window("frmTools"));
    Shown shown{false, Qt::ToolButtonTextOnly, "(no button)"};
    if (!main) return shown;
    for (QToolBar* bar : main->findChildren<QToolBar*>())
      for (QAction* act : bar->actions())
        if (act->objectName().toStdString() == id)
          if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(act)))
            shown = {!act->icon().isNull(), button->toolButtonStyle(), act->toolTip().toStdString()};
    return shown;
  };

  QIcon::setThemeSearchPaths({themes.path()});
  QIcon::setThemeName("kestrin-test");
  QIcon::setFallbackThemeName("kestrin-test");
  auto f = Form::make<ToolsForm>();
  then([&] {
    const Shown save = shownBy("ID_FileSave"), undo = shownBy("id_EditUndo"), comment = shownBy("ID_CommentAdd");
    EXPECT_TRUE(save.icon);
    EXPECT_EQ(save.style, Qt::ToolButtonIconOnly);
    EXPECT_EQ(save.tip, "Save");
    EXPECT_TRUE(undo.icon);
    EXPECT_EQ(undo.style, Qt::ToolButtonIconOnly);
    EXPECT_FALSE(comment.icon);
    EXPECT_EQ(comment.style, Qt::ToolButtonTextOnly);
    f->unload();
  });
  f->show(platform::ui::vbModal);

  // No theme: captions only.
  QIcon::setThemeSearchPaths({themes.path() + "/none"});
  QIcon::setThemeName("none");
  QIcon::setFallbackThemeName("none");
  auto g = Form::make<ToolsForm>();
  then([&] {
    const Shown save = shownBy("ID_FileSave");
    EXPECT_FALSE(save.icon);
    EXPECT_EQ(save.style, Qt::ToolButtonTextOnly);
    g->unload();
  });
  g->show(platform::ui::vbModal);
  QIcon::setThemeSearchPaths(oldPaths);
  QIcon::setThemeName(oldTheme);
  QIcon::setFallbackThemeName(oldFallback);
}

// The forms are centred on the display's screen, not on the size the
// desktop starts with.
TEST_F(DialogTest, TheScreenIsTheDisplaysPrimaryScreen) {
  const QRect area = QGuiApplication::primaryScreen()->geometry();
  ASSERT_NE(area.width(), 1024);
  EXPECT_EQ(platform::ui::screen().Width(), area.width() * 15);
  EXPECT_EQ(platform::ui::screen().Height(), area.height() * 15);
}

TEST_F(DialogTest, AWindowGrownPastItsFormsSizeStaysOnTheScreen) {
  const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
  auto d = Form::make<TestDialog>();
  d->load();
  d->move((room.right() - 20) * 15, (room.bottom() - 20) * 15, 10 * 15, 10 * 15);
  then([&] {
    const QRect g = window("frmTest")->geometry();
    EXPECT_GT(g.width(), 10);
    EXPECT_GT(g.height(), 10);
    EXPECT_TRUE(room.contains(g)) << g.x() << "," << g.y() << " " << g.width() << "x" << g.height();
    d->unload();
  });
  d->show(platform::ui::vbModal);
}

// A place stored where no screen is (a screen gone since, a place from
// another machine) is moved onto the screen, and the form learns the place
// its window took; a place on the screen stays as it is.
TEST_F(DialogTest, AWindowPlacedOffEveryScreenIsMovedOntoTheScreen) {
  const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
  struct Case {
    const char* what;
    QPoint asked;
    bool kept;
    QSize size = {300, 200};
  } cases[] = {
      {"left of and above the screen", {-5000, -3000}, false},
      {"right of and below the screen", {room.right() + 400, room.bottom() + 400}, false},
      {"its title bar above the screen", {100, -200}, false},
      {"on the screen", {40, 30}, true},
      {"as large as the screen", room.topLeft(), false, room.size()},
      {"larger than the screen", {40, 30}, false, room.size() * 2},
  };
  for (const auto& c : cases) {
    auto d = Form::make<TestDialog>();
    d->load();
    d->move(c.asked.x() * 15, c.asked.y() * 15, c.size.width() * 15, c.size.height() * 15);
    then([&] {
      const QRect g = window("frmTest")->geometry();
      EXPECT_TRUE(room.contains(g)) << c.what << ": " << g.x() << "," << g.y();
      if (c.kept) {
        EXPECT_EQ(g.topLeft(), c.asked) << c.what;
      } else {
        // The window manager's title bar has room above the window.
        EXPECT_GE(g.top() - room.top(), 20) << c.what;
      }
    });
    then([&] {
      // (within the frame that the platform may add around the window)
      const QRect g = window("frmTest")->geometry();
      EXPECT_NEAR(d->left() / 15, g.x(), 4) << c.what;
      EXPECT_NEAR(d->top() / 15, g.y(), 4) << c.what;
      d->unload();
    });
    d->show(platform::ui::vbModal);
  }
}

// A modal form with an owner is a dialog of its owner's window: modal to
// it, kept above it (its transient parent), no minimise or maximise
// button; a fixed border keeps its size.
TEST_F(DialogTest, AModalFormOfAnOwnerIsADialogAboveItsOwnersWindow) {
  auto owner = Form::make<PagedDialog>();
  owner->load();
  owner->show(platform::ui::vbModeless);
  user->sync();
  auto d = Form::make<TestDialog>();
  then([&] {
    QWidget* w = window("frmTest");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowType(), Qt::Dialog);
    EXPECT_EQ(w->windowModality(), Qt::WindowModal);
    EXPECT_FALSE(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(w->windowFlags() & Qt::WindowCloseButtonHint);
    ASSERT_NE(w->windowHandle(), nullptr);
    EXPECT_EQ(w->windowHandle()->transientParent(), window("frmPaged")->windowHandle());
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    d->unload();
  });
  d->setBorderStyle(platform::ui::vbFixedDialog);
  d->show(platform::ui::vbModal, owner.get());
  owner->unload();
}

// A dialog that hides gives the keyboard back to the desktop's window it
// belongs to; one of a host that lends its application object is left to
// the host.
TEST_F(DialogTest, OnlyTheDesktopsOwnDialogsGiveTheKeyboardBack) {
  auto d = Form::make<TestDialog>();
  d->load();
  d->show(platform::ui::vbModeless);
  user->sync();
  QWidget* mine = window("frmTest");
  ASSERT_NE(mine, nullptr);
  auto settle = [] {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  };
  QDialog hostDialog;
  hostDialog.show();
  hostDialog.activateWindow();
  settle();
  ASSERT_EQ(QApplication::activeWindow(), &hostDialog);
  hostDialog.hide();
  settle();
  EXPECT_NE(QApplication::activeWindow(), mine);

  QDialog ownDialog(mine);
  ownDialog.show();
  ownDialog.activateWindow();
  settle();
  ASSERT_EQ(QApplication::activeWindow(), &ownDialog);
  ownDialog.hide();
  settle();
  EXPECT_EQ(QApplication::activeWindow(), mine);
  d->unload();
}

// Before the library that made a form is freed, the desktop lets go of the
// form's window at once, its widget included (not at the toolkit's next
// deferred delete, which would come after the library is gone), and of the
// calls queued for a waiting loop that no longer runs (a window's last
// move holds its form).
TEST_F(DialogTest, TheWindowsOfUnloadedFormsGoAtOnceWhenReleased) {
  auto d = Form::make<TestDialog>();
  d->load();
  d->show(platform::ui::vbModeless);
  user->sync();
  QPointer<QWidget> shown = window("frmTest");
  ASSERT_FALSE(shown.isNull());
  d->unload();
  user->sync();
  EXPECT_EQ(window("frmTest"), nullptr);
  auto held = std::make_shared<int>(0);
  std::weak_ptr<int> heldByCall = held;
  user->postCall([held] {});
  held.reset();
  user->releaseClosedWindows();
  EXPECT_TRUE(shown.isNull());
  EXPECT_TRUE(heldByCall.expired());
}

}  // namespace
}  // namespace gui_test
