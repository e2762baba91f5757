// CPrintDialog: what a new object asks the dialog, the range bits on the
// way in and out, what comes back on OK and what Cancel leaves, and the
// owner check with its error.
#include "support/CPrintDialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/temp_dir.h"
#include "common/ui_test_user.h"
#include "platform/controls/print_dialog.h"
#include "platform/ui/windows.h"
#include "support/support_fixture.h"

namespace {

namespace ui = platform::ui;
namespace pd = platform::controls::pd;
using kestrin::support::CPrintDialog;
using kestrin_test::Raised;
using kestrin_test::raisedBy;
using platform::ui::PrintDialogAnswer;

// Every property, for comparing one object's state before and after.
struct State {
  int16_t copies, fromPage, toPage, min, max;
  int32_t flags, hdc, owner, range;
  bool operator==(const State&) const = default;
};
State stateOf(const CPrintDialog& d) {
  return {d.Copies(), d.FromPage(), d.ToPage(), d.Min(), d.Max(), d.Flags(), d.HDC(), d.HWndOwner(), d.PrintRange()};
}

PrintDialogAnswer answer(int32_t flags, int32_t from, int32_t to, int32_t copies) {
  PrintDialogAnswer a;
  a.flags = flags;
  a.fromPage = from;
  a.toPage = to;
  a.copies = copies;
  return a;
}

class PrintDialogTest : public kestrin_test::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    kestrin_test::setEditorIdentity(dir);
    window = static_cast<int32_t>(ui::desktop::createWindow("Main", ui::WS_OVERLAPPEDWINDOW, ui::WS_EX_WINDOWEDGE));
  }
  kestrin_test::TempDir dir;
  int32_t window = 0;
};

TEST_F(PrintDialogTest, ANewObjectAsksForOneCopyOfAllPagesWithinOneTo65535) {
  CPrintDialog dialog;
  const State before = stateOf(dialog);
  EXPECT_EQ(before, (State{1, 0, 0, 1, -1, 0, 0, 0, 0}));

  user->answerPrintDialog(std::nullopt);
  EXPECT_FALSE(dialog.Show());
  ASSERT_TRUE(user->lastPrintDialog());
  const auto& asked = *user->lastPrintDialog();
  EXPECT_EQ(asked.flags, 0);
  EXPECT_EQ(asked.fromPage, 0);
  EXPECT_EQ(asked.toPage, 0);
  EXPECT_EQ(asked.minPage, 1);
  EXPECT_EQ(asked.maxPage, 65535);
  EXPECT_EQ(asked.copies, 1);
  EXPECT_EQ(stateOf(dialog), before);
}

TEST_F(PrintDialogTest, ThePrintRangeAddsItsBitToTheFlagsThatReachTheDialog) {
  struct Case {
    int32_t flags, range, asked;
  } cases[] = {
      {0, CPrintDialog::kRangeAll, 0},
      {0, CPrintDialog::kRangePages, 0x2},
      {0, CPrintDialog::kRangeSelection, 0x1},
      {0, 7, 0},
      {0x2, CPrintDialog::kRangeAll, 0x2},  // a range bit of the flags stays
      {0x40, CPrintDialog::kRangeSelection, 0x41},
  };
  for (const Case& c : cases) {
    CPrintDialog dialog;
    dialog.setFlags(c.flags);
    dialog.setPrintRange(c.range);
    user->answerPrintDialog(std::nullopt);
    dialog.Show();
    ASSERT_TRUE(user->lastPrintDialog());
    EXPECT_EQ(user->lastPrintDialog()->flags, c.asked) << c.flags << " " << c.range;
    EXPECT_EQ(dialog.Flags(), c.flags);
  }
}

