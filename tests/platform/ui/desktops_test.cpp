// The default desktop: which registered desktop a thread without a user of
// its own opens, by KESTRIN_DESKTOP, priority and availability.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "platform/ui/desktops.h"
#include "platform/ui/form.h"
#include "platform/ui/screen.h"
#include "platform/ui/user.h"

namespace ui = platform::ui;

namespace {

// A desktop that answers every message box with a number of its own, so
// that a test sees which one opened.
class MarkedUser final : public ui::User {
 public:
  explicit MarkedUser(int32_t mark) : mark_(mark) {}
  int32_t messageBox(const ui::MessageBoxPrompt&) override { return mark_; }
  std::optional<std::string> inputBox(const ui::InputBoxPrompt&) override { return {}; }
  std::optional<std::string> fileDialog(const ui::FileDialogPrompt&) override { return {}; }
  std::optional<ui::PrintDialogAnswer> printDialog(const ui::PrintDialogPrompt&) override { return {}; }
  std::optional<std::string> browseFolder(const ui::FolderPrompt&) override { return {}; }
  std::optional<std::string> find(const ui::FindPrompt&) override { return {}; }
  std::optional<ui::ReplaceAnswer> replace(const ui::FindPrompt&) override { return {}; }
  std::optional<int32_t> gotoLine(const ui::GotoPrompt&) override { return {}; }
  std::optional<std::string> popupMenu(const ui::PopupPrompt&) override { return {}; }
  ui::Action nextAction(const ui::WaitContext&) override { return {}; }

 private:
  int32_t mark_;
};

ui::DesktopFactory factory(const std::string& name, int32_t priority, int32_t mark, bool available) {
  ui::DesktopFactory f;
  f.name = name;
  f.priority = priority;
  f.available = [available, name](std::string* why) {
    if (!available && why) *why = "no " + name + " here";
    return available;
  };
  f.open = [mark] { return std::make_shared<MarkedUser>(mark); };
  return f;
}

class DefaultDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* env = std::getenv("KESTRIN_DESKTOP");
    if (env) saved_ = env;
    ui::registerDesktop(factory("test-low", -1000, 101, true));
    ui::registerDesktop(factory("test-high", -900, 102, true));
    ui::registerDesktop(factory("test-missing", -800, 103, false));
  }
  void TearDown() override {
    if (saved_)
      ::setenv("KESTRIN_DESKTOP", saved_->c_str(), 1);
    else
      ::unsetenv("KESTRIN_DESKTOP");
    // The test desktops stay registered but can no longer open.
    for (const char* name : {"test-low", "test-high", "test-missing"})
      ui::registerDesktop(factory(name, -1000, 0, false));
    ui::closeDefaultUser();
  }
  static int32_t answerOf(const std::shared_ptr<ui::User>& user) {
    return user->messageBox(ui::MessageBoxPrompt{"text", "title", ui::mb::YesNoCancel, 0, 0});
  }
  std::optional<std::string> saved_;
};

TEST_F(DefaultDesktop, ChoosesByTheVariableThenByPriorityAndAvailability) {
  struct Case {
    const char* variable;  // nullptr: unset
    int32_t answer;        // ui::mb::Cancel: the absent user
    const char* why;       // a part of the reason for the absent user
  };
  const Case cases[] = {
      {"off", ui::mb::Cancel, "KESTRIN_DESKTOP=off"},
      {"test-low", 101, ""},
      {"test-high", 102, ""},
      {"test-missing", ui::mb::Cancel, "no test-missing here"},
      {"no-such-desktop", ui::mb::Cancel, "no desktop named no-such-desktop"},
  };
  for (const auto& c : cases) {
    ::setenv("KESTRIN_DESKTOP", c.variable, 1);
    std::string why;
    auto user = ui::openDefaultUser(&why);
    EXPECT_EQ(answerOf(user), c.answer) << c.variable;
    EXPECT_NE(why.find(c.why), std::string::npos) << c.variable << ": " << why;
  }
}

TEST_F(DefaultDesktop, OpensOnceAndStaysWhileAHostInstallsUsersOfItsOwn) {
  // The order of trying is by priority (the real desktops rank above the
  // test ones, which a test run never opens).
  auto names = ui::registeredDesktops();
  auto at = [&](const std::string& n) { return std::find(names.begin(), names.end(), n) - names.begin(); };
  EXPECT_LT(at("test-missing"), at("test-high"));
  EXPECT_LT(at("test-high"), at("test-low"));
  ::setenv("KESTRIN_DESKTOP", "test-high", 1);
  ui::closeDefaultUser();
  ui::setCurrentUser(nullptr);
  // The default opens once on the thread and is kept while a host installs
  // and removes users of its own.
  EXPECT_EQ(answerOf(ui::currentUserShared()), 102);
  ui::setCurrentUser(std::make_shared<MarkedUser>(7));
  EXPECT_EQ(answerOf(ui::currentUserShared()), 7);
  ::setenv("KESTRIN_DESKTOP", "test-low", 1);
  ui::setCurrentUser(nullptr);
  EXPECT_EQ(answerOf(ui::currentUserShared()), 102);
  ui::closeDefaultUser();
  EXPECT_EQ(answerOf(ui::currentUserShared()), 101);
}

}  // namespace

// A form that notes the screen's width in its load step, where the editor's
// forms centre themselves.
class PlacedForm final : public ui::Form {
 public:
  PlacedForm() : Form("PlacedForm") {}
  int32_t widthSeen = 0;

 protected:
  void onLoad() override { widthSeen = ui::screen().Width(); }
};

TEST_F(DefaultDesktop, AFormsLoadStepSeesTheDisplayOfTheDesktopItOpens) {
  ui::DesktopFactory display = factory("test-display", -700, 104, true);
  display.open = [] {
    ui::setDisplayPixels(1600, 900);
    return std::make_shared<MarkedUser>(104);
  };
  ui::registerDesktop(display);
  ::setenv("KESTRIN_DESKTOP", "test-display", 1);
  ui::setCurrentUser(nullptr);
  ui::closeDefaultUser();

  auto form = ui::Form::make<PlacedForm>();
  form->load();
  EXPECT_EQ(form->widthSeen, 1600 * 15);
  EXPECT_EQ(ui::screen().Height(), 900 * 15);
  form->unload();

  // A size the host set stays whatever display the next desktop has.
  ui::closeDefaultUser();
  ui::setScreenPixels(1280, 1024);
  auto next = ui::Form::make<PlacedForm>();
  next->load();
  EXPECT_EQ(next->widthSeen, 1280 * 15);
  next->unload();
  ui::registerDesktop(factory("test-display", -1000, 0, false));
  ui::resetDesktop();
  ui::setScreenPixels(1024, 768);
}
