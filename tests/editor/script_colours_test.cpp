// A script loaded into the main window is coloured by the host's language:
// VBScript keywords, the host's functions and constants from the word-list
// file, comments and strings each in the colour of their element's index.
#include <gtest/gtest.h>

#include <string>

#include "editor/CMainFrontEnd.h"
#include "editor/frmMain.h"
#include "editor_fixture.h"
#include "platform/controls/code_editor.h"
#include "platform/controls/code_editor_language.h"

namespace editor_test {
namespace {

using platform::controls::CodeEditor;
using platform::controls::TokenKind;
namespace color_index = platform::controls::color_index;

// The colour index the code editor documents for each element.
int32_t indexOf(TokenKind kind) {
  switch (kind) {
    case TokenKind::Keyword: return color_index::Keyword;
    case TokenKind::Operator: return color_index::Operator;
    case TokenKind::Number: return color_index::Number;
    case TokenKind::String: return color_index::String;
    case TokenKind::Comment: return color_index::Comment;
    case TokenKind::Constant: return color_index::Constant;
    case TokenKind::ScopeKeyword: return color_index::ScopeKeyword;
    case TokenKind::Text: break;
  }
  return color_index::Text;
}

struct Seen {
  std::string language;
  int32_t index = -1;   // the colour index of the token's element
  int32_t colour = -1;  // the editor's colour at that index
};

// The element and colour of the token that begins with `word` on a line.
Seen tokenAt(const CodeEditor& editor, int32_t line, const std::string& word) {
  Seen seen;
  seen.language = editor.language();
  const std::string text = editor.getLine(line);
  const size_t column = text.find(word);
  if (column == std::string::npos) return seen;
  for (const auto& token : editor.lineTokens(line)) {
    if (token.start == column) {
      seen.index = indexOf(token.kind);
      seen.colour = editor.color(seen.index);
    }
  }
  return seen;
}

class ScriptColoursTest : public EditorTest {};

TEST_F(ScriptColoursTest, EachElementOfALoadedScriptTakesItsIndexsColour) {
  kestrin_test::writeFile(editorFile("KzLangDef.csv"),
                          "MakeWidget|MakeWidget(size)|1\r\nkzWIDGET_BIG|the big widget|2\r\n");
  const std::string script = editorFile("widgets.vbs");
  kestrin_test::writeFile(script,
                          "Dim size ' the widget's size\r\n"
                          "size = MakeWidget(kzWIDGET_BIG)\r\n"
                          "ShowValue size\r\n"
                          "MsgBox \"done\"\r\n");
  Seen keyword, comment, function, constant, builtIn, string;
  duringWait([&] {
    const CodeEditor& editor = *window().CodeSense1;
    keyword = tokenAt(editor, 0, "Dim");
    comment = tokenAt(editor, 0, "'");
    function = tokenAt(editor, 1, "MakeWidget");
    constant = tokenAt(editor, 1, "kzWIDGET_BIG");
    builtIn = tokenAt(editor, 2, "ShowValue");
    string = tokenAt(editor, 3, "\"done\"");
  });
  std::string arg = script;
  kestrin::editor::CMainFrontEnd::create()->RunEditor(arg);

  EXPECT_EQ(keyword.language, "Kestrin");
  EXPECT_EQ(keyword.index, color_index::Keyword);
  EXPECT_EQ(keyword.colour, 0xFF0000);
  EXPECT_EQ(comment.index, color_index::Comment);
  EXPECT_EQ(comment.colour, 0x008000);
  // The host's words come from the word-list file, registered with the
  // keywords and the constants.
  EXPECT_EQ(function.index, color_index::Keyword);
  EXPECT_EQ(function.colour, 0xFF0000);
  EXPECT_EQ(constant.index, color_index::Constant);
  EXPECT_EQ(constant.colour, 0x800080);
  // With a word-list file the built-in host functions are no keywords.
  EXPECT_EQ(builtIn.index, color_index::Text);
  // Strings in the brown of the decimal 808080.
  EXPECT_EQ(string.index, color_index::String);
  EXPECT_EQ(string.colour, 0x0C5490);
}

}  // namespace
}  // namespace editor_test
