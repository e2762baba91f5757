// Where the terminal desktop shows its frames and reads the person's input:
// the real terminal (screen.h) or, in tests, a scripted one.
#pragma once

#include <cstdint>

#include "platform/terminal/cell_grid.h"
#include "platform/terminal/input.h"

namespace platform::terminal {

class Terminal {
 public:
  virtual ~Terminal() = default;
  // The size in cells now.
  virtual int32_t width() const = 0;
  virtual int32_t height() const = 0;
  // Shows a frame: only the cells that changed since the last one go out.
  virtual void show(const Grid& frame) = 0;
  // The next input, waiting at most timeoutMillis (-1: until there is
  // some); None when the time ran out.
  virtual InputEvent next(int32_t timeoutMillis) = 0;
  // Gives the terminal back as it was found and ends the process by the
  // signal (a hang-up when 0); a terminal of a test only notes it.
  virtual void endProcess(int signal) { (void)signal; }
};

}  // namespace platform::terminal
