#include "platform/gui/code_view.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QIcon>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/controls/code_editor_text.h"
#include "platform/controls/image_list.h"
#include "platform/controls/line_layout.h"
#include "platform/gui/action_sink.h"
#include "platform/gui/qt_support.h"
#include "platform/runtime/clock.h"
#include "platform/ui/visible_text.h"

namespace platform::gui {

using controls::CodeEditor;
using controls::CodePosition;
using controls::TokenKind;
namespace ci = controls::color_index;

namespace {

QColor colourOf(int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// An image of the completion list: the picture's initial on a colour of its
// own, named by the picture.
QIcon pictureIcon(const std::string& picture) {
  static std::map<std::string, QIcon> cache;
  auto it = cache.find(picture);
  if (it != cache.end()) return it->second;
  uint32_t h = 2166136261u;
  for (char c : picture) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor::fromHsv(static_cast<int>(h % 360), 160, 200));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setPixelSize(11);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter,
             picture.empty() ? QString() : QString(QChar(std::toupper(static_cast<unsigned char>(picture[0])))));
  p.end();
  QIcon icon(pm);
  cache.emplace(picture, icon);
  return icon;
}

}  // namespace

// The argument tip: one line, the current argument in bold, drawn as text.
class TipWidget : public QWidget {
 public:
  explicit TipWidget(QWidget* parent) : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
  }
  void set(const std::string& text, std::pair<size_t, size_t> bold, QColor back, QColor fore, const QFont& font) {
    text_ = text;
    bold_ = bold;
    back_ = back;
    fore_ = fore;
    font_ = font;
    QFont b = font_;
    b.setBold(true);
    QFontMetrics fm(font_), bm(b);
    auto parts = split();
    int w = fm.horizontalAdvance(parts[0]) + bm.horizontalAdvance(parts[1]) + fm.horizontalAdvance(parts[2]);
    resize(w + 8, std::max(fm.height(), bm.height()) + 4);
    update();
  }
  std::string boldPart() const { return fromQ(split()[1]); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), back_);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(fore_);
    auto parts = split();
    QFont b = font_;
    b.setBold(true);
    int x = 4;
    const int base = 2 + QFontMetrics(font_).ascent();
    for (int i = 0; i < 3; ++i) {
      p.setFont(i == 1 ? b : font_);
      p.drawText(x, base, parts[i]);
      x += QFontMetrics(p.font()).horizontalAdvance(parts[i]);
    }
  }

 private:
  std::array<QString, 3> split() const {
    size_t a = std::min(bold_.first, text_.size()), z = std::min(std::max(bold_.second, a), text_.size());
    return {plainText(text_.substr(0, a)), plainText(text_.substr(a, z - a)), plainText(text_.substr(z))};
  }
  std::string text_;
  std::pair<size_t, size_t> bold_{0, 0};
  QColor back_, fore_;
  QFont font_;
};

CodeView::CodeView(ActionSink& sink, std::string formName, std::shared_ptr<ui::Control> control, QWidget* parent)
    : QWidget(parent), sink_(sink), formName_(std::move(formName)), control_(control) {
  setObjectName(toQ(control->fullName()));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_InputMethodEnabled);
  setCursor(Qt::IBeamCursor);
  vbar_ = new QScrollBar(Qt::Vertical, this);
  hbar_ = new QScrollBar(Qt::Horizontal, this);
  vbar_->setFocusPolicy(Qt::NoFocus);
  hbar_->setFocusPolicy(Qt::NoFocus);
  connect(vbar_, &QScrollBar::valueChanged, this, [this](int v) {
    if (syncingBars_) return;
    if (auto* e = editor()) e->setTopLine(v);
    update();
  });
  connect(hbar_, &QScrollBar::valueChanged, this, [this](int v) {
    if (syncingBars_) return;
    leftColumn_ = v;
    update();
  });
  // The completion list and the tip are windows of their own above the
  // view (never cut at its edges); the keyboard stays with the view.
  list_ = new QListWidget(this);
  list_->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
  list_->setAttribute(Qt::WA_ShowWithoutActivating);
  list_->setUniformItemSizes(true);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setObjectName("completionList");
  list_->setFocusPolicy(Qt::NoFocus);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->hide();
  connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    int row = list_->row(item);
    std::weak_ptr<ui::Control> weak = control_;
    sink_.postCall([weak, row] {
      if (auto c = weak.lock())
        if (auto* e = dynamic_cast<CodeEditor*>(c.get()); e && e->completionListOpen())
          e->completionListDoubleClick(row);
    });
  });
  tip_ = new TipWidget(this);
  tip_->setObjectName("argumentTip");
  tip_->hide();
  blink_ = new QTimer(this);
  connect(blink_, &QTimer::timeout, this, [this] { blinkCaret(); });
  applyFont();
}

