// The host's word list ("KzLangDef.csv") as the completion loads it: any
// bytes load, in whole or in part, without a crash.
#include "editor/modCodeSense.h"
#include "fuzz_window.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kestrin_fuzz::window();
  kestrin_fuzz::inputFile("KzLangDef.csv", data, size);
  kestrin::editor::modCodeSense::gbln_LoadIntellList();
  return 0;
}