TEST_F(PrintDialogTest, OKCopiesTheUsersChoicesBackAndLeavesTheFlags) {
  CPrintDialog dialog;
  dialog.Init(window, pd::PrintSetup | pd::ReturnDC);
  dialog.setMin(2);
  dialog.setMax(40);
  dialog.setFromPage(2);
  dialog.setToPage(3);

  user->answerPrintDialog(answer(pd::PageNums, 5, 9, 3));
  EXPECT_TRUE(dialog.Show());
  EXPECT_EQ(user->lastPrintDialog()->minPage, 2);
  EXPECT_EQ(user->lastPrintDialog()->maxPage, 40);
  EXPECT_EQ(dialog.Copies(), 3);
  EXPECT_EQ(dialog.FromPage(), 5);
  EXPECT_EQ(dialog.ToPage(), 9);
  EXPECT_EQ(dialog.Min(), 2);
  EXPECT_EQ(dialog.Max(), 40);
  EXPECT_NE(dialog.HDC(), 0);
  EXPECT_EQ(dialog.PrintRange(), CPrintDialog::kRangePages);
  EXPECT_EQ(dialog.Flags(), static_cast<int32_t>(pd::PrintSetup | pd::ReturnDC));
  EXPECT_EQ(dialog.HWndOwner(), window);

  // The returned range bits decide the range: selection, then all pages.
  user->answerPrintDialog(answer(pd::Selection, 1, 1, 1));
  EXPECT_TRUE(dialog.Show());
  EXPECT_EQ(dialog.PrintRange(), CPrintDialog::kRangeSelection);
  user->answerPrintDialog(answer(0, 1, 1, 1));
  EXPECT_TRUE(dialog.Show());
  EXPECT_EQ(dialog.PrintRange(), CPrintDialog::kRangeAll);

  // Pages above 32767 come back as negative 16-bit numbers, and Max -1
  // goes out as 65535 and comes back as -1.
  dialog.setMax(-1);
  user->answerPrintDialog(answer(pd::PageNums, 40000, 65535, 1));
  EXPECT_TRUE(dialog.Show());
  EXPECT_EQ(dialog.FromPage(), -25536);
  EXPECT_EQ(dialog.ToPage(), -1);
  EXPECT_EQ(dialog.Max(), -1);
}

TEST_F(PrintDialogTest, ADeviceContextSetBeforeGoesToTheDialogAndComesBackWhenItMakesNone) {
  CPrintDialog dialog;
  dialog.Init(window, pd::PrintSetup);  // no new device context asked for
  dialog.setHDC(77);
  user->answerPrintDialog(answer(0, 1, 1, 2));
  EXPECT_TRUE(dialog.Show());
  EXPECT_EQ(dialog.HDC(), 77);
  EXPECT_EQ(dialog.Copies(), 2);
}

TEST_F(PrintDialogTest, CancelLeavesEveryPropertyAsItWas) {
  CPrintDialog dialog;
  dialog.Init(window, pd::ReturnDC);
  dialog.setHDC(77);
  dialog.setCopies(4);
  dialog.setFromPage(2);
  dialog.setToPage(6);
  dialog.setPrintRange(CPrintDialog::kRangePages);
  const State before = stateOf(dialog);
  user->answerPrintDialog(std::nullopt);
  EXPECT_FALSE(dialog.Show());
  EXPECT_EQ(stateOf(dialog), before);
}

TEST_F(PrintDialogTest, AnOwnerThatNamesNoWindowIsRefusedAndLeavesTheOldSettings) {
  const auto gone =
      static_cast<int32_t>(ui::desktop::createWindow("Gone", ui::WS_OVERLAPPEDWINDOW, ui::WS_EX_WINDOWEDGE));
  ui::DestroyWindow(static_cast<platform::HWND>(gone));

  CPrintDialog dialog;
  dialog.Init(window, 0x40);
  for (const auto& call : {std::function<void()>([&] { dialog.Init(gone, 0x100); }),
                           std::function<void()>([&] { dialog.setHWndOwner(gone); })}) {
    const Raised r = raisedBy(call);
    EXPECT_EQ(r.n, 17941);
    EXPECT_EQ(r.source, "KestrinScriptEditor.CPrintDialog");
    EXPECT_EQ(r.description, "Invalid window handle");
    EXPECT_EQ(dialog.HWndOwner(), window);
    EXPECT_EQ(dialog.Flags(), 0x40);
  }
  // 0 and negative handles are not tested.
  EXPECT_EQ(raisedBy([&] { dialog.Init(0, 1); }).n, 0);
  EXPECT_EQ(dialog.HWndOwner(), 0);
  EXPECT_EQ(raisedBy([&] { dialog.Init(-5, 2); }).n, 0);
  EXPECT_EQ(dialog.HWndOwner(), -5);
  EXPECT_EQ(dialog.Flags(), 2);
  EXPECT_EQ(raisedBy([&] { dialog.setHWndOwner(-1); }).n, 0);
  EXPECT_EQ(dialog.HWndOwner(), -1);
}

TEST_F(PrintDialogTest, AnOwnerClosedSinceItWasSetIsNotAskedAndShowGivesFalse) {
  CPrintDialog dialog;
  dialog.Init(window, 0);
  ui::DestroyWindow(static_cast<platform::HWND>(window));
  const State before = stateOf(dialog);
  EXPECT_FALSE(dialog.Show());  // no dialog shown: nothing queued for the user
  EXPECT_EQ(stateOf(dialog), before);
}

}  // namespace
