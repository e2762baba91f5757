// The emergency copy of a session that ends without the user.
//
// A hang-up, a termination signal, a closed terminal or a lost display end
// the editor without a chance to ask about unsaved work. The application
// registers one writer that keeps what would be lost (it knows the
// document and its name); a face that notices such an end calls
// runEmergencySave() from its own loop, never from inside a signal handler
// (a handler only sets a flag that the loop reads), and then ends.
#pragma once

#include <functional>

namespace platform::ui {

// The writer to run on an end without the user; an empty function removes
// it. Setting a writer arms it again after a run.
void setEmergencySave(std::function<void()> writer);

// Whether a writer is set.
bool emergencySaveSet();

// Runs the writer once: a second call (a lost display after a hang-up) does
// nothing until a writer is set again. An error escaping the writer is
// swallowed, since the caller is about to end the process. Does nothing
// when no writer is set. Not for a signal handler.
void runEmergencySave() noexcept;

}  // namespace platform::ui
