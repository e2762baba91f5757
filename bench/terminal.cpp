// The terminal desktop on the cell grid, without a terminal: one character
// typed into a 10 MB script at 200 x 60 cells (the frame: drawing the desktop
// into the grid and working out which cells go out), a whole redraw, and the
// bytes that ncurses writes to a terminal for one typed character. For
// comparison, in the same run, a plain copy of a whole grid. Then a key and
// its frame in the middle of a line of 50 MB, beside the same in a short
// line of a small script.
//
// A 1 MB bracketed paste from the terminal's bytes to the frame on screen
// (read, decoded, put into the editor, drawn and written out), beside the
// same text through the editor's own paste from the clipboard, drawn and
// written out the same way.
#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/controls/code_editor_control.h"
#include "platform/controls/status_bar.h"
#include "platform/controls/toolbar.h"
#include "platform/terminal/desktop_draw.h"
#include "platform/terminal/screen.h"
#include "platform/terminal/terminal_desktop.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/form.h"

namespace {

namespace pc = platform::controls;
namespace pt = platform::terminal;
namespace ui = platform::ui;

constexpr int32_t kWidth = 200, kHeight = 60;

class Window : public ui::Form {
 public:
  Window() : Form("frmBench") { setCaption("Kestrin VB Script Editor - bench.vbs"); }
  std::shared_ptr<pc::CodeEditorControl> editor;

 protected:
  void createControls() override {
    editor = add(std::make_shared<pc::CodeEditorControl>("CodeSense1"));
    auto bar = add(std::make_shared<pc::Toolbar>("Toolbar1"));
    const char* menus[] = {"&File", "&Edit", "&Utilities", "&Bookmarks", "&Kestrin", "&Help"};
    std::vector<std::string> titles;
    for (int i = 0; i < 6; ++i) {
      const std::string id = "ID_Menu" + std::to_string(i);
      bar->addTool(id, pc::ToolKind::Popup, menus[i]);
      titles.push_back(id);
    }
    bar->menuBar().items = titles;
    std::vector<std::string> tools;
    for (int i = 0; i < 14; ++i) {
      const std::string id = "ID_Tool" + std::to_string(i);
      bar->addTool(id, pc::ToolKind::Button, "Tool " + std::to_string(i));
      tools.push_back(id);
    }
    bar->addBar("Standard").items = tools;
    auto status = add(std::make_shared<pc::StatusBar>("StatusBar1"));
    status->add("PATH", "/home/user/scripts/bench.vbs");
    status->add("CURSOR", "Line 1, Col 1");
    status->add("SIZE", "File Size: 10486kb");
  }
};

void registerLanguage() {
  pc::CodeLanguage l;
  l.keywords = "Call\nDim\nFor\nTo\nStep\nNext\nIf\nThen\nExit\nEnd\nSub\nFunction";
  l.operators = "+\n-\n*\n/\n&\n=\n<>\nMod";
  l.singleLineComments = "'\nREM";
  l.stringDelims = "\"";
  l.constants = "vbCrLf\nkzMSG_NO";
  pc::CodeEditorGlobals().registerLanguage("BenchVBScript", l);
}

struct Fixture {
  std::shared_ptr<Window> window;
  pt::DesktopView view;
  std::vector<pt::Hit> hits;
  pt::Grid shown{kWidth, kHeight}, next{kWidth, kHeight};

