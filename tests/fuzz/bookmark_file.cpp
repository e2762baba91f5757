// The bookmark file as the restore step reads it and hands it to the
// editor: any bytes give a list of lines, which the editor takes.
#include "editor/CPreferences.h"
#include "fuzz_window.h"
#include "platform/runtime/variant.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto& main = kestrin_fuzz::window();
  kestrin_fuzz::inputFile("Bookmarks.txt", data, size);
  kestrin::editor::CPreferences preferences;
  const platform::Variant marks = preferences.GetBookMarks();
  main.CodeSense1->setText("a\r\nb\r\nc");
  main.CodeSense1->setBookmarks(marks.array<int32_t>().items());
  return 0;
}
