// The code editor's window on Qt's offscreen platform, on a 10 MB script
// and on a script of one 50 MB line: a typed character to the end of its
// repaint (p99), and opening the script to the first painted screen
// beyond the open itself. Each has its baseline in the same run: the same
// character in a ten-line script, and the open alone. The window is built as the main window is: a menu bar, a
// toolbar and status panels around the code view; each key sets the
// cursor panel and the dirty mark as the main window does, and the repaint
// is the toolkit's own (what the key invalidated, painted and flushed).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/controls/code_editor_control.h"
#include "platform/controls/status_bar.h"
#include "platform/controls/toolbar.h"
#include "platform/gui/code_view.h"
#include "platform/gui/form_window.h"
#include "platform/gui/gui_internal.h"
#include "platform/ui/form.h"

namespace {

using namespace platform::controls;
using Clock = std::chrono::steady_clock;

const std::string& scriptPath() {
  static const kestrin_bench::TempScript script("gui-bench", kestrin_bench::makeScript(10u * 1024 * 1024));
  return script.path;
}

// One line of 50 MB: the script's lines joined by ": ".
const std::string& longLinePath() {
  static const kestrin_bench::TempScript script("gui-bench-line", [] {
    std::string line;
    line.reserve((50u << 20) + 128);
    for (size_t i = 0; line.size() < (50u << 20); ++i) {
      line += kestrin_bench::kScriptLines[i % std::size(kestrin_bench::kScriptLines)];
      line += ": ";
    }
    return line;
  }());
  return script.path;
}

void registerLanguage() {
  static bool done = [] {
    CodeLanguage l;
    l.keywords = "Call\nDim\nExit\nFor\nIf\nNext\nStep\nThen\nTo\nCStr\nMsgBox";
    l.operators = "^\n-\n*\n/\n\\\n+\n&\n=\n<>\nXor\nMod";
    l.singleLineComments = "'\nREM\nrem";
    l.stringDelims = "\"";
    l.constants = "vbCrLf\nkzMSG_NO\nkzPOCKET_ZIGZAG";
    CodeEditorGlobals().registerLanguage("Kestrin", l);
    return true;
  }();
  (void)done;
}

class EditForm : public platform::ui::Form {
 public:
  EditForm() : Form("frmBench") {}
  std::shared_ptr<CodeEditorControl> code;
  std::shared_ptr<Toolbar> tools;
  std::shared_ptr<StatusBar> status;

  // What the main window does on a key: the cursor panel and the dirty
  // mark (set again on every key, changed only by the first).
  void afterKey() {
    const auto caret = code->caretPos();
    status->panel("CURSOR").setText("  Line " + std::to_string(caret.line + 1) + ", Col " +
                                    std::to_string(caret.column + 1));
    status->panel("MAIN").setText("bench.vbs*");
  }

 protected:
  void createControls() override {
    tools = add(std::make_shared<Toolbar>("SSActiveToolBars1"));
    for (const char* menu : {"&File", "&Edit", "&View", "&Tools", "&Help"}) {
      const std::string id = std::string("ID_") + (menu + 1);
      auto& popup = tools->addTool(id, ToolKind::Popup, menu);
      for (int i = 0; i < 8; ++i) {
        const std::string item = id + std::to_string(i);
        tools->addTool(item, ToolKind::MenuItem, "Item &" + std::to_string(i));
        popup.items.push_back(item);
      }
      tools->menuBar().items.push_back(id);
    }
    auto& bar = tools->addBar("Standard");
    for (const char* id : {"ID_File0", "ID_File1", "ID_Edit0", "ID_Edit1", "ID_Edit2", "ID_Tools0"})
      bar.items.push_back(id);
    code = add(std::make_shared<CodeEditorControl>("CodeSense1"));
    code->setLanguage("Kestrin");
    status = add(std::make_shared<StatusBar>("StatusBar1"));
    status->add("MAIN", "bench.vbs");
    status->add("CURSOR");
    status->add("SIZE", "File Size: 10486kb");
  }
};

struct Desktop {
  std::shared_ptr<platform::gui::WindowUser> user;
  std::shared_ptr<EditForm> form;
  platform::gui::CodeView* view = nullptr;

