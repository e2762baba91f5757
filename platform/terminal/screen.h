// The terminal itself, on ncurses (ncursesw): opened with newterm on the
// controlling terminal /dev/tty, so that a host's own standard input and
// output stay its own. It draws the changed cells of each frame, composed
// in memory from the terminal description's strings and written in one
// piece (so that the terminal and its reader wake once per frame, not once
// per row), decodes
// keys, mouse reports (SGR 1006, which it switches on itself and reads
// through define_key, so that a terminal description that names another
// encoding cannot turn clicks into typing), bracketed paste and the resize.
//
// The terminal is given back as it was (cursor, echo and line mode,
// colours, mouse and paste modes, the alternate screen) on every way out:
// the destructor, an exception that ends the program, the crash signals,
// whose handlers write a restore string made at opening (async-signal-safe),
// put the terminal modes back and raise the signal again with its default
// action. SIGINT, SIGTERM, SIGHUP and SIGQUIT only wake the reader, which
// reports them (Ending), so that the desktop's loop makes the emergency
// copy before endProcess gives the terminal back and ends; a second one
// ends the program at once. SIGTSTP sent from outside gives the terminal
// back, stops, and sets it up again on SIGCONT (Ctrl+Z is a key, the code
// editor's Undo); SIGWINCH wakes the reader, which reports a resize.
//
// While the desktop is up, the process's standard output and error, where
// they are this terminal, are held in memory and shown when the terminal
// is given back, so that nothing a host prints is written over the desktop.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/terminal/terminal.h"

namespace platform::terminal {

class Screen final : public Terminal {
 public:
  // The controlling terminal; null, with the reason, when there is none
  // (or another screen is open in the process).
  static std::unique_ptr<Screen> openTerminal(std::string* why);
  // A screen on streams of the caller's (a benchmark counts what is
  // written) with the terminal description `term` and a fixed size; it
  // touches no signal and no terminal mode.
  static std::unique_ptr<Screen> openStreams(std::FILE* in, std::FILE* out, const char* term, int32_t width,
                                             int32_t height);
  ~Screen() override;

  int32_t width() const override { return width_; }
  int32_t height() const override { return height_; }
  void show(const Grid& frame) override;
  InputEvent next(int32_t timeoutMillis) override;
  void endProcess(int signal) override;  // returns only on a screen of streams

  // Whether the terminal shows 24-bit colour (else 256 or fewer).
  bool directColour() const noexcept { return direct_; }

 private:
  Screen() = default;
  bool setUp(std::FILE* in, std::FILE* out, const char* term, bool own, std::string* why);
  void tearDown();
  int colourOf(uint32_t colour) const;
  // Appends the bytes that switch the terminal from the style it draws
  // with to this one.
  void appendStyle(std::string& out, const Style& style);
  void appendCursorTo(std::string& out, int32_t x, int32_t y);
  int readByte(int32_t timeoutMillis);
  InputEvent readMouseSgr();
  InputEvent readMouseX10();
  InputEvent readPaste();
  InputEvent readOtherKey();
  // After ESC [: reads the rest of a control sequence that came with it,
  // up to its final byte (nothing read when no byte of one follows at once).
  std::optional<std::string> readControlSequence();
  void checkSize();

  void* screen_ = nullptr;  // SCREEN*
  std::FILE* in_ = nullptr;
  std::FILE* out_ = nullptr;
  bool ownTerminal_ = false;
  bool direct_ = false;
  int colours_ = 8;
  int32_t width_ = 80, height_ = 24;
  Grid shown_;
  bool repaint_ = true;
  // What the frames are written with: the description's strings (null
  // where it has none), and what the terminal was last left with.
  struct Strings {
    const char *cup = nullptr, *sgr0 = nullptr, *bold = nullptr, *smul = nullptr, *rev = nullptr, *sitm = nullptr,
               *dim = nullptr, *setaf = nullptr, *setab = nullptr, *op = nullptr, *civis = nullptr, *cnorm = nullptr,
               *clear = nullptr, *smam = nullptr, *rmam = nullptr;
    bool autoMargin = false, newlineGlitch = false;
  } caps_;
  bool utf8_ = true;
  Style drawn_;              // the style the terminal draws with
  bool drawnKnown_ = false;  // false: unknown, set in full before the next cell
  int cursorShown_ = -1;     // the cursor shown (1), hidden (0), unknown (-1)
  KeyOptions keyOptions_;
};

}  // namespace platform::terminal
