#include "platform/terminal/screen.h"

#define NCURSES_WIDECHAR 1
#include <curses.h>
#include <term.h>
#undef lines
#undef columns
#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>

namespace platform::terminal {

namespace {

// What the signal handlers need, made while the terminal is set up, so
// that they call nothing but write, tcsetattr, sigaction and raise.
struct SignalState {
  int fd = -1;
  termios saved{};   // the terminal as it was found
  termios active{};  // the terminal as the desktop uses it
  bool haveTermios = false;
  char off[512] = {};
  size_t offLength = 0;
  char on[512] = {};
  size_t onLength = 0;
  int wake[2] = {-1, -1};
  volatile sig_atomic_t resized = 0;
  volatile sig_atomic_t resumed = 0;
  volatile sig_atomic_t ending = 0;  // the signal that asks the program to end
  // The host's standard output and error while the desktop is up: kept in
  // a file of memory, shown when the terminal is given back.
  int savedOut = -1, savedErr = -1, held = -1;
  struct sigaction previous[NSIG] = {};
};

SignalState g;
std::atomic<bool> screenOpen{false};

// Signals that ask the program to end: the handler only notes them, the
// desktop's loop ends the program (after the emergency copy).
constexpr int kEndRequests[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
// Crashes: the terminal is given back at once and the signal raised again.
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

void writeAll(int fd, const char* s, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, s, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    s += w;
    n -= static_cast<size_t>(w);
  }
}

// The host's output of the time the desktop was up, to the terminal, and
// its standard output and error back where they were. Signal-safe.
void releaseOutput() {
  if (g.savedOut >= 0) ::dup2(g.savedOut, STDOUT_FILENO);
  if (g.savedErr >= 0) ::dup2(g.savedErr, STDERR_FILENO);
  if (g.held >= 0) {
    char buf[4096];
    off_t at = 0;
    for (;;) {
      const ssize_t n = ::pread(g.held, buf, sizeof buf, at);
      if (n <= 0) break;
      writeAll(g.savedOut >= 0 ? STDOUT_FILENO : g.fd, buf, static_cast<size_t>(n));
      at += n;
    }
    ::close(g.held);
  }
  if (g.savedOut >= 0) ::close(g.savedOut);
  if (g.savedErr >= 0) ::close(g.savedErr);
  g.savedOut = g.savedErr = g.held = -1;
}

// Write errors are ignored: after a hang-up the terminal may be gone.
void giveBack() {
  writeAll(g.fd, g.off, g.offLength);
  if (g.haveTermios) ::tcsetattr(g.fd, TCSADRAIN, &g.saved);
}

void onEndingSignal(int sig) {
  giveBack();
  releaseOutput();
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  ::sigaction(sig, &dfl, nullptr);
  // Raised again on return (a crash faults again at its place), now with
  // the default action, so that the exit status and core dump stay.
  ::raise(sig);
}

void onStop(int) {
  const int saved = errno;
  giveBack();
  struct sigaction dfl {
  }, ours{};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  ::sigaction(SIGTSTP, &dfl, &ours);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTSTP);
  ::raise(SIGTSTP);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);  // stops here until SIGCONT
  ::sigaction(SIGTSTP, &ours, nullptr);
  if (g.haveTermios) ::tcsetattr(g.fd, TCSADRAIN, &g.active);
  writeAll(g.fd, g.on, g.onLength);
  g.resumed = 1;
  if (g.wake[1] >= 0) writeAll(g.wake[1], "c", 1);
  errno = saved;
}

void onEndRequest(int sig) {
  // The second request while the first waits for the loop (a program busy
  // elsewhere) ends it at once.
  if (g.ending) onEndingSignal(sig);
  const int saved = errno;
  g.ending = sig;
  if (g.wake[1] >= 0) writeAll(g.wake[1], "e", 1);
  errno = saved;
}

