// CFormRestore: the nine stored values, their restoring on a hidden and a
// visible form, the centring of a first start, the fixed border, and the
// errors.
#include "support/CFormRestore.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "common/ui_test_user.h"
#include "platform/runtime/convert.h"
#include "platform/ui/form.h"
#include "platform/ui/screen.h"
#include "platform/ui/windows.h"
#include "platform/win32/registry.h"
#include "support/CAppSettings.h"
#include "support/support_fixture.h"

namespace {

namespace ui = platform::ui;
using kestrin::support::CAppSettings;
using kestrin::support::CFormRestore;
using kestrin_test::Raised;
using kestrin_test::raisedBy;

class TestForm : public ui::Form {
 public:
  explicit TestForm(std::string name) : Form(std::move(name)) {}
};

const char* const kSection = "Windows settings\\frmTest";
const char* const kValueNames[] = {"WindowState",   "MinPosX",      "MinPosY",        "MaxPosX",        "MaxPosY",
                                   "NormalPosLeft", "NormalPosTop", "NormalPosRight", "NormalPosBottom"};

// A rectangle as "left,top,right,bottom".
std::string text(const ui::RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}
std::string normalRect(platform::HWND h) {
  ui::WINDOWPLACEMENT wp;
  wp.length = sizeof wp;
  EXPECT_TRUE(ui::GetWindowPlacement(h, &wp));
  return text(wp.rcNormalPosition);
}
std::string outerRect(platform::HWND h) { return text(ui::desktop::windowRect(h)); }

class FormRestoreTest : public kestrin_test::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    kestrin_test::setEditorIdentity(dir);
    registry.use();
    ui::setScreenPixels(1024, 768);
    store = std::make_shared<CAppSettings>();
    restore.Init(store, true);
  }
  void TearDown() override {
    platform::setRegistryRootReadOnly(platform::HKEY_LOCAL_MACHINE, false);
    UiTest::TearDown();
    platform::setRegistryFolder("");
  }

  // A loaded, hidden form named frmTest with the outer rectangle given in
  // pixels.
  std::shared_ptr<TestForm> hiddenForm(ui::RECT r, int32_t border = ui::vbSizable) {
    auto form = ui::Form::make<TestForm>("frmTest");
    form->setBorderStyle(border);
    form->move(r.left * 15, r.top * 15, (r.right - r.left) * 15, (r.bottom - r.top) * 15);
    form->load();
    return form;
  }
  void storeValues(const std::map<std::string, std::string>& values) {
    for (const auto& [name, text] : values) store->SaveSetting(kSection, name, text);
  }
  std::string storedText(const std::string& name) {
    return platform::cStr(store->GetSetting(kSection, name, "<none>"));
  }

  kestrin_test::TempDir dir;
  kestrin_test::TempRegistry registry;
  std::shared_ptr<CAppSettings> store;
  CFormRestore restore;
};

// ---- Properties and errors --------------------------------------------------------

TEST_F(FormRestoreTest, ANewObjectHasNoStoreAndRefusesToWorkWithoutOne) {
  CFormRestore fresh;
  EXPECT_EQ(fresh.AppSettings(), nullptr);
  EXPECT_TRUE(fresh.CenteredByDefault());
  EXPECT_FALSE(fresh.NeverStartMinimized());
  EXPECT_EQ(fresh.KeyName(), "Windows settings");

  auto form = hiddenForm({0, 0, 320, 240});
  for (auto call : {std::function<void()>([&] { fresh.GetPosition(*form); }),
                    std::function<void()>([&] { fresh.SavePosition(*form); })}) {
    const Raised r = raisedBy(call);
    EXPECT_EQ(r.n, 17561);
    EXPECT_EQ(r.source, "KestrinScriptEditor.CFormRestore");
    EXPECT_EQ(r.description, "Object not properly initialized");
  }
}

