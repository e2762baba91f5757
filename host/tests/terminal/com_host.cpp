// A host of its own for the terminal tests: it loads the component through
// COM and calls RunEditor on its argument, and has no display code at all;
// the editor's windows open on the platform's default desktop.
//   kestrin-com-host EDITOR_DIR SCRIPT
#include <cstdio>
#include <string>

#include "host/editor_link.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kestrin-com-host EDITOR_DIR SCRIPT\n");
    return 2;
  }
  int status = 0;
  {
    kestrin_host::EditorLink link(argv[1]);
    std::string why;
    if (!link.ensureEditor(&why)) {
      std::fprintf(stderr, "the editor cannot be created: %s\n", why.c_str());
      return 1;
    }
    const auto run = link.runEditor(std::string(argv[2]));
    if (!run.reached || run.error) status = 1;
    link.freeEditor();
  }
  return status;
}
