// The toolbar layout file as the main window's toolbar loads it: any bytes
// load or are refused with an error, and a layout that loaded is saved and
// loads again to the same file.
#include "fuzz_window.h"
#include "platform/runtime/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto& toolbar = *kestrin_fuzz::window().SSActiveToolBars1;
  const std::string path = kestrin_fuzz::inputFile("Kz.atb", data, size);
  try {
    toolbar.loadLayout(path);
  } catch (const platform::RuntimeError&) {
    return 0;
  }
  const std::string saved = kestrin_fuzz::editorFolder() + "/saved.atb";
  toolbar.saveLayout(saved);
  toolbar.loadLayout(saved);
  const std::string again = kestrin_fuzz::editorFolder() + "/again.atb";
  toolbar.saveLayout(again);
  std::ifstream a(saved, std::ios::binary), b(again, std::ios::binary);
  if (std::string(std::istreambuf_iterator<char>(a), {}) != std::string(std::istreambuf_iterator<char>(b), {}))
    std::abort();
  return 0;
}