  // A script of its own, the caret at a place of it; the window is the
  // only one shown.
  Fixture(const std::string& text, int32_t line, int32_t column) {
    open(text);
    window->editor->setCaretPos(line, column);
    pt::drawDesktop(shown, view, hits);
  }
  // The 10 MiB script, the caret in its middle.
  Fixture() {
    open(kestrin_bench::makeScript(10u * 1024 * 1024, 8));
    window->editor->setCaretPos(window->editor->lineCount() / 2, 8);
    pt::drawDesktop(shown, view, hits);
  }
  void front() {
    for (auto& f : ui::forms()) f->hide();
    window->show();
  }
  // The window on `text` with line numbers, the only one shown.
  void open(const std::string& text) {
    registerLanguage();
    for (auto& f : ui::forms()) f->hide();
    window = ui::Form::make<Window>();
    window->load();
    window->editor->setLanguage("BenchVBScript");
    window->editor->setText(text);
    window->editor->setLineNumbering(true);
    window->show();
  }
  // One frame: the desktop drawn into the grid, and the cells that go out.
  size_t frame() {
    pt::drawDesktop(next, view, hits);
    const auto cells = pt::cellsToWrite(shown, next);
    std::swap(shown, next);
    return cells.size();
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_GridCopy(benchmark::State& state) {
  auto& f = fixture();
  pt::Grid copy;
  for (auto _ : state) {
    copy = f.shown;
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_GridCopy)->Unit(benchmark::kMicrosecond);

void BM_FrameAfterTypedCharacter(benchmark::State& state) {
  auto& f = fixture();
  size_t frames = 0, cells = 0;
  kestrin_bench::timeSteps<std::micro>(
      state, "us", [&] { f.window->editor->userTypes(frames % 40 == 39 ? "\b" : "x"); },
      [&] {
        cells += f.frame();
        ++frames;
        return true;
      });
  state.counters["cells_per_frame"] = static_cast<double>(cells) / static_cast<double>(std::max<size_t>(1, frames));
}
BENCHMARK(BM_FrameAfterTypedCharacter)->Unit(benchmark::kMicrosecond);

void BM_WholeRedraw(benchmark::State& state) {
  auto& f = fixture();
  std::vector<double> micros;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    f.shown.resize(0, 0);  // nothing on the terminal: every cell goes out
    f.next.resize(kWidth, kHeight);
    f.frame();
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
  }
  kestrin_bench::reportPercentiles(state, micros, "us");
}
BENCHMARK(BM_WholeRedraw)->Unit(benchmark::kMicrosecond);

// What ncurses writes for one typed character, into a file of its own (a
// terminal described as xterm-256color); ncurses writes to the file's
// descriptor, so its size counts the bytes.
size_t sizeOf(std::FILE* f) {
  std::fflush(f);
  struct stat st {};
  ::fstat(::fileno(f), &st);
  return static_cast<size_t>(st.st_size);
}

void BM_BytesPerTypedCharacter(benchmark::State& state) {
  auto& f = fixture();
  std::FILE* out = std::tmpfile();
  std::FILE* in = std::fopen("/dev/null", "r");
  auto screen = pt::Screen::openStreams(in, out, "xterm-256color", kWidth, kHeight);
  if (!screen) {
    state.SkipWithError("no xterm-256color terminal description");
    return;
  }
  f.frame();
  screen->show(f.shown);
  const size_t whole = sizeOf(out);
  size_t perChar = 0, chars = 0;
  for (auto _ : state) {
    f.window->editor->userTypes("y");
    f.frame();
    const size_t before = sizeOf(out);
    screen->show(f.shown);
    perChar += sizeOf(out) - before;
    ++chars;
  }
  state.counters["bytes_per_char"] = static_cast<double>(perChar) / static_cast<double>(std::max<size_t>(1, chars));
  state.counters["bytes_whole_screen"] = static_cast<double>(whole);
  screen.reset();
  std::fclose(out);
  std::fclose(in);
}
BENCHMARK(BM_BytesPerTypedCharacter)->Unit(benchmark::kMicrosecond)->Iterations(200);

// A key typed and its frame, timed together.
void keyAndFrame(benchmark::State& state, Fixture& f) {
  f.front();
  f.frame();
  std::vector<double> micros;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    f.window->editor->userTypes(micros.size() % 40 == 39 ? "\b" : "x");
    f.frame();
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
  }
  kestrin_bench::reportPercentiles(state, micros, "us");
}

void BM_KeyInAShortLine(benchmark::State& state) {
  static Fixture f(kestrin_bench::makeScript(64u * 1024), 100, 20);
  keyAndFrame(state, f);
}
BENCHMARK(BM_KeyInAShortLine)->Unit(benchmark::kMicrosecond);

// One line of 50 MB: `statements` of the script's statements (from the
// second on) joined by ": ", the caret in its middle.
Fixture longLineFixture(size_t statements) {
  std::string line;
  line.reserve((50u << 20) + 128);
  for (size_t i = 0; line.size() < (50u << 20); ++i) {
    line += kestrin_bench::kScriptLines[1 + i % statements];
    line += ": ";
  }
  const std::string text = "' one long line\r\n" + line + "\r\nNext\r\n";
  return Fixture(text, 1, static_cast<int32_t>(line.size() / 2));
}

// The eighth statement is a REM: the rest of the line is a comment.
void BM_KeyInA50MBLine(benchmark::State& state) {
  static Fixture f = longLineFixture(8);
  keyAndFrame(state, f);
}
BENCHMARK(BM_KeyInA50MBLine)->Unit(benchmark::kMicrosecond);

// Without the REM: code, strings and numbers all along the line.
void BM_KeyInA50MBLineOfCode(benchmark::State& state) {
  static Fixture f = longLineFixture(7);
  keyAndFrame(state, f);
}
BENCHMARK(BM_KeyInA50MBLineOfCode)->Unit(benchmark::kMicrosecond);

// A window of its own on a screen whose input is a file holding a paste as
// a terminal sends it.
struct PasteRun {
  std::string text = kestrin_bench::makeScript(1u << 20);
  std::FILE* in = std::tmpfile();
  std::FILE* out = std::fopen("/dev/null", "w");
  std::shared_ptr<Window> window;
  std::unique_ptr<pt::TerminalDesktop> desktop;

