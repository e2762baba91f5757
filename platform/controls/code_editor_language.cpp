#include "platform/controls/code_editor_language.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

#include "platform/controls/code_editor_text.h"

namespace platform::controls {

namespace {

bool isWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }
bool isWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
std::string lowerText(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
}
bool isHexDigit(unsigned char c) { return std::isxdigit(c) != 0; }

std::string trimEntry(std::string_view s) {
  const char* blanks = " \t\r\v\f";
  const size_t a = s.find_first_not_of(blanks);
  if (a == std::string_view::npos) return {};
  const size_t b = s.find_last_not_of(blanks);
  return std::string(s.substr(a, b - a + 1));
}

// Byte offsets to columns: the tokens are found on the line's bytes and
// handed out in characters. They come in order and do not overlap.
void tokensToColumns(std::string_view line, std::vector<Token>& tokens) {
  size_t byte = 0;
  uint32_t column = 0;
  auto advance = [&](size_t to) {
    while (byte < to) {
      byte += charBytesAt(line, byte);
      ++column;
    }
  };
  for (Token& t : tokens) {
    advance(t.start);
    const uint32_t start = column;
    advance(static_cast<size_t>(t.start) + t.length);
    t.start = start;
    t.length = column - start;
  }
}

bool startsWithAt(std::string_view line, size_t at, std::string_view what, bool caseSensitive) {
  if (line.size() - at < what.size()) return false;
  for (size_t i = 0; i < what.size(); ++i) {
    const char a = line[at + i], b = what[i];
    if (caseSensitive ? a != b : lower(a) != lower(b)) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> wordListEntries(std::string_view list) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find('\n', start);
    if (end == std::string_view::npos) end = list.size();
    std::string entry = trimEntry(list.substr(start, end - start));
    if (!entry.empty()) out.push_back(std::move(entry));
    start = end + 1;
  }
  return out;
}

CompiledLanguage::CompiledLanguage(const CodeLanguage& language) : def_(language) {
  for (auto& w : wordListEntries(def_.keywords)) keywords_.insert(key(w));
  for (auto& w : wordListEntries(def_.constants)) constants_.insert(key(w));
  for (auto& w : wordListEntries(def_.scopeKeywords1)) scopeWords_.insert(key(w));
  for (auto& w : wordListEntries(def_.scopeKeywords2)) scopeWords_.insert(key(w));
  for (auto& w : wordListEntries(def_.operators)) {
    if (isWordStart(static_cast<unsigned char>(w[0])))
      operatorWords_.insert(key(w));
    else
      operatorSigns_.push_back(w);
  }
  for (auto& w : wordListEntries(def_.singleLineComments)) {
    if (isWordStart(static_cast<unsigned char>(w[0])))
      commentWords_.push_back(key(w));
    else
      commentSigns_.push_back(w);
  }
  auto longestFirst = [](const std::string& a, const std::string& b) { return a.size() > b.size(); };
  std::stable_sort(operatorSigns_.begin(), operatorSigns_.end(), longestFirst);
  std::stable_sort(commentSigns_.begin(), commentSigns_.end(), longestFirst);
  for (char c : def_.stringDelims)
    if (c != '\n' && c != '\r' && delims_.find(c) == std::string::npos) delims_ += c;
  for (const auto& w : operatorSigns_) longestSign_ = std::max(longestSign_, w.size());
  for (const auto& w : commentSigns_) longestSign_ = std::max(longestSign_, w.size());
}

std::string CompiledLanguage::key(std::string_view word) const {
  return def_.caseSensitive ? std::string(word) : lowerText(word);
}

bool CompiledLanguage::isWordIn(const std::unordered_set<std::string>& set, std::string_view word) const {
  if (set.empty()) return false;
  if (def_.caseSensitive) return set.count(std::string(word)) != 0;
  // Most words are short: look them up without a heap allocation.
  char buf[64];
  if (word.size() < sizeof buf) {
    for (size_t i = 0; i < word.size(); ++i) buf[i] = lower(word[i]);
    return set.count(std::string(buf, word.size())) != 0;
  }
  return set.count(lowerText(word)) != 0;
}

std::vector<Token> CompiledLanguage::tokenize(std::string_view line) const {
  std::vector<Token> out;
  tokenize(line, out);
  return out;
}

void CompiledLanguage::tokenize(std::string_view line, std::vector<Token>& out) const {
  tokenizeBytes(line, out);
  if (!isAscii(line)) tokensToColumns(line, out);
}

void CompiledLanguage::tokenizeBytes(std::string_view line, std::vector<Token>& out) const {
  out.clear();
  LexState s;
  LexPiece piece;
  uint64_t at = 0;
  while (at < line.size()) {
    bool found = false;
    lexStep(line, 0, true, at, s, piece, found);
    if (found)
      out.push_back({static_cast<uint32_t>(piece.start), static_cast<uint32_t>(piece.end - piece.start), piece.kind});
  }
}

namespace {
// Thrown inside a step that needs bytes past its window.
struct NeedMore {};
}  // namespace

bool CompiledLanguage::lexStep(std::string_view w, uint64_t base, bool whole, uint64_t& at, LexState& state,
                               LexPiece& piece, bool& found) const {
  const std::string_view line = w;
  const size_t n = w.size();
  const size_t i = static_cast<size_t>(at - base);
  found = false;
  // Whether byte k is in the line; past the window of a part, the step
  // starts again with more.
  const auto in = [&](size_t k) {
    if (k < n) return true;
    if (whole) return false;
    throw NeedMore{};
  };
  // The bytes a sign at k would take are at hand.
  const auto signRoom = [&](size_t k) {
    if (!whole && k + longestSign_ > n) throw NeedMore{};
  };
  LexState s = state;
  const auto see = [&](uint64_t end) { s.seen = std::max(s.seen, end); };
  const auto give = [&](size_t start, size_t end, TokenKind kind) {
    piece = {base + start, base + end, kind};
    found = true;
    s.dotEnd = end - start == 1 && line[start] == '.' ? base + end : UINT64_MAX;
    see(base + end);
    at = base + end;
    state = s;
    return true;
  };
  // A string's bytes from j on: up to the same delimiter; a doubled
  // delimiter stands for itself inside it. An open string runs to the end
  // of the line.
  const auto stringFrom = [&](size_t start, size_t j, char c) {
    for (;;) {
      if (j >= n) {
        // The string goes on past the window: the rest of it comes next.
        s.in = whole ? LexState::In::Code : LexState::In::String;
        s.delim = c;
        break;
      }
      if (line[j] == c) {
        if (in(j + 1) && line[j + 1] == c) {
          j += 2;
          continue;
        }
        ++j;
        s.in = LexState::In::Code;
        break;
      }
      ++j;
    }
    see(base + j + 1);
    return give(start, j, TokenKind::String);
  };
  try {
    if (i >= n) return false;
    if (s.in == LexState::In::Comment) return give(i, n, TokenKind::Comment);
    if (s.in == LexState::In::String) return stringFrom(i, i, s.delim);
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c == ' ' || c == '\t' || c == '\v' || c == '\f') {
      at = base + i + 1;
      see(at);
      state = s;
      return true;
    }
    if (delims_.find(static_cast<char>(c)) != std::string::npos) return stringFrom(i, i + 1, static_cast<char>(c));
    // A comment sign starts a comment anywhere outside a string.
    signRoom(i);
    for (const auto& sign : commentSigns_) {
      if (startsWithAt(line, i, sign, def_.caseSensitive)) {
        s.in = LexState::In::Comment;
        return give(i, n, TokenKind::Comment);
      }
    }
    if (isWordStart(c)) {
      size_t j = i + 1;
      while (in(j) && isWordChar(static_cast<unsigned char>(line[j]))) ++j;
      see(base + j + 1);
      const std::string_view word = line.substr(i, j - i);
      // A comment word ("REM") counts only as a whole word, and not as the
      // member of an object (obj.Rem).
      const bool member = s.dotEnd == base + i;
      for (const auto& cw : commentWords_) {
        if (!member && cw.size() == word.size() && startsWithAt(line, i, cw, def_.caseSensitive)) {
          s.in = LexState::In::Comment;
          return give(i, n, TokenKind::Comment);
        }
      }
      TokenKind kind = TokenKind::Text;
      if (isWordIn(keywords_, word))
        kind = TokenKind::Keyword;
      else if (isWordIn(constants_, word))
        kind = TokenKind::Constant;
      else if (isWordIn(operatorWords_, word))
        kind = TokenKind::Operator;
      else if (isWordIn(scopeWords_, word))
        kind = TokenKind::ScopeKeyword;
      return give(i, j, kind);
    }
    const auto digit = [&](size_t k) { return in(k) && std::isdigit(static_cast<unsigned char>(line[k])); };
    // Numbers: 12, 1.5, .5, 1e-3, &H1F, &O17 (with a type sign &), #1/2/2000#.
    const bool digitStart = std::isdigit(c) || (c == '.' && digit(i + 1));
    if (digitStart) {
      size_t j = i;
      while (in(j) && (std::isdigit(static_cast<unsigned char>(line[j])) || line[j] == '.')) ++j;
      if (in(j) && (line[j] == 'e' || line[j] == 'E')) {
        size_t k = j + 1;
        if (in(k) && (line[k] == '+' || line[k] == '-')) ++k;
        if (digit(k)) {
          j = k;
          while (digit(j)) ++j;
        }
      }
      while (in(j) && (line[j] == '&' || line[j] == '#' || line[j] == '!' || line[j] == '@')) ++j;
      see(base + j + 3);
      return give(i, j, TokenKind::Number);
    }
    if (c == '&' && in(i + 2) && (line[i + 1] == 'H' || line[i + 1] == 'h') &&
        isHexDigit(static_cast<unsigned char>(line[i + 2]))) {
      size_t j = i + 2;
      while (in(j) && isHexDigit(static_cast<unsigned char>(line[j]))) ++j;
      if (in(j) && line[j] == '&') ++j;
      see(base + j + 1);
      return give(i, j, TokenKind::Number);
    }
    if (c == '&' && in(i + 2) && (line[i + 1] == 'O' || line[i + 1] == 'o') && line[i + 2] >= '0' &&
        line[i + 2] <= '7') {
      size_t j = i + 2;
      while (in(j) && line[j] >= '0' && line[j] <= '7') ++j;
      if (in(j) && line[j] == '&') ++j;
      see(base + j + 1);
      return give(i, j, TokenKind::Number);
    }
    if (c == '#' && digit(i + 1)) {
      const size_t close = line.find('#', i + 1);
      if (close != std::string_view::npos) return give(i, close + 1, TokenKind::Number);
      if (!whole) throw NeedMore{};
      // No date: the rest of the line decided that.
      see(UINT64_MAX);
    }
    for (const auto& sign : operatorSigns_) {
      if (startsWithAt(line, i, sign, true)) return give(i, i + sign.size(), TokenKind::Operator);
    }
    return give(i, i + 1, TokenKind::Text);
  } catch (const NeedMore&) {
    found = false;
    return false;
  }
}

// --- the registry ----------------------------------------------------------

namespace {
struct Registry {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<const CompiledLanguage>> languages;  // by lower-case name
  uint64_t generation = 1;
};
Registry& registry() {
  static Registry r;
  return r;
}
}  // namespace

void CodeEditorGlobals::registerLanguage(const std::string& name, const CodeLanguage& language) {
  auto compiled = std::make_shared<const CompiledLanguage>(language);
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.languages[lowerText(name)] = std::move(compiled);
  ++r.generation;
}

void CodeEditorGlobals::unregisterLanguage(const std::string& name) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  if (r.languages.erase(lowerText(name))) ++r.generation;
}

std::optional<CodeLanguage> CodeEditorGlobals::getLanguage(const std::string& name) const {
  auto c = compiled(name);
  if (!c) return std::nullopt;
  return c->definition();
}

std::shared_ptr<const CompiledLanguage> CodeEditorGlobals::compiled(const std::string& name) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.languages.find(lowerText(name));
  return it == r.languages.end() ? nullptr : it->second;
}

uint64_t CodeEditorGlobals::generation() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return r.generation;
}

}  // namespace platform::controls