TEST_F(FormRestoreTest, NoStoreAndAnEmptyKeyNameAreRefusedAndChangeNothing) {
  CFormRestore fresh;
  Raised r = raisedBy([&] { fresh.Init(nullptr, false); });
  EXPECT_EQ(r.n, 17562);
  EXPECT_EQ(r.description, "Invalid AppSettings object");
  EXPECT_TRUE(fresh.CenteredByDefault());

  r = raisedBy([&] { restore.setAppSettings(nullptr); });
  EXPECT_EQ(r.n, 17562);
  EXPECT_EQ(restore.AppSettings(), store);

  r = raisedBy([&] { restore.setKeyName(""); });
  EXPECT_EQ(r.n, 17563);
  EXPECT_EQ(r.source, "KestrinScriptEditor.CFormRestore");
  EXPECT_EQ(r.description, "Invalid KeyName value");
  EXPECT_EQ(restore.KeyName(), "Windows settings");
}

TEST_F(FormRestoreTest, AStoreThatCannotWriteBecomesTheCatchAll) {
  auto form = hiddenForm({0, 0, 320, 240});
  platform::setRegistryRootReadOnly(platform::HKEY_LOCAL_MACHINE, true);
  const Raised r = raisedBy([&] { restore.SavePosition(*form); });
  EXPECT_EQ(r.n, 17564);
  EXPECT_EQ(r.source, "KestrinScriptEditor.CFormRestore");
  EXPECT_EQ(r.description, "CFormRestore component failure");
}

// ---- Saving ---------------------------------------------------------------------

TEST_F(FormRestoreTest, SavePositionStoresTheNineFieldsAsDecimalText) {
  auto form = hiddenForm({-40, 30, 700, 530});
  restore.SavePosition(*form);

  const std::map<std::string, std::string> expected = {
      {"WindowState", "1"},   {"MinPosX", "-1"},         {"MinPosY", "-1"},
      {"MaxPosX", "-1"},      {"MaxPosY", "-1"},         {"NormalPosLeft", "-40"},
      {"NormalPosTop", "30"}, {"NormalPosRight", "700"}, {"NormalPosBottom", "530"}};
  for (const char* name : kValueNames) {
    SCOPED_TRACE(name);
    EXPECT_EQ(store->GetSetting(kSection, name, "<none>"), platform::Variant(expected.at(name)));
  }
  platform::StringArray keys;
  store->GetAllKeys(kSection, keys);
  EXPECT_EQ(keys.items(), std::vector<std::string>(std::begin(kValueNames), std::end(kValueNames)));
}

TEST_F(FormRestoreTest, ASectionPerFormNameBelowTheKeyName) {
  restore.setKeyName("Placements");
  auto form = hiddenForm({10, 20, 330, 260});
  restore.SavePosition(*form);
  EXPECT_EQ(platform::cStr(store->GetSetting("Placements\\frmTest", "NormalPosTop")), "20");
  EXPECT_EQ(storedText("NormalPosTop"), "<none>");
}

// ---- Restoring ------------------------------------------------------------------

TEST_F(FormRestoreTest, SavedAndRestoredOnAHiddenSizableFormTheRectangleAndNormalStateComeBack) {
  auto first = hiddenForm({50, 60, 650, 560});
  restore.SavePosition(*first);
  first->unload();

  auto second = hiddenForm({0, 0, 320, 240});
  restore.GetPosition(*second);
  EXPECT_EQ(normalRect(second->hWnd()), "50,60,650,560");
  EXPECT_EQ(second->windowState(), ui::vbNormal);
  EXPECT_FALSE(ui::IsWindowVisible(second->hWnd()));

  second->show();
  EXPECT_FALSE(ui::IsZoomed(second->hWnd()));
  EXPECT_EQ(outerRect(second->hWnd()), "50,60,650,560");
}

