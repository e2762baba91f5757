// The status bar: a row of panels, each addressed by its key or by its
// position (counted from 1).
//
// A text panel shows the text last set; a date panel and a time panel show
// the desktop clock (clock.h) in the platform's short date ("dd/mm/yyyy")
// and short time ("hh:mm") forms whenever they are read. Asking for a key
// the bar lacks raises 35601 "Element not found", a position it lacks 35600
// "Index out of bounds"; keys are compared with regard to case.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/control.h"

namespace platform::controls {

enum class PanelStyle { Text, Date, Time };

class StatusPanel {
 public:
  StatusPanel(std::string key, std::string text, PanelStyle style)
      : key_(std::move(key)), text_(std::move(text)), style_(style) {}

  const std::string& key() const noexcept { return key_; }
  PanelStyle style() const noexcept { return style_; }
  // A text panel's text; a date or time panel's date or time now.
  std::string text() const;
  // Sets a text panel's text; a date or time panel keeps it for when it
  // becomes a text panel again, as the bar's own panels do.
  void setText(std::string text) { text_ = std::move(text); }
  void setStyle(PanelStyle style) noexcept { style_ = style; }

 private:
  std::string key_;
  std::string text_;
  PanelStyle style_;
};

class StatusBar : public ui::Control {
 public:
  explicit StatusBar(std::string name = "StatusBar1");
  std::string typeName() const override { return "StatusBar"; }
  bool canTakeFocus() const override { return false; }

  // Adds a panel at the end; a key that the bar already has raises 35602
  // "Key is not unique in collection". The empty key adds a panel that only
  // its position reaches.
  StatusPanel& add(std::string key, std::string text = {}, PanelStyle style = PanelStyle::Text);
  StatusPanel& panel(const std::string& key);
  StatusPanel& panel(int32_t position);
  bool hasPanel(const std::string& key) const;
  int32_t count() const noexcept { return static_cast<int32_t>(panels_.size()); }

  // The panels' texts, separated by " | ", for transcripts and the console.
  std::string valueText() const override;

 private:
  std::vector<std::unique_ptr<StatusPanel>> panels_;
};

}  // namespace platform::controls
