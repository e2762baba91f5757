// The main window's completion list, argument tip and key handlers, as the
// person at the editor meets them: the list filled and picked from, the
// argument tip of a host function following the commas, and the modified
// mark of every key.
#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <memory>
#include <string>

#include "authoring/CSelectedWord.h"
#include "authoring_fixture.h"
#include "common/case_name.h"
#include "diagnostics/error_handler.h"
#include "editor/frmMain.h"
#include "editor/modCodeSense.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "platform/controls/code_editor.h"

namespace authoring_test {
namespace {

using kestrin::editor::frmMain;
namespace modMain = kestrin::editor::modMain;
using platform::controls::CodeRange;

class CompletionTest : public AuthoringTest {
 protected:
  void TearDown() override {
    if (main && main->loaded()) {
      main->setIsDirty(false);
      main->unload();
    }
    main.reset();
    AuthoringTest::TearDown();
  }
  // The window as RunEditor loads it, with the sample word list unless the
  // test wrote another or removed it, then a script of this text.
  void open(const std::string& text = "") {
    main = kestrin::editor::mainWindow();
    main->load();
    ASSERT_TRUE(main->loaded());
    scriptPath = editorFile("VB/completion.vbs");
    kestrin_test::writeFile(scriptPath, text);
    main->FileToView(scriptPath);
  }
  void SetUp() override {
    AuthoringTest::SetUp();
    writeWordList(kWordList);
  }
  platform::controls::CodeEditorControl& editor() { return *main->CodeSense1; }
  std::string line(int32_t n) { return editor().getLine(n); }
  int32_t caretColumn() { return editor().getSel(true).endColumn; }
  platform::controls::ArgumentTip* tip() { return editor().tip(); }
  std::string intelliWord() { return main->CWord ? main->CWord->IntelliWord() : "<none>"; }