void onResize(int) {
  const int saved = errno;
  g.resized = 1;
  if (g.wake[1] >= 0) writeAll(g.wake[1], "w", 1);
  errno = saved;
}

// The host's standard output and error, where they are this terminal, go
// to a file of memory while the desktop is up, so that nothing is written
// over it; releaseOutput shows what came. The demo bridge knows that file
// by its name, "kestrin-held-output", as the terminal.
void holdOutput() {
  struct stat tty {};
  if (::fstat(g.fd, &tty) != 0) return;
  // The desktop's terminal is opened as /dev/tty, whose device is not the
  // terminal's own (/dev/pts/N): a stream is that terminal when it is the
  // same device, or the controlling terminal of this session as well.
  const pid_t session = ::tcgetsid(g.fd);
  auto isOurs = [&](int fd) {
    struct stat st {};
    if (!::isatty(fd) || ::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    return st.st_rdev == tty.st_rdev || (session >= 0 && ::tcgetsid(fd) == session);
  };
  const bool out = isOurs(STDOUT_FILENO), err = isOurs(STDERR_FILENO);
  if (!out && !err) return;
  g.held = ::memfd_create("kestrin-held-output", MFD_CLOEXEC);
  if (g.held < 0) return;
  std::fflush(stdout);
  std::fflush(stderr);
  if (out) {
    g.savedOut = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (g.savedOut >= 0) ::dup2(g.held, STDOUT_FILENO);
  }
  if (err) {
    g.savedErr = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (g.savedErr >= 0) ::dup2(g.held, STDERR_FILENO);
  }
}

void install(int sig, void (*handler)(int)) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(sig, &sa, &g.previous[sig]);
}

void append(char* buf, size_t* len, size_t cap, const char* s) {
  if (!s || s == reinterpret_cast<const char*>(-1)) return;
  const size_t n = std::strlen(s);
  if (*len + n >= cap) return;
  std::memcpy(buf + *len, s, n);
  *len += n;
}

const char* cap(const char* name) {
  const char* s = tigetstr(const_cast<char*>(name));
  return s == reinterpret_cast<const char*>(-1) ? nullptr : s;
}

// The modes the desktop switches on itself: mouse buttons and motion while
// a button is down, SGR reports, bracketed paste.
// Key reports with their modifiers (xterm's modifyOtherKeys 2; tmux passes
// them with extended-keys, in the CSI u form), so that Ctrl+H, Ctrl+I and
// Ctrl+M are keys of their own; a terminal that does not know the request
// ignores it.
constexpr const char* kModesOn = "\x1b[?1000h\x1b[?1002h\x1b[?1006h\x1b[?2004h\x1b[>4;2m";
constexpr const char* kModesOff = "\x1b[>4m\x1b[?2004l\x1b[?1006l\x1b[?1002l\x1b[?1000l";

std::string savedLocale;

bool utf8Locale() {
  const char* cs = nl_langinfo(CODESET);
  return cs && (std::strcmp(cs, "UTF-8") == 0 || std::strcmp(cs, "utf8") == 0);
}

void chooseLocale() {
  const char* now = std::setlocale(LC_CTYPE, nullptr);
  savedLocale = now ? now : "C";
  if (std::setlocale(LC_CTYPE, "") && utf8Locale()) return;
  if (std::setlocale(LC_CTYPE, "C.UTF-8") && utf8Locale()) return;
  std::setlocale(LC_CTYPE, savedLocale.c_str());
}

// Where tputs puts what it gives out (padding done as the description
// asks), for the frame being composed.
thread_local std::string* composing = nullptr;

int composeByte(int c) {
  composing->push_back(static_cast<char>(c));
  return c;
}

// Whether a cell's text goes out as it is: no control character (C0, DEL
// or C1), which the terminal would take for a command.
bool sendable(std::string_view text) {
  if (text.empty()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x20 || b == 0x7F) return false;
    if (b == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) return false;
  }
  return true;
}