TEST_F(FormRestoreTest, AFormClosedMaximisedReopensMaximisedWithItsNormalRectangle) {
  auto first = hiddenForm({50, 60, 650, 560});
  first->show();
  first->setWindowState(ui::vbMaximized);
  restore.SavePosition(*first);
  first->unload();
  EXPECT_EQ(storedText("WindowState"), "3");

  auto second = hiddenForm({0, 0, 320, 240});
  restore.setNeverStartMinimized(true);
  restore.GetPosition(*second);
  EXPECT_EQ(second->windowState(), ui::vbMaximized);
  second->show();
  EXPECT_TRUE(ui::IsZoomed(second->hWnd()));
  ui::ShowWindow(second->hWnd(), ui::SW_RESTORE);
  EXPECT_EQ(outerRect(second->hWnd()), "50,60,650,560");
}

TEST_F(FormRestoreTest, AStoredMinimisedStateComesBackNormalWhenTheFormMayNeverStartMinimised) {
  storeValues({{"WindowState", "2"},
               {"NormalPosLeft", "5"},
               {"NormalPosTop", "6"},
               {"NormalPosRight", "405"},
               {"NormalPosBottom", "306"}});

  restore.setNeverStartMinimized(true);
  auto hidden = hiddenForm({0, 0, 320, 240});
  restore.GetPosition(*hidden);
  EXPECT_EQ(hidden->windowState(), ui::vbNormal);
  hidden->show();
  EXPECT_FALSE(ui::IsIconic(hidden->hWnd()));
  EXPECT_EQ(outerRect(hidden->hWnd()), "5,6,405,306");

  // A visible form is shown normal at once.
  ui::ShowWindow(hidden->hWnd(), ui::SW_MINIMIZE);
  restore.GetPosition(*hidden);
  EXPECT_FALSE(ui::IsIconic(hidden->hWnd()));
  EXPECT_TRUE(ui::IsWindowVisible(hidden->hWnd()));
  hidden->unload();

  restore.setNeverStartMinimized(false);
  auto other = hiddenForm({0, 0, 320, 240});
  restore.GetPosition(*other);
  EXPECT_EQ(other->windowState(), ui::vbMinimized);
}

TEST_F(FormRestoreTest, TheStoredShowCommandSetsTheWindowStateOfAHiddenForm) {
  // -1: the state the form had stays.
  struct Case {
    int32_t stored;
    int32_t state;
  };
  const Case cases[] = {{0, ui::vbNormal},
                        {1, ui::vbNormal},
                        {2, ui::vbMinimized},
                        {3, ui::vbMaximized},
                        {4, ui::vbNormal},
                        {5, ui::vbNormal},
                        {6, ui::vbMinimized},
                        {7, ui::vbMinimized},
                        {8, -1},
                        {9, ui::vbNormal},
                        {10, -1},
                        {11, ui::vbNormal}};
  for (const int32_t before : {ui::vbMinimized, ui::vbMaximized}) {
    for (const Case& c : cases) {
      SCOPED_TRACE("stored " + std::to_string(c.stored) + ", before " + std::to_string(before));
      storeValues({{"WindowState", std::to_string(c.stored)}});
      auto form = hiddenForm({0, 0, 320, 240});
      form->setWindowState(before);
      restore.GetPosition(*form);
      EXPECT_EQ(form->windowState(), c.state == -1 ? before : c.state);
      EXPECT_FALSE(ui::IsWindowVisible(form->hWnd()));
      form->unload();
    }
  }
}

