// The code editor at 1, 10 and 100 MB: each figure of the control beside a
// baseline measured in the same run on the same bytes (the raw read with a
// line index, memmem, write + fsync + rename). The scripts are made in the
// temporary folder and removed afterwards.
//
//   bench_code_editor_sizes [MB ...]   (default: 1 10 100)
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/controls/code_editor.h"
#include "platform/controls/code_editor_files.h"
#include "platform/ui/user.h"

namespace {

using namespace platform::controls;
using kestrin_bench::Clock;
using kestrin_bench::median;
using kestrin_bench::medianOf;
using kestrin_bench::seconds;

size_t residentBytes() {
  malloc_trim(0);
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<size_t>(resident) * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

std::string makeScript(size_t bytes) { return kestrin_bench::makeScript(bytes) + "' the NEEDLE on the last line"; }

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

void registerLanguage() {
  CodeLanguage l;
  l.keywords =
      "Call\nCase\nDim\nDo\nEach\nElse\nEnd\nExit\nFor\nFunction\nIf\nLoop\nNext\nStep\nSub\nThen\nTo\n"
      "While\nAnd\nNot\nOr\nCStr\nDrawLine\naskYesNo\nMakePocketWithKnownTool\nGetToolNumber";
  l.operators = "^\n-\n*\n/\n\\\n+\n&\n=\n<>\nMod";
  l.singleLineComments = "'\nREM\nrem";
  l.stringDelims = "\"";
  l.constants = "vbCrLf\nkzMSG_NO\nkzPOCKET_ZIGZAG";
  CodeEditorGlobals().registerLanguage("Kestrin", l);
}

void row(const char* work, int mb, const std::string& figure, const std::string& baseline, const std::string& goal) {
  std::printf("%-46s %4d MB  %16s  %-34s %s\n", work, mb, figure.c_str(), baseline.c_str(), goal.c_str());
  std::fflush(stdout);
}
std::string us(double s) {
  char b[64];
  std::snprintf(b, sizeof b, "%.2f us", s * 1e6);
  return b;
}
std::string ms(double s) {
  char b[64];
  std::snprintf(b, sizeof b, "%.2f ms", s * 1e3);
  return b;
}
std::string times(double x) {
  char b[64];
  std::snprintf(b, sizeof b, "%.2fx", x);
  return b;
}

void showFirstScreen(const CodeEditor& e) {
  size_t n = 0;
  for (int32_t l = 0; l < std::min(25, e.lineCount()); ++l) n += e.lineTokens(l).size() + e.getLine(l).size();
  if (n == 0) std::abort();
}

// Timings of a key, each stroke apart, with `undo` after each so that the
// text stays as it was.
double keyMedian(CodeEditor& e, const char* key, const char* back, int strokes) {
  std::vector<double> t;
  for (int i = 0; i < strokes; ++i) {
    const auto s = Clock::now();
    e.userKey(key);
    t.push_back(seconds(Clock::now() - s));
    if (back) e.userKey(back);
  }
  return median(t);
}

void runSize(int mb, const std::string& folder) {
  const size_t size = static_cast<size_t>(mb) * 1024 * 1024;
  const std::string path = folder + "/script-" + std::to_string(mb) + ".vbs";
  const std::string bytes = makeScript(size);
  writeFile(path, bytes);
  const int runs = mb >= 100 ? 3 : 7;

  // Open and the first screen, beside the raw read with a line index.
  const double raw = medianOf(runs, [&] {
    const int fd = open(path.c_str(), O_RDONLY);
    std::string buf(bytes.size(), '\0');
    size_t got = 0;
    for (ssize_t n; got < buf.size() && (n = read(fd, buf.data() + got, buf.size() - got)) > 0;)
      got += static_cast<size_t>(n);
    close(fd);
    std::vector<uint64_t> starts{0};
    for (const char* p = buf.data(); (p = static_cast<const char*>(std::memchr(p, '\n', buf.data() + got - p)));)
      starts.push_back(static_cast<uint64_t>(++p - buf.data()));
    if (starts.size() < 2) std::abort();
  });
  const double open = medianOf(runs, [&] {
    CodeEditor e;
    e.setLanguage("Kestrin");
    e.openFile(path);
    showFirstScreen(e);
  });
  row("open + first 25 coloured lines", mb, ms(open), "raw read + line index " + ms(raw),
      mb == 10    ? "<= 15 ms"
      : mb == 100 ? "<= 150 ms"
                  : "");

  // Memory.
  {
    const size_t before = residentBytes();
    CodeEditor e;
    e.setLanguage("Kestrin");
    e.openFile(path);
    showFirstScreen(e);
    const size_t shown = residentBytes() - before;
    for (int32_t top = 0; top < e.lineCount(); top += 25) {
      e.setTopLine(top);
      for (int32_t l = top; l < std::min(e.lineCount(), top + 25); ++l) e.lineTokens(l);
    }
    const size_t scrolled = residentBytes() - before;
    row("memory, first screen shown", mb, times(static_cast<double>(shown) / static_cast<double>(bytes.size())),
        "the file " + std::to_string(bytes.size() >> 20) + " MB", "<= 1.5x");
    row("memory, after scrolling through all", mb,
        times(static_cast<double>(scrolled) / static_cast<double>(bytes.size())), "the file", "<= 2x");
  }

  kestrin_bench::EditorHost host;
  CodeEditor e;
  e.setHost(&host);
  e.setLanguage("Kestrin");
  e.openFile(path);
  showFirstScreen(e);
  const int32_t middle = e.lineCount() / 2;
  // Enter, and a Backspace that joins the two lines again.
  {
    std::vector<double> enter, join;
    for (int i = 0; i < 2000; ++i) {
      e.setCaretPos(middle, 4);
      auto s = Clock::now();
      e.userKey("Enter");
      enter.push_back(seconds(Clock::now() - s));
      s = Clock::now();
      e.userKey("Backspace");
      join.push_back(seconds(Clock::now() - s));
    }
    row("Enter (median)", mb, us(median(enter)), "", "<= 5 us");
    row("Backspace joining two lines (median)", mb, us(median(join)), "", "<= 5 us");
  }
  e.setCaretPos(middle, 4);
  row("typed character (median)", mb, us(keyMedian(e, "x", "Backspace", 2000)), "", mb == 100 ? "<= 1 us" : "");

  // Find on the last line, beside memmem over the same bytes.
  {
    host.answers.what = "NEEDLE";
    const double find = medianOf(runs, [&] {
      e.setCaretPos(0, 0);
      e.executeCommand(cmdFind);
      if (e.getSel(true).startLine != e.lineCount() - 1) std::abort();
    });
    const double mem = medianOf(runs, [&] {
      if (!memmem(bytes.data(), bytes.size(), "NEEDLE", 6)) std::abort();
    });
    row("find on the last line", mb, ms(find), "memmem " + ms(mem) + " (" + times(find / mem) + ")", "<= 2x");
  }

  // Save, beside write + fsync + rename of the same bytes, and the same
  // with the folder synced after the rename as the save syncs it. The four
  // take turns, run by run, so that each meets the disk as busy as the
  // others; what the runs before left to write back is flushed first.
  {
    const std::string out = folder + "/saved-" + std::to_string(mb) + ".vbs";
    const std::string text = e.text();
    auto plainWrite = [&](bool syncFolder) {
      const std::string tmp = out + ".tmp";
      const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      size_t done = 0;
      for (ssize_t n; done < text.size() && (n = write(fd, text.data() + done, text.size() - done)) > 0;)
        done += static_cast<size_t>(n);
      fsync(fd);
      close(fd);
      std::rename(tmp.c_str(), out.c_str());
      if (!syncFolder) return;
      const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
      fsync(dfd);
      close(dfd);
    };
    e.saveFile(out);
    ::sync();
    std::vector<double> save, plain, plainAndFolder, onePiece;
    auto timed = [](std::vector<double>& into, const std::function<void()>& f) {
      const auto s = Clock::now();
      f();
      into.push_back(seconds(Clock::now() - s));
    };
    for (int i = 0; i < (mb >= 100 ? 3 : 9); ++i) {
      timed(save, [&] { e.saveFile(out); });
      timed(plain, [&] { plainWrite(false); });
      timed(plainAndFolder, [&] { plainWrite(true); });
      timed(onePiece, [&] { saveFileAtomically(out, text); });
    }
    // Each ratio is the median of the turns' own: the save against the
    // baseline of the same turn.
    auto ratio = [&](const std::vector<double>& base) {
      std::vector<double> r;
      for (size_t i = 0; i < save.size(); ++i) r.push_back(save[i] / base[i]);
      return times(median(r));
    };
    // The save syncs the folder after the rename (without it a crash may
    // lose the rename): its like is the baseline that does the same.
    row("save (atomic, fsync, folder fsync)", mb, ms(median(save)),
        "the same plain " + ms(median(plainAndFolder)) + " (" + ratio(plainAndFolder) + ")", mb == 10 ? "<= 1.2x" : "");
    row("  baseline without the folder fsync", mb, "",
        "write+fsync+rename " + ms(median(plain)) + " (" + ratio(plain) + ")", "");
    row("  the same save of one whole-text copy", mb, "", ms(median(onePiece)) + " (" + ratio(onePiece) + ")", "");
    std::remove(out.c_str());
  }

  // Replace all, with and without line breaks in the new text.
  {
    auto replaceAll = [&](const std::string& with) {
      std::vector<double> t;
      for (int i = 0; i < (mb >= 100 ? 1 : 3); ++i) {
        CodeEditor r;
        kestrin_bench::EditorHost h;
        r.setHost(&h);
        r.openFile(path);
        h.answers.replaceWith = {"Next", with, true};
        const auto s = Clock::now();
        r.executeCommand(cmdReplace);
        t.push_back(seconds(Clock::now() - s));
      }
      return median(t);
    };
    const double flat = replaceAll("Loop");
    const double broken = replaceAll("Loop\r\n");
    row("replace all \"Next\" -> \"Loop\"", mb, ms(flat), "", "");
    row("replace all \"Next\" -> \"Loop\" CR LF", mb, ms(broken), "without breaks: " + times(broken / flat),
        mb == 10 ? "<= 3x, <= 100 ms" : "");
  }
  std::remove(path.c_str());
}

// One line of 10 MB: a caret move and a typed character at its end.
void runLongLine(const std::string& folder) {
  const std::string path = folder + "/long-line.vbs";
  std::string line;
  while (line.size() < 10u * 1024 * 1024) line += "dblX = dblX + 1.5 * intCounter: ";
  writeFile(path, line);
  CodeEditor e;
  e.setLanguage("Kestrin");
  e.openFile(path);
  e.setCaretPos(0, e.textModel().lineLength(0));
  const double left = keyMedian(e, "Left", "Right", 500);
  const double end = keyMedian(e, "End", nullptr, 500);
  e.setCaretPos(0, e.textModel().lineLength(0));
  const double typed = keyMedian(e, "x", "Backspace", 500);
  row("caret Left at the end of one 10 MB line", 10, us(left), "", "<= 1 ms");
  row("caret End on one 10 MB line", 10, us(end), "", "<= 1 ms");
  row("typed character at the end of one 10 MB line", 10, us(typed), "", "<= 1 ms");
  std::remove(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i)
    if (const int mb = std::atoi(argv[i]); mb > 0) sizes.push_back(mb);
  if (sizes.empty()) sizes = {1, 10, 100};
  registerLanguage();
  const std::string folder =
      (std::filesystem::temp_directory_path() / ("kestrin-bench-sizes-" + std::to_string(getpid()))).string();
  std::filesystem::create_directories(folder);
  std::printf("%-46s %7s  %16s  %-34s %s\n", "work", "size", "figure", "baseline (same run)", "goal");
  for (int mb : sizes) runSize(mb, folder);
  runLongLine(folder);
  std::filesystem::remove_all(folder);
  return 0;
}
