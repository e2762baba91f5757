// The code editor as a widget: keys typed into it reach the control as the
// desktop's key names, clicks and drags place the caret and select, the
// view paints only its visible lines, and the completion list and tip show
// over it.
#include <QImage>
#include <QInputMethodEvent>
#include <QListWidget>
#include <QScreen>
#include <QWheelEvent>

#include "gui_fixture.h"
#include "platform/controls/code_editor_control.h"
#include "platform/controls/image_list.h"
#include "platform/gui/action_sink.h"
#include "platform/gui/code_view.h"

namespace gui_test {
namespace {

using namespace platform::controls;
using platform::gui::CodeView;
using platform::ui::Form;

class Sink : public CodeEditorEvents {
 public:
  std::shared_ptr<ImageList> images;
  int textChanges = 0;
  void textChange(CodeEditor&) override { ++textChanges; }
  bool completionListShow(CodeEditor&, CompletionList& list) override {
    list.setImageList(static_cast<int32_t>(images->hImageList()));
    list.addItem("MsgBox", 3);
    list.addItem("<b>Markup</b>", 0);
    list.addItem("Mid", 4);
    return true;
  }
  int32_t tipKind(CodeEditor&) override { return 4; }
  void tipShow(CodeEditor&, ArgumentTip& tip) override {
    tip.setText("MsgBox(prompt, buttons, title)");
    tip.setArgument(1);
  }
};

class EditForm : public Form {
 public:
  EditForm() : Form("frmEdit") {}
  std::shared_ptr<CodeEditorControl> code;
  std::shared_ptr<ImageList> images;
  Sink sink;