  std::shared_ptr<frmMain> main;
  std::string scriptPath;
};

// ---- The load and unload steps ------------------------------------------------------

TEST_F(CompletionTest, TheLoadStepLoadsTheWordListAndMakesCWordAndTheUnloadReleasesIt) {
  open();
  ASSERT_NE(main->CWord, nullptr);
  EXPECT_EQ(main->CWord->IntelliWord(), "");
  EXPECT_FALSE(main->m_bListOpen);
  EXPECT_TRUE(kestrin::editor::modCodeSense::gbln_IsIntelliWord("drawarc"));
  const auto lines = traceLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Entered routine: modCodeSense::gbln_LoadIntellList(Function)"),
            lines.end());
  main->unload();
  EXPECT_EQ(main->CWord, nullptr);
}

TEST_F(CompletionTest, WithoutTheWordListTheLoadSaysSoAndTheWindowStillOpens) {
  std::filesystem::remove(editorFile("KzLangDef.csv"));
  user->answerMessageBox(mb::OK, "Unable to load intellisense");
  open();
  expectLastBox(*user, "Unable to load intellisense" + kNineBlanks, mb::Exclamation);
  EXPECT_NE(main->CWord, nullptr);
}

// ---- The completion list ------------------------------------------------------------

TEST_F(CompletionTest, TheListHoldsTheWordsWithImagesByKindAndHighlightsTheTypedWord) {
  open();
  editor().userTypes("x = Dra");
  ASSERT_TRUE(editor().userKey("Ctrl+Space"));
  ASSERT_TRUE(editor().completionListOpen());
  auto& list = *editor().completionList();
  ASSERT_EQ(list.itemCount(), 3);
  EXPECT_EQ(list.items()[0].text, "DrawLine");
  EXPECT_EQ(list.items()[0].image, 3);
  EXPECT_EQ(list.items()[1].text, "MaxLimit");
  EXPECT_EQ(list.items()[1].image, 1);
  EXPECT_EQ(list.items()[2].data, "DrawArc(x, y, r)");
  EXPECT_EQ(list.imageMode(), 1);
  EXPECT_EQ(list.imageList(), static_cast<int32_t>(main->IMGIntellisence->hImageList()));
  EXPECT_EQ(list.font(), editor().font());
  EXPECT_TRUE(main->m_bListOpen);
  EXPECT_EQ(main->m_strCurrentWord, "Dra");
  // Only a whole word is highlighted at once; typing on follows the entry
  // that begins with the word, and so do the arrows.
  EXPECT_EQ(list.selectedItem(), -1);
  EXPECT_EQ(main->m_strPickedWord, "");
  editor().userTypes("w");
  EXPECT_EQ(list.selectedItem(), 0);
  EXPECT_EQ(main->m_strPickedWord, "DrawLine");
  editor().userKey("Down");
  EXPECT_EQ(main->m_strPickedWord, "MaxLimit");
}

TEST_F(CompletionTest, TheWholeWordAtTheCaretIsHighlightedWhenTheListOpens) {
  open();
  editor().userTypes("drawarc");
  editor().userKey("Ctrl+Space");
  ASSERT_TRUE(editor().completionListOpen());
  EXPECT_EQ(editor().completionList()->selectedItem(), 2);
  EXPECT_EQ(main->m_strPickedWord, "DrawArc");
}

struct PickCase {
  const char* key;
  const char* line;  // afterwards
  bool tipShown;
};
void PrintTo(const PickCase& c, std::ostream* os) {
  *os << c.key << " gives " << c.line << (c.tipShown ? " with tip" : "");
}

class PickTest : public CompletionTest, public ::testing::WithParamInterface<PickCase> {};

TEST_P(PickTest, APickKeyPutsTheWordInPlaceOfItsBeginning) {
  open();
  editor().userTypes("Dra");
  editor().userKey("Ctrl+Space");
  editor().userTypes("w");
  ASSERT_EQ(main->m_strPickedWord, "DrawLine");
  editor().userKey(GetParam().key);
  EXPECT_EQ(editor().lineCount(), 1) << "Enter makes no new line";
  EXPECT_EQ(line(0), GetParam().line);
  EXPECT_EQ(intelliWord(), "DrawLine");
  EXPECT_EQ(main->m_strPickedWord, "");
  EXPECT_FALSE(editor().completionListOpen());
  EXPECT_EQ(editor().tipShown(), GetParam().tipShown);
}

INSTANTIATE_TEST_SUITE_P(Keys, PickTest,
                         ::testing::Values(PickCase{"Enter", "DrawLine", false}, PickCase{"Tab", "DrawLine", false},
                                           PickCase{"Right", "DrawLine", false}, PickCase{"Space", "DrawLine ", true},
                                           PickCase{"(", "DrawLine(", true}),
                         kestrin_test::PrintedName());

TEST_F(CompletionTest, TabIsTakenAndEnterIsLeftToTheList) {
  open();
  editor().userTypes("Dra");
  editor().userKey("Ctrl+Space");
  editor().userTypes("w");
  EXPECT_TRUE(main->CodeSense1_KeyDown(9, 0));
  EXPECT_EQ(line(0), "DrawLine");

  editor().userTypes(" = Dra");
  editor().userKey("Ctrl+Space");
  editor().userTypes("wA");
  ASSERT_EQ(main->m_strPickedWord, "DrawArc");
  EXPECT_FALSE(main->CodeSense1_KeyDown(13, 0));
  EXPECT_EQ(line(0), "DrawLine = DrawArc");
  EXPECT_TRUE(main->m_bListOpen) << "only the pick closes it";
}

struct KeyAnswerCase {
  int32_t keyCode;
  bool taken;  // the key-down answer: True drops the key
};
void PrintTo(const KeyAnswerCase& c, std::ostream* os) {
  *os << "key " << c.keyCode << (c.taken ? " taken" : " passed");
}

class KeyAnswerTest : public CompletionTest, public ::testing::WithParamInterface<KeyAnswerCase> {};

TEST_P(KeyAnswerTest, APickKeyIsTakenOnlyWhenItIsTabOrRight) {
  open();
  editor().userTypes("Dra");
  editor().userKey("Ctrl+Space");
  editor().userTypes("w");
  ASSERT_EQ(main->m_strPickedWord, "DrawLine");
  EXPECT_EQ(main->CodeSense1_KeyDown(GetParam().keyCode, 0), GetParam().taken);
  EXPECT_EQ(line(0), "DrawLine");
  EXPECT_EQ(main->m_strPickedWord, "");
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyAnswerTest,
                         ::testing::Values(KeyAnswerCase{9, true}, KeyAnswerCase{39, true}, KeyAnswerCase{13, false},
                                           KeyAnswerCase{32, false}),
                         kestrin_test::PrintedName());

struct KeepOpenCase {
  bool keyDown;    // the key-down handler, else the key-press handler
  int32_t code;    // key code or character code
  bool stillOpen;  // m_bListOpen afterwards
};
void PrintTo(const KeepOpenCase& c, std::ostream* os) {
  *os << (c.keyDown ? "down " : "press ") << c.code << (c.stillOpen ? " open" : " closed");
}

class KeepOpenTest : public CompletionTest, public ::testing::WithParamInterface<KeepOpenCase> {};

TEST_P(KeepOpenTest, OnlyANameCharacterOrAKeyOtherThanLeftKeepsTheListOpen) {
  open();
  editor().userTypes("Dra");
  editor().userKey("Ctrl+Space");
  ASSERT_TRUE(main->m_bListOpen);
  if (GetParam().keyDown)
    main->CodeSense1_KeyDown(GetParam().code, 0);
  else
    main->CodeSense1_KeyPress(GetParam().code, 0);
  EXPECT_EQ(main->m_bListOpen, GetParam().stillOpen);
  EXPECT_EQ(main->m_lCursorCol, 3);
  EXPECT_EQ(line(0), "Dra") << "no pick";
}

INSTANTIATE_TEST_SUITE_P(Keys, KeepOpenTest,
                         ::testing::Values(KeepOpenCase{true, 37, false}, KeepOpenCase{true, 40, true},
                                           KeepOpenCase{true, 36, true}, KeepOpenCase{false, 'a', true},
                                           KeepOpenCase{false, 'Z', true}, KeepOpenCase{false, '7', true},
                                           KeepOpenCase{false, '_', true}, KeepOpenCase{false, '.', false},
                                           KeepOpenCase{false, ' ', false}, KeepOpenCase{false, '+', false},
                                           KeepOpenCase{false, 233, false}),
                         kestrin_test::PrintedName());

struct ClosedListCase {
  const char* closeWith;  // what closes the list without a pick
  const char* thenKey;
  const char* text;  // afterwards
  int32_t caretColumn;
};
void PrintTo(const ClosedListCase& c, std::ostream* os) {
  *os << c.closeWith << " then " << c.thenKey << " column " << c.caretColumn;
}

class ClosedListTest : public CompletionTest, public ::testing::WithParamInterface<ClosedListCase> {};

TEST_P(ClosedListTest, AListClosedWithoutAPickTakesNoFurtherKey) {
  open("x");
  editor().userCaret(1, 1);
  editor().userTypes("Dra");
  editor().userKey("Ctrl+Space");
  editor().userTypes("w");
  ASSERT_EQ(main->m_strPickedWord, "DrawLine");
  editor().userKey(GetParam().closeWith);
  ASSERT_FALSE(editor().completionListOpen());
  editor().userKey(GetParam().thenKey);
  EXPECT_EQ(editor().text(), GetParam().text);
  EXPECT_EQ(caretColumn(), GetParam().caretColumn);
}

// Tabs are typed as blanks (the preference TabsToSpaces).
INSTANTIATE_TEST_SUITE_P(Closes, ClosedListTest,
                         ::testing::Values(ClosedListCase{"Escape", "Enter", "Draw\r\nx", 0},
                                           ClosedListCase{"Escape", "Tab", "Draw    x", 8},
                                           // A pick by Tab is taken by the window; the next Tab is a tab.
                                           ClosedListCase{"Tab", "Tab", "DrawLine    x", 12},
                                           ClosedListCase{"(", "Right", "DrawLine(x", 10}),
                         kestrin_test::PrintedName());

TEST_F(CompletionTest, AnEntryOfAnEarlierListIsNoPickOfTheNextOne) {
  open();
  editor().userTypes("Dra");
  editor().userKey("Ctrl+Space");
  editor().userTypes("w");
  editor().userKey("Escape");
  editor().userKey("Ctrl+Space");
  editor().userKey("Enter");
  EXPECT_EQ(line(0), "Draw");
}

TEST_F(CompletionTest, APickInsideALineReplacesJustTheWordAndLeavesTheCaretAfterIt) {
  open("x = Dra + 1234567");
  editor().userCaret(1, 8);
  editor().userKey("Ctrl+Space");
  editor().userTypes("w");
  editor().userKey("Enter");
  EXPECT_EQ(line(0), "x = DrawLine + 1234567");
  EXPECT_EQ(caretColumn(), 12);
  EXPECT_EQ(editor().getSel(true), (CodeRange{0, 12, 0, 12}));

  // The word went with the pick: a second call changes nothing.
  main->m_AddIntellWord();
  EXPECT_EQ(line(0), "x = DrawLine + 1234567");
}

TEST_F(CompletionTest, ADoubleClickPicksTheEntryAndClosesTheList) {
  open();
  editor().userTypes("Max");
  editor().userKey("Ctrl+Space");
  editor().completionListDoubleClick(1);
  EXPECT_EQ(line(0), "MaxLimit");
  EXPECT_FALSE(main->m_bListOpen);
}

TEST_F(CompletionTest, APickIsTracedAsTheWordsInsertionAndABlankEntryToo) {
  const std::string traceText = "frmMain::m_AddIntellWord(Function)";
  for (const char* picked : {"DrawLine", "   "}) {
    open("Dra");
    editor().userCaret(1, 4);
    main->m_strPickedWord = picked;
    const size_t before = traceLines().size();
    main->m_AddIntellWord();
    auto lines = traceLines();
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before));
    ASSERT_FALSE(lines.empty()) << picked;
    EXPECT_EQ(lines.front(), "Entered routine: " + traceText) << picked;
    EXPECT_EQ(lines.back(), "Exited routine: " + traceText) << picked;
    main->setIsDirty(false);
    main->unload();
  }
}

