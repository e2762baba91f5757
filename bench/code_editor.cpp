// The code editor on a 10 MB script: open, index and colour it; one
// keystroke in it; find in it; and, for comparison, the raw read() of the
// same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/controls/code_editor.h"
#include "platform/ui/user.h"

namespace {

using namespace platform::controls;

// Made on first use and removed when the program ends.
const std::string& scriptPath() {
  static const kestrin_bench::TempScript script(
      "bench", kestrin_bench::makeScript(10u * 1024 * 1024) + "' the needle at the very end\r\n");
  return script.path;
}

void registerLanguage() {
  static bool done = [] {
    CodeLanguage l;
    std::string words =
        "Call\nCase\nClass\nConst\nDim\nDo\nEach\nElse\nElseIf\nEnd\nExit\nFor\nFunction\nIf\nIn\n"
        "Loop\nNext\nOn\nOption\nPrivate\nPublic\nReDim\nSelect\nSet\nStep\nSub\nThen\nTo\nWend\n"
        "While\nWith\nAnd\nNot\nOr\nIs\nCStr\nCInt\nMsgBox\nInputBox";
    for (int i = 0; i < 300; ++i) words += "\nHostFunction" + std::to_string(i);
    words += "\nDrawLine\naskYesNo\nMakePocketWithKnownTool\nGetToolNumber";
    l.keywords = words;
    l.operators = "^\n-\n*\n/\n\\\n+\n&\n=\n<>\nXor\nMod";
    l.singleLineComments = "'\nREM\nrem";
    l.stringDelims = "\"";
    std::string constants = "vbCrLf\nvbOK\nkzMSG_NO\nkzPOCKET_ZIGZAG";
    for (int i = 0; i < 100; ++i) constants += "\nkzCONSTANT" + std::to_string(i);
    l.constants = constants;
    CodeEditorGlobals().registerLanguage("Kestrin", l);
    return true;
  }();
  (void)done;
}

void BM_RawRead(benchmark::State& state) {
  const std::string& path = scriptPath();
  std::vector<char> buf(1 << 16);
  int64_t bytes = 0;
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY);
    ssize_t n;
    while ((n = read(fd, buf.data(), buf.size())) > 0) bytes += n;
    close(fd);
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond);

void BM_Open(benchmark::State& state) {
  const std::string& path = scriptPath();
  int64_t bytes = 0;
  for (auto _ : state) {
    CodeEditor editor;
    editor.openFile(path);
    bytes += editor.textLength();
    benchmark::DoNotOptimize(editor.lineCount());
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

void BM_OpenIndexColour(benchmark::State& state) {
  registerLanguage();
  const std::string& path = scriptPath();
  int64_t bytes = 0;
  for (auto _ : state) {
    CodeEditor editor;
    editor.setLanguage("Kestrin");
    editor.openFile(path);
    editor.colourAll();
    bytes += editor.textLength();
    benchmark::DoNotOptimize(editor.lineTokens(editor.lineCount() / 2).size());
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_OpenIndexColour)->Unit(benchmark::kMillisecond);

// One key in the middle of the loaded, coloured document, with its key,
// change and selection events to a listening owner. The key and a
// Backspace take turns, so that the document stays the same size.
class CountingSink : public CodeEditorEvents {
 public:
  int64_t events = 0;
  void textChange(CodeEditor&) override { ++events; }
  void selectionChange(CodeEditor&) override { ++events; }
  bool keyDown(CodeEditor&, int32_t, int32_t) override { return ++events, false; }
  bool keyPress(CodeEditor&, int32_t, int32_t) override { return ++events, false; }
  bool keyUp(CodeEditor&, int32_t, int32_t) override { return ++events, false; }
};

void keystroke(benchmark::State& state, const char* key) {
  registerLanguage();
  CodeEditor editor;
  CountingSink sink;
  editor.setEventSink(&sink);
  editor.setLanguage("Kestrin");
  editor.openFile(scriptPath());
  editor.colourAll();
  editor.setBookmarks({10, editor.lineCount() / 2 + 10, editor.lineCount() - 2});
  editor.setCaretPos(editor.lineCount() / 2, 4);
  bool back = false;
  for (auto _ : state) {
    editor.userKey(back ? "Backspace" : key);
    back = !back;
    benchmark::DoNotOptimize(editor.lineTokens(editor.caretPos().line).size());
  }
  state.counters["events"] = static_cast<double>(sink.events);
}
void BM_KeystrokeCharacter(benchmark::State& state) { keystroke(state, "x"); }
void BM_KeystrokeEnter(benchmark::State& state) { keystroke(state, "Enter"); }
BENCHMARK(BM_KeystrokeCharacter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeystrokeEnter)->Unit(benchmark::kMicrosecond);

// Find a word that stands only on the last line, from the top: the whole
// text is searched.
void BM_FindInWholeText(benchmark::State& state) {
  CodeEditor editor;
  kestrin_bench::EditorHost host;
  host.answers.what = "NEEDLE";
  editor.setHost(&host);
  editor.openFile(scriptPath());
  int64_t bytes = 0;
  for (auto _ : state) {
    editor.setCaretPos(0, 0);
    editor.executeCommand(cmdFind);
    if (editor.getSel(true).startLine != editor.lineCount() - 2) state.SkipWithError("not found");
    bytes += editor.textLength();
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_FindInWholeText)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
