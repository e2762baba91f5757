// The code editor's font, its completion list and its argument tip.
//
// The editor hands the completion list to its owner in the list events and
// the tip in the tip events; the owner fills and sets them up there. Both
// report what the owner does to them back to the editor that made them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::controls {

// A font as the editor and its list and tip use it.
struct CodeEditorFont {
  std::string name = "Courier New";
  int32_t size = 10;  // points
  bool bold = false;
  bool italic = false;
  bool strikethrough = false;
  bool underline = false;
  friend bool operator==(const CodeEditorFont&, const CodeEditorFont&) = default;
};

// The completion list: entries with text, image number and item data.
class CompletionList {
 public:
  struct Item {
    std::string text;
    int32_t image = -1;  // an image of the image list; -1 or past the last: none
    std::string data;    // the owner's item data (the tip text of the word)
  };

  // The handle of the image list whose images the entries show.
  int32_t imageList() const noexcept { return imageList_; }
  void setImageList(int32_t hImageList) noexcept { imageList_ = hImageList; }
  CodeEditorFont& font() noexcept { return font_; }
  void setFont(const CodeEditorFont& font) { font_ = font; }

  // Removes the entries from `first` on (all of them when left out).
  void clearItems(std::optional<int32_t> first = std::nullopt);
  // Adds an entry at the end; returns its index.
  int32_t addItem(const std::string& text, int32_t image = -1, const std::string& data = {});
  // How entries are shown: 0 their text alone, 1 with their image's name.
  int32_t imageMode() const noexcept { return imageMode_; }
  void setImageMode(int32_t mode) noexcept { imageMode_ = mode; }
  // The index of the first entry equal to the text (exact: the whole text,
  // else an entry that begins with it), letter case ignored; -1 when none.
  int32_t findString(const std::string& text, bool exact) const;
  // Highlights an entry (the editor raises the list's selection change);
  // an index outside the list raises 380.
  void selectItem(int32_t index);
  // The highlighted entry, -1 when none.
  int32_t selectedItem() const noexcept { return selected_; }
  // An entry's text and data; an index outside the list raises 9.
  std::string itemText(int32_t index) const;
  std::string itemData(int32_t index) const;
  int32_t itemCount() const noexcept { return static_cast<int32_t>(items_.size()); }
  const std::vector<Item>& items() const noexcept { return items_; }

  // Where the editor hears of a change of the highlighted entry.
  std::function<void(int32_t index)> onSelect;

 private:
  std::vector<Item> items_;
  int32_t imageList_ = 0;
  int32_t imageMode_ = 0;
  int32_t selected_ = -1;
  CodeEditorFont font_;
};

// The argument tip: one text, of which one argument is highlighted.
class ArgumentTip {
 public:
  const std::string& text() const noexcept { return text_; }
  void setText(const std::string& text) { text_ = text; }
  // The highlighted argument, 0-based; -1 highlights none.
  int32_t argument() const noexcept { return argument_; }
  void setArgument(int32_t argument) noexcept { argument_ = argument; }
  // Closes the tip; the editor raises no dismissed event for it.
  void destroy() noexcept { destroyed_ = true; }
  bool destroyed() const noexcept { return destroyed_; }
  int32_t backColor() const noexcept { return backColor_; }
  void setBackColor(int32_t colour) noexcept { backColor_ = colour; }
  int32_t textColor() const noexcept { return textColor_; }
  void setTextColor(int32_t colour) noexcept { textColor_ = colour; }
  CodeEditorFont& font() noexcept { return font_; }
  void setFont(const CodeEditorFont& font) { font_ = font; }
  // Which of several signatures the tip shows (0: the first) and how many
  // there are; the owner sets both and reads the first back.
  int32_t currentFunction() const noexcept { return currentFunction_; }
  void setCurrentFunction(int32_t n) noexcept { currentFunction_ = n; }
  int32_t functionCount() const noexcept { return functionCount_; }
  void setFunctionCount(int32_t n) noexcept { functionCount_ = n; }

  // The argument's place in the text, as byte offsets into text() (for
  // drawing; its ends are brackets or commas, so they fall between
  // characters): the part between the n-th and the next top-level comma of
  // the text's first parenthesis; {0, 0} when the text has no such part.
  std::pair<size_t, size_t> argumentSpan() const;

 private:
  std::string text_;
  int32_t argument_ = 0;
  bool destroyed_ = false;
  int32_t backColor_ = 0xFFFFE1;
  int32_t textColor_ = 0;
  CodeEditorFont font_;
  int32_t currentFunction_ = 0;
  int32_t functionCount_ = 0;
};

}  // namespace platform::controls
