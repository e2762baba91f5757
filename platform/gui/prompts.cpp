// The prompts of the desktop as the toolkit's dialogs. Every text that a
// prompt shows (a script's message, a file name, a caption) is plain text.
#include <QCursor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTreeView>
#include <QVBoxLayout>

#include <set>

#include "platform/controls/common_dialog.h"
#include "platform/controls/print_dialog.h"
#include "platform/controls/toolbar.h"
#include "platform/gui/gui_internal.h"
#include "platform/ui/windows.h"

namespace platform::gui {

namespace mb = ui::mb;

void makePlain(QWidget* widget) {
  for (QLabel* l : widget->findChildren<QLabel*>()) l->setTextFormat(Qt::PlainText);
}

namespace {

QMessageBox::StandardButton standardOf(int32_t answer) {
  switch (answer) {
    case mb::OK: return QMessageBox::Ok;
    case mb::Cancel: return QMessageBox::Cancel;
    case mb::Abort: return QMessageBox::Abort;
    case mb::Retry: return QMessageBox::Retry;
    case mb::Ignore: return QMessageBox::Ignore;
    case mb::Yes: return QMessageBox::Yes;
    case mb::No: return QMessageBox::No;
  }
  return QMessageBox::Ok;
}

QLabel* label(const std::string& text) {
  auto* l = new QLabel(plainLines(text));
  l->setTextFormat(Qt::PlainText);
  l->setWordWrap(true);
  return l;
}

// A field's caption: one line beside its field (a wrapped caption would
// break at the width the form gives it, not at the one it needs).
QLabel* fieldCaption(const std::string& text) {
  auto* l = new QLabel(plainText(text));
  l->setTextFormat(Qt::PlainText);
  return l;
}

// The width a prompt needs for its whole title beside the window manager's
// icon and buttons (a window manager cuts a title short that has no room).
int titleWidth(const QWidget& prompt, const QString& title) {
  QFont bold = prompt.font();
  bold.setBold(true);
  const QFontMetrics fm(bold);
  return fm.horizontalAdvance(title) + 8 * fm.height();
}

// A small dialog of labelled fields with its buttons; returns the dialog's
// result code (0 for Cancel or the close box).
struct FieldDialog {
  QDialog dialog;
  QFormLayout* form;
  QDialogButtonBox* buttons;
  FieldDialog(QWidget* parent, const std::string& title) : dialog(parent) {
    dialog.setWindowTitle(plainText(title));
    auto* v = new QVBoxLayout(&dialog);
    form = new QFormLayout;
    v->addLayout(form);
    buttons = new QDialogButtonBox;
    v->addWidget(buttons);
    // Wide enough for its title and for a field of some thirty characters.
    dialog.setMinimumWidth(
        std::max(30 * dialog.fontMetrics().averageCharWidth(), titleWidth(dialog, dialog.windowTitle())));
  }
  QLineEdit* field(const std::string& caption, const std::string& text, const char* name) {
    auto* e = new QLineEdit(toQ(text));
    e->setObjectName(QLatin1String(name));
    auto* l = fieldCaption(caption);
    l->setBuddy(e);
    form->addRow(l, e);
    return e;
  }
  QPushButton* button(const QString& caption, int code, bool isDefault = false) {
    auto* b = buttons->addButton(caption, QDialogButtonBox::ActionRole);
    b->setDefault(isDefault);
    b->setAutoDefault(isDefault);
    QObject::connect(b, &QPushButton::clicked, &dialog, [this, code] { dialog.done(code); });
    return b;
  }
};

// A file dialog sized from its font, as the forms are: each column of the
// detailed list as wide as the longest text it shows (a size in KiB, a
// type, a date and time in the locale's short form), the name the widest,
// and the whole dialog no larger than the screen.
void sizeForColumns(QFileDialog& dialog) {
  auto* list = dialog.findChild<QTreeView*>();
  if (!list || !list->model()) return;
  QHeaderView* header = list->header();
  const QFontMetrics fm(list->font());
  const int ch = fm.averageCharWidth();
  const QLocale locale = QLocale::system();
  auto widest = [&](std::initializer_list<QString> texts) {
    int w = 0;
    for (const QString& t : texts) w = std::max(w, fm.horizontalAdvance(t));
    return w;
  };
  auto title = [&](int column) {
    return list->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
  };
  const int pad = 3 * ch;
  const int sort = list->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header);
  const int widths[] = {
      std::max(36 * ch, widest({title(0)}) + sort) + list->iconSize().width() + pad,
      widest({title(1), locale.formattedDataSize(1023), locale.formattedDataSize(1023 * 1024 + 1000),
              locale.formattedDataSize(qint64{1023} * 1024 * 1024 * 1024 + 1000 * 1024 * 1024)}) +
          sort + pad,
      std::max(20 * ch, widest({title(2)}) + sort) + pad,
      widest({title(3), locale.toString(QDateTime(QDate(2028, 12, 28), QTime(23, 58, 58)), QLocale::ShortFormat),
              locale.toString(QDateTime(QDate(2028, 9, 30), QTime(10, 58, 58)), QLocale::ShortFormat)}) +
          sort + pad,
  };
  int columns = 0;
  for (int c = 0; c < 4 && c < header->count(); ++c) {
    header->resizeSection(c, widths[c]);
    columns += widths[c];
  }
  // Beside the list: the places on its left, the frames, the scroll bar.
  int beside = 16 * ch + 6 * ch + list->verticalScrollBar()->sizeHint().width();
  QSize size(columns + beside, 30 * fm.height());
  if (const QScreen* screen = dialog.screen()) {
    // The window manager's frame goes round it.
    const QSize room = screen->availableGeometry().size() - QSize(16, 48);
    size = size.boundedTo(room);
  }
  dialog.resize(size.expandedTo(dialog.minimumSizeHint()));
}

}  // namespace

