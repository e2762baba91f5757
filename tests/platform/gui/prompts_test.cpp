// The prompts as the toolkit's dialogs, the key names, the filters, the
// timers on the toolkit's loops, the system clipboard and printing.
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "common/temp_dir.h"
#include "gui_fixture.h"
#include "platform/controls/code_editor_control.h"
#include "platform/controls/code_editor_files.h"
#include "platform/controls/print_dialog.h"
#include "platform/controls/toolbar.h"
#include "platform/runtime/errors.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/form.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/timer.h"

namespace gui_test {
namespace {

namespace mb = platform::ui::mb;
using platform::gui::keyInput;
using platform::gui::nameFilters;

TEST(WindowKeys, TheToolkitsKeysAreTheDesktopsKeyNames) {
  struct Case {
    int key;
    Qt::KeyboardModifiers mods;
    QString text;
    bool typed;
    std::string name;
  } cases[] = {
      {Qt::Key_A, Qt::NoModifier, "a", true, "a"},
      {Qt::Key_A, Qt::ShiftModifier, "A", true, "A"},
      {Qt::Key_Space, Qt::NoModifier, " ", true, " "},
      {Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf8("é"), true, "é"},
      {Qt::Key_Return, Qt::NoModifier, "\r", false, "Enter"},
      {Qt::Key_Enter, Qt::KeypadModifier, "\r", false, "Enter"},
      {Qt::Key_Tab, Qt::NoModifier, "\t", false, "Tab"},
      {Qt::Key_Backtab, Qt::ShiftModifier, "", false, "Shift+Tab"},
      {Qt::Key_Escape, Qt::NoModifier, "\x1b", false, "Escape"},
      {Qt::Key_Backspace, Qt::NoModifier, "\b", false, "Backspace"},
      {Qt::Key_Delete, Qt::NoModifier, "\x7f", false, "Delete"},
      {Qt::Key_Space, Qt::ControlModifier, " ", false, "Ctrl+Space"},
      {Qt::Key_Home, Qt::ControlModifier, "", false, "Ctrl+Home"},
      {Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier, "", false, "Ctrl+Shift+End"},
      {Qt::Key_Right, Qt::ShiftModifier, "", false, "Shift+Right"},
      {Qt::Key_PageDown, Qt::NoModifier, "", false, "PageDown"},
      {Qt::Key_F5, Qt::NoModifier, "", false, "F5"},
      {Qt::Key_F12, Qt::AltModifier, "", false, "Alt+F12"},
      {Qt::Key_S, Qt::ControlModifier, "\x13", false, "Ctrl+s"},
      {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, "\x1a", false, "Ctrl+Shift+z"},
      {Qt::Key_X, Qt::AltModifier, "x", false, "Alt+x"},
  };
  for (const auto& c : cases) {
    auto k = keyInput(c.key, c.mods, c.text);
    ASSERT_TRUE(k) << c.name;
    EXPECT_EQ(k->typed, c.typed) << c.name;
    EXPECT_EQ(k->text, c.name);
  }
  EXPECT_FALSE(keyInput(Qt::Key_Shift, Qt::ShiftModifier, ""));
  EXPECT_FALSE(keyInput(Qt::Key_Control, Qt::ControlModifier, ""));
}

TEST(WindowFilters, AFilterBecomesTheToolkitsNameFilters) {
  struct Case {
    const char* filter;
    QStringList expected;
  } cases[] = {
      {"Kestrin VB Script (*.vbs)|*.vbs", {"Kestrin VB Script (*.vbs)"}},
      {"Scripts|*.vbs;*.txt|All Files (*.*)|*.*", {"Scripts (*.vbs *.txt)", "All Files (*.*)"}},
      {"Plain (text)|*.txt", {"Plain (text) (*.txt)"}},
      {"", {}},
      {"Lonely", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(nameFilters(c.filter), c.expected) << c.filter;
}

using PromptTest = GuiTest;

TEST_F(PromptTest, AMessageBoxHasItsTitleIconButtonsAndDefaultAndAnswersByAClick) {
  onModal([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle().toStdString(), "Save changes");
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->text().toStdString(), "Save <b>a.vbs</b>?");
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    for (QLabel* l : box->findChildren<QLabel*>()) EXPECT_EQ(l->textFormat(), Qt::PlainText);
    ASSERT_EQ(box->buttons().size(), 3);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
  });
  EXPECT_EQ(
      platform::ui::MsgBox("Save <b>a.vbs</b>?", mb::YesNoCancel | mb::Question | mb::DefaultButton2, "Save changes"),
      mb::No);
}

// A message's lines end at CR LF (as the error reports write them), CR or
// LF; any other control character stays a visible symbol.
TEST_F(PromptTest, AMessageBoxBreaksItsLinesAtCrLfAndCrAndShowsOtherControlsAsSymbols) {
  onModal([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text().toStdString(), "Error 53\nthe call stack\nline 3\n\n\u241b[31m");
    box->button(QMessageBox::Ok)->click();
  });
  platform::ui::MsgBox("Error 53\r\nthe call stack\rline 3\n\r\n\x1b[31m", mb::OKOnly);
}

TEST_F(PromptTest, EscapeAnswersCancelAndTheInputBoxGivesItsText) {
  onModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
  EXPECT_EQ(platform::ui::MsgBox("Go on?", mb::OKCancel), mb::Cancel);
  onModal([](QWidget* w) {
    auto* e = w->findChild<QLineEdit*>("text");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->text().toStdString(), "first");
    e->clear();
    QTest::keyClicks(e, "second");
    QTest::keyClick(e, Qt::Key_Return);
  });
  EXPECT_EQ(platform::ui::InputBox("Name?", "Ask", "first"), "second");
}