 protected:
  void createControls() override {
    images = add(std::make_shared<ImageList>("imlList"));
    for (const char* key : kCompletionImageKeys) images->add(key);
    code = add(std::make_shared<CodeEditorControl>("CodeSense1"));
    sink.images = images;
    code->setEventSink(&sink);
  }
};

QColor colourOfIndex(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

class CodeViewTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    form = Form::make<EditForm>();
    form->load();
    form->move(0, 0, 800 * 15, 600 * 15);
  }
  void TearDown() override {
    if (form->loaded()) form->unload();
    form.reset();
    GuiTest::TearDown();
  }
  CodeView* view() const { return widget<CodeView>("frmEdit", "CodeSense1"); }
  void close() {
    then([this] { window("frmEdit")->close(); });
  }
  std::shared_ptr<EditForm> form;
};

TEST_F(CodeViewTest, KeysTypedIntoTheViewChangeTheControlsText) {
  then([&] {
    ASSERT_NE(view(), nullptr);
    QTest::keyClicks(view(), "Dim x");
    QTest::keyClick(view(), Qt::Key_Return);
    QTest::keyClicks(view(), "x = 1");
    QTest::keyClick(view(), Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(view(), Qt::Key_Backspace);
  });
  close();
  form->show(platform::ui::vbModal);
  EXPECT_EQ(form->code->text(), "Dim x\r\nx = ");
  EXPECT_GT(form->sink.textChanges, 0);
}

// The view hands what the person does to whatever sink it is given, as
// the desktop's actions for its form: keys by name, typed text, a click at
// its line and column (from 1).
TEST_F(CodeViewTest, TheViewPostsItsActionsToTheSinkItIsGiven) {
  struct Recorder : platform::gui::ActionSink {
    std::vector<platform::ui::Action> actions;
    int calls = 0;
    void post(platform::ui::Action a) override { actions.push_back(std::move(a)); }
    void postCall(std::function<void()>) override { ++calls; }
  } sink;
  form->code->setText("Dim a\r\nDim b");
  CodeView v(sink, "frmEdit", form->code);
  v.resize(400, 200);
  QTest::keyClicks(&v, "x");
  QTest::keyClick(&v, Qt::Key_Return);
  QTest::mouseClick(&v, Qt::LeftButton, {}, v.cellOrigin(1, 2) + QPoint(1, 2));
  using Kind = platform::ui::Action::Kind;
  const std::vector<std::tuple<Kind, std::string, int32_t, int32_t>> expected = {
      {Kind::TypeText, "x", 0, 0}, {Kind::Key, "Enter", 0, 0}, {Kind::Mouse, "", 2, 3}};
  std::vector<std::tuple<Kind, std::string, int32_t, int32_t>> got;
  for (const auto& a : sink.actions) {
    EXPECT_EQ(a.form, "frmEdit");
    if (a.kind != Kind::Focus) got.emplace_back(a.kind, a.text, a.line, a.column);
  }
  EXPECT_EQ(got, expected);
}

TEST_F(CodeViewTest, AClickPlacesTheCaretAndADragSelects) {
  form->code->setText("first line\r\nsecond line\r\n\tthird");
  then([&] { QTest::mouseClick(view(), Qt::LeftButton, {}, view()->cellOrigin(1, 3) + QPoint(1, 2)); });
  then([&] {
    EXPECT_EQ(form->code->caretPos(), (TextPos{1, 3}));
    // The tab draws as blanks to the next stop: the column after it is the
    // character after the tab.
    QTest::mouseClick(view(), Qt::LeftButton, {}, view()->cellOrigin(2, 1) + QPoint(1, 2));
  });
  then([&] {
    EXPECT_EQ(form->code->caretPos(), (TextPos{2, 1}));
    QTest::mousePress(view(), Qt::LeftButton, {}, view()->cellOrigin(0, 0) + QPoint(1, 2));
    QTest::mouseMove(view(), view()->cellOrigin(0, 5) + QPoint(1, 2));
    QTest::mouseRelease(view(), Qt::LeftButton, {}, view()->cellOrigin(0, 5) + QPoint(1, 2));
  });
  then([&] { EXPECT_EQ(form->code->selText(), "first"); });
  close();
  form->show(platform::ui::vbModal);
}

TEST_F(CodeViewTest, OnlyTheVisibleLinesArePaintedAndTheWheelScrolls) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "Dim v" + std::to_string(i) + "\r\n";
  form->code->setText(text);
  then([&] {
    (void)view()->grab();
    EXPECT_GT(view()->linesPainted(), 5);
    EXPECT_LE(view()->linesPainted(), view()->visibleRows() + 1);
    EXPECT_EQ(form->code->viewLines(), view()->visibleRows());
    QWheelEvent wheel(QPointF(50, 50), view()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view(), &wheel);
    EXPECT_EQ(form->code->topLine(), 3);
    // Ctrl+End takes the caret to the end, and the view follows it.
    QTest::keyClick(view(), Qt::Key_End, Qt::ControlModifier);
  });
  then([&] {
    EXPECT_EQ(form->code->caretPos().line, 5000);
    EXPECT_GE(form->code->topLine() + view()->visibleRows(), 5000);
  });
  close();
  form->show(platform::ui::vbModal);
}

// The drawn row of a view, as pixels, and where colours fall in it.
struct Row {
  QImage image;
  // The first and last x of the pixels that match.
  std::pair<int, int> span(const std::function<bool(QColor)>& match) const {
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x)
      for (int y = 0; y < image.height(); ++y)
        if (match(QColor(image.pixel(x, y)))) {
          if (first < 0) first = x;
          last = x;
          break;
        }
    return {first, last};
  }
};
Row rowOf(QWidget* view, int height) {
  return {view->grab(QRect(0, 0, view->width(), height)).toImage().convertToFormat(QImage::Format_RGB32)};
}