int32_t WindowUser::messageBox(const ui::MessageBoxPrompt& prompt) {
  ensureApplication();
  QMessageBox box(promptParent());
  box.setObjectName("msgbox");
  box.setTextFormat(Qt::PlainText);
  box.setWindowTitle(plainText(prompt.title));
  box.setText(plainLines(prompt.text));
  switch (prompt.icon) {
    case mb::Critical: box.setIcon(QMessageBox::Critical); break;
    case mb::Question: box.setIcon(QMessageBox::Question); break;
    case mb::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case mb::Information: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
  }
  const auto answers = prompt.answers();
  std::map<QAbstractButton*, int32_t> answerOf;
  const size_t byDefault = prompt.defaultButton > 0 && prompt.defaultButton < static_cast<int32_t>(answers.size())
                               ? prompt.defaultButton
                               : 0;
  for (size_t i = 0; i < answers.size(); ++i) {
    QPushButton* b = box.addButton(standardOf(answers[i]));
    answerOf[b] = answers[i];
    if (i == byDefault) box.setDefaultButton(b);
    if (answers[i] == mb::Cancel || answers.size() == 1) box.setEscapeButton(b);
  }
  makePlain(&box);
  // As wide as its title needs (the box sizes itself to its text and
  // buttons alone).
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(titleWidth(box, box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  box.exec();
  auto it = answerOf.find(box.clickedButton());
  if (it != answerOf.end()) return it->second;
  // Closed without a button: the box's Cancel where it has one, else its
  // last button, as a box without a person gives.
  for (int32_t a : answers)
    if (a == mb::Cancel) return a;
  return answers.back();
}

std::optional<std::string> WindowUser::inputBox(const ui::InputBoxPrompt& prompt) {
  ensureApplication();
  FieldDialog d(promptParent(), prompt.title);
  d.dialog.setObjectName("inputbox");
  d.form->addRow(label(prompt.prompt));
  QLineEdit* e = new QLineEdit(toQ(prompt.defaultText));
  e->setObjectName("text");
  d.form->addRow(e);
  d.button(QObject::tr("OK"), 1, true);
  d.button(QObject::tr("Cancel"), 0);
  e->selectAll();
  if (d.dialog.exec() != 1) return std::nullopt;
  return fromQ(e->text());
}

std::optional<std::string> WindowUser::find(const ui::FindPrompt& prompt) {
  ensureApplication();
  FieldDialog d(promptParent(), prompt.title.empty() ? "Find" : prompt.title);
  d.dialog.setObjectName("find");
  QLineEdit* e = d.field("Find what:", prompt.defaultText, "findWhat");
  d.button(QObject::tr("&Find Next"), 1, true);
  d.button(QObject::tr("Cancel"), 0);
  e->selectAll();
  if (d.dialog.exec() != 1 || e->text().isEmpty()) return std::nullopt;
  return fromQ(e->text());
}

std::optional<ui::ReplaceAnswer> WindowUser::replace(const ui::FindPrompt& prompt) {
  ensureApplication();
  FieldDialog d(promptParent(), prompt.title.empty() ? "Replace" : prompt.title);
  d.dialog.setObjectName("replace");
  QLineEdit* what = d.field("Find what:", prompt.defaultText, "findWhat");
  QLineEdit* with = d.field("Replace with:", {}, "replaceWith");
  d.button(QObject::tr("&Replace"), 1, true);
  d.button(QObject::tr("Replace &All"), 2);
  d.button(QObject::tr("Cancel"), 0);
  what->selectAll();
  const int r = d.dialog.exec();
  if (r == 0 || what->text().isEmpty()) return std::nullopt;
  return ui::ReplaceAnswer{fromQ(what->text()), fromQ(with->text()), r == 2};
}

std::optional<int32_t> WindowUser::gotoLine(const ui::GotoPrompt& prompt) {
  ensureApplication();
  FieldDialog d(promptParent(), "Go To Line");
  d.dialog.setObjectName("gotoline");
  auto* spin = new QSpinBox;
  spin->setObjectName("line");
  spin->setRange(1, std::max(1, prompt.lineCount));
  // Room for a line number of any script, beside its arrows.
  spin->setMinimumWidth(std::max(spin->sizeHint().width(), 12 * spin->fontMetrics().averageCharWidth()));
  auto* caption = fieldCaption("Line number (1 - " + std::to_string(std::max(1, prompt.lineCount)) + "):");
  caption->setBuddy(spin);
  d.form->addRow(caption, spin);
  d.button(QObject::tr("OK"), 1, true);
  d.button(QObject::tr("Cancel"), 0);
  spin->selectAll();
  if (d.dialog.exec() != 1) return std::nullopt;
  return spin->value();
}

std::optional<std::string> WindowUser::fileDialog(const ui::FileDialogPrompt& prompt) {
  ensureApplication();
  namespace cdl = controls::cdl;
  QFileDialog dialog(promptParent(), plainText(prompt.title));
  dialog.setObjectName(prompt.save ? "savedialog" : "opendialog");
  // The common dialog asks its own questions (replace an existing file,
  // a missing file or folder): the toolkit asks none of them again.
  QFileDialog::Options options = QFileDialog::DontConfirmOverwrite | QFileDialog::DontUseNativeDialog;
  if (prompt.flags & cdl::NoDereferenceLinks) options |= QFileDialog::DontResolveSymlinks;
  dialog.setOptions(options);
  dialog.setAcceptMode(prompt.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(!prompt.save && (prompt.flags & cdl::FileMustExist) ? QFileDialog::ExistingFile
                                                                         : QFileDialog::AnyFile);
  const QStringList filters = nameFilters(prompt.filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = std::clamp(prompt.filterIndex, 1, static_cast<int>(filters.size())) - 1;
    dialog.selectNameFilter(filters[index]);
  }
  QString dir = toQ(prompt.initDir);
  QFileInfo name(toQ(prompt.fileName));
  if (dir.isEmpty() && name.isAbsolute()) dir = name.absolutePath();
  if (!dir.isEmpty() && QFileInfo(dir).isDir()) dialog.setDirectory(dir);
  if (!prompt.fileName.empty()) dialog.selectFile(name.isAbsolute() ? name.fileName() : toQ(prompt.fileName));
  sizeForColumns(dialog);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return fromQ(chosen.front());
}

std::optional<std::string> WindowUser::browseFolder(const ui::FolderPrompt& prompt) {
  ensureApplication();
  QFileDialog dialog(promptParent(), plainText(prompt.title));
  dialog.setObjectName("folderbrowser");
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  QString root = toQ(prompt.root);
  dialog.setDirectory(!root.isEmpty() && QFileInfo(root).isDir() ? root : QDir::homePath());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return fromQ(chosen.front());
}

std::optional<ui::PrintDialogAnswer> WindowUser::printDialog(const ui::PrintDialogPrompt& prompt) {
  ensureApplication();
  namespace pd = controls::pd;
  QPrinter& p = printer();
  QPrintDialog dialog(&p, promptParent());
  dialog.setObjectName("printdialog");
  QAbstractPrintDialog::PrintDialogOptions options =
      QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize;
  if (prompt.flags & static_cast<int32_t>(pd::PrintSetup)) {
    // The printer setup form: the printer and its properties, no pages;
    // OK keeps the caller's range.
    dialog.setWindowTitle(QObject::tr("Print Setup"));
    dialog.setOptions(options);
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
      if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) ok->setText(QObject::tr("OK"));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    printerChosen_ = true;
    return ui::keptChoices(prompt);
  }
  if (prompt.maxPage > 0) {
    options |= QAbstractPrintDialog::PrintPageRange;
    dialog.setMinMax(std::max(1, prompt.minPage), prompt.maxPage);
    if (prompt.fromPage > 0) p.setFromTo(prompt.fromPage, std::max(prompt.fromPage, prompt.toPage));
  }
  options |= QAbstractPrintDialog::PrintSelection;
  dialog.setOptions(options);
  p.setCopyCount(std::max(1, prompt.copies));
  if (prompt.flags & static_cast<int32_t>(pd::PageNums))
    dialog.setPrintRange(QAbstractPrintDialog::PageRange);
  else if (prompt.flags & static_cast<int32_t>(pd::Selection))
    dialog.setPrintRange(QAbstractPrintDialog::Selection);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  printerChosen_ = true;
  ui::PrintDialogAnswer a;
  switch (dialog.printRange()) {
    case QAbstractPrintDialog::Selection: a.flags = static_cast<int32_t>(pd::Selection); break;
    case QAbstractPrintDialog::PageRange: a.flags = static_cast<int32_t>(pd::PageNums); break;
    default: a.flags = 0; break;
  }
  a.fromPage = p.fromPage();
  a.toPage = p.toPage();
  a.copies = std::max(1, p.copyCount());
  return a;
}

namespace {

// Fills a menu as the popup tool is made: its separators and nested
// popups in their places, only the tools that may be picked; no separator
// at an end or twice, no empty nested popup.
void fillPopup(QMenu* menu, const controls::Toolbar& bar, const controls::Tool& popup,
               const std::map<std::string, std::string>& pickable, std::set<std::string>& seen,
               std::map<QAction*, std::string>& ids) {
  bool separate = false;
  for (const auto& id : popup.items) {
    const controls::Tool* t = id.empty() ? nullptr : bar.findTool(id);
    if (!t || t->kind == controls::ToolKind::Separator) {
      separate = !menu->isEmpty();
      continue;
    }
    if (!t->visible) continue;
    QMenu* sub = nullptr;
    QAction* made = nullptr;
    if (t->kind == controls::ToolKind::Popup) {
      if (!seen.insert(t->id).second) continue;
      sub = new QMenu(plainText(t->plainCaption()), menu);
      sub->setObjectName(toQ(t->id));
      fillPopup(sub, bar, *t, pickable, seen, ids);
      if (sub->isEmpty()) {
        delete sub;
        continue;
      }
    } else {
      auto it = pickable.find(t->id);
      if (it == pickable.end()) continue;
      made = new QAction(plainText(it->second), menu);
      made->setObjectName(toQ(t->id));
      ids[made] = t->id;
    }
    if (separate) menu->addSeparator();
    separate = false;
    if (sub)
      menu->addMenu(sub);
    else
      menu->addAction(made);
  }
}

}  // namespace

std::optional<std::string> WindowUser::popupMenu(const ui::PopupPrompt& prompt) {
  ensureApplication();
  QMenu menu(promptParent());
  menu.setObjectName("popup");
  std::map<QAction*, std::string> ids;
  std::map<std::string, std::string> pickable;
  for (size_t i = 0; i < prompt.toolIds.size(); ++i)
    pickable.emplace(prompt.toolIds[i], i < prompt.captions.size() ? prompt.captions[i] : prompt.toolIds[i]);
  const controls::Toolbar* bar = controls::toolbarWithPopup(prompt.popupId);
  if (bar) {
    std::set<std::string> seen{prompt.popupId};
    fillPopup(&menu, *bar, *bar->findTool(prompt.popupId), pickable, seen, ids);
  }
  std::set<std::string> shown;
  for (const auto& [a, id] : ids) shown.insert(id);
  if (shown.size() != pickable.size()) {
    // No popup tool to follow (or one that does not hold every entry):
    // the entries in their order.
    menu.clear();
    ids.clear();
    for (size_t i = 0; i < prompt.toolIds.size(); ++i) {
      QAction* a = menu.addAction(plainText(pickable[prompt.toolIds[i]]));
      a->setObjectName(toQ(prompt.toolIds[i]));
      ids[a] = prompt.toolIds[i];
    }
  }
  QAction* picked = menu.exec(QCursor::pos());
  auto it = ids.find(picked);
  if (it == ids.end()) return std::nullopt;
  return it->second;
}

}  // namespace platform::gui