// The word that Find and Replace open with is selected: what the person
// types replaces it.
TEST_F(PromptTest, TheWordFindAndReplaceOpenWithIsReplacedByWhatIsTyped) {
  for (const bool replacing : {false, true}) {
    onModal([replacing](QWidget* w) {
      auto* what = w->findChild<QLineEdit*>("findWhat");
      ASSERT_NE(what, nullptr);
      EXPECT_EQ(what->text().toStdString(), "Compute12");
      QTest::keyClicks(what, "gCount");
      if (!replacing) {
        QTest::keyClick(what, Qt::Key_Return);
        return;
      }
      QTest::keyClicks(w->findChild<QLineEdit*>("replaceWith"), "gTotal");
      for (auto* b : w->findChildren<QPushButton*>())
        if (b->text() == "Replace &All") b->click();
    });
    if (replacing) {
      const auto answer = user->replace({"", "Compute12"});
      ASSERT_TRUE(answer.has_value());
      EXPECT_EQ(answer->find, "gCount");
      EXPECT_EQ(answer->replaceWith, "gTotal");
      EXPECT_TRUE(answer->all);
    } else {
      EXPECT_EQ(user->find({"", "Compute12"}), "gCount");
    }
  }
}

// Print Setup is the printer's form, titled so, with OK for Print; it
// chooses the printer and keeps the caller's range.
TEST_F(PromptTest, PrintSetupIsThePrintersFormAndKeepsTheRange) {
  kestrin_test::TempDir folder;
  // The printer of a machine without one: a PDF file.
  user->printer().setOutputFileName(QString::fromStdString(folder.path() + "/setup.pdf"));
  std::string title, ok;
  onModal([&](QWidget* w) {
    title = w->windowTitle().toStdString();
    auto* buttons = w->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    ok = buttons->button(QDialogButtonBox::Ok)->text().toStdString();
    buttons->button(QDialogButtonBox::Ok)->click();
  });
  platform::ui::PrintDialogPrompt setup;
  setup.flags = static_cast<int32_t>(platform::controls::pd::PrintSetup | platform::controls::pd::PageNums);
  setup.fromPage = 2;
  setup.toPage = 4;
  const auto answer = user->printDialog(setup);
  EXPECT_EQ(title, "Print Setup");
  EXPECT_EQ(ok, "OK");
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->flags, setup.flags);
  EXPECT_EQ(answer->fromPage, 2);
  EXPECT_EQ(answer->toPage, 4);
}