// At every column of a line of characters of one cell, of two, with
// combining marks or of bytes that are no UTF-8, the caret is drawn where
// the next typed character goes, the character's selection covers it, and
// a click on it puts the caret before it; a wide character is drawn in
// the middle of its two cells. All of it is read from the drawn pixels:
// the text (a comment, so that the whole line is one run of one colour)
// green, the caret red, the selected character blue on yellow. Blanks
// follow the caret: the typed character is the last one with ink.
TEST_F(CodeViewTest, CaretTypedCharacterSelectionAndClickMeetAtEveryColumnOfALongLine) {
  CodeLanguage lang;
  lang.singleLineComments = "'";
  CodeEditorGlobals().registerLanguage("CodeViewColumns", lang);
  form->code->setLanguage("CodeViewColumns");
  form->code->setColor(color_index::Window, 0xFFFFFF);
  form->code->setColor(color_index::Text, 0x0000FF);
  form->code->setColor(color_index::Comment, 0x00A000);
  form->code->setColor(color_index::SelectedText, 0xFF0000);
  form->code->setColor(color_index::SelectionBack, 0xC8FFFF);
  struct Line {
    const char* name;
    std::string unit;  // repeated before the caret
    int32_t columns;   // the unit's characters
    // Whether the unit's last character is drawn in the middle of its
    // cells (a wide character, whose glyph is narrower than its two).
    bool centred;
  };
  const Line lines[] = {
      {"ascii", "abcdefghij", 10, false},
      {"wide", "\u4e2d", 1, true},
      {"combining marks", "e\u0301", 2, false},
      {"bytes that are no UTF-8", "\xFF\xC0", 2, false},
  };
  auto red = [](QColor c) { return c == QColor(255, 0, 0); };
  auto green = [](QColor c) { return c.green() > c.red() + 60 && c.green() > c.blue() + 60; };
  auto blue = [](QColor c) { return c.blue() > c.red() + 60 && c.blue() > c.green() + 60; };
  auto yellow = [](QColor c) { return c == QColor(255, 255, 200); };
  for (const auto& l : lines) {
    auto caretBefore = std::make_shared<int>(-1);
    // Between the units only: inside one, the character typed would take
    // a combining mark after it.
    for (int32_t k = 1; k <= 200; k += l.columns) {
      std::string text = "'";
      for (int32_t n = 1; n < k; n += l.columns) text += l.unit;
      text += std::string(300, ' ');
      then([=, this] {
        form->code->setText(text);
        // Both columns in view, at the same sideways scroll.
        form->code->setCaretPos(0, k + 1);
        user->sync();
        form->code->setCaretPos(0, k);
        user->sync();
        *caretBefore = rowOf(view(), view()->cellOrigin(1, 0).y()).span(red).first;
        QTest::keyClicks(view(), "x");
      });
      then([=, this] {
        SCOPED_TRACE(std::string(l.name) + ", column " + std::to_string(k));
        ASSERT_GE(*caretBefore, 0);
        const int height = view()->cellOrigin(1, 0).y();
        const Row typed = rowOf(view(), height);
        const int caretAfter = typed.span(red).first;
        EXPECT_NEAR(caretAfter - *caretBefore, view()->cellWidth(), 1.0);
        // The typed character ends between the caret before it and after.
        const int end = typed.span(green).second;
        EXPECT_GE(end, *caretBefore + 2) << "the typed character is drawn left of the caret";
        EXPECT_LE(end, caretAfter + 1);
        if (l.centred && k > 1) {
          form->code->setSel({0, k - 1, 0, k}, false);
          user->sync();
          const Row row = rowOf(view(), height);
          const auto ink = row.span(blue);
          const auto cells = row.span(yellow);
          ASSERT_GE(ink.first, 0) << "the character before the caret is not drawn";
          EXPECT_NEAR(cells.second + 1 - cells.first, 2 * view()->cellWidth(), 1.0);
          EXPECT_NEAR(ink.first - cells.first, cells.second - ink.second, 2.0)
              << "the character is drawn at " << ink.first << ".." << ink.second << " in its cells " << cells.first
              << ".." << cells.second;
        }
        form->code->setSel({0, k, 0, k + 1}, false);
        user->sync();
        const Row row = rowOf(view(), height);
        const auto ink = row.span(blue);
        const auto selected = row.span(yellow);
        ASSERT_GE(ink.first, 0) << "the selected character is not drawn";
        EXPECT_GE(ink.first, *caretBefore - 1);
        EXPECT_LE(ink.second, caretAfter + 1);
        EXPECT_NEAR(selected.first, *caretBefore, 1);
        EXPECT_NEAR(selected.second + 1, caretAfter, 1);
        QTest::mouseClick(view(), Qt::LeftButton, {}, QPoint((ink.first + ink.second) / 2, height / 2));
      });
      then([=, this] {
        EXPECT_EQ(form->code->getSel(true), (CodeRange{0, k, 0, k})) << l.name << ", a click on column " << k;
      });
    }
  }
  close();
  form->show(platform::ui::vbModal);
}

