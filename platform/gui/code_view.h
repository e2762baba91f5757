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
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/controls/code_editor.h"
#include "platform/ui/control.h"

class QListWidget;
class QScrollBar;

namespace platform::gui {

class WindowUser;
class TipWidget;

class CodeView : public QWidget {
 public:
  CodeView(WindowUser& user, std::string formName, std::shared_ptr<ui::Control> control,
           QWidget* parent = nullptr);
  ~CodeView() override;

  // Follows the editor after the desktop changed: the view's height in
  // lines, the scroll bars, the caret kept in view, the completion list and
  // the tip; repaints when anything shown changed.
  void follow();

  controls::CodeEditor* editor() const;
  // Where a character cell is drawn (line and column from 0), and the cell
  // under a point.
  QPoint cellOrigin(int32_t line, int32_t column) const;
  controls::CodePosition cellAt(QPoint point) const;
  int32_t visibleRows() const;
  int32_t leftColumn() const noexcept { return leftColumn_; }
  // The lines the last paint drew (only the visible ones are drawn).
  int32_t linesPainted() const noexcept { return linesPainted_; }
  QListWidget* completionList() const noexcept { return list_; }
  QWidget* tip() const;
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
  bool focusNextPrevChild(bool next) override;

 private:
  void applyFont();
  int marginWidth() const;
  int textLeft() const;
  // The visual column (tabs expanded) of each character of a line, and one
  // past its last.
  std::vector<int32_t> visualColumns(const std::string& line) const;
  void keepCaretVisible();
  void followList();
  void followTip();

  WindowUser& user_;
  std::string formName_;
  std::weak_ptr<ui::Control> control_;
  QFont font_;
  controls::CodeEditorFont appliedFont_;
  bool fontApplied_ = false;
  int charWidth_ = 8, lineHeight_ = 16, ascent_ = 12;
  int32_t leftColumn_ = 0;
  uint64_t seenGeneration_ = ~0ull;
  controls::TextPos seenCaret_{-1, -1};
  int32_t linesPainted_ = 0;
  bool dragging_ = false;
  controls::CodePosition dragFrom_;
  QScrollBar* vbar_ = nullptr;
  QScrollBar* hbar_ = nullptr;
  QListWidget* list_ = nullptr;
  TipWidget* tip_ = nullptr;
  bool syncingBars_ = false;
};

}  // namespace platform::gui
