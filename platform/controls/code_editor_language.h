// The code editor's languages: the language object, the registry of
// languages by name (the control's globals object) and the tokenizer that
// colours a line by a language.
//
// Word lists (keywords, operators, comment starts, constants, ...) are
// texts whose entries are separated by line feeds; each non-empty entry,
// with blanks and carriage returns around it taken off, is one word, and
// empty entries are passed over. The string delimiters are characters: every
// character of that text (line feeds aside) opens and closes a string.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace platform::controls {

// What a piece of a line is.
enum class TokenKind : uint8_t {
  Text,  // a word or sign that is no keyword, operator or constant
  Keyword,
  Operator,
  Number,
  String,
  Comment,
  Constant,
  ScopeKeyword,
};

struct Token {
  uint32_t start = 0;   // column (characters, as every column of the editor)
  uint32_t length = 0;  // characters
  TokenKind kind = TokenKind::Text;
  friend bool operator==(const Token&, const Token&) = default;
};

// The token classification that the control reports for the caret
// (currentToken()): code outside comments and strings, a comment, a string,
// or no token at all (a blank, an empty line, the end of a line after
// blanks).
namespace token_class {
inline constexpr int32_t Code = 1;
inline constexpr int32_t Comment = 2;
inline constexpr int32_t String = 3;
inline constexpr int32_t None = 255;
}  // namespace token_class

// A language definition, its properties in the order a caller sets them.
struct CodeLanguage {
  int32_t style = 0;  // kept for the caller; no effect on colouring
  bool caseSensitive = false;
  std::string keywords;
  std::string operators;           // signs ("<>") and words ("Mod")
  std::string singleLineComments;  // comment starts: signs ("'") and words ("REM")
  std::string multiLineComments1;  // kept; block comments are not coloured
  std::string multiLineComments2;  // kept
  std::string scopeKeywords1;      // coloured as scope keywords
  std::string scopeKeywords2;      // coloured as scope keywords
  std::string stringDelims;
  std::string constants;
};

// The entries of a word list, trimmed, empty ones passed over.
std::vector<std::string> wordListEntries(std::string_view list);

// Where the lexer stands in a line, so that it can go on from there: in
// code, inside a string (opened by `delim`), or in a comment that runs to
// the line's end.
struct LexState {
  enum class In : uint8_t { Code, String, Comment };
  In in = In::Code;
  char delim = 0;
  uint64_t dotEnd = UINT64_MAX;  // the byte after a lone "." token (a member name may follow)
  uint64_t seen = 0;             // the end of the bytes looked at so far (UINT64_MAX: the whole line)
};

// A token, or the part of one that a step found, by bytes of the line.
struct LexPiece {
  uint64_t start = 0, end = 0;
  TokenKind kind = TokenKind::Text;
};

// A language prepared for tokenizing.
class CompiledLanguage {
 public:
  explicit CompiledLanguage(const CodeLanguage& language);

  // The tokens of one line, in order; blanks belong to no token.
  std::vector<Token> tokenize(std::string_view line) const;
  void tokenize(std::string_view line, std::vector<Token>& out) const;

  // One step from byte `at` of a line in state `s`: `w` holds the line's
  // bytes from byte `base` on, `whole` whether it reaches the line's end.
  // Moves `at` past the next blank or token (a string or a comment may be
  // handed out in parts, one per window) and gives the token in `piece`
  // (found: true). Gives false, changing nothing, when the step needs
  // bytes past the end of `w`. Stepping a whole line from its start finds
  // the tokens tokenize finds.
  bool lexStep(std::string_view w, uint64_t base, bool whole, uint64_t& at, LexState& s, LexPiece& piece,
               bool& found) const;

  const CodeLanguage& definition() const noexcept { return def_; }

 private:
  // The tokens with byte offsets for start and length.
  void tokenizeBytes(std::string_view line, std::vector<Token>& out) const;
  bool isWordIn(const std::unordered_set<std::string>& set, std::string_view word) const;
  std::string key(std::string_view word) const;

  CodeLanguage def_;
  std::unordered_set<std::string> keywords_, constants_, operatorWords_, scopeWords_;
  std::vector<std::string> operatorSigns_;  // longest first
  std::vector<std::string> commentSigns_;   // longest first
  std::vector<std::string> commentWords_;   // as keys (lower case unless case-sensitive)
  std::string delims_;
  size_t longestSign_ = 1;  // the longest operator or comment sign
};

// The registry of languages by name (names compared without regard to
// case), shared by every code editor of the process. Registering under a
// name that exists replaces the old definition; an editor that shows that
// language takes the new one at its next colouring.
class CodeEditorGlobals {
 public:
  void registerLanguage(const std::string& name, const CodeLanguage& language);
  void unregisterLanguage(const std::string& name);
  std::optional<CodeLanguage> getLanguage(const std::string& name) const;

  // The compiled language for a name, or null; and a number that grows
  // at every change of the registry.
  static std::shared_ptr<const CompiledLanguage> compiled(const std::string& name);
  static uint64_t generation();
};

}  // namespace platform::controls
