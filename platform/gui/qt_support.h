// Between the desktop's text and keys and the toolkit's: what the widgets
// and the prompts of the windowed face share.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>
#include <string>

namespace platform::gui {

inline QString toQ(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string fromQ(const QString& s) { return s.toUtf8().toStdString(); }

// Twips per device-independent pixel: 15 on every screen, whatever its
// scale.
double twipsPerPixel(const QWidget* widget = nullptr);

// A key as the desktop names it: typed text, or a key name ("Enter",
// "Ctrl+Space", "Shift+Tab", "F5", "Ctrl+s"). Nothing for a key that is a
// modifier alone or that the desktop has no name for.
struct KeyInput {
  bool typed = false;  // text to type, else a key name
  std::string text;
};
std::optional<KeyInput> keyInput(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text);

// A file dialog's filter ("Scripts (*.vbs)|*.vbs|All|*.*") as the toolkit's
// name filters ("Scripts (*.vbs)", "All (*.*)").
QStringList nameFilters(const std::string& filter);

// Text drawn as it stands: control characters as visible symbols, broken
// UTF-8 as U+FFFD.
QString plainText(const std::string& text);
// Text of lines (a message, a prompt) drawn as it stands: CR LF, CR and LF
// each end a line, every other control character is a visible symbol.
QString plainLines(const std::string& text);

// Text for the platform's clipboard: CR LF and CR become LF. Text from it:
// CR LF, CR and LF each become the script's CR LF.
std::string platformLineEnds(const std::string& text);
std::string scriptLineEnds(const std::string& text);

}  // namespace platform::gui
