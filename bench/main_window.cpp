// One typed character through the main window: the window's key events
// (key preview), the editor control's key, change and selection events,
// the dirty mark, the status panels and the word lookup, with the trace
// log written as the diagnostics object writes it (opened for every line).
// Each key is timed on its own (median and 99th percentile in µs); a
// Backspace, not timed, takes it out again so that the script keeps its
// size. Beside it, in the same run, its parts on their own and the same
// keystroke with the settings store's read cache switched off (every
// preference read asks the hive file), and with 10 and 1,000 words in the
// completion word list.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics/error_handler.h"
#include "diagnostics/trace.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modCodeSense.h"
#include "editor/modMain.h"
#include "platform/controls/code_editor.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/strings.h"
#include "platform/ui/form.h"
#include "platform/ui/scripted_user.h"
#include "platform/ui/user.h"
#include "platform/win32/component.h"
#include "platform/win32/registry.h"

namespace {

namespace fs = std::filesystem;
namespace editor = kestrin::editor;
using platform::ui::Action;

void report(benchmark::State& state, std::vector<double>& micros) {
  if (micros.empty()) return;
  std::sort(micros.begin(), micros.end());
  auto at = [&](double q) {
    size_t i = static_cast<size_t>(q * static_cast<double>(micros.size() - 1) + 0.5);
    return micros[std::min(i, micros.size() - 1)];
  };
  state.counters["median_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
}

template <typename Op, typename After>
void timed(benchmark::State& state, Op op, After after) {
  std::vector<double> micros;
  micros.reserve(100000);
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    op();
    auto end = std::chrono::steady_clock::now();
    micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    after();
  }
  report(state, micros);
}
template <typename Op>
void timed(benchmark::State& state, Op op) {
  timed(state, op, [] {});
}

Action keyAction(const char* name) {
  Action a;
  a.kind = Action::Kind::Key;
  a.form = "frmMain";
  a.text = name;
  return a;
}

// The editor folder and registry folder of one benchmark, the main window
// loaded on a 200-line script with the caret in its middle, and a word
// list of the given number of words.
class Editor {
 public:
  explicit Editor(int words) {
    // The completion events live in the authoring part; naming one of its
    // handlers links it in.
    auto keyPress = &editor::frmMain::CodeSense1_KeyPress;
    benchmark::DoNotOptimize(keyPress);
    std::string pattern = (fs::temp_directory_path() / "kestrin-bench-XXXXXX").string();
    if (mkdtemp(pattern.data())) dir_ = pattern;
    for (const char* sub :
         {"editor/Data", "editor/VB", "editor/Addlets", "editor/Help", "editor/Common/Temp", "registry"})
      fs::create_directories(dir_ + "/" + sub);
    platform::ComponentIdentity identity;
    identity.path = dir_ + "/editor/KestrinScriptEditor.so";
    identity.folder = dir_ + "/editor";
    identity.name = "KestrinScriptEditor";
    identity.major = 1;
    platform::setComponentIdentity(identity);
    platform::setRegistryFolder(dir_ + "/registry");
    platform::setRegistryReadCache(true);
    platform::ui::resetDesktop();
    user_ = platform::ui::ScriptedUser::install();
    {
      std::ofstream list(dir_ + "/editor/" + editor::modCodeSense::kWordListFile, std::ios::binary);
      for (int i = 0; i < words; ++i) list << "HostWord" << i << "|HostWord" << i << "(a, b)|1\r\n";
    }
    main_ = editor::mainWindow();
    main_->load();
    const std::string script = dir_ + "/editor/VB/bench.vbs";
    {
      std::ofstream out(script, std::ios::binary);
      for (int i = 0; i < 200; ++i) out << "    dblX = dblX + 1.5 * intCounter ' line " << i << "\r\n";
    }
    main_->FileToView(script);
    editor::modCodeSense::gbln_LoadIntellList();
    Action focus;
    focus.kind = Action::Kind::Focus;
    focus.form = "frmMain";
    focus.control = "CodeSense1";
    main_->dispatch(focus);
    // The caret after "dblX" of line 100: the word in front of it is a name.
    main_->CodeSense1->setCaretPos(100, 8);
  }
  ~Editor() {
    if (main_ && main_->loaded()) {
      main_->setIsDirty(false);
      main_->unload();
    }
    main_.reset();
    platform::ui::resetDesktop();
    platform::ui::setCurrentUser(nullptr);
    kestrin::diagnostics::errorHandlerSlot().reset();
    platform::setRegistryReadCache(true);
    platform::setRegistryFolder("");
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  editor::frmMain& main() { return *main_; }
  // A key through the window as the user presses it; false when refused.
  bool press(const char* name) { return main_->dispatch(keyAction(name)); }

 private:
  std::string dir_;
  std::shared_ptr<platform::ui::ScriptedUser> user_;
  std::shared_ptr<editor::frmMain> main_;
};

// The whole keystroke; state.range(0) words in the list, range(1) 1 for
// the read cache on, 0 for off.
void BM_Keystroke(benchmark::State& state) {
  Editor e(static_cast<int>(state.range(0)));
  platform::setRegistryReadCache(state.range(1) != 0);
  bool ok = true;
  timed(
      state, [&] { ok = e.press("a") && ok; }, [&] { ok = e.press("Backspace") && ok; });
  if (!ok) state.SkipWithError("a key was refused");
}
BENCHMARK(BM_Keystroke)->ArgNames({"words", "cache"})->Args({10, 1})->Args({1000, 1})->Args({10, 0})->Args({1000, 0});

// The parts. The control alone: the same key with no owner listening
// and no key preview.
void BM_Part_ControlOnly(benchmark::State& state) {
  Editor e(10);
  auto& control = *e.main().CodeSense1;
  auto* sink = control.eventSink();
  control.setEventSink(nullptr);
  e.main().setKeyPreview(false);
  timed(
      state, [&] { control.pressKey("a"); }, [&] { control.pressKey("Backspace"); });
  e.main().setKeyPreview(true);
  control.setEventSink(sink);
}
BENCHMARK(BM_Part_ControlOnly);

// The preference read of each selection change (the highlighted line),
// with the read cache on (1) and off (0).
void BM_Part_PreferenceRead(benchmark::State& state) {
  Editor e(10);
  platform::setRegistryReadCache(state.range(0) != 0);
  timed(state, [] { benchmark::DoNotOptimize(editor::CPreferences().HighLightLine()); });
}
BENCHMARK(BM_Part_PreferenceRead)->ArgName("cache")->Arg(1)->Arg(0);

// One traced procedure: its entry and exit lines in the trace log.
void BM_Part_TracePair(benchmark::State& state) {
  Editor e(10);
  timed(state, [] { kestrin::diagnostics::Trace trace("bench::Traced(Sub)"); });
}
BENCHMARK(BM_Part_TracePair);

void BM_Part_DirtyMark(benchmark::State& state) {
  Editor e(10);
  timed(state, [&] { editor::modMain::g_UpdateDirtyMark(e.main()); });
}
BENCHMARK(BM_Part_DirtyMark);

// The status panels of the caret ("CURSOR", "SIZE"), traced.
void BM_Part_StatusPanels(benchmark::State& state) {
  Editor e(10);
  timed(state, [&] { e.main().m_GetRange(true); });
}
BENCHMARK(BM_Part_StatusPanels);

// The word lookup of the typed character (traced) in a list of
// state.range(0) words; the word is not in it, the costliest case of a
// scan.
void BM_Part_WordLookup(benchmark::State& state) {
  Editor e(static_cast<int>(state.range(0)));
  timed(state, [] { benchmark::DoNotOptimize(editor::modCodeSense::gbln_IsIntelliWord("dblX")); });
}
BENCHMARK(BM_Part_WordLookup)->ArgName("words")->Arg(10)->Arg(1000);

// The baseline of the lookup: the scan of the rows in file order that the
// index replaces, each row folded to lower case and compared, untraced.
void BM_Baseline_WordScan(benchmark::State& state) {
  std::vector<std::string> rows;
  for (int i = 0; i < state.range(0); ++i) rows.push_back("HostWord" + std::to_string(i));
  timed(state, [&] {
    const std::string wanted = platform::lCase("dblX");
    int found = 0;
    for (size_t i = 0; i < rows.size() && !found; ++i)
      if (platform::lCase(rows[i]) == wanted) found = static_cast<int>(i) + 1;
    benchmark::DoNotOptimize(found);
  });
}
BENCHMARK(BM_Baseline_WordScan)->ArgName("words")->Arg(10)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