// What the screen shows of the view (the window's flushed pixels), and
// what a paint of the whole view draws now.
QImage onScreen(QWidget* view) {
  const QPoint at = view->mapTo(view->window(), QPoint(0, 0));
  return view->screen()
      ->grabWindow(view->window()->winId(), at.x(), at.y(), view->width(), view->height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}
QImage paintedWhole(QWidget* view) { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); }

TEST_F(CodeViewTest, AKeyRepaintsOnlyTheRowsItChangedAndTheScreenStaysRight) {
  std::string text;
  for (int i = 0; i < 60; ++i) {
    text += "Dim v" + std::to_string(i) + " ' note";
    // Line 12 reaches the view's right half, line 13 past its edge.
    if (i == 12) text += std::string(75, 'n');
    if (i == 13) text += std::string(200, 'w');
    text += "\r\n";
  }
  form->code->setText(text);
  form->code->setCaretPos(10, 3);
  auto code = form->code;
  struct Step {
    const char* what;
    std::function<void(QWidget*)> act;
    int32_t mostLinesPainted;  // 0: any number
  };
  const Step steps[] = {
      {"a typed character", [](QWidget* v) { QTest::keyClicks(v, "x"); }, 1},
      {"the caret a line up", [](QWidget* v) { QTest::keyClick(v, Qt::Key_Up); }, 2},
      {"a selection over two lines", [](QWidget* v) { QTest::keyClick(v, Qt::Key_Down, Qt::ShiftModifier); }, 2},
      {"the selection typed over", [](QWidget* v) { QTest::keyClicks(v, "y"); }, 0},
      {"a new line", [](QWidget* v) { QTest::keyClick(v, Qt::Key_Return); }, 0},
      {"a page down", [](QWidget* v) { QTest::keyClick(v, Qt::Key_PageDown); }, 0},
      {"the caret in the right half of a row",
       [code](QWidget*) {
         code->setTopLine(0);
         code->setCaretPos(12, 85);
       },
       0},
      {"a character typed there", [](QWidget* v) { QTest::keyClicks(v, "z"); }, 1},
      {"a selection from the start of a line",
       [code](QWidget*) {
         code->setSel({13, 0, 14, 3}, false);
       },
       0},
      // The same characters selected, the caret where it was: only the
      // line break before them joins the selection.
      {"the line break before it selected too",
       [code](QWidget*) {
         code->setSel({12, code->textModel().lineLength(12), 14, 3}, false);
       },
       1},
      // A little, so that the short lines are still shown whole, a few
      // cells to the left.
      {"the view scrolled sideways by the caret past its edge",
       [this, code](QWidget*) {
         for (int32_t c = 0; view()->leftColumn() == 0 && c < 300; ++c) {
           code->setCaretPos(13, c);
           user->sync();
         }
       },
       0},
  };
  for (const auto& step : steps) {
    then([&] { step.act(view()); });
    // The waiting loop took the key; the toolkit paints what it invalidated
    // (asked for at a low priority, after this step is due).
    then([&] {
      QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
      if (step.mostLinesPainted > 0) {
        EXPECT_LE(view()->linesPainted(), step.mostLinesPainted) << step.what;
      }
      EXPECT_GT(view()->linesPainted(), 0) << step.what;
      EXPECT_TRUE(onScreen(view()) == paintedWhole(view())) << step.what;
    });
  }
  close();
  form->show(platform::ui::vbModal);
  EXPECT_EQ(form->code->getLine(9), "Dim y");
}

