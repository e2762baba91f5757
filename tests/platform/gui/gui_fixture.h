// What the windowed desktop's tests run in: Qt's offscreen platform (no
// display needed), a fresh desktop and a windowed user; a person's input
// reaches the real widgets through QTest while the waiting loop runs.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/gui/form_window.h"
#include "platform/gui/gui_internal.h"
#include "platform/runtime/clock.h"
#include "platform/ui/form.h"

namespace gui_test {

// Offscreen before the application object is made, whoever runs the test.
inline const bool kOffscreen = [] {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  return true;
}();

// Acts on the next modal dialog of the toolkit once it is open (a
// message box, a file dialog), from inside its own loop.
inline void onModal(std::function<void(QWidget*)> act) {
  auto* poll = new QTimer;
  auto started = std::make_shared<QElapsedTimer>();
  started->start();
  QObject::connect(poll, &QTimer::timeout, [poll, act, started] {
    QWidget* m = QApplication::activeModalWidget();
    if (!m) {
      if (started->elapsed() > 5000) {
        ADD_FAILURE() << "no modal dialog opened";
        poll->deleteLater();
      }
      return;
    }
    poll->stop();
    poll->deleteLater();
    act(m);
  });
  poll->start(5);
}

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ui::resetDesktop();
    platform::setVirtualClock(platform::localMillisFrom(2024, 1, 15, 9, 30, 0));
    user = std::make_shared<platform::gui::WindowUser>();
    platform::ui::setCurrentUser(user);
  }
  void TearDown() override {
    platform::ui::resetDesktop();
    user->sync();
    platform::ui::setCurrentUser(nullptr);
    user.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    platform::useRealClock();
  }
  // A step of the person, run once the waiting loop is idle.
  void then(std::function<void()> step) { user->whenIdle(std::move(step)); }
  static void onModal(std::function<void(QWidget*)> act) { gui_test::onModal(std::move(act)); }
  QWidget* window(const std::string& form) const { return user->windowOf(form); }
  template <class T>
  T* widget(const std::string& form, const std::string& control) const {
    auto* w = user->formWindow(form);
    return w ? dynamic_cast<T*>(w->controlWidget(control)) : nullptr;
  }
  std::shared_ptr<platform::gui::WindowUser> user;
};

}  // namespace gui_test
