#include <gtest/gtest.h>

#include "common/raised.h"
#include "common/ui_test_user.h"
#include "platform/ui/emergency.h"
#include "platform/ui/timer.h"
#include "platform/ui/windows.h"
#include "test_controls.h"

using namespace platform;
using namespace platform::ui;
using uitest::Button;
using uitest::TestForm;
using uitest::TextBox;

namespace {

class FormTest : public kestrin_test::UiTest {};

int32_t raisedNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

TEST_F(FormTest, LoadMakesTheWindowAndControlsBeforeTheLoadEvent) {
  auto f = uitest::makeForm("frmOptions");
  std::vector<std::string> seen;
  f->build = [&](TestForm& form) {
    seen.push_back("controls");
    form.add(std::make_shared<TextBox>("txtUser"));
  };
  f->whenLoaded = [&] {
    seen.push_back("load");
    EXPECT_NE(f->hWnd(), 0u);
    EXPECT_EQ(f->control("txtUser").name(), "txtUser");
  };
  EXPECT_EQ(f->hWnd(), 0u);
  f->load();
  f->load();  // a loaded form loads once
  EXPECT_EQ(seen, (std::vector<std::string>{"controls", "load"}));
  EXPECT_TRUE(f->loaded());
  EXPECT_FALSE(f->visible());
  EXPECT_TRUE(IsWindow(f->hWnd()));
}

TEST_F(FormTest, TheFormsCollectionKeepsLoadOrder) {
  auto a = uitest::makeForm("frmMain");
  auto b = uitest::makeForm("frmAbout");
  auto c = uitest::makeForm("frmOptions");
  b->load();
  a->load();
  c->load();
  auto names = [] {
    std::vector<std::string> n;
    for (auto& f : forms()) n.push_back(f->name());
    return n;
  };
  EXPECT_EQ(names(), (std::vector<std::string>{"frmAbout", "frmMain", "frmOptions"}));
  a->unload();
  EXPECT_EQ(names(), (std::vector<std::string>{"frmAbout", "frmOptions"}));
  a->load();
  EXPECT_EQ(names(), (std::vector<std::string>{"frmAbout", "frmOptions", "frmMain"}));
  EXPECT_EQ(findForm("FRMMAIN"), a);
}

TEST_F(FormTest, UnloadModeIsZeroForTheCloseBoxAndOneForCode) {
  auto f = uitest::makeForm();
  std::vector<int32_t> modes;
  bool keepOpen = true;
  f->whenQueryUnload = [&](bool& cancel, int32_t mode) {
    modes.push_back(mode);
    cancel = keepOpen;
  };
  int unloads = 0;
  f->whenUnloaded = [&](bool&) { ++unloads; };
  f->load();
  EXPECT_FALSE(f->closeBox());
  EXPECT_FALSE(f->unload());
  EXPECT_TRUE(f->loaded());
  EXPECT_EQ(unloads, 0);  // a cancelled close query skips the unload event
  keepOpen = false;
  HWND h = f->hWnd();
  EXPECT_TRUE(f->closeBox());
  EXPECT_EQ(modes, (std::vector<int32_t>{0, 1, 0}));
  EXPECT_EQ(unloads, 1);
  EXPECT_FALSE(f->loaded());
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(f->hWnd(), 0u);
  EXPECT_TRUE(f->unload());  // not loaded: nothing to do
  EXPECT_EQ(unloads, 1);
}

TEST_F(FormTest, CancelInTheUnloadEventKeepsTheFormLoaded) {
  auto f = uitest::makeForm();
  f->whenUnloaded = [](bool& cancel) { cancel = true; };
  f->load();
  EXPECT_FALSE(f->unload());
  EXPECT_TRUE(f->loaded());
}

TEST_F(FormTest, AFormUnloadedInsideItsOwnClickHandlerSurvivesTheHandler) {
  bool terminated = false;
  std::weak_ptr<TestForm> watch;
  {
    auto f = uitest::makeForm("frmAddFunction");
    watch = f;
    f->whenTerminated = [&] { terminated = true; };
    f->build = [](TestForm& form) {
      auto ok = form.add(std::make_shared<Button>("cmdOK")).get();
      // A raw pointer: a handler that held its own control would keep it
      // alive for ever. The running event keeps it alive by itself.
      ok->onClick = [&form, ok] {
        form.unload();
        // Still running on the unloaded form and its dropped button.
        EXPECT_FALSE(form.loaded());
        EXPECT_EQ(ok->form(), nullptr);
        EXPECT_EQ(ok->name(), "cmdOK");
      };
    };
    user->click("cmdOK");
    f->show(vbModal);
    EXPECT_FALSE(f->loaded());
    EXPECT_FALSE(terminated);  // still referenced here
  }
  EXPECT_TRUE(terminated);
  EXPECT_TRUE(watch.expired());
}

TEST_F(FormTest, TerminateRunsWhenTheLastReferenceGoesAfterTheUnload) {
  std::vector<std::string> seen;
  auto f = uitest::makeForm();
  f->whenUnloaded = [&](bool&) { seen.push_back("unload"); };
  f->whenTerminated = [&] { seen.push_back("terminate"); };
  f->load();
  std::weak_ptr<TestForm> watch = f;
  f.reset();  // the forms collection still holds the loaded form
  ASSERT_FALSE(watch.expired());
  EXPECT_TRUE(seen.empty());
  watch.lock()->unload();
  EXPECT_EQ(seen, (std::vector<std::string>{"unload", "terminate"}));
  EXPECT_TRUE(watch.expired());
}

// What a library's unload waits for: a form kept by its cancelled close, a
// timer of no form, the emergency writer.
TEST_F(FormTest, TheDesktopHoldsObjectsWhileAFormATimerOrTheEmergencyWriterLives) {
  ASSERT_FALSE(desktopHoldsObjects());
  bool keep = true;
  {
    auto f = uitest::makeForm("frmMain");
    f->whenQueryUnload = [&](bool& cancel, int32_t) { cancel = keep; };
    f->build = [](TestForm& form) { form.add(std::make_shared<TextBox>("txtUser")); };
    f->load();
    EXPECT_FALSE(f->unload());
  }
  EXPECT_TRUE(desktopHoldsObjects()) << "the kept form";
  keep = false;
  EXPECT_TRUE(findForm("frmMain")->unload());
  EXPECT_FALSE(desktopHoldsObjects()) << "the form and its control went";

  auto timer = std::make_shared<Timer>("tmrAlone");
  EXPECT_TRUE(desktopHoldsObjects()) << "a timer of no form";
  timer.reset();
  EXPECT_FALSE(desktopHoldsObjects());

  setEmergencySave([] {});
  EXPECT_TRUE(desktopHoldsObjects()) << "the emergency writer";
  setEmergencySave(nullptr);
  EXPECT_FALSE(desktopHoldsObjects());
}

class frmAbout : public Form {
 public:
  frmAbout() : Form("frmAbout") { ++made; }
  static inline int made = 0;
};

TEST_F(FormTest, UnloadingReleasesTheDefaultInstance) {
  frmAbout::made = 0;
  auto first = defaultInstance<frmAbout>();
  EXPECT_EQ(defaultInstance<frmAbout>(), first);
  first->load();
  first->unload();
  auto second = defaultInstance<frmAbout>();
  EXPECT_NE(second, first);
  EXPECT_EQ(frmAbout::made, 2);
  releaseDefaultInstance<frmAbout>();
  EXPECT_NE(defaultInstance<frmAbout>(), second);
}

TEST_F(FormTest, ControlsByNameAndIndex) {
  auto f = uitest::makeForm("frmAddProperty");
  f->build = [](TestForm& form) {
    form.add(std::make_shared<TextBox>("txtFunctionName"));
    for (int i = 0; i < 3; ++i) form.add(std::make_shared<Button>("chkProperties", i));
  };
  f->load();
  EXPECT_EQ(f->control("chkProperties", 2).fullName(), "chkProperties(2)");
  EXPECT_EQ(f->control("TXTFUNCTIONNAME").name(), "txtFunctionName");
  EXPECT_EQ(f->findControl("chkProperties(1)")->index(), 1);
  EXPECT_EQ(f->findControl("chkProperties(7)"), nullptr);
  EXPECT_EQ(f->controlArray("chkProperties").size(), 3u);

  struct Case {
    std::function<void()> lookup;
    int32_t number;
  } cases[] = {
      {[&] { f->control("chkProperties", 3); }, 340},  // the array lacks the index
      {[&] { f->control("chkProperties"); }, 340},     // an array needs an index
      {[&] { f->control("txtFunctionName", 0); }, 340},
      {[&] { f->control("txtMissing"); }, 730},
      {[&] { f->add(std::make_shared<Button>("chkProperties", 1)); }, 360},
  };
  for (auto& c : cases) EXPECT_EQ(raisedNumber(c.lookup), c.number);
}

TEST_F(FormTest, LostFocusRunsBeforeTheClickThatMovesTheFocus) {
  std::vector<std::string> seen;
  auto f = uitest::makeForm("frmOptions");
  f->build = [&](TestForm& form) {
    auto minutes = form.add(std::make_shared<TextBox>("txtAutoSaveFileMinutes")).get();
    auto ok = form.add(std::make_shared<Button>("cmdOK")).get();
    minutes->onGotFocus = [&] { seen.push_back("minutes got focus"); };
    minutes->onLostFocus = [&, minutes] {
      seen.push_back("minutes lost focus");
      if (minutes->text.empty()) minutes->text = "0";
    };
    ok->onClick = [&, minutes] {
      seen.push_back("OK sees " + minutes->text);
      form.unload();
    };
  };
  user->setValue("txtAutoSaveFileMinutes", "").click("cmdOK");
  f->show(vbModal);
  EXPECT_EQ(seen, (std::vector<std::string>{"minutes got focus", "minutes lost focus", "OK sees 0"}));
}

TEST_F(FormTest, AModalShowFocusesTheFirstControlInTabOrder) {
  std::vector<std::string> focused;
  auto f = uitest::makeForm();
  f->build = [&](TestForm& form) {
    form.add(std::make_shared<uitest::Label>("lblName"));
    auto a = form.add(std::make_shared<TextBox>("txtA"));
    auto b = form.add(std::make_shared<TextBox>("txtB"));
    b->setTabIndex(0);  // txtB first; the others move up
    EXPECT_EQ(a->tabIndex(), 2);
    a->onGotFocus = [&] { focused.push_back("txtA"); };
    b->onGotFocus = [&] { focused.push_back("txtB"); };
  };
  user->key("Tab");
  f->show(vbModal);
  EXPECT_EQ(focused, (std::vector<std::string>{"txtB", "txtA"}));
  EXPECT_FALSE(f->loaded());  // nobody acts any more: the loop unloaded it
}

TEST_F(FormTest, TabMovesTheFocusAlongTheTabOrder) {
  auto f = uitest::makeForm();
  f->build = [](TestForm& form) {
    form.add(std::make_shared<TextBox>("txtA"));
    form.add(std::make_shared<uitest::Label>("lbl"));
    auto hidden = form.add(std::make_shared<TextBox>("txtHidden"));
    hidden->setVisible(false);
    form.add(std::make_shared<TextBox>("txtB"));
  };
  f->show();
  EXPECT_EQ(f->focusedControl()->name(), "txtA");
  std::string why;
  Action tab;
  tab.kind = Action::Kind::Key;
  tab.text = "Tab";
  EXPECT_TRUE(f->dispatch(tab, &why));
  EXPECT_EQ(f->focusedControl()->name(), "txtB");
  EXPECT_TRUE(f->dispatch(tab));
  EXPECT_EQ(f->focusedControl()->name(), "txtA");
  tab.text = "Shift+Tab";
  EXPECT_TRUE(f->dispatch(tab));
  EXPECT_EQ(f->focusedControl()->name(), "txtB");
}

TEST_F(FormTest, WindowStateSetWhileHiddenAppliesWhenShown) {
  auto f = uitest::makeForm();
  f->load();
  f->setWindowState(vbMaximized);
  EXPECT_FALSE(IsZoomed(f->hWnd()));
  EXPECT_EQ(f->windowState(), vbMaximized);
  f->show();
  EXPECT_TRUE(IsZoomed(f->hWnd()));
  f->setWindowState(vbMinimized);
  EXPECT_TRUE(IsIconic(f->hWnd()));
  ShowWindow(f->hWnd(), SW_RESTORE);  // the window is the truth while shown
  EXPECT_EQ(f->windowState(), vbMaximized);
  f->hide();
  EXPECT_EQ(f->windowState(), vbMaximized);
  EXPECT_EQ(raisedNumber([&] { f->setWindowState(3); }), 380);
}

TEST_F(FormTest, APlacementGivenToTheHiddenFormComesBackWhenItIsShownAndRestored) {
  // As the main window's load step restores a stored maximised placement.
  auto f = uitest::makeForm("frmMain");
  f->load();
  f->setWindowState(vbMaximized);
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  ASSERT_TRUE(GetWindowPlacement(f->hWnd(), &wp));
  EXPECT_EQ(wp.showCmd, 1u);  // hidden and normal
  wp.showCmd = 0;
  wp.rcNormalPosition = {40, 30, 840, 630};
  ASSERT_TRUE(SetWindowPlacement(f->hWnd(), &wp));
  EXPECT_FALSE(f->visible());
  f->show();
  EXPECT_EQ(f->windowState(), vbMaximized);
  ASSERT_TRUE(GetWindowPlacement(f->hWnd(), &wp));
  EXPECT_EQ(wp.showCmd, 3u);
  f->setWindowState(vbNormal);
  EXPECT_EQ(f->left(), 40 * 15);
  EXPECT_EQ(f->width(), 800 * 15);
}

TEST_F(FormTest, GeometryInTwipsAndScale) {
  auto f = uitest::makeForm();
  f->move(1500, 3000, 12015, 9015);
  f->load();
  RECT r = desktop::windowRect(f->hWnd());
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 200);
  EXPECT_EQ(r.right - r.left, 801);
  EXPECT_EQ(r.bottom - r.top, 601);
  EXPECT_EQ(f->width(), 12015);
  EXPECT_DOUBLE_EQ(f->scaleX(f->width(), vbTwips, vbPixels), 801.0);
  EXPECT_DOUBLE_EQ(f->scaleY(f->height(), -1, vbPixels), 601.0);
  EXPECT_DOUBLE_EQ(f->scaleX(1, vbInches, vbTwips), 1440.0);
  f->setLeft(0);
  EXPECT_EQ(desktop::windowRect(f->hWnd()).left, 0);
  EXPECT_EQ(f->width(), 12015);
  f->show();
  f->setWindowState(vbMaximized);
  EXPECT_EQ(f->width(), 1024 * 15);  // the maximised window covers the screen
  EXPECT_EQ(raisedNumber([&] { f->setTop(15); }), 384);
}

