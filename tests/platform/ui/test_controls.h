// Small controls for the desktop's tests: a button and a text box.
#pragma once

#include <functional>
#include <string>

#include "platform/ui/control.h"
#include "platform/ui/form.h"

namespace uitest {

class Button : public platform::ui::Control {
 public:
  using Control::Control;
  std::string typeName() const override { return "CommandButton"; }
  bool click() override {
    fireEvent("Click", onClick);
    return true;
  }
  std::function<void()> onClick;
};

class TextBox : public platform::ui::Control {
 public:
  using Control::Control;
  std::string typeName() const override { return "TextBox"; }
  bool typeText(const std::string& t) override {
    text += t;
    fireEvent("Change", onChange);
    return true;
  }
  bool setValueText(const std::string& t) override {
    text = t;
    fireEvent("Change", onChange);
    return true;
  }
  bool click() override { return true; }
  std::string valueText() const override { return text; }
  std::string text;
  std::function<void()> onChange;
};

class Label : public platform::ui::Control {
 public:
  using Control::Control;
  bool canTakeFocus() const override { return false; }
  std::string valueText() const override { return caption; }
  std::string caption;
};

// A form whose events are plain functions, so that each test wires only
// what it looks at.
class TestForm : public platform::ui::Form {
 public:
  explicit TestForm(std::string name = "frmTest") : Form(std::move(name)) {}
  std::function<void(TestForm&)> build;
  std::function<void()> whenLoaded;
  std::function<void(bool&, int32_t)> whenQueryUnload;
  std::function<void(bool&)> whenUnloaded;
  std::function<void()> whenTerminated;

 protected:
  void createControls() override {
    if (build) build(*this);
  }
  void onLoad() override {
    if (whenLoaded) whenLoaded();
  }
  void onQueryUnload(bool& cancel, int32_t mode) override {
    if (whenQueryUnload) whenQueryUnload(cancel, mode);
  }
  void onUnload(bool& cancel) override {
    if (whenUnloaded) whenUnloaded(cancel);
  }
  void onTerminate() override {
    if (whenTerminated) whenTerminated();
  }
};

inline std::shared_ptr<TestForm> makeForm(std::string name = "frmTest") {
  return platform::ui::Form::make<TestForm>(std::move(name));
}

}  // namespace uitest