void put(std::string& out, const char* s) {
  if (!s) return;
  composing = &out;
  tputs(s, 1, composeByte);
  composing = nullptr;
}

}  // namespace

std::unique_ptr<Screen> Screen::openTerminal(std::string* why) {
  auto fail = [&](std::string reason) -> std::unique_ptr<Screen> {
    if (why) *why = std::move(reason);
    return nullptr;
  };
  if (screenOpen.exchange(true)) return fail("the terminal is already in use");
  const char* term = std::getenv("TERM");
  if (!term || !*term || std::strcmp(term, "dumb") == 0) {
    screenOpen = false;
    return fail("the terminal type (TERM) does not allow a full screen");
  }
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    screenOpen = false;
    return fail("there is no terminal (/dev/tty)");
  }
  std::FILE* in = ::fdopen(fd, "r");
  const int fd2 = ::dup(fd);
  std::FILE* out = fd2 >= 0 ? ::fdopen(fd2, "w") : nullptr;
  if (!in || !out) {
    if (in)
      std::fclose(in);
    else
      ::close(fd);
    if (out)
      std::fclose(out);
    else if (fd2 >= 0)
      ::close(fd2);
    screenOpen = false;
    return fail("the terminal cannot be opened");
  }
  std::unique_ptr<Screen> s(new Screen);
  if (!s->setUp(in, out, term, true, why)) {
    screenOpen = false;
    return nullptr;
  }
  return s;
}

std::unique_ptr<Screen> Screen::openStreams(std::FILE* in, std::FILE* out, const char* term, int32_t width,
                                            int32_t height) {
  std::unique_ptr<Screen> s(new Screen);
  if (!s->setUp(in, out, term, false, nullptr)) return nullptr;
  resize_term(height, width);
  wnoutrefresh(stdscr);
  s->width_ = width;
  s->height_ = height;
  return s;
}