TEST_F(FormTest, PublishedPropertiesByName) {
  auto f = uitest::makeForm("frmMain");
  bool dirty = false;
  f->publish(
      "IsDirty", [&] { return std::string(dirty ? "True" : "False"); },
      [&](const std::string& v) { dirty = v == "True"; });
  f->publish("Handle", [] { return std::string("7"); });
  f->setProperty("isdirty", "True");
  EXPECT_TRUE(dirty);
  EXPECT_EQ(f->property("IsDirty"), "True");
  EXPECT_EQ(raisedNumber([&] { f->property("Missing"); }), 438);
  EXPECT_EQ(raisedNumber([&] { f->setProperty("Handle", "1"); }), 383);
}

TEST_F(FormTest, AnErrorInAnEventHandlerGoesBackToTheControlAndTheLoopGoesOn) {
  auto f = uitest::makeForm();
  int clicks = 0;
  f->build = [&](TestForm& form) {
    auto bad = form.add(std::make_shared<Button>("cmdBad"));
    bad->onClick = [&] {
      ++clicks;
      platform::raise(err::DivisionByZero);
    };
  };
  user->click("cmdBad").click("cmdBad").close();
  EXPECT_NO_THROW(f->show(vbModal));
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(f->loaded());
  ASSERT_TRUE(lastContainedError().has_value());
  EXPECT_EQ(lastContainedError()->raisedBy, "cmdBad.Click");
  EXPECT_EQ(lastContainedError()->error.number(), 11);
}