TEST_F(CodeViewTest, TheCompletionListShowsItsEntriesWithTheirImagesUnderTheCaret) {
  then([&] {
    QTest::keyClicks(view(), "M");
    QTest::keyClick(view(), Qt::Key_Space, Qt::ControlModifier);
  });
  then([&] {
    QListWidget* list = view()->completionList();
    ASSERT_TRUE(list->isVisible());
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text().toStdString(), "MsgBox");
    EXPECT_EQ(list->item(0)->data(Qt::UserRole).toString().toStdString(), "method");
    EXPECT_FALSE(list->item(0)->icon().isNull());
    EXPECT_EQ(list->item(1)->text().toStdString(), "<b>Markup</b>");
    EXPECT_EQ(list->item(1)->data(Qt::UserRole).toString().toStdString(), "class");
    // A window of its own, under the caret's line, showing whole rows.
    EXPECT_TRUE(list->isWindow());
    EXPECT_GE(view()->mapFromGlobal(list->pos()).y(), view()->cellOrigin(0, 1).y() + 1);
    EXPECT_EQ(list->height() - 2 * list->frameWidth(), 3 * list->sizeHintForRow(0));
    QTest::keyClick(view(), Qt::Key_Escape);
  });
  then([&] {
    EXPECT_FALSE(view()->completionList()->isVisible());
    QTest::keyClick(view(), Qt::Key_Space, Qt::ControlModifier | Qt::ShiftModifier);
  });
  then([&] {
    ASSERT_TRUE(view()->tip()->isVisible());
    EXPECT_TRUE(view()->tip()->isWindow());
    EXPECT_EQ(view()->tipBoldPart(), " buttons");
  });
  close();
  form->show(platform::ui::vbModal);
}

// On the last line of a view that reaches the screen's bottom, the list
// opens above the caret's line instead of covering it or being cut, with
// whole rows; the tip goes below the line when the screen has no room
// above it.
TEST_F(CodeViewTest, TheCompletionListOpensAboveTheCaretWhereTheScreenEndsBelow) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "' line\r\n";
  form->code->setText(text);
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  // The whole screen: the view's first line at its top, its last at its
  // bottom (a window of a fixed size stays where it is put).
  form->setBorderStyle(platform::ui::vbFixedDialog);
  form->move(0, 0, screen.width() * 15, screen.height() * 15);
  then([&] {
    // The caret on the last whole row of the view.
    form->code->setTopLine(0);
    form->code->setCaretPos(view()->visibleRows() - 1, 0);
  });
  then([&] {
    QTest::keyClicks(view(), "M");
    QTest::keyClick(view(), Qt::Key_Space, Qt::ControlModifier);
  });
  then([&] {
    QListWidget* list = view()->completionList();
    ASSERT_TRUE(list->isVisible());
    const auto caret = form->code->caretPos();
    const int caretTop = view()->mapToGlobal(view()->cellOrigin(caret.line, 0)).y();
    EXPECT_LE(list->geometry().bottom(), caretTop) << "the list covers the caret's line";
    EXPECT_TRUE(screen.contains(list->geometry()));
    EXPECT_EQ((list->height() - 2 * list->frameWidth()) % list->sizeHintForRow(0), 0);
    QTest::keyClick(view(), Qt::Key_Escape);
    form->code->setCaretPos(0, 0);
  });
  then([&] { QTest::keyClick(view(), Qt::Key_Space, Qt::ControlModifier | Qt::ShiftModifier); });
  then([&] {
    QWidget* tip = view()->tip();
    ASSERT_TRUE(tip->isVisible());
    EXPECT_TRUE(screen.contains(tip->geometry()));
    EXPECT_GE(tip->y(), view()->mapToGlobal(view()->cellOrigin(0, 0)).y());
  });
  close();
  form->show(platform::ui::vbModal);
}

