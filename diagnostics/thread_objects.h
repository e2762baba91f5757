// The component's thread-local objects that live on the heap (the
// diagnostics' failure and handler slot, the editor's globals, the word
// list). A thread-local object with a destructor would keep the component
// loaded after the host's dlclose, so each is a pointer, filled at its first
// use on a thread; freeThreadObjects() gives back every one of the calling
// thread, and a later use makes it anew. The component calls it when it can
// unload (no object of it lives), so that an unloaded component leaves
// nothing behind.
#pragma once

namespace kestrin::diagnostics {

// Remembers a filled slot of this thread; reset frees its object and
// empties it.
void rememberThreadObject(void* slot, void (*reset)(void* slot));

// Frees every thread object of the calling thread.
void freeThreadObjects();

// The object in this thread's slot, made (value-initialised) at its first
// use: `thread_local T* slot = nullptr; ... threadObject(slot)`.
template <class T>
T& threadObject(T*& slot) {
  if (!slot) {
    slot = new T();
    rememberThreadObject(&slot, [](void* s) {
      T*& filled = *static_cast<T**>(s);
      delete filled;
      filled = nullptr;
    });
  }
  return *slot;
}

}  // namespace kestrin::diagnostics