bool Screen::setUp(std::FILE* in, std::FILE* out, const char* term, bool own, std::string* why) {
  in_ = in;
  out_ = out;
  ownTerminal_ = own;
  chooseLocale();
  if (own) {
    g.fd = ::fileno(out);
    g.haveTermios = ::tcgetattr(g.fd, &g.saved) == 0;
    if (::pipe2(g.wake, O_CLOEXEC | O_NONBLOCK) != 0) g.wake[0] = g.wake[1] = -1;
    g.ending = 0;
    // Ours before newterm, so that ncurses leaves these signals alone.
    for (int sig : kEndRequests) install(sig, onEndRequest);
    for (int sig : kCrashSignals) install(sig, onEndingSignal);
    install(SIGTSTP, onStop);
    install(SIGWINCH, onResize);
    struct sigaction ign {};
    ign.sa_handler = SIG_IGN;
    sigemptyset(&ign.sa_mask);
    ::sigaction(SIGPIPE, &ign, &g.previous[SIGPIPE]);
  }
  SCREEN* sp = newterm(term, out, in);
  if (!sp) {
    if (why) *why = std::string("the terminal type ") + (term ? term : "") + " is unknown";
    tearDown();
    return false;
  }
  screen_ = sp;
  set_term(sp);
  raw();
  noecho();
  nonl();
  intrflush(stdscr, FALSE);
  keypad(stdscr, TRUE);
  meta(stdscr, TRUE);
  set_escdelay(25);
  if (has_colors()) {
    start_color();
    use_default_colors();
    colours_ = COLORS;
  }
  direct_ = colours_ >= 0x1000000;
  // The mouse and paste reports come as our own key codes whatever the
  // terminal's description says about the mouse.
  define_key("\x1b[<", own_key::SgrMouse);
  define_key("\x1b[M", own_key::X10Mouse);
  define_key("\x1b[200~", own_key::PasteStart);
  define_key("\x1b[201~", own_key::PasteEnd);
  define_key("\x1b[27;", own_key::OtherKey);
  for (const auto& own : csiUSequences()) define_key(own.sequence.c_str(), own.code);
  // What a terminal description names is one of the ways these keys come:
  // tmux sends ESC [1~ and ESC [4~ for Home and End whatever TERM says, and
  // xterm sends ESC [H or ESC OH as its cursor mode is. The other forms are
  // taken too, where the description gives them to no other key.
  for (const auto& alt : alternateKeySequences())
    if (key_defined(alt.sequence.c_str()) == 0) define_key(alt.sequence.c_str(), alt.code);
  if (const char* kbs = cap("kbs")) keyOptions_.backspaceIsCtrlH = std::strcmp(kbs, "\b") == 0;
  for (const auto& [name, capability] : modifiedKeyCapabilities())
    if (const char* seq = cap(capability.c_str()); seq && *seq)
      if (int code = key_defined(seq); code > 0) keyOptions_.extended[code] = name;
  width_ = COLS;
  height_ = LINES;
  utf8_ = utf8Locale();
  caps_.cup = cap("cup");
  caps_.sgr0 = cap("sgr0");
  caps_.bold = cap("bold");
  caps_.smul = cap("smul");
  caps_.rev = cap("rev");
  caps_.sitm = cap("sitm");
  caps_.dim = cap("dim");
  caps_.setaf = cap("setaf");
  caps_.setab = cap("setab");
  caps_.op = cap("op");
  caps_.civis = cap("civis");
  caps_.cnorm = cap("cnorm");
  caps_.clear = cap("clear");
  caps_.smam = cap("smam");
  caps_.rmam = cap("rmam");
  caps_.autoMargin = tigetflag(const_cast<char*>("am")) > 0;
  caps_.newlineGlitch = tigetflag(const_cast<char*>("xenl")) > 0;
  if (!caps_.cup) {
    if (why) *why = std::string("the terminal type ") + (term ? term : "") + " cannot move the cursor";
    tearDown();
    return false;
  }
  // The frames are written past ncurses: its own window stays as it is
  // now, unchanged, so that reading a key never redraws it.
  wnoutrefresh(stdscr);
  if (own) {
    g.offLength = g.onLength = 0;
    append(g.off, &g.offLength, sizeof g.off, kModesOff);
    append(g.off, &g.offLength, sizeof g.off, cap("sgr0"));
    append(g.off, &g.offLength, sizeof g.off, cap("cnorm"));
    append(g.off, &g.offLength, sizeof g.off, cap("rmkx"));
    append(g.off, &g.offLength, sizeof g.off, cap("rmcup"));
    append(g.on, &g.onLength, sizeof g.on, cap("smcup"));
    append(g.on, &g.onLength, sizeof g.on, cap("smkx"));
    append(g.on, &g.onLength, sizeof g.on, kModesOn);
    // Written outside ncurses' drawing, before the first frame.
    std::fflush(out);
    doupdate();
    writeAll(g.fd, kModesOn, std::strlen(kModesOn));
    g.haveTermios = g.haveTermios && ::tcgetattr(g.fd, &g.active) == 0;
    holdOutput();
  }
  shown_.resize(0, 0);
  repaint_ = true;
  drawnKnown_ = false;
  cursorShown_ = -1;
  return true;
}

