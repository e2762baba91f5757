// The reader of a scenario line's words, shared by the commands' parsers:
// the line's words in order, each read as what the command expects there,
// a word out of place refused with the line's number.
#pragma once

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "host/scenario.h"

namespace kestrin_host {

// Whether a word is `b`, in any case of ASCII letters.
bool sameWord(const std::string& a, const char* b);

// Whether a key path begins with one of the hive's roots.
bool validRegistryPath(const std::string& path);

// Reads the words of one command, with the command's line for errors.
class Reader {
 public:
  Reader(std::vector<Token> words, int line) : words_(std::move(words)), line_(line) {}

  [[noreturn]] void fail(const std::string& message) const { throw ScenarioError(line_, message); }

  bool more() const { return pos_ < words_.size(); }
  const Token& peek() const { return words_[pos_]; }
  const Token& take(const char* what) {
    if (!more()) fail(std::string("missing ") + what);
    return words_[pos_++];
  }
  std::string text(const char* what) { return take(what).text; }
  int64_t number(const char* what, int64_t min = INT32_MIN, int64_t max = INT32_MAX) {
    const Token& t = take(what);
    auto v = toNumber(t.text);
    if (!v) fail(std::string(what) + " must be a number, not " + quote(t.text));
    if (*v < min || *v > max) fail(std::string(what) + " is out of range: " + t.text);
    return *v;
  }
  // Decimal (with a sign) or 0x hexadecimal.
  static std::optional<int64_t> toNumber(const std::string& s) {
    if (s.empty()) return std::nullopt;
    int64_t v = 0;
    const char* b = s.data();
    const char* e = s.data() + s.size();
    std::from_chars_result r;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
      uint64_t u = 0;
      r = std::from_chars(b + 2, e, u, 16);
      if (r.ec != std::errc() || r.ptr != e || u > 0xFFFFFFFFull) return std::nullopt;
      return static_cast<int64_t>(u);
    }
    r = std::from_chars(*b == '+' ? b + 1 : b, e, v, 10);
    if (r.ec != std::errc() || r.ptr != e) return std::nullopt;
    return v;
  }
  // One of the bare words; its position in the list.
  size_t oneOf(const char* what, std::initializer_list<const char*> choices) {
    const Token& t = take(what);
    size_t i = 0;
    std::string list;
    for (const char* c : choices) {
      if (t.is(c)) return i;
      list += (i ? "|" : "") + std::string(c);
      ++i;
    }
    fail(std::string(what) + " must be " + list + ", not " + quote(t.text));
  }
  // A value: "text", a number, True, False or empty.
  Value value(const char* what) {
    const Token& t = take(what);
    Value v;
    if (t.quoted) {
      v.kind = Value::Kind::Text;
      v.text = t.text;
    } else if (sameWord(t.text, "True") || sameWord(t.text, "False")) {
      v.kind = Value::Kind::Boolean;
      v.boolean = sameWord(t.text, "True");
    } else if (sameWord(t.text, "empty")) {
      v.kind = Value::Kind::Empty;
    } else if (auto n = toNumber(t.text)) {
      v.kind = Value::Kind::Number;
      v.number = static_cast<double>(*n);
    } else {
      char* end = nullptr;
      const double d = t.text.empty() ? 0 : std::strtod(t.text.c_str(), &end);
      if (t.text.empty() || end != t.text.c_str() + t.text.size() || !std::isfinite(d) ||
          !(std::isdigit(static_cast<unsigned char>(t.text.back()))))
        fail(std::string(what) + " is \"text\", a number, True, False or empty, not " + quote(t.text));
      v.kind = Value::Kind::Number;
      v.number = d;
    }
    return v;
  }
  void end() const {
    if (more()) fail("unexpected " + quote(words_[pos_].text) + " at the end of the command");
  }

 private:
  std::vector<Token> words_;
  size_t pos_ = 0;
  int line_;
};

// Qualifiers (NAME TEXT) in any order, each at most once, up to the end of
// the line; those of `numbers` that are given must be numbers.
void parseQualifiers(Reader& r, Command& c, std::initializer_list<const char*> names,
                     std::initializer_list<const char*> numbers = {});

}  // namespace kestrin_host