// What an input method commits goes in as typed text; what it composes
// shows at the caret (not in the text) until then, and the method is told
// where the caret is.
TEST_F(CodeViewTest, AnInputMethodsCommittedTextIsTypedAndItsPreeditShownAtTheCaret) {
  form->code->setText("x = ");
  form->code->setCaretPos(0, 4);
  then([&] {
    QInputMethodEvent compose(QStringLiteral("e\u0301"), {});
    QCoreApplication::sendEvent(view(), &compose);
    EXPECT_EQ(view()->preedit().toStdString(), "e\u0301");
    const QRect r = view()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_EQ(r.topLeft(), view()->cellOrigin(0, 4));
  });
  then([&] {
    EXPECT_EQ(form->code->text(), "x = ");
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\u00e9"));
    QCoreApplication::sendEvent(view(), &commit);
  });
  then([&] {
    EXPECT_TRUE(view()->preedit().isEmpty());
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\u4e2d\u6587"));
    QCoreApplication::sendEvent(view(), &commit);
  });
  then([&] {
    EXPECT_EQ(form->code->text(), "x = \u00e9\u4e2d\u6587");
    EXPECT_EQ(form->code->caretPos(), (TextPos{0, 7}));
    EXPECT_EQ(view()->inputMethodQuery(Qt::ImSurroundingText).toString().toStdString(), "x = \u00e9\u4e2d\u6587");
    EXPECT_EQ(view()->inputMethodQuery(Qt::ImCursorPosition).toInt(), 7);
    // Of a long line, the method is told the part around the caret.
    std::string line;
    for (int i = 0; line.size() < 200000; ++i) line += "w" + std::to_string(i) + " ";
    form->code->setText(line);
    form->code->setCaretPos(0, 100000);
    const QString around = view()->inputMethodQuery(Qt::ImSurroundingText).toString();
    const int at = view()->inputMethodQuery(Qt::ImCursorPosition).toInt();
    EXPECT_LT(around.size(), 4000);
    EXPECT_EQ(around.mid(at, 20).toStdString(), line.substr(100000, 20));
    EXPECT_EQ(around.left(at).toStdString(), line.substr(100000 - at, at));
  });
  close();
  form->show(platform::ui::vbModal);
  EXPECT_GT(form->sink.textChanges, 0);
}

// The caret is a thin line before the character it stands at: the
// character stays visible beside it.
TEST_F(CodeViewTest, TheCaretIsALineThatLeavesTheCharacterUnderItVisible) {
  form->code->setText("MMMM");
  form->code->setCaretPos(0, 2);
  // (the editor's setting: the control has no overwrite mode to show)
  form->code->setOvertypeCaret(true);
  then([&] {
    ASSERT_TRUE(view()->caretShown());
    const QImage image = view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint at = view()->cellOrigin(0, 2);
    const QColor text = colourOfIndex(form->code->color(color_index::Text));
    const int rowHeight = view()->cellOrigin(1, 0).y() - at.y();
    auto fullColumn = [&](int x) {
      for (int y = at.y(); y < at.y() + rowHeight; ++y)
        if (QColor(image.pixel(x, y)) != text) return false;
      return true;
    };
    EXPECT_TRUE(fullColumn(at.x()));
    EXPECT_TRUE(fullColumn(at.x() + 1));
    // The glyph's own columns are not all the caret's colour.
    const int cell = view()->cellOrigin(0, 3).x() - at.x();
    int full = 0;
    for (int x = at.x() + 2; x < at.x() + cell; ++x) full += fullColumn(x);
    EXPECT_EQ(full, 0);
  });
  close();
  form->show(platform::ui::vbModal);
}

}  // namespace
}  // namespace gui_test
