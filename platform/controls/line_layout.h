// One line of the code editor laid out in cells, for every face that
// draws it: the characters of the part of a line that is shown, each with
// its bytes, its character column, its cells, its colour index and whether
// it is selected or has the caret before it. A face draws the characters
// in its own way (the terminal one cell a cell, the windows with the
// font's advances) and maps clicks and the caret through the same
// functions, so that every face counts characters as the text does.
//
// Characters follow the text's one rule (platform::charAt, the rule of Len
// and Mid): a valid UTF-8 sequence is one character, every other byte one
// of its own. Cells: a tab reaches the next tab stop, a wide character
// (East Asian wide, emoji) takes 2, a combining mark 0 (it joins the
// character before it), every other character 1, a control character, a
// direction control or a byte that is no UTF-8 included (the faces draw
// those as symbols).
//
// Only the shown part of a line is read: a long line is never copied
// whole. For a long line the editor keeps marks every few kilobytes (their
// byte, column and cell) that hold as long as the text before them does
// not change, and the lexer's state every few kilobytes for its colours,
// so that a slice of a 50 MB line costs no more than one of a short line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls/code_editor.h"

namespace platform::controls {

// The cells a character takes: 0 (a combining mark, a joiner), 1 or 2 (a
// wide character).
int32_t charCells(char32_t c);

// Lines up to this length are coloured from their tokens, worked out for
// the whole line. A longer line is coloured from the lexer's states kept
// every few kilobytes along it: a slice is lexed from the state before it,
// and an edit drops only the states that looked at what it changed.
inline constexpr size_t kColouredLineBytes = size_t{64} << 10;

struct LaidChar {
  enum class Kind : uint8_t {
    Text,     // a character to draw as it is
    Tab,      // a tab: blanks to the next tab stop
    Space,    // a blank
    Control,  // a C0 or C1 control character or DEL: drawn as a symbol
    Invalid,  // a byte that starts no valid UTF-8 sequence: drawn as U+FFFD
  };
  size_t byte = 0;     // where it starts in the line
  uint32_t bytes = 1;  // its length
  int64_t column = 0;  // its character column
  int64_t cell = 0;    // its first cell, counted from the line's start
  int32_t cells = 1;   // 0, 1, 2, or a tab's 1 .. tab size
  char32_t code = 0;   // its code point (U+FFFD for an invalid byte)
  Kind kind = Kind::Text;
  int32_t colour = color_index::Text;  // the colour index of its token
  bool selected = false;
  bool caret = false;  // the caret stands before it
};

struct LineSlice {
  int32_t line = 0;
  // The characters that reach into the cells asked for, in order; the
  // first may begin left of them (the right half of a wide character or
  // of a tab), the last may end right of them.
  std::vector<LaidChar> chars;
  // Their bytes: chars[k]'s are bytes.substr(chars[k].byte - firstByte,
  // chars[k].bytes).
  std::string bytes;
  size_t firstByte = 0;
  // Whether the line ends inside the cells asked for, and where it ends.
  bool reachesEnd = false;
  int64_t endCell = 0;    // with reachesEnd: the cell after the last character
  int64_t endColumn = 0;  // with reachesEnd: the line's length
  // The caret's cell when the caret is on this line (-1 when not), and
  // whether the selection goes on past the end of the line (its break is
  // selected).
  int64_t caretCell = -1;
  bool breakSelected = false;
};

// Line `line` (valid) laid out for the cells from `firstCell`, `count` of
// them.
LineSlice layoutLine(const CodeEditor& e, int32_t line, int64_t firstCell, int64_t count);

// The first cell of character `column` of a line (the cell after the last
// character at or past its end).
int64_t cellOfColumn(const CodeEditor& e, int32_t line, int64_t column);
// The column a click on `cell` gives: the character under it, or the one
// after it when the click is on the right half of a character wider than
// one cell (after its combining marks); the line's length past its end.
int64_t columnAtCell(const CodeEditor& e, int32_t line, int64_t cell);
// Between a character column of a line and its byte offset (an offset
// inside a character gives the column after it).
size_t byteOfColumn(const CodeEditor& e, int32_t line, int64_t column);
int64_t columnOfByte(const CodeEditor& e, int32_t line, size_t byte);

// The same rules for a text of its own (a field's text, a caption): the
// cells of the character at s[i] when it starts at cell `at`.
int32_t cellsOfChar(std::string_view s, size_t i, int64_t at, int32_t tabSize);

}  // namespace platform::controls
