// The editor on the windowed desktop (Qt's offscreen platform): the editor's
// fixture with a windowed user in place of the scripted one while a test
// runs, and the scripted user back afterwards.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <memory>

#include "editor/editor_fixture.h"
#include "platform/gui/form_window.h"
#include "platform/gui/gui_internal.h"

namespace editor_test {

// Offscreen before the application object is made, whoever runs the test.
inline const bool kWindowsOffscreen = [] {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  return true;
}();

class WindowedEditorFixture : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    windows = std::make_shared<platform::gui::WindowUser>();
    platform::ui::setCurrentUser(windows);
  }
  void TearDown() override {
    delete answering.data();
    platform::ui::resetDesktop();
    windows->sync();
    platform::ui::setCurrentUser(user);
    windows.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EditorTest::TearDown();
  }
  // A step of the person, run once the waiting loop is idle.
  void then(std::function<void()> step) { windows->whenIdle(std::move(step)); }
  // The main window closed by its close box once the steps before are
  // done: Yes to the exit question, No to saving the script.
  void closeWithoutSaving() {
    then([this] {
      answering = new QTimer;
      QObject::connect(answering, &QTimer::timeout, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        const bool save = box->text().contains("save");
        if (QAbstractButton* b = box->button(save ? QMessageBox::No : QMessageBox::Yes)) b->click();
      });
      answering->start(5);
      windows->formWindow("frmMain")->widget()->close();
    });
  }
  std::shared_ptr<platform::gui::WindowUser> windows;
  // The timer that answers the message boxes a test expects, if it made one.
  QPointer<QTimer> answering;
};

}  // namespace editor_test