  bool open() {
    const std::string bytes = "\x1b[200~" + text + "\x1b[201~";
    std::fwrite(bytes.data(), 1, bytes.size(), in);
    std::fflush(in);
    auto screen = pt::Screen::openStreams(in, out, "xterm-256color", kWidth, kHeight);
    if (!screen) return false;
    desktop = std::make_unique<pt::TerminalDesktop>(std::move(screen));
    window = ui::Form::make<Window>();
    window->load();
    window->show();
    return true;
  }
  void reset() {
    window->editor->setText("");
    window->editor->emptyUndoBuffer();
    ::lseek(::fileno(in), 0, SEEK_SET);
  }
  ~PasteRun() {
    desktop.reset();
    if (window) window->unload();
    std::fclose(in);
    std::fclose(out);
  }
};

void BM_PasteOnScreen(benchmark::State& state) {
  PasteRun run;
  if (!run.open()) {
    state.SkipWithError("no xterm-256color terminal description");
    return;
  }
  kestrin_bench::timeSteps<std::milli>(
      state, "ms", [&] { run.reset(); },
      [&] {
        const ui::Action a = run.desktop->nextAction(ui::WaitContext{});
        if (a.kind != ui::Action::Kind::Paste || !run.window->dispatch(a)) return false;
        run.desktop->render();
        return true;
      },
      "the paste did not arrive as one");
  state.counters["lines"] = run.window->editor->lineCount();
}
BENCHMARK(BM_PasteOnScreen)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_PasteFromClipboard(benchmark::State& state) {
  PasteRun run;
  if (!run.open()) {
    state.SkipWithError("no xterm-256color terminal description");
    return;
  }
  kestrin_bench::timeSteps<std::milli>(
      state, "ms",
      [&] {
        run.reset();
        ui::clipboard::SetText(run.text);
      },
      [&] {
        run.window->editor->paste();
        run.desktop->render();
        return true;
      });
  state.counters["lines"] = run.window->editor->lineCount();
}
BENCHMARK(BM_PasteFromClipboard)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