// Replace All that finds nothing says so in a box after the dialog.
TEST_F(PromptTest, ReplaceAllThatFindsNothingSaysSo) {
  auto editor = std::make_shared<platform::controls::CodeEditorControl>("CodeSense1");
  editor->setText("Dim total");
  std::string said;
  onModal([&said](QWidget* w) {
    auto* what = w->findChild<QLineEdit*>("findWhat");
    ASSERT_NE(what, nullptr);
    QTest::keyClicks(what, "gCount");
    onModal([&said](QWidget* box) {
      auto* message = qobject_cast<QMessageBox*>(box);
      ASSERT_NE(message, nullptr);
      said = message->windowTitle().toStdString() + ": " + message->text().toStdString();
      message->button(QMessageBox::Ok)->click();
    });
    for (auto* b : w->findChildren<QPushButton*>())
      if (b->text() == "Replace &All") b->click();
  });
  editor->executeCommand(platform::controls::cmdReplace);
  EXPECT_EQ(said, "Replace: Cannot find \"gCount\".");
  EXPECT_EQ(editor->text(), "Dim total");
}

// A message box and a prompt with a field are wide enough for the whole
// title beside the window manager's icon and buttons, however short their
// own text is.
TEST_F(PromptTest, APromptHasRoomForItsWholeTitle) {
  const std::string title = "Kestrin VB Script Editor for the whole team";
  for (const bool box : {true, false}) {
    onModal([&](QWidget* w) {
      QFont bold = w->font();
      bold.setBold(true);
      const QFontMetrics fm(bold);
      EXPECT_GE(w->width() - fm.horizontalAdvance(QString::fromStdString(title)), 6 * fm.height())
          << (box ? "the message box" : "the input box") << " is " << w->width() << " wide";
      QTest::keyClick(w, Qt::Key_Escape);
    });
    if (box)
      platform::ui::MsgBox("Could not open notepad", mb::OKOnly, title);
    else
      EXPECT_EQ(platform::ui::InputBox("Name?", title, ""), "");
  }
}

TEST_F(PromptTest, TheSaveDialogShowsItsTitleFilterAndFolderAndAsksNoSecondQuestion) {
  kestrin_test::TempDir dir;
  { std::ofstream(dir.file("old.vbs")) << "x"; }
  platform::ui::FileDialogPrompt p;
  p.save = true;
  p.title = "Save Script As";
  p.filter = "Kestrin VB Script (*.vbs)|*.vbs|All Files|*.*";
  p.filterIndex = 2;
  p.initDir = dir.path();
  p.fileName = "old.vbs";
  p.flags = 0x2;  // the common dialog asks its own replace question
  onModal([&](QWidget* w) {
    auto* d = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle().toStdString(), "Save Script As");
    EXPECT_EQ(d->nameFilters(), (QStringList{"Kestrin VB Script (*.vbs)", "All Files (*.*)"}));
    EXPECT_EQ(d->selectedNameFilter().toStdString(), "All Files (*.*)");
    EXPECT_EQ(std::filesystem::canonical(d->directory().absolutePath().toStdString()),
              std::filesystem::canonical(dir.path()));
    EXPECT_TRUE(d->testOption(QFileDialog::DontConfirmOverwrite));
    QMetaObject::invokeMethod(d, "accept");
  });
  auto chosen = user->fileDialog(p);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(std::filesystem::path(*chosen).filename(), "old.vbs");
}

TEST_F(PromptTest, ACancelledOpenDialogGivesNothing) {
  platform::ui::FileDialogPrompt p;
  p.title = "Open";
  p.filter = "Kestrin VB Script (*.vbs)|*.vbs";
  p.flags = 0x1000;
  onModal([](QWidget* w) {
    EXPECT_EQ(qobject_cast<QFileDialog*>(w)->fileMode(), QFileDialog::ExistingFile);
    qobject_cast<QDialog*>(w)->reject();
  });
  EXPECT_FALSE(user->fileDialog(p));
}

class TickingForm : public platform::ui::Form {
 public:
  TickingForm() : Form("frmTicks") {}
  std::shared_ptr<platform::ui::Timer> count, ask;
  int ticks = 0;
  int ticksInBox = 0;