void Screen::tearDown() {
  if (screen_) {
    set_term(static_cast<SCREEN*>(screen_));
    if (ownTerminal_) {
      std::fflush(out_);
      writeAll(g.fd, kModesOff, std::strlen(kModesOff));
    }
    // ncurses leaves the terminal from where the frames left the cursor,
    // which it does not know: told, it ends on the last row as it would.
    std::string last;
    put(last, caps_.sgr0);
    put(last, caps_.cnorm);
    if (ownTerminal_) writeAll(g.fd, last.data(), last.size());
    mvcur(-1, -1, LINES - 1, 0);
    endwin();
    std::fflush(out_);
    delscreen(static_cast<SCREEN*>(screen_));
    screen_ = nullptr;
  }
  if (ownTerminal_) {
    if (g.haveTermios) ::tcsetattr(g.fd, TCSADRAIN, &g.saved);
    std::fflush(stdout);
    std::fflush(stderr);
    releaseOutput();
    for (int sig : kEndRequests) ::sigaction(sig, &g.previous[sig], nullptr);
    for (int sig : kCrashSignals) ::sigaction(sig, &g.previous[sig], nullptr);
    ::sigaction(SIGTSTP, &g.previous[SIGTSTP], nullptr);
    ::sigaction(SIGWINCH, &g.previous[SIGWINCH], nullptr);
    ::sigaction(SIGPIPE, &g.previous[SIGPIPE], nullptr);
    g.offLength = g.onLength = 0;
    g.fd = -1;
    for (int& p : g.wake) {
      if (p >= 0) ::close(p);
      p = -1;
    }
    if (in_) std::fclose(in_);
    if (out_) std::fclose(out_);
    in_ = out_ = nullptr;
    screenOpen = false;
  }
  std::setlocale(LC_CTYPE, savedLocale.c_str());
}

Screen::~Screen() { tearDown(); }

int Screen::colourOf(uint32_t c) const {
  if (c == kDefault) return -1;
  const int r = static_cast<int>(c & 0xFF), gr = static_cast<int>((c >> 8) & 0xFF),
            b = static_cast<int>((c >> 16) & 0xFF);
  if (direct_) return (r << 16) | (gr << 8) | b;
  if (colours_ >= 256) {
    auto level = [](int v) { return v < 48 ? 0 : v < 115 ? 1 : (v - 35) / 40; };
    static const int steps[] = {0, 95, 135, 175, 215, 255};
    const int lr = level(r), lg = level(gr), lb = level(b);
    const int cube = 16 + 36 * lr + 6 * lg + lb;
    const int grey = (r + gr + b) / 3;
    const int gi = grey > 238 ? 23 : grey < 8 ? 0 : (grey - 8) / 10;
    const int gv = 8 + 10 * gi;
    auto dist = [&](int x, int y, int z) { return (r - x) * (r - x) + (gr - y) * (gr - y) + (b - z) * (b - z); };
    return dist(gv, gv, gv) < dist(steps[lr], steps[lg], steps[lb]) ? 232 + gi : cube;
  }
  int index = (r > 127 ? 1 : 0) | (gr > 127 ? 2 : 0) | (b > 127 ? 4 : 0);
  if (colours_ >= 16 && (r > 191 || gr > 191 || b > 191)) index += 8;
  return index;
}

void Screen::appendStyle(std::string& out, const Style& style) {
  if (drawnKnown_ && style == drawn_) return;
  const bool colours = has_colors();
  // Attributes are only ever added one by one: one taken away resets them
  // all (and with them the colours).
  const uint8_t had = drawnKnown_ ? drawn_.attrs : 0;
  // A colour back to the terminal's own, where the description has no
  // string for that alone, resets everything as well.
  const bool toDefault =
      (style.fg == kDefault && drawn_.fg != kDefault) || (style.bg == kDefault && drawn_.bg != kDefault);
  const bool reset = !drawnKnown_ || (had & ~style.attrs) != 0 || (colours && toDefault && !caps_.op);
  Style from = drawn_;
  if (reset) {
    put(out, caps_.sgr0);
    from = Style{};
  }
  const uint8_t added = reset ? style.attrs : static_cast<uint8_t>(style.attrs & ~had);
  if (added & attr::Bold) put(out, caps_.bold);
  if (added & attr::Underline) put(out, caps_.smul);
  if (added & attr::Reverse) put(out, caps_.rev);
  if (added & attr::Italic) put(out, caps_.sitm);
  if (added & attr::Dim) put(out, caps_.dim);
  if (colours) {
    // A colour back to the terminal's own: both back (some terminals keep
    // the colours over sgr0, so after it too), the other one set again.
    if ((style.fg == kDefault && from.fg != kDefault) || (style.bg == kDefault && from.bg != kDefault) ||
        (reset && (style.fg == kDefault || style.bg == kDefault))) {
      put(out, caps_.op);
      from.fg = from.bg = kDefault;
    }
    if (style.fg != kDefault && style.fg != from.fg && caps_.setaf) put(out, tiparm(caps_.setaf, colourOf(style.fg)));
    if (style.bg != kDefault && style.bg != from.bg && caps_.setab) put(out, tiparm(caps_.setab, colourOf(style.bg)));
  }
  drawn_ = style;
  drawnKnown_ = true;
}