CodeView::~CodeView() = default;

CodeEditor* CodeView::editor() const {
  auto c = control_.lock();
  if (!c || !c->form()) return nullptr;
  return dynamic_cast<CodeEditor*>(c.get());
}

QWidget* CodeView::tip() const { return tip_; }
std::string CodeView::tipBoldPart() const { return tip_->isVisible() ? tip_->boldPart() : std::string(); }

void CodeView::applyFont() {
  CodeEditor* e = editor();
  controls::CodeEditorFont f = e ? e->font() : controls::CodeEditorFont{};
  if (fontApplied_ && f == appliedFont_) return;
  fontApplied_ = true;
  appliedFont_ = f;
  QFont font(toQ(f.name));
  font.setPointSize(std::max(1, f.size));
  font.setBold(f.bold);
  font.setItalic(f.italic);
  font.setUnderline(f.underline);
  font.setStrikeOut(f.strikethrough);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  if (!QFontInfo(font).fixedPitch()) {
    // The columns need a font of one width: the system's fixed font at the
    // size the settings give.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(font.pointSize());
    fixed.setBold(f.bold);
    fixed.setItalic(f.italic);
    font = fixed;
  }
  font_ = font;
  ++fontGeneration_;
  // A cell is as wide as the font's advance, fractions of a pixel
  // included: every character is drawn at its cell's place, so that the
  // caret and the clicks stay on the text however long the line.
  QFontMetricsF fm(font_);
  cellWidth_ = std::max<qreal>(1, fm.horizontalAdvance(QLatin1Char('M')));
  lineHeight_ = std::max(1, static_cast<int>(std::ceil(fm.height())));
  ascent_ = static_cast<int>(std::round(fm.ascent()));
  for (int s = 0; s < 8; ++s) {
    QFont styled = font_;
    if (s & controls::font_style::Bold) styled.setBold(true);
    if (s & controls::font_style::Italic) styled.setItalic(true);
    if (s & controls::font_style::Underline) styled.setUnderline(true);
    styled_[static_cast<size_t>(s)] = styled;
    glyphs_[static_cast<size_t>(s)] = QRawFont::fromFont(styled);
  }
  list_->setFont(font_);
}

int CodeView::marginWidth() const {
  const CodeEditor* e = editor();
  if (!e) return 0;
  int w = e->displayLeftMargin() ? 16 : 0;
  if (e->lineNumbering()) {
    int digits = static_cast<int>(std::to_string(std::max(1, e->lineCount() - 1 + e->lineNumberStart())).size());
    w += static_cast<int>(std::ceil((digits + 1) * cellWidth_));
  }
  return w;
}

int CodeView::textLeft() const { return marginWidth() + 2; }

int32_t CodeView::visibleRows() const {
  int h = height() - (hbar_->isHidden() ? 0 : hbar_->height());
  return std::max(1, h / lineHeight_);
}

qreal CodeView::cellX(int64_t cell) const { return textLeft() + static_cast<qreal>(cell - leftColumn_) * cellWidth_; }

int64_t CodeView::visibleCells() const {
  return std::max<int64_t>(1, static_cast<int64_t>(std::ceil((width() - textLeft()) / cellWidth_)) + 1);
}

