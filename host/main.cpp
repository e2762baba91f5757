// kestrin-host: the editor's host program.
#include "host/app.h"
#include "host/session.h"

// The bridge library's run_vbscript calls back here, inside the hand-over,
// so that a scenario's `onrun` host call runs where a host application's
// would.
extern "C" __attribute__((visibility("default"))) void kestrin_host_onrun(const char* path) {
  if (auto* s = kestrin_host::Session::current()) s->bridgeRan(path ? path : "");
}

int main(int argc, char** argv) { return kestrin_host::hostMain(argc, argv); }