 protected:
  void createControls() override {
    count = add(std::make_shared<platform::ui::Timer>("tmrCount"));
    count->setInterval(10);
    count->onTimer = [this] {
      if (++ticks >= 12) unload();
    };
    ask = add(std::make_shared<platform::ui::Timer>("tmrAsk"));
    ask->setInterval(30);
    ask->onTimer = [this] {
      ask->setEnabled(false);
      onModal([this](QWidget* w) {
        const int started = ticks;
        QElapsedTimer t;
        t.start();
        while (ticks < started + 3 && t.elapsed() < 3000) QTest::qWait(5);
        ticksInBox = ticks - started;
        qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
      });
      platform::ui::MsgBox("ticking", mb::OKOnly);
    };
  }
};

TEST_F(PromptTest, TimersTickInTheWaitingLoopAndInsideAMessageBoxOnTheRealClock) {
  platform::useRealClock();
  auto f = platform::ui::Form::make<TickingForm>();
  f->show(platform::ui::vbModal);
  EXPECT_FALSE(f->loaded());
  EXPECT_GE(f->ticks, 12);
  EXPECT_GE(f->ticksInBox, 3);
}

TEST_F(PromptTest, TheClipboardIsTheSystemsBothWays) {
  platform::ui::clipboard::SetText("Dim x = \"\u00e9\"");
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "Dim x = \"\u00e9\"");
  QGuiApplication::clipboard()->setText("from elsewhere");
  EXPECT_TRUE(platform::ui::clipboard::HasText());
  EXPECT_EQ(platform::ui::clipboard::GetText(), "from elsewhere");
}

// Text goes out with the platform's line ends and comes in with any of
// them as the script's CR LF.
TEST_F(PromptTest, TheClipboardsLineEndsAreThePlatformsOutsideAndCrLfInside) {
  platform::ui::clipboard::SetText("a\r\nb\rc\nd\r\n");
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "a\nb\nc\nd\n");
  const struct {
    const char* in;
    const char* script;
  } cases[] = {
      {"one\r\ntwo", "one\r\ntwo"},       {"one\ntwo\n", "one\r\ntwo\r\n"}, {"one\rtwo", "one\r\ntwo"},
      {"\n\r\r\n\r", "\r\n\r\n\r\n\r\n"}, {"no break", "no break"},
  };
  for (const auto& c : cases) {
    QGuiApplication::clipboard()->setText(QString::fromUtf8(c.in));
    EXPECT_EQ(platform::ui::clipboard::GetText(), c.script) << c.in;
  }
}

// A form with a toolbar whose popup holds separators and a nested popup.
class PopupForm : public platform::ui::Form {
 public:
  PopupForm() : Form("frmPopup") {}
  std::shared_ptr<platform::controls::Toolbar> bar;

 protected:
  void createControls() override {
    using platform::controls::ToolKind;
    bar = add(std::make_shared<platform::controls::Toolbar>("Bars"));
    for (const char* id : {"ID_Undo", "ID_Cut", "ID_Copy", "ID_Hidden", "ID_Upper", "ID_Lower"})
      bar->addTool(id, ToolKind::Button, std::string("&") + (id + 3));
    bar->addTool("ID_Sep", ToolKind::Separator, "");
    auto& sub = bar->addTool("ID_Case", ToolKind::Popup, "C&ase");
    sub.items = {"ID_Upper", "ID_Lower"};
    auto& edit = bar->addTool("ID_Edit", ToolKind::Popup, "&Edit");
    edit.items = {"ID_Undo", "", "ID_Cut", "ID_Copy", "ID_Sep", "ID_Hidden", "", "ID_Case"};
  }
};

// The popup menu is made as its tool is: separators and nested popups in
// their places, no separator left at an end or twice where a hidden tool
// was between.
TEST_F(PromptTest, APopupMenuKeepsItsSeparatorsAndNestedPopups) {
  auto f = platform::ui::Form::make<PopupForm>();
  f->load();
  f->bar->tool("ID_Hidden").visible = false;
  std::vector<std::string> shown, nested;
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [&, poll] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    poll->stop();
    poll->deleteLater();
    for (QAction* a : menu->actions()) {
      shown.push_back(a->isSeparator() ? "-" : a->text().toStdString());
      if (a->menu())
        for (QAction* b : a->menu()->actions()) nested.push_back(b->text().toStdString());
    }
    for (QAction* a : menu->actions())
      if (a->objectName() == "ID_Copy") menu->setActiveAction(a);
    QTest::keyClick(menu, Qt::Key_Return);
  });
  poll->start(5);
  const auto picked = f->bar->showPopupMenu("ID_Edit");
  EXPECT_EQ(shown, (std::vector<std::string>{"Undo", "-", "Cut", "Copy", "-", "Case"}));
  EXPECT_EQ(nested, (std::vector<std::string>{"Upper", "Lower"}));
  EXPECT_EQ(picked, std::optional<std::string>("ID_Copy"));
  f->unload();
}