int64_t CodeView::lineCells(int32_t line) const {
  const CodeEditor* e = editor();
  if (!e) return 0;
  const controls::CodeText& t = e->textModel();
  // A long line's count goes up in steps: the bar, drawn again at each
  // change of its range, stays as it is while the line grows by a few.
  constexpr int64_t kStep = 4096;
  if (t.lineBytes(line) > (size_t{16} << 10)) return (t.lineLength(line) / kStep + 1) * kStep;
  return controls::cellOfColumn(*e, line, t.lineLength(line));
}

QPoint CodeView::cellOrigin(int32_t line, int32_t column) const {
  const CodeEditor* e = editor();
  if (!e) return {};
  const int32_t n = std::clamp(line, 0, std::max(0, e->lineCount() - 1));
  const int32_t length = e->textModel().lineLength(n);
  const int64_t cell = controls::cellOfColumn(*e, n, std::min(column, length)) + std::max(0, column - length);
  return {static_cast<int>(std::round(cellX(cell))), (line - e->topLine()) * lineHeight_};
}

CodePosition CodeView::cellAt(QPoint point) const {
  const CodeEditor* e = editor();
  if (!e) return {};
  int32_t row = std::max(0, point.y()) / lineHeight_;
  int32_t line = std::clamp(e->topLine() + row, 0, e->lineCount() - 1);
  // The cell under the centre of the pixel clicked, and the character
  // there.
  const qreal x = std::max<qreal>(0, point.x() - textLeft()) + 0.5;
  const int64_t cell = leftColumn_ + static_cast<int64_t>(std::floor(x / cellWidth_));
  const int64_t column = controls::columnAtCell(*e, line, cell);
  return {line, static_cast<int32_t>(std::min<int64_t>(column, INT32_MAX))};
}

void CodeView::keepCaretVisible() {
  CodeEditor* e = editor();
  if (!e) return;
  auto caret = e->caretPos();
  if (caret == seenCaret_) return;
  seenCaret_ = caret;
  const int64_t at = controls::cellOfColumn(*e, caret.line, caret.column);
  const auto visible = std::max<int64_t>(1, static_cast<int64_t>((width() - textLeft() - vbar_->width()) / cellWidth_));
  int64_t left = leftColumn_;
  if (at < left)
    left = std::max<int64_t>(0, at - 4);
  else if (at >= left + visible)
    left = at - visible + 4;
  leftColumn_ = static_cast<int32_t>(std::clamp<int64_t>(left, 0, INT32_MAX / 2));
}

void CodeView::follow() {
  CodeEditor* e = editor();
  if (!e) return;
  applyFont();
  const int32_t rows = visibleRows();
  if (e->viewLines() != rows) e->setViewLines(rows);
  keepCaretVisible();
  syncingBars_ = true;
  vbar_->setRange(0, std::max(0, e->lineCount() - 1));
  vbar_->setPageStep(rows);
  vbar_->setValue(e->topLine());
  const auto shownCells = std::max<int64_t>(1, static_cast<int64_t>((width() - textLeft()) / cellWidth_));
  int64_t widest = leftColumn_ + shownCells;
  for (int32_t i = e->topLine(), end = std::min(e->lineCount(), e->topLine() + rows); i < end; ++i)
    widest = std::max(widest, lineCells(i));
  hbar_->setRange(0, static_cast<int>(std::min<int64_t>(INT32_MAX / 2, std::max<int64_t>(0, widest - shownCells + 1))));
  hbar_->setPageStep(static_cast<int>(shownCells));
  hbar_->setValue(leftColumn_);
  syncingBars_ = false;
  followList();
  followTip();
  if (e->caretPos() != blinkCaret_) {
    blinkCaret_ = e->caretPos();
    restartBlink();
  }
  followSelection();
  invalidateChanged();
}

