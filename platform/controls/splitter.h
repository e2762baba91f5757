// The splitter: a window divided into panes, each holding a control.
//
// The settings that the main window's load step gives it by dispatch id
// (-500 automatic sizing; 1312, 1313, 1301; 1300) are kept as plain numbers
// and change nothing else. The pane collection (dispatch id 1302) counts
// from 1; pane 1 holds the task list and starts collapsed (size 0). A pane
// has a size, a single-precision number of twips, and one Boolean setting,
// `LiveResize`: while it is off the panes do not follow size changes (the
// task pane procedures switch it off while they step the size). Size 0 is
// collapsed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/control.h"

namespace platform::controls {

class SplitterPane {
 public:
  explicit SplitterPane(std::string controlName = {}) : controlName_(std::move(controlName)) {}

  float size() const noexcept { return size_; }
  // A negative size raises 380.
  void setSize(float size);
  bool collapsed() const noexcept { return size_ == 0.0f; }

  bool liveResize() const noexcept { return liveResize_; }
  void setLiveResize(bool on) noexcept { liveResize_ = on; }

  // The name of the control that the pane holds ("PVTaskPad1").
  const std::string& controlName() const noexcept { return controlName_; }
  void setControlName(std::string name) { controlName_ = std::move(name); }

  // How many times the size was changed while live resizing was off; the
  // task pane's stepped opening can be seen in it.
  int32_t quietSizeChanges() const noexcept { return quietSizeChanges_; }
  // The sizes set while live resizing was off, in their order.
  const std::vector<float>& quietSizes() const noexcept { return quietSizes_; }

 private:
  std::string controlName_;
  float size_ = 0.0f;
  bool liveResize_ = true;
  int32_t quietSizeChanges_ = 0;
  std::vector<float> quietSizes_;
};

class Splitter : public ui::Control {
 public:
  // A splitter of `paneCount` panes, all collapsed.
  explicit Splitter(std::string name = "Splitter1", int32_t paneCount = 2);
  std::string typeName() const override { return "Splitter"; }
  bool canTakeFocus() const override { return false; }

  // The settings by dispatch id; one never set reads 0.
  void setSetting(int32_t dispatchId, int32_t value) { settings_[dispatchId] = value; }
  int32_t setting(int32_t dispatchId) const;
  static constexpr int32_t kAutoSize = -500;

  // The pane collection (1302): panes 1 to paneCount(); another index
  // raises 35600 "Index out of bounds".
  SplitterPane& pane(int16_t index);
  std::shared_ptr<SplitterPane> paneShared(int16_t index);
  int32_t paneCount() const noexcept { return static_cast<int32_t>(panes_.size()); }

 private:
  std::map<int32_t, int32_t> settings_;
  std::vector<std::shared_ptr<SplitterPane>> panes_;
};

}  // namespace platform::controls