TEST_F(CompletionTest, AnEntryOfBlanksInsertsNothingAndLeavesNoCallStackEntry) {
  open("Dra");
  editor().userCaret(1, 4);
  main->m_strPickedWord = "   ";
  EXPECT_FALSE(main->m_AddIntellWord());
  EXPECT_EQ(line(0), "Dra");
  auto& handler = *kestrin::diagnostics::errorHandlerSlot();
  for (const auto& entry : handler.callStack()) EXPECT_NE(entry.procedure, "frmMain::m_AddIntellWord(Function)");
  EXPECT_TRUE(balanced(traceLines()));
}

TEST_F(CompletionTest, WithAnEmptyWordListTheListIsShownEmptyAndMarkedOpen) {
  onFreshThread([&](platform::ui::ScriptedUser& user) {
    std::filesystem::remove(editorFile("KzLangDef.csv"));
    user.answerMessageBox(mb::OK, "Unable to load intellisense");
    auto window = kestrin::editor::mainWindow();
    window->load();
    ASSERT_TRUE(window->loaded());
    window->CodeSense1->userTypes("Dra");
    EXPECT_TRUE(window->CodeSense1->userKey("Ctrl+Space"));
    ASSERT_TRUE(window->CodeSense1->completionListOpen());
    EXPECT_EQ(window->CodeSense1->completionList()->itemCount(), 0);
    EXPECT_EQ(window->CodeSense1->completionList()->selectedItem(), -1);
    EXPECT_TRUE(window->m_bListOpen);
    window->setIsDirty(false);
    window->unload();
  });
}