void CodeView::followSelection() {
  CodeEditor* e = editor();
  QClipboard* board = QGuiApplication::clipboard();
  if (!e || !board || !board->supportsSelection()) return;
  const controls::CodeRange sel = e->getSel(true);
  const bool hasSel = sel.startLine != sel.endLine || sel.startColumn != sel.endColumn;
  if (!hasSel || sel == shownSelection_) return;
  shownSelection_ = sel;
  // The selection is the platform's primary selection too (a middle click
  // pastes it elsewhere), with the platform's line ends.
  board->setText(toQ(platformLineEnds(e->selText())), QClipboard::Selection);
}

CodeView::ShownRow CodeView::shownRow(const CodeEditor& e, int32_t line) const {
  ShownRow row;
  row.line = line;
  // The slice from the first cell shown: its characters, and so the row,
  // change with the sideways scroll.
  controls::LineSlice s = controls::layoutLine(e, line, leftColumn_, visibleCells());
  row.bytes = std::move(s.bytes);
  row.chars.reserve(s.chars.size());
  for (const auto& c : s.chars) row.chars.push_back({c.cell, c.cells, c.colour, c.selected});
  if (s.reachesEnd) row.endCell = s.endCell;
  row.selectedBreak = s.breakSelected;
  row.caret = s.caretCell;
  row.highlighted = line == e.highlightedLine();
  row.bookmark = e.hasBookmark(line);
  return row;
}

void CodeView::invalidateChanged() {
  CodeEditor* e = editor();
  if (!e) return;
  ShownLook look;
  for (int32_t i = 0; i < ci::Count; ++i) {
    look.colours[static_cast<size_t>(i)] = e->color(i);
    look.styles[static_cast<size_t>(i)] = e->fontStyle(i);
  }
  look.top = e->topLine();
  look.tabSize = e->tabSize();
  look.numberStart = e->lineNumbering() ? e->lineNumberStart() : 0;
  look.rows = visibleRows() + 1;
  look.margin = marginWidth();
  look.marks = e->displayLeftMargin();
  look.numbers = e->lineNumbering();
  look.width = width();
  look.height = height();
  look.overtype = e->overtypeCaret();
  look.font = fontGeneration_;

  std::vector<ShownRow> rows(static_cast<size_t>(look.rows));
  for (int32_t r = 0; r < look.rows; ++r) {
    const int32_t line = look.top + r;
    if (line >= e->lineCount()) break;
    rows[static_cast<size_t>(r)] = shownRow(*e, line);
  }
  if (!(look == shownLook_) || rows.size() != shownRows_.size()) {
    update();
  } else {
    QRegion changed;
    for (size_t r = 0; r < rows.size(); ++r)
      if (!(rows[r] == shownRows_[r])) changed += QRect(0, static_cast<int>(r) * lineHeight_, width(), lineHeight_);
    if (!changed.isEmpty()) update(changed);
  }
  shownLook_ = std::move(look);
  shownRows_ = std::move(rows);
}

void CodeView::followList() {
  CodeEditor* e = editor();
  controls::CompletionList* list = e ? e->completionList() : nullptr;
  if (!list) {
    list_->hide();
    return;
  }
  const controls::ImageList* images = controls::ImageList::fromHandle(
      static_cast<uint32_t>(list->imageList() ? list->imageList() : static_cast<int32_t>(e->imageList())));
  const auto& items = list->items();
  bool same = list_->count() == static_cast<int>(items.size());
  for (int i = 0; same && i < list_->count(); ++i)
    same = list_->item(i)->text() == plainText(items[static_cast<size_t>(i)].text);
  if (!same) {
    list_->clear();
    for (const auto& item : items) {
      auto* w = new QListWidgetItem(plainText(item.text), list_);
      if (images && item.image >= 0 && item.image < images->count()) {
        const std::string& picture = images->image(item.image + 1).picture;
        w->setIcon(pictureIcon(picture));
        w->setData(Qt::UserRole, toQ(picture));
      }
    }
  }
  if (list->selectedItem() >= 0 && list->selectedItem() < list_->count()) {
    list_->setCurrentRow(list->selectedItem());
    list_->scrollToItem(list_->currentItem());
  } else {
    list_->clearSelection();
  }
  // Whole rows, below the caret's line, or above it where the screen has
  // no room below.
  const int rowH = std::max(1, list_->sizeHintForRow(0));
  const int frame = 2 * list_->frameWidth();
  const int h = std::min(8, std::max(1, list_->count())) * rowH + frame;
  const int w =
      std::max(240, std::min(480, list_->sizeHintForColumn(0) + frame +
                                      (list_->count() > 8 ? list_->verticalScrollBar()->sizeHint().width() : 0)));
  list_->setFixedSize(w, h);
  const QPoint cell = cellOrigin(e->caretPos().line, e->caretPos().column);
  list_->move(popupPlace(cell, QSize(w, h), true));
  if (!list_->isVisible()) list_->show();
  list_->raise();
}

