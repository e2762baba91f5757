// Where the windows hand in what the person does: an action for the
// waiting loop, or a change of the view that runs there (contained). The
// widgets know only this, not the user that owns them.
#pragma once

#include <functional>

#include "platform/ui/user.h"

namespace platform::gui {

class ActionSink {
 public:
  virtual void post(ui::Action action) = 0;
  virtual void postCall(std::function<void()> call) = 0;

 protected:
  ~ActionSink() = default;
};

}  // namespace platform::gui
