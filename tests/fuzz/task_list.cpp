// The task list file as the main window's task pane loads it: any bytes
// load or are refused, and loaded tasks are saved and load again the same.
#include "fuzz_window.h"
#include "platform/runtime/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto& tasks = *kestrin_fuzz::window().PVTaskPad1;
  const std::string path = kestrin_fuzz::inputFile("vbsed.tsk", data, size);
  try {
    tasks.load(path);
  } catch (const platform::RuntimeError&) {
    return 0;
  }
  const auto loaded = tasks.tasks();
  const std::string saved = kestrin_fuzz::editorFolder() + "/saved.tsk";
  tasks.save(saved);
  tasks.load(saved);
  if (tasks.tasks() != loaded) std::abort();
  return 0;
}