QPoint CodeView::popupPlace(QPoint cell, QSize size, bool belowFirst) const {
  const QPoint below = mapToGlobal(QPoint(cell.x(), cell.y() + lineHeight_));
  const QPoint above = mapToGlobal(QPoint(cell.x(), cell.y() - size.height()));
  const QScreen* s = screen();
  const QRect room = s ? s->availableGeometry() : QRect(QPoint(0, 0), QSize(1 << 20, 1 << 20));
  const bool fitsBelow = below.y() + size.height() <= room.bottom() + 1;
  const bool fitsAbove = above.y() >= room.top();
  QPoint at = belowFirst ? (fitsBelow || !fitsAbove ? below : above) : (fitsAbove || !fitsBelow ? above : below);
  at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - size.width())));
  return at;
}

void CodeView::followTip() {
  CodeEditor* e = editor();
  controls::ArgumentTip* tip = e ? e->tip() : nullptr;
  if (!tip || tip->destroyed()) {
    tip_->hide();
    return;
  }
  QFont f = font_;
  tip_->set(tip->text(), tip->argumentSpan(), colourOf(tip->backColor()), colourOf(tip->textColor()), f);
  // Above the line it belongs to; below it (and below an open list) where
  // the screen has no room above.
  const QPoint cell = cellOrigin(e->tipStart().line, e->tipStart().column);
  QPoint at = popupPlace(cell, tip_->size(), false);
  if (at.y() > mapToGlobal(cell).y() && list_->isVisible() && list_->y() >= at.y())
    at.ry() = list_->geometry().bottom() + 1;
  tip_->move(at);
  if (!tip_->isVisible()) tip_->show();
  tip_->raise();
}

void CodeView::resizeEvent(QResizeEvent*) {
  const int bw = vbar_->sizeHint().width(), bh = hbar_->sizeHint().height();
  vbar_->setGeometry(width() - bw, 0, bw, height() - bh);
  hbar_->setGeometry(0, height() - bh, width() - bw, bh);
  seenCaret_ = {-1, -1};
  follow();
  update();
}