TEST_F(CompletionTest, AListWhoseFillingWasAbortedIsNotShownAndTakesNoPick) {
  // The kind less 1 of the second row is beyond 32 bits: its entry fails.
  writeWordList("DrawLine|DrawLine(x1, y1, x2, y2)|4\r\nLowest|tip|-2147483648\r\n");
  open();
  editor().userTypes("Dra");
  user->answerMessageBox(mb::Abort, "in modCodeSense::gbln_ShowIntelliList(Function)");
  editor().userKey("Ctrl+Space");
  EXPECT_TRUE(user->done()) << user->transcriptText();
  EXPECT_FALSE(editor().completionListOpen());
  EXPECT_FALSE(main->m_bListOpen);
  EXPECT_TRUE(kestrin::diagnostics::errorHandlerSlot()->callStack().empty());
  editor().userKey("Enter");
  EXPECT_EQ(editor().text(), "Dra\r\n");
}

// ---- The argument tip ---------------------------------------------------------------

TEST_F(CompletionTest, AHostFunctionsTipFollowsTheCommasAndEndsAtItsParenthesis) {
  open();
  editor().userTypes("DrawLine(");
  ASSERT_TRUE(editor().tipShown());
  EXPECT_EQ(tip()->text(), "DrawLine(x1, y1, x2, y2)");
  EXPECT_EQ(tip()->argument(), 0);
  EXPECT_EQ(tip()->backColor(), 0xFFFFFF);
  EXPECT_EQ(tip()->textColor(), 0);
  EXPECT_FALSE(tip()->font().bold);
  EXPECT_FALSE(tip()->font().italic);
  EXPECT_EQ(tip()->font().name, editor().font().name);
  EXPECT_EQ(intelliWord(), "DrawLine");

  editor().userTypes("1, 2");
  EXPECT_EQ(tip()->argument(), 1);
  editor().userTypes(", _\r\n3,");
  ASSERT_TRUE(editor().tipShown());
  EXPECT_EQ(tip()->argument(), 3);
  editor().userTypes(" 4)");
  EXPECT_FALSE(editor().tipShown());
}

