// The completion word list: read from the word-list file, given to the code
// editor's completion list, and asked for words and their tip texts.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "diagnostics/handling.h"
#include "diagnostics/thread_objects.h"
#include "diagnostics/trace.h"
#include "editor/modCodeSense.h"
#include "editor/modMain.h"
#include "platform/controls/code_editor_lists.h"
#include "platform/runtime/checked_int.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/screen.h"
#include "platform/win32/editor_store.h"

namespace kestrin::editor::modCodeSense {

namespace {

namespace mb = platform::ui::mb;
using diagnostics::Trap;
using diagnostics::TrapEnd;

constexpr const char* kMessageTitle = "Kestrin VB Script Editor";
const std::string kNineBlanks(9, ' ');

// The rows of the last load, counted from 1: element 0 of each array is
// never used. The arrays hold exactly the rows up to the last one a load
// began to store; m_IntelliCount the rows stored completely.
struct WordList {
  std::vector<std::string> m_IntelliNames;
  std::vector<int32_t> m_IntelliKinds;
  std::vector<std::string> m_IntelliTips;
  int32_t m_IntelliCount = 0;
  // The lookup index: each word in lower case to the first complete row
  // that holds it. Made on the first lookup after a change of the rows,
  // from the rows as the scan sees them.
  std::unordered_map<std::string, int32_t> firstRow;
  bool indexed = false;
};

WordList& wordList() {
  thread_local WordList* list = nullptr;
  return diagnostics::threadObject(list);
}

// The stream a step opened; 91 "Object variable not set" when that step
// failed.
platform::scripting::TextStream& opened(const std::unique_ptr<platform::scripting::TextStream>& file) {
  if (!file) platform::raise(platform::err::ObjectVariableNotSet);
  return *file;
}

// The row's index in the arrays; 9 "Subscript out of range" outside them.
size_t rowIndex(const std::vector<std::string>& names, int32_t row) {
  if (row < 0 || static_cast<size_t>(row) >= names.size()) platform::raise(platform::err::SubscriptOutOfRange);
  return static_cast<size_t>(row);
}

}  // namespace

bool gbln_LoadIntellList() {
  Trap trap([](diagnostics::Failure&) {
    platform::ui::MsgBox("Could not load Intellisense list" + kNineBlanks, mb::OKOnly | mb::Exclamation, kMessageTitle);
  });
  bool result = true;
  diagnostics::Trace trace("modCodeSense::gbln_LoadIntellList(Function)", trap);
  const platform::scripting::FileSystemObject fso;
  std::unique_ptr<platform::scripting::TextStream> file;
  platform::StringArray fields;
  WordList& list = wordList();
  int32_t row = 0;

  const TrapEnd end = trap.body([&] {
    std::string path;
    trap.step([&] { path = platform::editorFileToRead(kWordListFile); });
    if (!trap.condition([&] { return fso.FileExists(path); })) {
      trap.step([&] {
        platform::ui::MsgBox("Unable to load intellisense" + kNineBlanks, mb::OKOnly | mb::Exclamation, kMessageTitle);
      });
      result = false;
      return;
    }
    trap.step([&] { file = fso.OpenTextFile(path); });
    // A file that cannot be read counts as read to its end.
    while (trap.condition([&] { return !opened(file).atEndOfStream(); })) {
      std::string line;
      trap.step([&] { line = opened(file).readLine(); });
      trap.step([&] { fields = platform::split(line, "|"); });
      trap.step([&] { row = platform::addLong(row, 1); });
      // Each row grows the arrays to its own index, keeping the rows before
      // it; the row itself starts empty, so that a field that fails leaves
      // nothing of an earlier load's row in its place.
      list.indexed = false;
      trap.step([&] {
        const size_t size = static_cast<size_t>(row) + 1;
        list.m_IntelliNames.resize(size);
        list.m_IntelliKinds.resize(size);
        list.m_IntelliTips.resize(size);
        list.m_IntelliNames.back().clear();
        list.m_IntelliKinds.back() = 0;
        list.m_IntelliTips.back().clear();
      });
      // A row of fewer than three fields fails at its kind; an empty line
      // already at its word.
      trap.step([&] { list.m_IntelliNames[rowIndex(list.m_IntelliNames, row)] = fields[0]; });
      trap.step([&] {
        list.m_IntelliKinds[rowIndex(list.m_IntelliNames, row)] = platform::toLong(platform::val(fields[2]));
      });
      trap.step([&] { list.m_IntelliTips[rowIndex(list.m_IntelliNames, row)] = fields[1]; });
      trap.step([&] { list.m_IntelliCount = row; });
      list.indexed = false;
      trap.step([&] { fields.erase(); });
    }
    trap.step([&] { opened(file).close(); });
  });
  if (end == TrapEnd::Aborted) result = false;
  if (end == TrapEnd::LeftAtOnce) {
    trace.skipExit();
    return result;
  }

  // The closing part, after a complete read, after Abort and after the own
  // message alike.
  fields.erase();
  platform::ui::screen().setMousePointer(0);
  file.reset();
  return result;
}

bool gbln_ShowIntelliList(platform::controls::CompletionList& list) {
  Trap trap([](diagnostics::Failure&) {
    platform::ui::MsgBox("Problem loading intellisense" + kNineBlanks, mb::OKOnly | mb::Information, kMessageTitle);
  });
  bool result = true;
  diagnostics::Trace trace("modCodeSense::gbln_ShowIntelliList(Function)", trap);
  const WordList& words = wordList();

  const TrapEnd end = trap.body([&] {
    const int32_t count = words.m_IntelliCount;
    for (int32_t i = 1; i <= count; ++i) {
      trap.step([&] {
        const size_t at = rowIndex(words.m_IntelliNames, i);
        list.addItem(words.m_IntelliNames[at], platform::subLong(words.m_IntelliKinds[at], 1), words.m_IntelliTips[at]);
      });
    }
    // The entries with their images.
    trap.step([&] { list.setImageMode(1); });
  });
  if (end == TrapEnd::Aborted) result = false;
  if (end == TrapEnd::LeftAtOnce) trace.skipExit();
  return result;
}

namespace {

// Makes the index of the rows 1 to the count: each row's word in lower
// case, the first row kept for a word that comes again. A row that cannot
// be folded is left out, as the scan's comparison with it fails.
void buildIndex(diagnostics::IgnoreFailures& ignore, WordList& words) {
  words.firstRow.clear();
  const int32_t count = words.m_IntelliCount;
  for (int32_t i = 1; i <= count; ++i) {
    ignore.step([&] {
      words.firstRow.try_emplace(platform::lCase(words.m_IntelliNames[rowIndex(words.m_IntelliNames, i)]), i);
    });
  }
  words.indexed = true;
}

// The first row whose word equals `word` without regard to case, 0 when
// none: the answer of a scan of the rows in file order that skips a
// failing comparison, found in the index.
int32_t findRow(diagnostics::IgnoreFailures& ignore, const std::string& word) {
  WordList& words = wordList();
  std::string wanted;
  ignore.step([&] { wanted = platform::lCase(word); });
  if (!words.indexed) buildIndex(ignore, words);
  const auto it = words.firstRow.find(wanted);
  return it == words.firstRow.end() ? 0 : it->second;
}

}  // namespace

bool gbln_IsIntelliWord(const std::string& word) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modCodeSense::gbln_IsIntelliWord(Function)", ignore);
  return findRow(ignore, word) != 0;
}

std::string gstr_GetItemData(const std::string& word) {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("modCodeSense::gstr_GetItemData(Function) Find:= " + word, ignore);
  std::string tip;
  const int32_t row = findRow(ignore, word);
  if (row != 0) {
    const WordList& words = wordList();
    ignore.step([&] { tip = words.m_IntelliTips[rowIndex(words.m_IntelliNames, row)]; });
  }
  return tip;
}

}  // namespace kestrin::editor::modCodeSense