void CodeView::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  CodeEditor* e = editor();
  linesPainted_ = 0;
  if (!e) {
    p.fillRect(rect(), palette().window());
    return;
  }
  p.setFont(font_);
  // Only the rows of the area to draw: a typed character draws its own row.
  const QRect area = event->rect();
  const QColor window = colourOf(e->color(ci::Window));
  p.fillRect(area, window);
  const int margin = marginWidth();
  const int left = textLeft();
  const int32_t firstRow = std::max(0, area.top() / lineHeight_);
  const int32_t rows = std::min(visibleRows() + 1, area.bottom() / lineHeight_ + 1);
  const int32_t top = e->topLine();
  const QColor selectionBack = colourOf(e->color(ci::SelectionBack));
  const QColor selectedText = colourOf(e->color(ci::SelectedText));
  p.setClipRect(QRect(left, 0, width() - left, height()).intersected(area));
  // The cells of the area, a little wider: a character cut at its edge is
  // drawn whole.
  const int64_t fromCell =
      leftColumn_ + std::max<int64_t>(0, static_cast<int64_t>((area.left() - left) / cellWidth_) - 2);
  const int64_t cells =
      static_cast<int64_t>(std::ceil((area.right() + 1 - left) / cellWidth_)) + leftColumn_ + 2 - fromCell;
  using Kind = controls::LaidChar::Kind;
  for (int32_t row = firstRow; row < rows; ++row) {
    const int32_t line = top + row;
    if (line >= e->lineCount()) break;
    ++linesPainted_;
    const int y = row * lineHeight_;
    const qreal base = y + ascent_;
    if (line == e->highlightedLine())
      p.fillRect(QRect(left, y, width() - left, lineHeight_), colourOf(e->color(ci::HighlightedLine)));
    const controls::LineSlice slice = controls::layoutLine(*e, line, fromCell, std::max<int64_t>(1, cells));
    const auto& chars = slice.chars;
    // The selection's background, cell for cell; the line break of a
    // selected line shows as one selected cell after its end.
    for (const auto& c : chars)
      if (c.selected && c.cells > 0)
        p.fillRect(QRectF(cellX(c.cell), y, c.cells * cellWidth_, lineHeight_), selectionBack);
    if (slice.breakSelected && slice.reachesEnd)
      p.fillRect(QRectF(cellX(slice.endCell), y, cellWidth_, lineHeight_), selectionBack);
    // The characters, each at its cell: runs of characters that share their
    // look and have glyphs in the font go as one run of glyphs placed on
    // the grid; any other (a wide character, one with combining marks, a
    // symbol) on its own at its cell.
    QString run;
    QVector<QPointF> places;
    int runStyle = -1;
    QColor runFore;
    auto flush = [&] {
      if (run.isEmpty()) return;
      const QRawFont& raw = glyphs_[static_cast<size_t>(runStyle)];
      QVector<quint32> glyphs = raw.glyphIndexesForString(run);
      QGlyphRun g;
      g.setRawFont(raw);
      g.setGlyphIndexes(glyphs);
      g.setPositions(places);
      g.setUnderline(styled_[static_cast<size_t>(runStyle)].underline());
      g.setStrikeOut(styled_[static_cast<size_t>(runStyle)].strikeOut());
      p.setPen(runFore);
      p.drawGlyphRun(QPointF(0, base), g);
      run.clear();
      places.clear();
    };
    for (size_t i = 0; i < chars.size(); ++i) {
      const auto& c = chars[i];
      if (c.cells == 0 || c.kind == Kind::Tab || c.kind == Kind::Space) continue;
      size_t end = i + 1;
      while (end < chars.size() && chars[end].cells == 0) ++end;
      const int style = e->fontStyle(c.colour) & 7;
      const QColor fore = c.selected ? selectedText : colourOf(e->color(c.colour));
      const qreal x = cellX(c.cell);
      const QRawFont& raw = glyphs_[static_cast<size_t>(style)];
      const bool plain = end == i + 1 && c.kind == Kind::Text && c.cells == 1 && c.code < 0x10000 && raw.isValid() &&
                         raw.supportsCharacter(static_cast<uint>(c.code));
      if (plain) {
        if (style != runStyle || fore != runFore) {
          flush();
          runStyle = style;
          runFore = fore;
        }
        run += QChar(static_cast<char16_t>(c.code));
        places.push_back(QPointF(x, 0));
        continue;
      }
      flush();
      const size_t from = c.byte - slice.firstByte;
      const size_t to = chars[end - 1].byte + chars[end - 1].bytes - slice.firstByte;
      const QFont& font = styled_[static_cast<size_t>(style)];
      const QString shown = toQ(ui::visibleText(std::string_view(slice.bytes).substr(from, to - from)));
      // In the middle of its cells: a wide character takes two, its glyph
      // (of whichever font has it) is seldom that wide. A glyph wider than
      // its cells starts at them.
      const qreal spare = c.cells * cellWidth_ - QFontMetricsF(font).horizontalAdvance(shown);
      p.setFont(font);
      p.setPen(fore);
      p.drawText(QPointF(x + std::max<qreal>(0, spare / 2), base), shown);
      i = end - 1;
    }
    flush();
  }
  p.setClipping(false);
  // The margin: bookmarks and line numbers.
  if (margin > 0 && area.left() < margin) {
    p.fillRect(QRect(0, area.top(), margin, area.height()), colourOf(e->color(ci::LeftMargin)));
    const int marks = e->displayLeftMargin() ? 16 : 0;
    if (e->lineNumbering())
      p.fillRect(QRect(marks, area.top(), margin - marks, area.height()), colourOf(e->color(ci::LineNumberBack)));
    p.setFont(font_);
    for (int32_t row = firstRow; row < rows && top + row < e->lineCount(); ++row) {
      const int32_t line = top + row;
      const int y = row * lineHeight_;
      if (marks && e->hasBookmark(line)) {
        p.setPen(Qt::NoPen);
        p.setBrush(colourOf(e->color(ci::BookmarkMark)));
        p.drawRoundedRect(QRect(3, y + 2, 10, lineHeight_ - 4), 3, 3);
      }
      if (e->lineNumbering()) {
        p.setPen(colourOf(e->color(ci::LineNumber)));
        p.drawText(QRect(marks, y, margin - marks - static_cast<int>(cellWidth_ / 2), lineHeight_),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(line + e->lineNumberStart()));
      }
    }
  }
  // The text an input method is composing, at the caret, underlined.
  const auto caret = e->caretPos();
  int preeditWidth = 0;
  if (!preedit_.isEmpty() && caret.line >= top + firstRow && caret.line < top + rows) {
    QPoint at = cellOrigin(caret.line, caret.column);
    QFont f = font_;
    f.setUnderline(true);
    p.setFont(f);
    preeditWidth = static_cast<int>(std::ceil(QFontMetricsF(f).horizontalAdvance(preedit_)));
    p.fillRect(QRect(at.x(), at.y(), preeditWidth, lineHeight_), window);
    p.setPen(colourOf(e->color(ci::Text)));
    p.drawText(at.x(), at.y() + ascent_, preedit_);
  }
  // The caret: a line before the character it stands at (the text is
  // inserted there), shown and hidden as the platform blinks it.
  if (caretShown_ && caret.line >= top + firstRow && caret.line < top + rows) {
    QPoint at = cellOrigin(caret.line, caret.column);
    if (at.x() >= left) p.fillRect(caretRect(at, preeditWidth), colourOf(e->color(ci::Text)));
  }
}

