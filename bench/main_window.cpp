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

#include "bench_support.h"
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

using kestrin_bench::timeEachMicros;

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
    const std::string& dir = folder_.path();
    for (const char* sub :
         {"editor/Data", "editor/VB", "editor/Addlets", "editor/Help", "editor/Common/Temp", "registry"})
      fs::create_directories(dir + "/" + sub);
    platform::ComponentIdentity identity;
    identity.path = dir + "/editor/KestrinScriptEditor.so";
    identity.folder = dir + "/editor";
    identity.name = "KestrinScriptEditor";
    identity.major = 1;
    platform::setComponentIdentity(identity);
    platform::setRegistryFolder(dir + "/registry");
    platform::setRegistryReadCache(true);
    platform::ui::resetDesktop();
    user_ = platform::ui::ScriptedUser::install();
    {
      std::ofstream list(dir + "/editor/" + editor::modCodeSense::kWordListFile, std::ios::binary);
      for (int i = 0; i < words; ++i) list << "HostWord" << i << "|HostWord" << i << "(a, b)|1\r\n";
    }
    main_ = editor::mainWindow();
    main_->load();
    const std::string script = dir + "/editor/VB/bench.vbs";
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
  }
  editor::frmMain& main() { return *main_; }
  // A key through the window as the user presses it; false when refused.
  bool press(const char* name) { return main_->dispatch(keyAction(name)); }

 private:
  kestrin_bench::TempFolder folder_;
  std::shared_ptr<platform::ui::ScriptedUser> user_;
  std::shared_ptr<editor::frmMain> main_;
};

// The whole keystroke; state.range(0) words in the list, range(1) 1 for
// the read cache on, 0 for off.
void BM_Keystroke(benchmark::State& state) {
  Editor e(static_cast<int>(state.range(0)));
  platform::setRegistryReadCache(state.range(1) != 0);
  bool ok = true;
  timeEachMicros(
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
  timeEachMicros(
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
  timeEachMicros(state, [] { benchmark::DoNotOptimize(editor::CPreferences().HighLightLine()); });
}
BENCHMARK(BM_Part_PreferenceRead)->ArgName("cache")->Arg(1)->Arg(0);

// One traced procedure: its entry and exit lines in the trace log.
void BM_Part_TracePair(benchmark::State& state) {
  Editor e(10);
  timeEachMicros(state, [] { kestrin::diagnostics::Trace trace("bench::Traced(Sub)"); });
}
BENCHMARK(BM_Part_TracePair);

void BM_Part_DirtyMark(benchmark::State& state) {
  Editor e(10);
  timeEachMicros(state, [&] { editor::modMain::g_UpdateDirtyMark(e.main()); });
}
BENCHMARK(BM_Part_DirtyMark);

// The status panels of the caret ("CURSOR", "SIZE"), traced.
void BM_Part_StatusPanels(benchmark::State& state) {
  Editor e(10);
  timeEachMicros(state, [&] { e.main().m_GetRange(true); });
}
BENCHMARK(BM_Part_StatusPanels);

// The word lookup of the typed character (traced) in a list of
// state.range(0) words; the word is not in it, the costliest case of a
// scan.
void BM_Part_WordLookup(benchmark::State& state) {
  Editor e(static_cast<int>(state.range(0)));
  timeEachMicros(state, [] { benchmark::DoNotOptimize(editor::modCodeSense::gbln_IsIntelliWord("dblX")); });
}
BENCHMARK(BM_Part_WordLookup)->ArgName("words")->Arg(10)->Arg(1000);

// The baseline of the lookup: the scan of the rows in file order that the
// index replaces, each row folded to lower case and compared, untraced.
void BM_Baseline_WordScan(benchmark::State& state) {
  std::vector<std::string> rows;
  for (int i = 0; i < state.range(0); ++i) rows.push_back("HostWord" + std::to_string(i));
  timeEachMicros(state, [&] {
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
