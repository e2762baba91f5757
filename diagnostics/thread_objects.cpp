#include "diagnostics/thread_objects.h"

namespace kestrin::diagnostics {

namespace {

struct Remembered {
  void* slot;
  void (*reset)(void*);
  Remembered* next;
};

// A plain pointer: nothing to destroy at the thread's end.
thread_local Remembered* t_remembered = nullptr;

}  // namespace

void rememberThreadObject(void* slot, void (*reset)(void*)) {
  t_remembered = new Remembered{slot, reset, t_remembered};
}

void freeThreadObjects() {
  // The latest first: an object may use one made before it while it goes.
  while (Remembered* r = t_remembered) {
    t_remembered = r->next;
    r->reset(r->slot);
    delete r;
  }
}

}  // namespace kestrin::diagnostics