struct ArgumentCase {
  const char* before;  // the line in front of the word
  const char* typed;   // after "DrawLine("
  int32_t argument;    // -1: no tip any more
};
void PrintTo(const ArgumentCase& c, std::ostream* os) {
  *os << "after " << c.before << " typed " << c.typed << " argument " << c.argument;
}

class ArgumentTest : public CompletionTest, public ::testing::WithParamInterface<ArgumentCase> {};

TEST_P(ArgumentTest, OnlyTheCallsOwnCommasCount) {
  open(GetParam().before);
  editor().userCaret(1, static_cast<int32_t>(std::string(GetParam().before).size()) + 1);
  editor().userTypes(std::string("DrawLine(") + GetParam().typed);
  if (GetParam().argument < 0) {
    EXPECT_FALSE(editor().tipShown());
  } else {
    ASSERT_TRUE(editor().tipShown());
    EXPECT_EQ(tip()->argument(), GetParam().argument);
  }
}

INSTANTIATE_TEST_SUITE_P(Lines, ArgumentTest,
                         ::testing::Values(ArgumentCase{"Foo(a, ", "", 0}, ArgumentCase{"Foo(): ", "", 0},
                                           ArgumentCase{"Foo(): ", "1, 2", 1}, ArgumentCase{"", "\"a, b\", ", 1},
                                           ArgumentCase{"", "\"(\", \")\", ", 2}, ArgumentCase{"", "1)", -1}),
                         kestrin_test::PrintedName());

TEST_F(CompletionTest, TheCaretMovedOverANestedCallKeepsTheCallsArgument) {
  open("DrawLineLen(x, y), 2, 3)");
  editor().userCaret(1, 9);
  editor().userTypes("(");
  ASSERT_TRUE(editor().tipShown());
  editor().userCaret(1, 24);  // after "Len(x, y), 2, "
  ASSERT_TRUE(editor().tipShown());
  EXPECT_EQ(tip()->argument(), 2);
  editor().userCaret(1, 26);  // after the closing parenthesis
  EXPECT_FALSE(editor().tipShown());
}

TEST_F(CompletionTest, ABlankAfterAHostFunctionAsksForItsTipToo) {
  open();
  editor().userTypes("DrawArc ");
  ASSERT_TRUE(editor().tipShown());
  EXPECT_EQ(tip()->text(), "DrawArc(x, y, r)");
  editor().userTypes("1, 2");
  EXPECT_EQ(tip()->argument(), 1);
}

TEST_F(CompletionTest, NoTipInACommentOrAString) {
  open("' a note \r\nx = \"text ");
  editor().userCaret(1, 10);
  editor().userTypes("DrawLine(");
  EXPECT_FALSE(editor().tipShown());
  editor().userCaret(2, 11);
  editor().userTypes("DrawLine(");
  EXPECT_FALSE(editor().tipShown());
}

TEST_F(CompletionTest, AWordWithoutTipTextGetsNoTip) {
  writeWordList("Bare|   |1\r\n");
  open();
  editor().userTypes("Bare(");
  EXPECT_FALSE(editor().tipShown());
}

struct MoveCase {
  int32_t line, column;  // from 1
};
void PrintTo(const MoveCase& c, std::ostream* os) { *os << "line " << c.line << " column " << c.column; }