TEST_F(FormRestoreTest, AVisibleFormTakesTheStoredShowCommandItself) {
  // A minimised state comes back minimised unless the form may never start
  // so; any other state is applied as stored.
  struct Case {
    const char* stored;
    bool neverStartMinimized;
    bool iconic, zoomed;
  } cases[] = {
      {"2", false, true, false}, {"6", false, true, false}, {"7", false, true, false}, {"2", true, false, false},
      {"7", true, false, false}, {"3", false, false, true}, {"3", true, false, true},  {"1", false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("stored ") + c.stored + (c.neverStartMinimized ? ", never" : ""));
    storeValues({{"WindowState", c.stored},
                 {"NormalPosLeft", "30"},
                 {"NormalPosTop", "40"},
                 {"NormalPosRight", "430"},
                 {"NormalPosBottom", "340"}});
    restore.setNeverStartMinimized(c.neverStartMinimized);
    auto form = hiddenForm({0, 0, 320, 240});
    form->show();
    restore.GetPosition(*form);
    EXPECT_EQ(ui::IsIconic(form->hWnd()) != 0, c.iconic);
    EXPECT_EQ(ui::IsZoomed(form->hWnd()) != 0, c.zoomed);
    EXPECT_EQ(normalRect(form->hWnd()), "30,40,430,340");
    form->unload();
  }
}

TEST_F(FormRestoreTest, AFormWithoutAWindowHasNoPlacementToStoreOrCentre) {
  auto form = ui::Form::make<TestForm>("frmTest");  // never loaded: no window
  EXPECT_EQ(raisedBy([&] { restore.SavePosition(*form); }).n, 0);
  EXPECT_EQ(storedText("WindowState"), "<none>");
  EXPECT_EQ(raisedBy([&] { restore.GetPosition(*form); }).n, 0);
  EXPECT_FALSE(form->loaded());
}

TEST_F(FormRestoreTest, AStoredValueTheStoreCannotReadFailsAfterTheWindowStateWasSet) {
  storeValues({{"WindowState", "3"}});
  // A text of no data at all, as another program may leave it: the store
  // fails on it.
  platform::HKEY key = 0;
  ASSERT_EQ(platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE,
                                     "Software\\MyCompany\\MyApplication\\" + std::string(kSection), 0,
                                     platform::KEY_ALL_ACCESS, &key),
            platform::ERROR_SUCCESS);
  platform::RegSetValueEx(key, "MinPosX", platform::REG_SZ, "", 0);
  platform::RegCloseKey(key);

  auto form = hiddenForm({100, 100, 420, 340});
  const Raised r = raisedBy([&] { restore.GetPosition(*form); });
  EXPECT_EQ(r.n, 17564);
  EXPECT_EQ(r.source, "KestrinScriptEditor.CFormRestore");
  EXPECT_EQ(r.description, "CFormRestore component failure");
  EXPECT_EQ(form->windowState(), ui::vbMaximized);
  EXPECT_EQ(normalRect(form->hWnd()), "100,100,420,340");
}

TEST_F(FormRestoreTest, OnlyAWindowStateStoredGivesAnEmptyRectangle) {
  storeValues({{"WindowState", "1"}});
  auto form = hiddenForm({100, 100, 420, 340});
  restore.GetPosition(*form);
  EXPECT_EQ(normalRect(form->hWnd()), "0,0,0,0");
}

TEST_F(FormRestoreTest, StoredValuesAreReadByTheirLeadingNumber) {
  store->SaveSetting(kSection, "WindowState", int32_t{1});  // a REG_DWORD gives itself
  storeValues(
      {{"NormalPosLeft", "  12px"}, {"NormalPosTop", "2.5"}, {"NormalPosRight", "none"}, {"NormalPosBottom", "3.5e2"}});
  auto form = hiddenForm({100, 100, 420, 340});
  restore.GetPosition(*form);
  EXPECT_EQ(normalRect(form->hWnd()), "12,2,12,350");
}

TEST_F(FormRestoreTest, AFixedBorderKeepsTheFormsSizeAtTheStoredLeftAndTop) {
  storeValues({{"WindowState", "1"},
               {"NormalPosLeft", "30"},
               {"NormalPosTop", "40"},
               {"NormalPosRight", "900"},
               {"NormalPosBottom", "700"}});
  for (const int32_t border : {ui::vbBSNone, ui::vbFixedSingle, ui::vbFixedDialog, ui::vbFixedToolWindow}) {
    SCOPED_TRACE(border);
    auto form = hiddenForm({0, 0, 301, 201}, border);
    form->setScaleMode(ui::vbPixels);  // the outer size is twips whatever the scale
    restore.GetPosition(*form);
    EXPECT_EQ(normalRect(form->hWnd()), "30,40,331,241");
    form->unload();
  }
  auto sizable = hiddenForm({0, 0, 301, 201}, ui::vbSizableToolWindow);
  restore.GetPosition(*sizable);
  EXPECT_EQ(normalRect(sizable->hWnd()), "30,40,900,700");
}