void Screen::appendCursorTo(std::string& out, int32_t x, int32_t y) { put(out, tiparm(caps_.cup, y, x)); }

void Screen::show(const Grid& frame) {
  set_term(static_cast<SCREEN*>(screen_));
  if (frame.width() != width_ || frame.height() != height_) return;  // a frame of an old size
  std::string out;
  out.reserve(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
  bool cleared = false;
  if (repaint_) {
    // A clear screen holds blanks of the default colours: only what
    // differs from them is drawn.
    drawnKnown_ = false;
    appendStyle(out, Style{});
    put(out, caps_.clear);
    cleared = caps_.clear != nullptr;
    if (cleared)
      shown_.resize(width_, height_);
    else
      shown_.resize(0, 0);
    repaint_ = false;
  }
  // Where the terminal's cursor stands while the cells go out (-1: not
  // known, moved to the next cell's place); clear leaves it at the top left.
  int32_t cx = -1, cy = -1;
  if (cleared) cx = cy = 0;
  for (const CellAt& at : cellsToWrite(shown_, frame)) {
    const Cell& c = frame.at(at.x, at.y);
    const bool lastCell = at.y == height_ - 1 && at.x + std::max<int32_t>(1, c.width) >= width_;
    // The last cell of the screen, on a terminal whose cursor wraps at
    // once, would scroll everything up by a row: written with the
    // automatic margin off, or not at all.
    const bool marginOff = lastCell && caps_.autoMargin && !caps_.newlineGlitch;
    if (marginOff && !(caps_.rmam && caps_.smam)) continue;
    if (at.x != cx || at.y != cy) appendCursorTo(out, at.x, at.y);
    appendStyle(out, c.style);
    if (marginOff) put(out, caps_.rmam);
    const std::string_view text = c.text;
    if (!sendable(text) || (!utf8_ && static_cast<unsigned char>(text[0]) >= 0x80)) {
      // A terminal without UTF-8 gets a mark in each cell of the character,
      // and no terminal ever gets a control character.
      out.append(c.width == 2 ? "??" : "?");
    } else {
      out.append(text);
    }
    if (marginOff) put(out, caps_.smam);
    cx = at.x + std::max<int32_t>(1, c.width);
    cy = at.y;
    // At the right margin terminals differ in where the cursor stands.
    if (cx >= width_) cx = cy = -1;
  }
  shown_ = frame;
  appendStyle(out, Style{});
  const bool cursor = frame.cursorX >= 0 && frame.cursorY >= 0 && frame.cursorX < width_ && frame.cursorY < height_;
  if (cursor) {
    if (cursorShown_ != 1) put(out, caps_.cnorm);
    appendCursorTo(out, frame.cursorX, frame.cursorY);
  } else if (cursorShown_ != 0) {
    put(out, caps_.civis);
  }
  cursorShown_ = cursor ? 1 : 0;
  if (out.empty()) return;
  if (ownTerminal_) {
    std::fflush(out_);
    writeAll(g.fd, out.data(), out.size());
  } else {
    std::fwrite(out.data(), 1, out.size(), out_);
    std::fflush(out_);
  }
}

void Screen::checkSize() {
  if (!ownTerminal_) return;
  winsize ws{};
  if (::ioctl(g.fd, TIOCGWINSZ, &ws) != 0 || ws.ws_row == 0 || ws.ws_col == 0) return;
  if (ws.ws_row != height_ || ws.ws_col != width_) {
    resize_term(ws.ws_row, ws.ws_col);
    wnoutrefresh(stdscr);
    height_ = ws.ws_row;
    width_ = ws.ws_col;
  }
  repaint_ = true;
}

int Screen::readByte(int32_t timeoutMillis) {
  wtimeout(stdscr, timeoutMillis);
  return wgetch(stdscr);
}

InputEvent Screen::readMouseSgr() {
  std::string body;
  while (body.size() < 24) {
    const int c = readByte(50);
    if (c == ERR) return {};
    body += static_cast<char>(c);
    if (c == 'M' || c == 'm') break;
  }
  InputEvent e;
  if (auto m = decodeSgrMouse(body)) {
    e.kind = InputEvent::Kind::Mouse;
    e.mouse = *m;
  }
  return e;
}

InputEvent Screen::readMouseX10() {
  int b[3];
  for (int& v : b)
    if ((v = readByte(50)) == ERR || v > 255) return {};
  InputEvent e;
  if (auto m = decodeX10Mouse(static_cast<unsigned char>(b[0]), static_cast<unsigned char>(b[1]),
                              static_cast<unsigned char>(b[2]))) {
    e.kind = InputEvent::Kind::Mouse;
    e.mouse = *m;
  }
  return e;
}

InputEvent Screen::readPaste() {
  // The paste's bytes are read as they are, in large pieces, past ncurses'
  // key decoding (which reads a byte at a time and would take a pasted
  // escape sequence for a key). ncurses holds nothing back after the start
  // marker, which ends no longer sequence.
  InputEvent e;
  e.kind = InputEvent::Kind::Paste;
  PasteCollector paste;
  const int fd = ::fileno(in_);
  std::string buf(1 << 16, '\0');
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    const int n = ::poll(&p, 1, 500);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // a paste that never ends: what came
    const ssize_t got = ::read(fd, buf.data(), buf.size());
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) break;
    auto r = paste.add(std::string_view(buf.data(), static_cast<size_t>(got)));
    if (r.complete) {
      // What came after the paste is input still to read.
      for (auto it = r.rest.rbegin(); it != r.rest.rend(); ++it) ungetch(static_cast<unsigned char>(*it));
      break;
    }
  }
  e.text = paste.take();
  return e;
}

