// The completion word list: its rows from the word-list file, the
// completion list filled from it, the lookups of a word and its tip text,
// a missing or empty file, and the failures of a short row.
#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "authoring/CSelectedWord.h"
#include "authoring_fixture.h"
#include "common/case_name.h"
#include "diagnostics/error_handler.h"
#include "editor/modCodeSense.h"
#include "platform/controls/code_editor_lists.h"
#include "platform/ui/screen.h"

namespace authoring_test {
namespace {

namespace modCodeSense = kestrin::editor::modCodeSense;
using platform::controls::CompletionList;

// The completion list as the word list fills it.
CompletionList shownList() {
  CompletionList list;
  EXPECT_TRUE(modCodeSense::gbln_ShowIntelliList(list));
  return list;
}
std::vector<std::string> words(const CompletionList& list) {
  std::vector<std::string> out;
  for (const auto& item : list.items()) out.push_back(item.text);
  return out;
}

class WordListTest : public AuthoringTest {};

TEST_F(WordListTest, TheRowsFillTheListInFileOrderWithTheirImagesAndTips) {
  writeWordList("DrawLine|DrawLine(x1, y1, x2, y2)|4\r\nMaxLimit|the limit|2\r\n");
  EXPECT_TRUE(modCodeSense::gbln_LoadIntellList());
  EXPECT_FALSE(user->lastMessageBox().has_value());

  const CompletionList list = shownList();
  ASSERT_EQ(list.itemCount(), 2);
  EXPECT_EQ(list.items()[0].text, "DrawLine");
  EXPECT_EQ(list.items()[0].image, 3);  // "method"
  EXPECT_EQ(list.items()[0].data, "DrawLine(x1, y1, x2, y2)");
  EXPECT_EQ(list.items()[1].text, "MaxLimit");
  EXPECT_EQ(list.items()[1].image, 1);  // "sub"
  EXPECT_EQ(list.items()[1].data, "the limit");
  EXPECT_EQ(list.imageMode(), 1);

  EXPECT_TRUE(modCodeSense::gbln_IsIntelliWord("drawline"));
  EXPECT_TRUE(modCodeSense::gbln_IsIntelliWord("DRAWLINE"));
  EXPECT_FALSE(modCodeSense::gbln_IsIntelliWord("DrawLin"));
  EXPECT_EQ(modCodeSense::gstr_GetItemData("drawLine"), "DrawLine(x1, y1, x2, y2)");
  EXPECT_EQ(modCodeSense::gstr_GetItemData("Nothing"), "");
}

struct KindCase {
  const char* field;
  int32_t image;  // the kind less 1
};
void PrintTo(const KindCase& c, std::ostream* os) { *os << "field " << c.field << " image " << c.image; }

class KindTest : public WordListTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(KindTest, TheKindIsTheLeadingNumberRoundedHalvesToEven) {
  writeWordList(std::string("Word|tip|") + GetParam().field + "\r\n");
  EXPECT_TRUE(modCodeSense::gbln_LoadIntellList());
  const CompletionList list = shownList();
  ASSERT_EQ(list.itemCount(), 1);
  EXPECT_EQ(list.items()[0].image, GetParam().image);
  EXPECT_EQ(list.items()[0].data, "tip");
}

INSTANTIATE_TEST_SUITE_P(Fields, KindTest,
                         ::testing::Values(KindCase{" 3.5", 3}, KindCase{"2.5", 1}, KindCase{"x1", -1},
                                           KindCase{"", -1}, KindCase{"4|more|fields", 3}, KindCase{"8", 7}),
                         kestrin_test::PrintedName());

TEST_F(WordListTest, RowsStayAsWrittenAndLookupsFindTheFirst) {
  writeWordList("Foo|first|1\r\nFOO|second|1\r\nBar |blank after|1\r\nFoo|third|1\r\n");
  EXPECT_TRUE(modCodeSense::gbln_LoadIntellList());
  EXPECT_EQ(words(shownList()), (std::vector<std::string>{"Foo", "FOO", "Bar ", "Foo"}));
  EXPECT_EQ(modCodeSense::gstr_GetItemData("foo"), "first");
  EXPECT_FALSE(modCodeSense::gbln_IsIntelliWord("Bar"));
  EXPECT_TRUE(modCodeSense::gbln_IsIntelliWord("bar "));
  EXPECT_EQ(modCodeSense::gstr_GetItemData("Bar"), "");
}

TEST_F(WordListTest, ALaterLoadEndsWithExactlyItsOwnRows) {
  writeWordList("A|a|1\r\nB|b|1\r\nC|c|1\r\n");
  EXPECT_TRUE(modCodeSense::gbln_LoadIntellList());
  writeWordList("D|d|2\r\n");
  EXPECT_TRUE(modCodeSense::gbln_LoadIntellList());
  EXPECT_EQ(words(shownList()), std::vector<std::string>{"D"});
  EXPECT_FALSE(modCodeSense::gbln_IsIntelliWord("B"));
}

// The lookups answer for the rows of the last load, whatever an earlier
// load held at the same rows, and fold letters beyond ASCII as the scan of
// the rows does.
TEST_F(WordListTest, LookupsAfterAReloadAnswerForItsRows) {
  writeWordList("Foo|old|1\r\nBar|bar|1\r\n");
  EXPECT_TRUE(modCodeSense::gbln_LoadIntellList());
  EXPECT_EQ(modCodeSense::gstr_GetItemData("foo"), "old");
  writeWordList("\xC3\x84rger|umlaut|1\r\nfoo|new|1\r\nFOO|later|1\r\n");
  EXPECT_TRUE(modCodeSense::gbln_LoadIntellList());
  EXPECT_EQ(modCodeSense::gstr_GetItemData("Foo"), "new");
  EXPECT_EQ(modCodeSense::gstr_GetItemData("\xC3\xA4RGER"), "umlaut");
  EXPECT_FALSE(modCodeSense::gbln_IsIntelliWord("bar"));
}

TEST_F(WordListTest, AMissingFileIsToldAndAnEmptyOneIsNotAndBothKeepTheList) {
  writeWordList("Kept|kept tip|1\r\n");
  EXPECT_TRUE(modCodeSense::gbln_LoadIntellList());

  writeWordList("");
  EXPECT_TRUE(modCodeSense::gbln_LoadIntellList());
  EXPECT_FALSE(user->lastMessageBox().has_value());
  EXPECT_EQ(words(shownList()), std::vector<std::string>{"Kept"});

  std::filesystem::remove(editorFile("KzLangDef.csv"));
  user->answerMessageBox(mb::OK);
  EXPECT_FALSE(modCodeSense::gbln_LoadIntellList());
  expectLastBox(*user, "Unable to load intellisense" + kNineBlanks, mb::Exclamation);
  EXPECT_EQ(words(shownList()), std::vector<std::string>{"Kept"});
  EXPECT_EQ(modCodeSense::gstr_GetItemData("kept"), "kept tip");
}

TEST_F(WordListTest, BeforeAnyLoadTheListIsEmptyAndAMissingFileGivesNoItems) {
  onFreshThread([&](platform::ui::ScriptedUser& user) {
    CompletionList list;
    EXPECT_TRUE(modCodeSense::gbln_ShowIntelliList(list));
    EXPECT_EQ(list.itemCount(), 0);
    EXPECT_FALSE(modCodeSense::gbln_IsIntelliWord(""));

    user.answerMessageBox(mb::OK);
    EXPECT_FALSE(modCodeSense::gbln_LoadIntellList());
    expectLastBox(user, "Unable to load intellisense" + kNineBlanks, mb::Exclamation);
    EXPECT_TRUE(modCodeSense::gbln_ShowIntelliList(list));
    EXPECT_EQ(list.itemCount(), 0);
  });
}

// A short row among good ones, reported through the diagnostics object.
struct ShortRowCase {
  const char* row;
  std::vector<int32_t> answers;  // to each report, in turn
  bool result;
  std::vector<std::string> words;  // in the list afterwards
  int32_t lastImage;               // of the last entry
  const char* lastTip;
};
void PrintTo(const ShortRowCase& c, std::ostream* os) {
  *os << "row " << c.row << " answered";
  for (int32_t a : c.answers)
    *os << (a == mb::Abort ? " Abort" : a == mb::Retry ? " Retry" : a == mb::Ignore ? " Ignore" : " other");
}

class ShortRowTest : public WordListTest, public ::testing::WithParamInterface<ShortRowCase> {};

TEST_P(ShortRowTest, EachFailingFieldIsReportedAndTheAnswerDecides) {
  auto& handler = installHandler();
  writeWordList(std::string("First|first tip|1\r\n") + GetParam().row + "\r\nLast|last tip|3\r\n");
  for (const int32_t answer : GetParam().answers)
    user->answerMessageBox(answer, "in modCodeSense::gbln_LoadIntellList(Function)");
  EXPECT_EQ(modCodeSense::gbln_LoadIntellList(), GetParam().result);

  const CompletionList list = shownList();
  EXPECT_EQ(words(list), GetParam().words);
  ASSERT_FALSE(list.items().empty());
  EXPECT_EQ(list.items().back().image, GetParam().lastImage);
  EXPECT_EQ(list.items().back().data, GetParam().lastTip);
  EXPECT_TRUE(handler.callStack().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ShortRowTest,
    ::testing::Values(
        // Abort: the rows before stay, the load ends.
        ShortRowCase{"Two|fields", {mb::Abort}, false, {"First"}, 0, "first tip"},
        // Retry: the same field fails again and is reported again.
        ShortRowCase{"Two|fields", {mb::Retry, mb::Retry, mb::Abort}, false, {"First"}, 0, "first tip"},
        ShortRowCase{"Two|fields", {mb::Retry, mb::Ignore}, true, {"First", "Two", "Last"}, 2, "last tip"},
        // Ignore: the row stays with the kind 0.
        ShortRowCase{"Two|fields", {mb::Ignore}, true, {"First", "Two", "Last"}, 2, "last tip"},
        ShortRowCase{"One", {mb::Ignore, mb::Ignore}, true, {"First", "One", "Last"}, 2, "last tip"},
        ShortRowCase{"", {mb::Ignore, mb::Ignore, mb::Ignore}, true, {"First", "", "Last"}, 2, "last tip"},
        // A kind beyond 32 bits fails as a missing one.
        ShortRowCase{"Big|big tip|3000000000", {mb::Abort}, false, {"First"}, 0, "first tip"}),
    kestrin_test::PrintedName());

TEST_F(WordListTest, AShortRowIgnoredKeepsKindZeroAndTheTipsThatExist) {
  installHandler();
  writeWordList("Two|two tip\r\nOne\r\n");
  user->answerMessageBox(mb::Ignore).answerMessageBox(mb::Ignore).answerMessageBox(mb::Ignore);
  EXPECT_TRUE(modCodeSense::gbln_LoadIntellList());
  const CompletionList list = shownList();
  ASSERT_EQ(list.itemCount(), 2);
  EXPECT_EQ(list.items()[0].image, -1);
  EXPECT_EQ(list.items()[0].data, "two tip");
  EXPECT_EQ(list.items()[1].data, "");
}

TEST_F(WordListTest, WithoutADiagnosticsObjectAShortRowShowsItsOwnMessageAndEndsTheLoad) {
  writeWordList("First|first tip|1\r\nShort|row\r\nLast|last tip|1\r\n");
  user->answerMessageBox(mb::OK);
  EXPECT_TRUE(modCodeSense::gbln_LoadIntellList());
  expectLastBox(*user, "Could not load Intellisense list" + kNineBlanks, mb::Exclamation);
  EXPECT_EQ(words(shownList()), std::vector<std::string>{"First"});
}

// A row whose kind leaves no image number below it (the kind less 1 is
// beyond 32 bits) fails as the list is filled, not as it is loaded.
struct FillFailureCase {
  const char* name;
  bool withHandler;
  std::vector<int32_t> answers;  // to each report, in turn
  bool result;
  std::vector<std::string> words;  // in the list afterwards
  int32_t imageMode;
};
void PrintTo(const FillFailureCase& c, std::ostream* os) { *os << c.name; }

class FillFailureTest : public WordListTest, public ::testing::WithParamInterface<FillFailureCase> {};

TEST_P(FillFailureTest, AFailingEntryIsReportedAndTheAnswerDecides) {
  writeWordList("First|first tip|1\r\nLowest|lowest tip|-2147483648\r\nLast|last tip|3\r\n");
  ASSERT_TRUE(modCodeSense::gbln_LoadIntellList());
  kestrin::diagnostics::CErrorHandler* handler = GetParam().withHandler ? &installHandler() : nullptr;
  for (const int32_t answer : GetParam().answers)
    user->answerMessageBox(answer, GetParam().withHandler ? "in modCodeSense::gbln_ShowIntelliList(Function)" : "");
  CompletionList list;
  EXPECT_EQ(modCodeSense::gbln_ShowIntelliList(list), GetParam().result);
  EXPECT_EQ(words(list), GetParam().words);
  EXPECT_EQ(list.imageMode(), GetParam().imageMode);
  EXPECT_TRUE(user->done()) << user->transcriptText();
  if (handler) {
    EXPECT_TRUE(handler->callStack().empty());
  } else {
    expectLastBox(*user, "Problem loading intellisense" + kNineBlanks, mb::Information);
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, FillFailureTest,
                         ::testing::Values(
                             // Abort: the entries before stay, the filling ends with False.
                             FillFailureCase{"Abort", true, {mb::Abort}, false, {"First"}, 0},
                             // Retry runs the failing entry again, and it fails again.
                             FillFailureCase{"RetryThenAbort", true, {mb::Retry, mb::Abort}, false, {"First"}, 0},
                             // Ignore: the entry is left out, the rest goes in.
                             FillFailureCase{"Ignore", true, {mb::Ignore}, true, {"First", "Last"}, 1},
                             // Without a diagnostics object: its own message, the filling ends, still True.
                             FillFailureCase{"NoHandler", false, {mb::OK}, true, {"First"}, 0}),
                         [](const ::testing::TestParamInfo<FillFailureCase>& info) { return info.param.name; });

TEST_F(WordListTest, EveryLoadEndsWithTheDefaultMousePointer) {
  // A busy pointer set before the load, read as it is, missing or aborted.
  const std::vector<std::function<void()>> loads = {
      [&] { writeWordList(kWordList); },
      [&] {
        std::filesystem::remove(editorFile("KzLangDef.csv"));
        user->answerMessageBox(mb::OK, "Unable to load intellisense");
      },
      [&] {
        installHandler();
        writeWordList("Short|row\r\n");
        user->answerMessageBox(mb::Abort, "in modCodeSense::gbln_LoadIntellList(Function)");
      },
  };
  for (size_t i = 0; i < loads.size(); ++i) {
    loads[i]();
    platform::ui::screen().setMousePointer(11);
    modCodeSense::gbln_LoadIntellList();
    EXPECT_EQ(platform::ui::screen().MousePointer(), 0) << "load " << i;
    EXPECT_TRUE(user->done()) << "load " << i << "\n" << user->transcriptText();
  }
}

TEST_F(WordListTest, TheProceduresTraceTheirEntryAndExit) {
  installHandler();
  writeWordList(kWordList);
  modCodeSense::gbln_LoadIntellList();
  shownList();
  modCodeSense::gbln_IsIntelliWord("DrawLine");
  modCodeSense::gstr_GetItemData("DrawArc");
  const auto lines = traceLines();
  for (const char* text :
       {"modCodeSense::gbln_LoadIntellList(Function)", "modCodeSense::gbln_ShowIntelliList(Function)",
        "modCodeSense::gbln_IsIntelliWord(Function)", "modCodeSense::gstr_GetItemData(Function) Find:= DrawArc"})
    EXPECT_NE(std::find(lines.begin(), lines.end(), std::string("Entered routine: ") + text), lines.end()) << text;
  EXPECT_TRUE(balanced(lines));
}

TEST(SelectedWordTest, StartsEmptyAndGivesBackWhatItWasGiven) {
  kestrin::authoring::CSelectedWord word;
  EXPECT_EQ(word.IntelliWord(), "");
  word.setIntelliWord(" Draw Line ");
  EXPECT_EQ(word.IntelliWord(), " Draw Line ");
}

}  // namespace
}  // namespace authoring_test
