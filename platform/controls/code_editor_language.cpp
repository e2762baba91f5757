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
  const size_t n = line.size();
  size_t i = 0;
  auto push = [&](size_t start, size_t end, TokenKind kind) {
    out.push_back({static_cast<uint32_t>(start), static_cast<uint32_t>(end - start), kind});
  };
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c == ' ' || c == '\t' || c == '\v' || c == '\f') {
      ++i;
      continue;
    }
    // A string: up to the same delimiter; a doubled delimiter stands for
    // itself inside it. An open string runs to the end of the line.
    if (delims_.find(static_cast<char>(c)) != std::string::npos) {
      size_t j = i + 1;
      for (;;) {
        if (j >= n) break;
        if (line[j] == static_cast<char>(c)) {
          if (j + 1 < n && line[j + 1] == static_cast<char>(c)) {
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        ++j;
      }
      push(i, j, TokenKind::String);
      i = j;
      continue;
    }
    // A comment sign starts a comment anywhere outside a string.
    bool comment = false;
    for (const auto& s : commentSigns_) {
      if (startsWithAt(line, i, s, def_.caseSensitive)) {
        comment = true;
        break;
      }
    }
    if (comment) {
      push(i, n, TokenKind::Comment);
      return;
    }
    if (isWordStart(c)) {
      size_t j = i + 1;
      while (j < n && isWordChar(static_cast<unsigned char>(line[j]))) ++j;
      const std::string_view word = line.substr(i, j - i);
      // A comment word ("REM") counts only as a whole word, and not as the
      // member of an object (obj.Rem).
      const bool member = !out.empty() && out.back().length == 1 && out.back().start + 1 == i && line[i - 1] == '.';
      for (const auto& w : commentWords_) {
        if (!member && w.size() == word.size() && startsWithAt(line, i, w, def_.caseSensitive)) {
          push(i, n, TokenKind::Comment);
          return;
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
      push(i, j, kind);
      i = j;
      continue;
    }
    // Numbers: 12, 1.5, .5, 1e-3, &H1F, &O17 (with a type sign &), #1/2/2000#.
    const bool digitStart =
        std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(line[i + 1])));
    if (digitStart) {
      size_t j = i;
      while (j < n && (std::isdigit(static_cast<unsigned char>(line[j])) || line[j] == '.')) ++j;
      if (j < n && (line[j] == 'e' || line[j] == 'E')) {
        size_t k = j + 1;
        if (k < n && (line[k] == '+' || line[k] == '-')) ++k;
        if (k < n && std::isdigit(static_cast<unsigned char>(line[k]))) {
          j = k;
          while (j < n && std::isdigit(static_cast<unsigned char>(line[j]))) ++j;
        }
      }
      while (j < n && (line[j] == '&' || line[j] == '#' || line[j] == '!' || line[j] == '@')) ++j;
      push(i, j, TokenKind::Number);
      i = j;
      continue;
    }
    if (c == '&' && i + 2 < n && (line[i + 1] == 'H' || line[i + 1] == 'h') &&
        isHexDigit(static_cast<unsigned char>(line[i + 2]))) {
      size_t j = i + 2;
      while (j < n && isHexDigit(static_cast<unsigned char>(line[j]))) ++j;
      if (j < n && line[j] == '&') ++j;
      push(i, j, TokenKind::Number);
      i = j;
      continue;
    }
    if (c == '&' && i + 2 < n && (line[i + 1] == 'O' || line[i + 1] == 'o') && line[i + 2] >= '0' &&
        line[i + 2] <= '7') {
      size_t j = i + 2;
      while (j < n && line[j] >= '0' && line[j] <= '7') ++j;
      if (j < n && line[j] == '&') ++j;
      push(i, j, TokenKind::Number);
      i = j;
      continue;
    }
    if (c == '#') {
      const size_t close = line.find('#', i + 1);
      if (close != std::string_view::npos && close > i + 1 && std::isdigit(static_cast<unsigned char>(line[i + 1]))) {
        push(i, close + 1, TokenKind::Number);
        i = close + 1;
        continue;
      }
    }
    bool op = false;
    for (const auto& s : operatorSigns_) {
      if (startsWithAt(line, i, s, true)) {
        push(i, i + s.size(), TokenKind::Operator);
        i += s.size();
        op = true;
        break;
      }
    }
    if (op) continue;
    push(i, i + 1, TokenKind::Text);
    ++i;
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
