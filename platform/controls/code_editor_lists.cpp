#include "platform/controls/code_editor_lists.h"

#include <algorithm>

#include "platform/runtime/errors.h"
#include "platform/runtime/strings.h"

namespace platform::controls {

namespace {
// The first n bytes of a and b, the case of ASCII letters aside.
bool equalNoCase(const std::string& a, const std::string& b, size_t n) {
  return equalsAsciiNoCase(std::string_view(a).substr(0, n), std::string_view(b).substr(0, n));
}
}  // namespace

void CompletionList::clearItems(std::optional<int32_t> first) {
  const int32_t from = first ? std::max(0, *first) : 0;
  if (from < itemCount()) items_.resize(static_cast<size_t>(from));
  if (selected_ >= itemCount()) selected_ = -1;
}

int32_t CompletionList::addItem(const std::string& text, int32_t image, const std::string& data) {
  items_.push_back({text, image, data});
  return itemCount() - 1;
}

int32_t CompletionList::findString(const std::string& text, bool exact) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    const std::string& t = items_[i].text;
    if (exact ? (t.size() == text.size() && equalNoCase(t, text, t.size()))
              : (t.size() >= text.size() && equalNoCase(t, text, text.size())))
      return static_cast<int32_t>(i);
  }
  return -1;
}

void CompletionList::selectItem(int32_t index) {
  if (index < 0 || index >= itemCount()) raise(err::InvalidPropertyValue);
  selected_ = index;
  // A copy: the handler may close the list, which drops onSelect.
  const auto notify = onSelect;
  if (notify) notify(index);
}

std::string CompletionList::itemText(int32_t index) const {
  if (index < 0 || index >= itemCount()) raise(err::SubscriptOutOfRange);
  return items_[static_cast<size_t>(index)].text;
}

std::string CompletionList::itemData(int32_t index) const {
  if (index < 0 || index >= itemCount()) raise(err::SubscriptOutOfRange);
  return items_[static_cast<size_t>(index)].data;
}

std::pair<size_t, size_t> ArgumentTip::argumentSpan() const {
  const size_t open = text_.find('(');
  if (open == std::string::npos || argument_ < 0) return {0, 0};
  int32_t n = 0;
  int depth = 0;
  size_t start = open + 1;
  for (size_t i = open + 1; i < text_.size(); ++i) {
    const char c = text_[i];
    if (c == '(') ++depth;
    if (c == ')' && depth-- == 0) return n == argument_ ? std::pair{start, i} : std::pair<size_t, size_t>{0, 0};
    if (c == ',' && depth == 0) {
      if (n == argument_) return {start, i};
      ++n;
      start = i + 1;
    }
  }
  return n == argument_ ? std::pair{start, text_.size()} : std::pair<size_t, size_t>{0, 0};
}

}  // namespace platform::controls