TEST_F(FormTest, AnErrorInTheCloseQueryOfTheCloseBoxIsContained) {
  auto f = uitest::makeForm();
  f->whenQueryUnload = [](bool&, int32_t) { platform::raise(err::InvalidProcedureCall); };
  f->load();
  EXPECT_NO_THROW(EXPECT_FALSE(f->closeBox()));
  EXPECT_TRUE(f->loaded());
  // From code the error reaches the caller.
  EXPECT_EQ(raisedNumber([&] { f->unload(); }), 5);
  EXPECT_TRUE(f->loaded());
  f->whenQueryUnload = nullptr;
  EXPECT_TRUE(f->unload());
}

TEST_F(FormTest, ShowingAVisibleFormModallyRaises400) {
  auto f = uitest::makeForm();
  f->show();
  EXPECT_EQ(raisedNumber([&] { f->show(vbModal); }), 400);
}

TEST_F(FormTest, AFormThatUnloadsItselfInItsLoadEventIsNotShown) {
  auto f = uitest::makeForm();
  f->whenLoaded = [&] { f->unload(); };
  EXPECT_EQ(raisedNumber([&] { f->show(vbModal); }), 364);
  EXPECT_FALSE(f->loaded());
  EXPECT_TRUE(forms().empty());
}

}  // namespace