InputEvent Screen::next(int32_t timeoutMillis) {
  set_term(static_cast<SCREEN*>(screen_));
  for (;;) {
    if (g.ending) {
      InputEvent e;
      e.kind = InputEvent::Kind::Ending;
      e.signal = g.ending;
      return e;
    }
    if (g.resized || g.resumed) {
      if (g.resumed) repaint_ = true;
      g.resized = 0;
      g.resumed = 0;
      if (g.wake[0] >= 0) {
        char buf[64];
        while (::read(g.wake[0], buf, sizeof buf) > 0) {
        }
      }
      checkSize();
      InputEvent e;
      e.kind = InputEvent::Kind::Resize;
      return e;
    }
    wint_t wc = 0;
    wtimeout(stdscr, 0);
    int r = wget_wch(stdscr, &wc);
    if (r != ERR) {
      if (r == KEY_CODE_YES) {
        switch (static_cast<int>(wc)) {
          case own_key::SgrMouse: return readMouseSgr();
          case own_key::X10Mouse: return readMouseX10();
          case own_key::PasteStart: return readPaste();
          case own_key::PasteEnd: return {};
          case own_key::OtherKey: return readOtherKey();
          case KEY_RESIZE: checkSize(); break;
          default: break;
        }
        if (static_cast<int>(wc) >= own_key::CsiUBase && static_cast<int>(wc) < own_key::CsiUBase + 128 * 8) {
          const int32_t v = static_cast<int>(wc) - own_key::CsiUBase;
          return decodeModifiedKey(static_cast<uint32_t>(v / 8), v % 8 + 1);
        }
        return decodeKey(true, static_cast<uint32_t>(wc), false, keyOptions_);
      }
      if (wc == 27) {
        // Alt is an Escape followed by what is already there.
        wint_t next = 0;
        wtimeout(stdscr, 0);
        const int r2 = wget_wch(stdscr, &next);
        if (r2 == OK && next == '[') {
          // ESC [ followed at once by more is a sequence no key of the
          // description matches: a key in xterm's form (as tmux sends its
          // keys with modifiers whatever TERM says), else dropped, not typed.
          if (auto sequence = readControlSequence()) return decodeControlSequence(*sequence);
        }
        if (r2 == OK && next == 27) {
          // Two Escapes read at once (typed quickly, or sent together) are
          // two Escapes: the second is read again on its own, so that a
          // menu and its submenu both close.
          unget_wch(next);
          return decodeKey(false, 27, false, keyOptions_);
        }
        if (r2 == OK) return decodeKey(false, static_cast<uint32_t>(next), true, keyOptions_);
        if (r2 == KEY_CODE_YES) {
          if (static_cast<int>(next) == own_key::SgrMouse) return readMouseSgr();
          return decodeKey(true, static_cast<uint32_t>(next), true, keyOptions_);
        }
      }
      return decodeKey(false, static_cast<uint32_t>(wc), false, keyOptions_);
    }
    if (timeoutMillis == 0) return {};
    pollfd fds[2] = {{::fileno(in_), POLLIN, 0}, {g.wake[0], POLLIN, 0}};
    const int n = ::poll(fds, ownTerminal_ && g.wake[0] >= 0 ? 2 : 1, timeoutMillis);
    if (n == 0) return {};
    if (n < 0 && errno != EINTR) return {};
    if (n > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))) {
      InputEvent e;
      e.kind = InputEvent::Kind::Closed;
      return e;
    }
    timeoutMillis = timeoutMillis > 0 ? std::min<int32_t>(timeoutMillis, 50) : timeoutMillis;
  }
}

