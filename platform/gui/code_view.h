// The code editor control as a widget: it paints the visible lines of the
// editor with the colours the control gives each character, the margin
// (bookmarks, line numbers), the selection, the highlighted line and the
// caret, and hands keys, clicks, drags and the right click to the waiting
// loop as the desktop's actions. The wheel and the scroll bars move the
// view. The open completion list is a list under the caret with the image
// list's images; the argument tip a line above it with the current argument
// in bold.
#pragma once

#include <QFont>
#include <QRawFont>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls/code_editor.h"
#include "platform/ui/control.h"

class QListWidget;
class QScrollBar;
class QTimer;

namespace platform::gui {

class ActionSink;
class TipWidget;

class CodeView : public QWidget {
 public:
  CodeView(ActionSink& sink, std::string formName, std::shared_ptr<ui::Control> control, QWidget* parent = nullptr);
  ~CodeView() override;

  // Follows the editor after the desktop changed: the view's height in
  // lines, the scroll bars, the caret kept in view, the completion list and
  // the tip. Only what changed is drawn again: the rows whose line, colours,
  // selection, marks or caret changed, or the whole view when it scrolled
  // or its look changed.
  void follow();

  controls::CodeEditor* editor() const;
  // Where the character at a column is drawn (line and column from 0: the
  // caret before it stands there), and the character a click on a point
  // gives (the one under it; after a wide character for its right half).
  // Both go through the line's layout on a grid of cells of the font's
  // own width, as the painting does.
  QPoint cellOrigin(int32_t line, int32_t column) const;
  controls::CodePosition cellAt(QPoint point) const;
  int32_t visibleRows() const;
  // The first cell shown (the sideways scroll) and the width of a cell.
  int32_t leftColumn() const noexcept { return leftColumn_; }
  qreal cellWidth() const noexcept { return cellWidth_; }
  // The lines the last paint drew (only the visible ones that needed it).
  int32_t linesPainted() const noexcept { return linesPainted_; }
  QListWidget* completionList() const noexcept { return list_; }
  QWidget* tip() const;
  // Whether the blinking caret is drawn now; the text an input method is
  // composing.
  bool caretShown() const noexcept { return caretShown_; }
  QString preedit() const { return preedit_; }
  std::string tipBoldPart() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 public:
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 protected:
  bool focusNextPrevChild(bool next) override;

 private:
  void applyFont();
  int marginWidth() const;
  int textLeft() const;
  // The x of a cell of the text (counted from the line's start).
  qreal cellX(int64_t cell) const;
  // The cells the text area shows whole or in part.
  int64_t visibleCells() const;
  // The cells of a line, for the sideways scroll bar: exact for a line of
  // a few kilobytes, about its characters for a longer one (counting its
  // cells would read all of it at every change).
  int64_t lineCells(int32_t line) const;
  void keepCaretVisible();
  // What a row shows, and what the whole view shows alike on every row: a
  // row is drawn again when its part changed, the view when the rest did.
  // A row holds only the part of its line that is shown, from the first
  // cell in view: what it draws, and where.
  struct ShownChar {
    int64_t cell = 0;
    int32_t cells = 0, colour = 0;
    bool selected = false;
    bool operator==(const ShownChar&) const = default;
  };
  struct ShownRow {
    int32_t line = -1;
    std::string bytes;  // of the characters shown
    std::vector<ShownChar> chars;
    int64_t endCell = -1;  // where the line ends, when it ends in view
    bool selectedBreak = false;
    bool highlighted = false, bookmark = false;
    int64_t caret = -1;  // the caret's cell on this row
    bool operator==(const ShownRow&) const = default;
  };
  ShownRow shownRow(const controls::CodeEditor& e, int32_t line) const;
  struct ShownLook {
    std::array<int32_t, controls::color_index::Count> colours{}, styles{};
    int32_t top = -1, tabSize = 0, numberStart = 0, rows = 0;
    int margin = 0, width = 0, height = 0;
    bool overtype = false, marks = false, numbers = false;
    uint64_t font = 0;
    bool operator==(const ShownLook&) const = default;
  };
  void invalidateChanged();
  void followList();
  void followTip();
  // Where a popup of that size goes on the screen, for the cell at `cell`
  // (view coordinates): below the cell's line or above it, as asked first
  // and as the screen has room.
  QPoint popupPlace(QPoint cell, QSize size, bool belowFirst) const;
  // The caret's line at a cell, after the text an input method composes.
  QRect caretRect(QPoint cell, int preeditWidth) const;
  void restartBlink();
  void blinkCaret();
  void followSelection();
  static constexpr int kCaretWidth = 2;

  ActionSink& sink_;
  std::string formName_;
  std::weak_ptr<ui::Control> control_;
  QFont font_;
  // The font in each style (bold, italic, underline) and its glyphs.
  std::array<QFont, 8> styled_;
  std::array<QRawFont, 8> glyphs_;
  controls::CodeEditorFont appliedFont_;
  bool fontApplied_ = false;
  qreal cellWidth_ = 8;
  int lineHeight_ = 16, ascent_ = 12;
  int32_t leftColumn_ = 0;
  uint64_t fontGeneration_ = 0;
  ShownLook shownLook_;
  std::vector<ShownRow> shownRows_;
  controls::TextPos seenCaret_{-1, -1};
  int32_t linesPainted_ = 0;
  bool dragging_ = false;
  controls::CodePosition dragFrom_;
  QScrollBar* vbar_ = nullptr;
  QScrollBar* hbar_ = nullptr;
  QListWidget* list_ = nullptr;
  TipWidget* tip_ = nullptr;
  bool syncingBars_ = false;
  QTimer* blink_ = nullptr;
  bool caretShown_ = true;
  controls::TextPos blinkCaret_{-1, -1};
  QString preedit_;
  controls::CodeRange shownSelection_{};
};

}  // namespace platform::gui