// ---- Nothing stored ------------------------------------------------------------

TEST_F(FormRestoreTest, AFirstStartCentresTheHiddenFormHalvesGoingToEven) {
  struct Case {
    ui::RECT before;
    ui::RECT after;
  };
  const Case cases[] = {{{100, 100, 901, 701}, {112, 84, 913, 685}},
                        {{100, 100, 903, 703}, {110, 82, 913, 685}},
                        {{-500, -500, 1524, 1268}, {-500, -500, 1524, 1268}}};
  for (const Case& c : cases) {
    auto form = hiddenForm(c.before);
    restore.GetPosition(*form);
    EXPECT_EQ(normalRect(form->hWnd()), text(c.after));
    EXPECT_FALSE(ui::IsWindowVisible(form->hWnd()));
    EXPECT_EQ(form->windowState(), ui::vbNormal);
    form->unload();
  }
}

TEST_F(FormRestoreTest, ANegativeWindowStateCountsAsNothingStored) {
  for (const char* state : {"-1", "-7"}) {
    SCOPED_TRACE(state);
    storeValues({{"WindowState", state}, {"NormalPosLeft", "3"}});
    auto form = hiddenForm({100, 100, 901, 701});
    restore.GetPosition(*form);
    EXPECT_EQ(normalRect(form->hWnd()), "112,84,913,685");
    form->unload();
  }
}

TEST_F(FormRestoreTest, NotCentredByDefaultNothingChanges) {
  restore.setCenteredByDefault(false);
  auto form = hiddenForm({100, 100, 901, 701});
  restore.GetPosition(*form);
  EXPECT_EQ(normalRect(form->hWnd()), "100,100,901,701");
  EXPECT_FALSE(ui::IsWindowVisible(form->hWnd()));
}

TEST_F(FormRestoreTest, AVisibleFormIsCentredAndStaysShownAMaximisedOneKeepsItsRecord) {
  auto form = hiddenForm({100, 100, 901, 701});
  form->show();
  restore.GetPosition(*form);
  EXPECT_TRUE(ui::IsWindowVisible(form->hWnd()));
  EXPECT_EQ(normalRect(form->hWnd()), "112,84,913,685");

  ui::ShowWindow(form->hWnd(), ui::SW_SHOWMAXIMIZED);
  ui::RECT other{0, 0, 401, 301};
  ui::WINDOWPLACEMENT wp;
  wp.length = sizeof wp;
  ui::GetWindowPlacement(form->hWnd(), &wp);
  wp.rcNormalPosition = other;
  ui::SetWindowPlacement(form->hWnd(), &wp);
  restore.GetPosition(*form);
  EXPECT_TRUE(ui::IsZoomed(form->hWnd()));
  EXPECT_EQ(normalRect(form->hWnd()), text(other));
}

TEST_F(FormRestoreTest, ARectangleTooWideForALongFailsTheCentringWithTheCatchAll) {
  auto form = hiddenForm({0, 0, 320, 240});
  ui::WINDOWPLACEMENT wp;
  wp.length = sizeof wp;
  ui::GetWindowPlacement(form->hWnd(), &wp);
  wp.rcNormalPosition = {INT32_MIN, 0, INT32_MAX, 10};
  ui::SetWindowPlacement(form->hWnd(), &wp);

  const Raised r = raisedBy([&] { restore.GetPosition(*form); });
  EXPECT_EQ(r.n, 17564);
  EXPECT_EQ(r.description, "CFormRestore component failure");
}

}  // namespace
