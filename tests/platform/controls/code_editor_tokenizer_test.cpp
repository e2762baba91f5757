// The tokenizer on VBScript lines, with a language registered as the
// editor registers its own: word lists separated by line feeds, with empty
// entries among them.
#include <gtest/gtest.h>

#include "platform/controls/code_editor.h"
#include "platform/runtime/strings.h"

namespace {

using namespace platform::controls;

CodeLanguage vbscript() {
  CodeLanguage l;
  l.caseSensitive = false;
  l.keywords = "Dim\nIf\nThen\nEnd\nSub\nCall\nAnd\nNot\nMsgBox\n\nDrawLine\n\n";
  l.operators = "^\n-\n*\n/\n\\\n+\n&\n=\n<>\nXor\nMod";
  l.singleLineComments = "'\nREM\nrem";
  l.stringDelims = "\"";
  l.constants = "vbCrLf\nvbOK\n\nkzCW\n";
  return l;
}

// The tokens of a line as "K:Dim T:x O:= N:1", one letter per kind; the
// tokens' columns count characters, as Mid does.
std::string describe(const CompiledLanguage& lang, const std::string& line) {
  static const char* letters = "TKONSCPX";
  std::string out;
  for (const Token& t : lang.tokenize(line)) {
    if (!out.empty()) out += ' ';
    out += letters[static_cast<int>(t.kind)];
    out += ':';
    out += platform::mid(line, static_cast<int32_t>(t.start) + 1, static_cast<int32_t>(t.length));
  }
  return out;
}

TEST(CodeEditorTokenizer, VBScriptLines) {
  const CompiledLanguage lang(vbscript());
  struct Case {
    const char* line;
    const char* tokens;
  } cases[] = {
      {"Dim x", "K:Dim T:x"},
      {"dim X = 10 ' counter", "K:dim T:X O:= N:10 C:' counter"},
      {"REM a comment", "C:REM a comment"},
      {"rem lower case too", "C:rem lower case too"},
      {"Rem mixed case", "C:Rem mixed case"},
      {"x = 1: REM after a colon", "T:x O:= N:1 T:: C:REM after a colon"},
      {"Remark = 5", "T:Remark O:= N:5"},          // REM only as a word
      {"x = obj.Rem", "T:x O:= T:obj T:. T:Rem"},  // a member, no comment
      {"REM", "C:REM"},
      {"s = \"it's\"", "T:s O:= S:\"it's\""},  // an apostrophe in a string
      {"s = \"say \"\"hi\"\"\" & x", "T:s O:= S:\"say \"\"hi\"\"\" O:& T:x"},
      {"s = \"open", "T:s O:= S:\"open"},  // an open string ends with the line
      {"MsgBox \"a\" & vbCrLf", "K:MsgBox S:\"a\" O:& P:vbCrLf"},
      {"If a <> b And Not c Then", "K:If T:a O:<> T:b K:And K:Not T:c K:Then"},
      {"y = a Mod 2 Xor b", "T:y O:= T:a O:Mod N:2 O:Xor T:b"},
      {"z = &H1F + &o17 + 1.5E-3 + .5", "T:z O:= N:&H1F O:+ N:&o17 O:+ N:1.5E-3 O:+ N:.5"},
      {"d = #1/2/2004#", "T:d O:= N:#1/2/2004#"},
      {"Call DrawLine(1, kzCW)", "K:Call K:DrawLine T:( N:1 T:, P:kzCW T:)"},
      {"a = b\\c", "T:a O:= T:b O:\\ T:c"},
      {"x = 1 '' TODO:: \"quoted\"", "T:x O:= N:1 C:'' TODO:: \"quoted\""},
      {"", ""},
      {"   \t ", ""},
      // Columns count characters: é and € two and three bytes, the face
      // four, a byte that is no UTF-8 one.
      {"s = \"\u00e9\u20ac\" ' \U0001F600", "T:s O:= S:\"\u00e9\u20ac\" C:' \U0001F600"},
      {"caf\u00e9 = 1 + \"\xFF\"", "T:caf\u00e9 O:= N:1 O:+ S:\"\xFF\""},
  };
  for (const auto& c : cases) EXPECT_EQ(describe(lang, c.line), c.tokens) << c.line;
}

TEST(CodeEditorTokenizer, CaseSensitiveLanguagesKeepCase) {
  CodeLanguage l = vbscript();
  l.caseSensitive = true;
  const CompiledLanguage lang(l);
  EXPECT_EQ(describe(lang, "Dim dim"), "K:Dim T:dim");
  EXPECT_EQ(describe(lang, "Rem x"), "T:Rem T:x");  // only "REM" and "rem" are listed
}

TEST(CodeEditorTokenizer, WordListEntriesAreTrimmedAndEmptyOnesPassedOver) {
  EXPECT_EQ(wordListEntries("\nA\n\n B \r\n\n"), (std::vector<std::string>{"A", "B"}));
  EXPECT_TRUE(wordListEntries("").empty());
}

TEST(CodeEditorLanguages, RegisteringAgainReplacesTheDefinition) {
  CodeEditorGlobals globals;
  CodeLanguage first;
  first.keywords = "Alpha";
  globals.registerLanguage("ReplaceTest", first);
  CodeEditor editor;
  editor.setText("Alpha Beta");
  editor.setLanguage("replacetest");  // names ignore case
  ASSERT_EQ(editor.lineTokens(0).size(), 2u);
  EXPECT_EQ(editor.lineTokens(0)[0].kind, TokenKind::Keyword);
  CodeLanguage second;
  second.keywords = "Beta";
  globals.registerLanguage("ReplaceTest", second);
  EXPECT_EQ(editor.lineTokens(0)[0].kind, TokenKind::Text);
  EXPECT_EQ(editor.lineTokens(0)[1].kind, TokenKind::Keyword);
  EXPECT_EQ(globals.getLanguage("REPLACETEST")->keywords, "Beta");
  globals.unregisterLanguage("ReplaceTest");
  EXPECT_TRUE(editor.lineTokens(0).empty());
  EXPECT_FALSE(globals.getLanguage("ReplaceTest"));
}

TEST(CodeEditorLanguages, EditsRecolourOnlyTheirLines) {
  CodeLanguage l = vbscript();
  CodeEditorGlobals().registerLanguage("RecolourTest", l);
  CodeEditor editor;
  editor.setText("x = 1\r\nDim y\r\nz");
  editor.setLanguage("RecolourTest");
  editor.colourAll();
  editor.setSel({1, 0, 1, 0}, false);
  editor.setSelText("' ");
  EXPECT_EQ(editor.lineTokens(1).size(), 1u);
  EXPECT_EQ(editor.lineTokens(1)[0].kind, TokenKind::Comment);
  editor.setSel({0, 5, 0, 5}, false);
  editor.setSelText("\r\nIf");
  EXPECT_EQ(editor.lineTokens(1)[0].kind, TokenKind::Keyword);  // the new line
  EXPECT_EQ(editor.lineTokens(2)[0].kind, TokenKind::Comment);  // moved down with its colour
  EXPECT_EQ(editor.lineTokens(3)[0].kind, TokenKind::Text);
}

}  // namespace