std::optional<std::string> Screen::readControlSequence() {
  wint_t c = 0;
  wtimeout(stdscr, 0);
  const int r = wget_wch(stdscr, &c);
  if (r == KEY_CODE_YES) ungetch(static_cast<int>(c));
  if (r != OK) return std::nullopt;
  if (c < 0x20 || c > 0x7E) {
    unget_wch(static_cast<wchar_t>(c));
    return std::nullopt;
  }
  // Parameters and intermediates (0x20 to 0x3F), up to the final byte.
  std::string body(1, static_cast<char>(c));
  while (body.size() < 32 && c >= 0x20 && c <= 0x3F) {
    wtimeout(stdscr, 0);
    if (wget_wch(stdscr, &c) != OK || c > 0x7E) return std::string();
    body += static_cast<char>(c);
  }
  return body;
}

InputEvent Screen::readOtherKey() {
  std::string body;
  while (body.size() < 24) {
    const int c = readByte(50);
    if (c == ERR) return {};
    body += static_cast<char>(c);
    if (c == '~') break;
  }
  return decodeOtherKeyReport(body);
}

void Screen::endProcess(int signal) {
  if (!ownTerminal_) return;
  // The terminal as it was, whatever the writes answer (after a hang-up it
  // may be gone), then the signal's own end, so that the exit status says
  // how the program ended.
  giveBack();
  std::fflush(stdout);
  std::fflush(stderr);
  releaseOutput();
  if (signal <= 0) signal = SIGHUP;
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  ::sigaction(signal, &dfl, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(signal);
  ::_exit(128 + signal);
}

}  // namespace platform::terminal
