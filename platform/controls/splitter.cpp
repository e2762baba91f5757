#include "platform/controls/splitter.h"

#include "platform/controls/control_files.h"
#include "platform/runtime/errors.h"

namespace platform::controls {

void SplitterPane::setSize(float size) {
  if (!(size >= 0.0f)) raise(err::InvalidPropertyValue);
  size_ = size;
  if (!liveResize_) {
    ++quietSizeChanges_;
    quietSizes_.push_back(size);
  }
}

Splitter::Splitter(std::string name, int32_t paneCount) : ui::Control(std::move(name)) {
  for (int32_t i = 0; i < paneCount; ++i) panes_.push_back(std::make_shared<SplitterPane>());
}

int32_t Splitter::setting(int32_t dispatchId) const {
  auto it = settings_.find(dispatchId);
  return it == settings_.end() ? 0 : it->second;
}

SplitterPane& Splitter::pane(int16_t index) { return *paneShared(index); }

std::shared_ptr<SplitterPane> Splitter::paneShared(int16_t index) {
  if (index < 1 || index > paneCount()) raiseIndexOutOfBounds("Splitter");
  return panes_[static_cast<size_t>(index - 1)];
}

}  // namespace platform::controls