// The text of a PDF file as pdftotext reads it.
std::string pdfText(const std::string& pdf) {
  const std::string cmd = "pdftotext '" + pdf + "' - 2>/dev/null";
  std::string text;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p)) text.append(buf, n);
    pclose(p);
  }
  return text;
}

TEST_F(PromptTest, APrintJobGoesToThePdfFileChosenForThePrinter) {
  kestrin_test::TempDir dir;
  platform::controls::setPrintFolder(dir.file("jobs"));
  user->printer().setOutputFormat(QPrinter::PdfFormat);
  user->printer().setOutputFileName(QString::fromStdString(dir.file("out.pdf")));
  const std::string job = platform::controls::printTextJob("Kestrin script", "Dim x\r\nMsgBox \"<b>hi</b>\"\r\n");
  platform::controls::setPrintFolder("");
  EXPECT_TRUE(std::filesystem::exists(job));
  ASSERT_TRUE(std::filesystem::exists(dir.file("out.pdf")));
  const std::string text = pdfText(dir.file("out.pdf"));
  EXPECT_NE(text.find("Dim x"), std::string::npos) << text;
  EXPECT_NE(text.find("MsgBox \"<b>hi</b>\""), std::string::npos) << text;
}

// A chosen printer that cannot start the job (a PDF file in a folder that
// does not exist) fails the job with a device error, as the spooler does.
TEST_F(PromptTest, APrinterThatCannotStartTheJobFailsIt) {
  kestrin_test::TempDir dir;
  platform::controls::setPrintFolder(dir.file("jobs"));
  user->printer().setOutputFormat(QPrinter::PdfFormat);
  user->printer().setOutputFileName(QString::fromStdString(dir.file("missing/out.pdf")));
  int32_t number = 0;
  try {
    platform::controls::printTextJob("Kestrin script", "Dim x\r\n");
  } catch (const platform::RuntimeError& e) {
    number = e.number();
  }
  platform::controls::setPrintFolder("");
  EXPECT_EQ(number, platform::err::DeviceIOError);
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

// On a machine without printers the toolkit's printer is its PDF file
// printer, with no file named until the print dialog names one: a job
// printed before that becomes a PDF beside its text file, not nothing.
TEST_F(PromptTest, APrintJobBeforeAnyPrinterIsChosenBecomesAPdfBesideItsText) {
  if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "this machine has printers";
  kestrin_test::TempDir dir;
  platform::controls::setPrintFolder(dir.file("jobs"));
  const std::string job = platform::controls::printTextJob("Kestrin script", "Dim y\r\n");
  platform::controls::setPrintFolder("");
  ASSERT_GT(job.size(), 4u);
  const std::string pdf = job.substr(0, job.size() - 4) + ".pdf";
  ASSERT_TRUE(std::filesystem::exists(pdf)) << pdf;
  EXPECT_NE(pdfText(pdf).find("Dim y"), std::string::npos);
  // Readable by this user alone, as the text file is.
  EXPECT_EQ(std::filesystem::status(pdf).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  // A link under the PDF's name is never written through: this user's own
  // is replaced; another user's (in a shared print folder) fails the job.
  kestrin_test::writeFile(dir.file("victim"), "precious");
  const std::string link = dir.file("planted.pdf");
  std::filesystem::create_symlink(dir.file("victim"), link);
  const bool another = ::geteuid() == 0 && ::lchown(link.c_str(), 65534, 65534) == 0;
  if (another)
    EXPECT_THROW(user->printJob("Kestrin script", "Dim z\r\n", dir.file("planted.txt")), platform::RuntimeError);
  else
    EXPECT_NO_THROW(user->printJob("Kestrin script", "Dim z\r\n", dir.file("planted.txt")));
  EXPECT_EQ(kestrin_test::readFile(dir.file("victim")), "precious");
}

}  // namespace
}  // namespace gui_test