  explicit Desktop(const std::string& text, bool fromFile) {
    registerLanguage();
    user = std::make_shared<platform::gui::WindowUser>();
    platform::ui::setCurrentUser(user);
    form = platform::ui::Form::make<EditForm>();
    form->load();
    form->move(0, 0, 1200 * 15, 800 * 15);
    if (fromFile)
      form->code->openFile(text);
    else
      form->code->setText(text);
    form->show();
    user->sync();
    view = user->formWindow("frmBench")->codeView();
    (void)QTest::qWaitForWindowExposed(view->window());
  }
  ~Desktop() {
    form->unload();
    user->sync();
    platform::ui::setCurrentUser(nullptr);
    user.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // The form takes the key as the waiting loop hands it over, the window
  // follows, and the toolkit paints and flushes what that invalidated, as
  // the waiting loop lets it before it sleeps.
  void type(const std::string& key) {
    platform::ui::Action a;
    a.kind = platform::ui::Action::Kind::Key;
    a.text = key;
    form->dispatch(a);
    form->afterKey();
    user->sync();
    QCoreApplication::sendPostedEvents();
  }
};

enum class Script { TenLines, TenMegabytes, OneLongLine };

void typedCharacter(benchmark::State& state, Script script) {
  std::string small;
  for (int i = 0; i < 10; ++i) small += "Dim intCounter, dblX, dblY, strName\r\n";
  const bool fromFile = script != Script::TenLines;
  Desktop d(script == Script::TenLines       ? small
            : script == Script::TenMegabytes ? scriptPath()
                                             : longLinePath(),
            fromFile);
  if (script == Script::OneLongLine)
    d.form->code->setCaretPos(0, d.form->code->textModel().lineLength(0) / 2);
  else
    d.form->code->setCaretPos(d.form->code->lineCount() / 2, 4);
  d.type("a");
  std::vector<double> ms;
  bool back = false;
  int64_t lines = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    d.type(back ? "Backspace" : "a");
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    lines += d.view->linesPainted();
    back = !back;
  }
  kestrin_bench::reportPercentiles(state, ms, "ms");
  // The lines the key's repaint drew, on average.
  state.counters["lines_painted"] = static_cast<double>(lines) / static_cast<double>(ms.size());
}

void BM_TypedCharacterRepaint_TenLines(benchmark::State& state) { typedCharacter(state, Script::TenLines); }
void BM_TypedCharacterRepaint_10MB(benchmark::State& state) { typedCharacter(state, Script::TenMegabytes); }
// In the middle of the line, the view scrolled sideways to it.
void BM_TypedCharacterRepaint_50MBLine(benchmark::State& state) { typedCharacter(state, Script::OneLongLine); }
BENCHMARK(BM_TypedCharacterRepaint_TenLines)->Unit(benchmark::kMillisecond)->Iterations(400);
BENCHMARK(BM_TypedCharacterRepaint_10MB)->Unit(benchmark::kMillisecond)->Iterations(400);
BENCHMARK(BM_TypedCharacterRepaint_50MBLine)->Unit(benchmark::kMillisecond)->Iterations(400);

// The open alone, then the open with the window built and its first screen
// painted: the difference is what the window adds.
void BM_OpenOnly_10MB(benchmark::State& state) {
  registerLanguage();
  for (auto _ : state) {
    CodeEditorControl code;
    code.setLanguage("Kestrin");
    code.openFile(scriptPath());
    benchmark::DoNotOptimize(code.lineCount());
  }
}
BENCHMARK(BM_OpenOnly_10MB)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenToFirstPaint_10MB(benchmark::State& state) {
  double beyond = 0;
  for (auto _ : state) {
    registerLanguage();
    auto user = std::make_shared<platform::gui::WindowUser>();
    platform::ui::setCurrentUser(user);
    auto form = platform::ui::Form::make<EditForm>();
    form->load();
    form->move(0, 0, 1200 * 15, 800 * 15);
    const auto t0 = Clock::now();
    form->code->openFile(scriptPath());
    const auto t1 = Clock::now();
    form->show();
    user->sync();
    auto* view = user->formWindow("frmBench")->codeView();
    (void)view->grab();
    const auto t2 = Clock::now();
    beyond += std::chrono::duration<double, std::milli>(t2 - t1).count();
    benchmark::DoNotOptimize(t0);
    state.PauseTiming();
    form->unload();
    user->sync();
    platform::ui::setCurrentUser(nullptr);
    user.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
  state.counters["beyond_open_ms"] = beyond / static_cast<double>(state.iterations());
}
BENCHMARK(BM_OpenToFirstPaint_10MB)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  platform::gui::ensureApplication();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove(scriptPath());
  return 0;
}