class CaretMoveTest : public CompletionTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(CaretMoveTest, TheCaretBeforeTheTipsStartEndsTheTip) {
  open("x = 1\r\n");
  editor().userCaret(2, 1);
  editor().userTypes("DrawLine(1");
  ASSERT_TRUE(editor().tipShown());
  editor().userCaret(GetParam().line, GetParam().column);
  EXPECT_FALSE(editor().tipShown());
}

INSTANTIATE_TEST_SUITE_P(Moves, CaretMoveTest, ::testing::Values(MoveCase{2, 9}, MoveCase{1, 6}),
                         kestrin_test::PrintedName());

TEST_F(CompletionTest, TheCaretBackAtTheTipsStartKeepsTheTip) {
  open();
  editor().userTypes("DrawLine(1");
  editor().userCaret(1, 10);
  EXPECT_TRUE(editor().tipShown());
}

TEST_F(CompletionTest, BackspaceForgetsTheWordAndTheNextUpdateEndsTheTip) {
  open();
  editor().userTypes("DrawLine(1, 2");
  editor().userKey("Backspace");
  EXPECT_EQ(intelliWord(), "");
  EXPECT_TRUE(editor().tipShown());
  editor().userTypes("3");
  EXPECT_FALSE(editor().tipShown());
}

struct ForgetCase {
  const char* key;
  const char* wordAfter;  // CWord's word once the key is up
};
void PrintTo(const ForgetCase& c, std::ostream* os) { *os << c.key << " leaves " << c.wordAfter; }

class ForgetKeyTest : public CompletionTest, public ::testing::WithParamInterface<ForgetCase> {};

TEST_P(ForgetKeyTest, OnlyTheDeletingKeysForgetTheTipsWord) {
  open();
  editor().userTypes("DrawLine(1, 2");
  ASSERT_EQ(intelliWord(), "DrawLine");
  editor().userKey(GetParam().key);
  EXPECT_EQ(intelliWord(), GetParam().wordAfter);
}

INSTANTIATE_TEST_SUITE_P(Keys, ForgetKeyTest,
                         ::testing::Values(ForgetCase{"Backspace", ""}, ForgetCase{"Delete", ""},
                                           ForgetCase{"Left", "DrawLine"}, ForgetCase{"End", "DrawLine"}),
                         kestrin_test::PrintedName());

TEST_F(CompletionTest, EscapeCancelsTheTipAndForgetsTheWord) {
  open();
  editor().userTypes("DrawLine(");
  editor().userKey("Escape");
  EXPECT_FALSE(editor().tipShown());
  EXPECT_EQ(intelliWord(), "");
}

// ---- The modified mark --------------------------------------------------------------

struct KeyCase {
  const char* key;
};
void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.key; }

class MarkTest : public CompletionTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(MarkTest, OneKeyAfterASaveLeavesTheScriptMarked) {
  open("Dim a\r\n");
  modMain::g_SetCurrentScriptStatus(*main, scriptPath, true);
  ASSERT_FALSE(main->IsDirty());
  editor().userKey(GetParam().key);
  EXPECT_TRUE(main->IsDirty());
  EXPECT_EQ(main->tag(), scriptPath + "*");
}

INSTANTIATE_TEST_SUITE_P(Keys, MarkTest, ::testing::Values(KeyCase{"x"}, KeyCase{"Right"}, KeyCase{"Enter"}),
                         kestrin_test::PrintedName());

TEST_F(CompletionTest, KeysOnAReadOnlyScriptMarkNothingAndCompleteNothing) {
  open("Dra");
  editor().setReadOnly(true);
  editor().userCaret(1, 4);
  main->m_bListOpen = true;
  main->m_strPickedWord = "DrawLine";
  main->m_lCursorCol = 99;
  main->CWord->setIntelliWord("DrawLine");
  editor().userKey("Tab");
  editor().userTypes("(");
  editor().userKey("Backspace");
  EXPECT_FALSE(main->IsDirty());
  EXPECT_EQ(main->tag(), scriptPath);
  EXPECT_EQ(line(0), "Dra");
  EXPECT_EQ(main->m_lCursorCol, 99);
  EXPECT_EQ(main->m_strPickedWord, "DrawLine");
  EXPECT_EQ(intelliWord(), "DrawLine");
  EXPECT_FALSE(editor().tipShown());
}

}  // namespace
}  // namespace authoring_test