QRect CodeView::caretRect(QPoint cell, int preeditWidth) const {
  return QRect(cell.x() + preeditWidth, cell.y(), kCaretWidth, lineHeight_);
}

void CodeView::restartBlink() {
  caretShown_ = true;
  const int flash = QApplication::cursorFlashTime();
  // A virtual clock (a scripted run) and a platform that does not blink
  // keep the caret shown.
  if (flash <= 0 || clockIsVirtual() || !hasFocus()) {
    blink_->stop();
    return;
  }
  blink_->start(flash / 2);
}

void CodeView::blinkCaret() {
  CodeEditor* e = editor();
  if (!e) return;
  caretShown_ = !caretShown_;
  const auto caret = e->caretPos();
  const QPoint at = cellOrigin(caret.line, caret.column);
  update(caretRect(at, 0).adjusted(-1, 0, 1 + (preedit_.isEmpty() ? 0 : width()), 0));
}

void CodeView::keyPressEvent(QKeyEvent* event) {
  auto key = keyInput(event->key(), event->modifiers(), event->text());
  if (!key) {
    QWidget::keyPressEvent(event);
    return;
  }
  ui::Action a;
  a.form = formName_;
  a.kind = key->typed ? ui::Action::Kind::TypeText : ui::Action::Kind::Key;
  a.text = key->text;
  sink_.post(std::move(a));
  event->accept();
}

void CodeView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  CodePosition at = cellAt(event->position().toPoint());
  ui::Action a;
  a.form = formName_;
  if (event->button() == Qt::LeftButton) {
    a.kind = ui::Action::Kind::Mouse;
    a.line = at.line + 1;
    a.column = at.column + 1;
    dragging_ = true;
    dragFrom_ = at;
    sink_.post(a);
  } else if (event->button() == Qt::RightButton) {
    a.kind = ui::Action::Kind::RightClick;
    sink_.post(a);
  } else if (event->button() == Qt::MiddleButton) {
    // The primary selection goes in where the click is.
    QClipboard* board = QGuiApplication::clipboard();
    const std::string text = board && board->supportsSelection() ? fromQ(board->text(QClipboard::Selection)) : "";
    if (!text.empty()) {
      a.kind = ui::Action::Kind::Mouse;
      a.line = at.line + 1;
      a.column = at.column + 1;
      sink_.post(a);
      std::weak_ptr<ui::Control> weak = control_;
      sink_.postCall([weak, text = scriptLineEnds(text)] {
        if (auto c = weak.lock())
          if (auto* e = dynamic_cast<CodeEditor*>(c.get()); e && c->form()) e->replaceSel(text);
      });
    }
  }
  event->accept();
}

void CodeView::inputMethodEvent(QInputMethodEvent* event) {
  // What the input method committed is typed text; what it composes shows
  // at the caret until then.
  if (!event->commitString().isEmpty()) {
    ui::Action a;
    a.form = formName_;
    a.kind = ui::Action::Kind::TypeText;
    a.text = fromQ(event->commitString());
    sink_.post(std::move(a));
  }
  if (preedit_ != event->preeditString()) {
    preedit_ = event->preeditString();
    update();
  }
  event->accept();
}

QVariant CodeView::inputMethodQuery(Qt::InputMethodQuery query) const {
  const CodeEditor* e = editor();
  if (!e) return QWidget::inputMethodQuery(query);
  const auto caret = e->caretPos();
  switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: return caretRect(cellOrigin(caret.line, caret.column), 0);
    case Qt::ImFont: return font_;
    case Qt::ImSurroundingText:
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition: {
      // The caret's line around the caret: a long line is not copied whole.
      const controls::CodeText& t = e->textModel();
      const int32_t length = t.lineLength(caret.line);
      const size_t from = controls::byteOfColumn(*e, caret.line, std::max(0, caret.column - 512));
      const size_t at = controls::byteOfColumn(*e, caret.line, caret.column);
      if (query != Qt::ImSurroundingText)
        return static_cast<int>(toQ(t.extractBytes({caret.line, from}, {caret.line, at})).size());
      const size_t to = controls::byteOfColumn(*e, caret.line, std::min(length, caret.column + 512));
      return toQ(t.extractBytes({caret.line, from}, {caret.line, to}));
    }
    default: return QWidget::inputMethodQuery(query);
  }
}

void CodeView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  CodePosition at = cellAt(event->position().toPoint());
  ui::Action a;
  a.form = formName_;
  a.kind = ui::Action::Kind::Select;
  a.line = dragFrom_.line + 1;
  a.column = dragFrom_.column + 1;
  a.line2 = at.line + 1;
  a.column2 = at.column + 1;
  sink_.post(a);
}

void CodeView::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

void CodeView::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void CodeView::wheelEvent(QWheelEvent* event) {
  CodeEditor* e = editor();
  if (!e) return;
  const int steps = event->angleDelta().y() / 40;  // three lines a notch
  if (steps != 0) e->setTopLine(e->topLine() - steps);
  const int across = event->angleDelta().x() / 40;
  if (across != 0) leftColumn_ = std::max(0, leftColumn_ - across);
  follow();
  update();
  event->accept();
}

void CodeView::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  blink_->stop();
  if (!caretShown_) {
    caretShown_ = true;
    update();
  }
}

void CodeView::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  restartBlink();
  auto c = control_.lock();
  if (c && c->form() && !c->hasFocus()) {
    ui::Action a;
    a.form = formName_;
    a.kind = ui::Action::Kind::Focus;
    a.control = c->fullName();
    sink_.post(a);
  }
}

// The popups are windows of their own: they go with the view.
void CodeView::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  list_->hide();
  tip_->hide();
}

// Tab and Shift+Tab are the editor's keys, not a move of the focus.
bool CodeView::focusNextPrevChild(bool) { return false; }

}  // namespace platform::gui
