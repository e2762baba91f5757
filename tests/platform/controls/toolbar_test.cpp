#include "platform/controls/toolbar.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>

#include <csignal>

#include <filesystem>
#include <functional>
#include <sstream>

#include "controls_test_support.h"
#include "platform/controls/control_files.h"
#include "platform/runtime/errors.h"
#include "platform/ui/form.h"

namespace {

using namespace platform::controls;
using controls_test::raisedNumber;
using controls_test::readFile;
using controls_test::TempFolder;
using controls_test::writeFile;

// A small layout with what a real one holds: a menu bar with a popup that
// holds a nested popup, a toolbar that shares tools with the menus and
// names one of them otherwise, separators, a disabled tool, a hidden bar,
// and captions that need escaping.
void buildLayout(Toolbar& bar) {
  bar.addTool("ID_FileOpen", ToolKind::MenuItem, "&Open...", "Open a script");
  bar.addTool("id_EditUndo", ToolKind::Button, "&Undo");
  bar.addTool("ID_EditUndo", ToolKind::Button, "Undo (other)");
  bar.addTool("ID_If...EndIf", ToolKind::MenuItem, "If..End If");
  bar.addTool("ID_CopyFilePath/Name", ToolKind::MenuItem, "Copy File Path/Name",
              "line one\nline two\\ with a backslash\tand a tab ");
  bar.addTool("ID_Tool1", ToolKind::Button, " Tool1 && more ").enabled = false;
  Tool& quick = bar.addTool("ID_QuickCode", ToolKind::Popup, "Quick Code");
  quick.items = {"ID_If...EndIf"};
  Tool& edit = bar.addTool("ID_Edit", ToolKind::Popup, "&Edit");
  edit.items = {"ID_QuickCode", "", "id_EditUndo", "ID_Tool1", "", "ID_CopyFilePath/Name"};
  bar.menuBar().items = {"ID_Edit"};
  Bar& file = bar.addBar("File");
  file.items = {"ID_FileOpen", "", "id_EditUndo"};
  file.captions["id_EditUndo"] = "Undo &Last\\step";
  bar.addBar("Tasks").visible = false;
}

// A chain of `depth` popups, each inside the one before, the innermost
// holding one menu item; the outermost stands on the menu bar.
std::string nestedPopupsFile(size_t depth) {
  std::ostringstream out;
  out << kToolbarLayoutHeader << "\n";
  out << "tool ID_Deepest\nkind menuitem\ncaption Deepest\nend\n";
  for (size_t i = 0; i < depth; ++i) {
    out << "tool ID_Popup" << i << "\nkind popup\ncaption Level " << i << "\n";
    if (i + 1 < depth)
      out << "item ID_Popup" << i + 1 << "\n";
    else
      out << "item ID_Deepest\n";
    out << "end\n";
  }
  out << "bar Menu Bar\nmenu 1\nitem ID_Popup0\nend\n";
  return out.str();
}

TEST(Toolbar, ToolClicksReachTheHandlerWithTheExactId) {
  auto owner = std::make_shared<Toolbar>("SSActiveToolBars1");
  Toolbar& bar = *owner;
  buildLayout(bar);
  std::vector<std::string> clicked;
  bar.setToolClickHandler([&](const Tool& t) { clicked.push_back(t.id); });

  struct Case {
    const char* id;
    bool clicks;
  };
  const Case cases[] = {
      {"id_EditUndo", true},                         // the exact ID of one tool ...
      {"ID_EditUndo", true},                         // ... and of another that differs only in case
      {"ID_EDITUNDO", false},                        // no tool has this ID
      {"ID_If...EndIf", true}, {"ID_Tool1", false},  // disabled
      {"ID_Nothing", false},
  };
  for (const Case& c : cases) {
    clicked.clear();
    EXPECT_EQ(bar.clickTool(c.id), c.clicks) << c.id;
    if (c.clicks) {
      ASSERT_EQ(clicked.size(), 1u) << c.id;
      EXPECT_EQ(clicked[0], c.id);
    } else {
      EXPECT_TRUE(clicked.empty()) << c.id;
    }
  }
}

// A window that holds the toolbar, as the main window does.
class ToolbarWindow : public platform::ui::Form {
 public:
  ToolbarWindow() : Form("frmToolbarTest") {}
  std::shared_ptr<Toolbar> toolbar;
  std::vector<std::string> clicked;

 protected:
  void createControls() override {
    toolbar = add(std::make_shared<Toolbar>("SSActiveToolBars1"));
    buildLayout(*toolbar);
    toolbar->setToolClickHandler([this](const Tool& t) { clicked.push_back(t.id); });
  }
};

TEST(Toolbar, TheUsersToolClickOnTheWindowReachesTheHandler) {
  auto window = platform::ui::Form::make<ToolbarWindow>();
  window->load();
  platform::ui::Action click;
  click.kind = platform::ui::Action::Kind::ToolClick;
  click.form = "frmToolbarTest";
  click.text = "id_EditUndo";
  EXPECT_TRUE(window->dispatch(click));
  click.text = "ID_EDITUNDO";
  std::string why;
  EXPECT_FALSE(window->dispatch(click, &why));
  EXPECT_NE(why.find("ID_EDITUNDO"), std::string::npos) << why;
  EXPECT_EQ(window->clicked, std::vector<std::string>{"id_EditUndo"});
  window->unload();
}

TEST(Toolbar, AnErrorInTheHandlerStaysWithTheControl) {
  auto owner = std::make_shared<Toolbar>("SSActiveToolBars1");
  Toolbar& bar = *owner;
  buildLayout(bar);
  bar.setToolClickHandler([](const Tool&) { platform::raise(platform::err::DivisionByZero); });
  EXPECT_TRUE(bar.clickTool("ID_FileOpen"));
  ASSERT_TRUE(bar.lastEventError().has_value());
  EXPECT_EQ(bar.lastEventError()->number(), platform::err::DivisionByZero);
}

TEST(Toolbar, ALayoutSavedIsLoadedBackUnchanged) {
  TempFolder dir;
  auto savedOwner = std::make_shared<Toolbar>();
  Toolbar& saved = *savedOwner;
  buildLayout(saved);
  const std::string path = dir.file("Kz.atb");
  saved.saveLayout(path);

  std::string text = readFile(path);
  EXPECT_EQ(text.substr(0, text.find('\n')), kToolbarLayoutHeader);

  auto loadedOwner = std::make_shared<Toolbar>();
  Toolbar& loaded = *loadedOwner;
  loaded.addTool("ID_Stale", ToolKind::Button, "replaced by the load");
  loaded.loadLayout(path);
  EXPECT_EQ(loaded.layout(), saved.layout());
  ASSERT_NE(loaded.findTool("ID_CopyFilePath/Name"), nullptr);
  EXPECT_EQ(loaded.findTool("ID_CopyFilePath/Name")->description, "line one\nline two\\ with a backslash\tand a tab ");
  EXPECT_EQ(loaded.findTool("ID_Stale"), nullptr);

  // And what the next run saves again is the same file.
  loaded.saveLayout(dir.file("again.atb"));
  EXPECT_EQ(readFile(dir.file("again.atb")), text);
}

TEST(Toolbar, ALayoutFileThatCannotBeReadRaisesAndKeepsTheLayout) {
  TempFolder dir;
  auto goodOwner = std::make_shared<Toolbar>();
  Toolbar& good = *goodOwner;
  buildLayout(good);
  good.saveLayout(dir.file("good.atb"));
  const std::string goodText = readFile(dir.file("good.atb"));
  std::filesystem::create_directory(dir.file("folder.atb"));

  struct Case {
    const char* name;
    std::string text;
    int32_t error;
  };
  const std::vector<Case> cases = {
      {"missing.atb", "", platform::err::FileNotFound},
      {"folder.atb", "", platform::err::PathFileAccessError},
      {"empty.atb", "", kInvalidFileFormat},
      {"binary.atb", std::string("\x00\x01\x02garbage", 10), kInvalidFileFormat},
      {"newer.atb", "KestrinToolbarLayout 2\n", kInvalidFileFormat},
      {"cut.atb", goodText.substr(0, goodText.size() - 4), kInvalidFileFormat},
      {"unknown-entry.atb", "KestrinToolbarLayout 1\nbar Menu Bar\nmenu 1\nitem ID_NotDefined\nend\n",
       kInvalidFileFormat},
      {"twice.atb", "KestrinToolbarLayout 1\ntool ID_A\nend\ntool ID_A\nend\n", kInvalidFileFormat},
      {"bad-escape.atb", "KestrinToolbarLayout 1\ntool ID_A\ncaption a\\q\nend\n", kInvalidFileFormat},
      {"bad-kind.atb", "KestrinToolbarLayout 1\ntool ID_A\nkind lever\nend\n", kInvalidFileFormat},
      {"bar-caption-before-its-item.atb",
       "KestrinToolbarLayout 1\ntool ID_A\nend\nbar File\ncaption A\nitem ID_A\nend\n", kInvalidFileFormat},
      {"bar-caption-after-a-separator.atb",
       "KestrinToolbarLayout 1\ntool ID_A\nend\nbar File\nitem ID_A\nseparator\ncaption A\nend\n", kInvalidFileFormat},
  };
  for (const Case& c : cases) {
    const std::string path = dir.file(c.name);
    if (!c.text.empty() || std::string(c.name) == "empty.atb") writeFile(path, c.text);
    auto owner = std::make_shared<Toolbar>();
    Toolbar& bar = *owner;
    buildLayout(bar);
    EXPECT_EQ(raisedNumber([&] { bar.loadLayout(path); }), c.error) << c.name;
    EXPECT_EQ(bar.layout(), good.layout()) << c.name;
  }
}

TEST(Toolbar, PopupsNestedDeeperThanTheLimitAreNoLayout) {
  TempFolder dir;
  struct Case {
    const char* name;
    std::string text;
    int32_t error;
  };
  const std::vector<Case> cases = {
      {"deepest-allowed.atb", nestedPopupsFile(kMaxPopupNesting), 0},
      {"one-too-deep.atb", nestedPopupsFile(kMaxPopupNesting + 1), kInvalidFileFormat},
      {"very-deep.atb", nestedPopupsFile(100000), kInvalidFileFormat},
      // A popup inside itself opens once: it adds no depth.
      {"inside-itself.atb",
       "KestrinToolbarLayout 1\ntool ID_A\nkind popup\nitem ID_B\nend\n"
       "tool ID_B\nkind popup\nitem ID_A\nitem ID_B\nend\n",
       0},
  };
  for (const Case& c : cases) {
    const std::string path = dir.file(c.name);
    writeFile(path, c.text);
    auto owner = std::make_shared<Toolbar>();
    buildLayout(*owner);
    const ToolbarLayout before = owner->layout();
    EXPECT_EQ(raisedNumber([&] { owner->loadLayout(path); }), c.error) << c.name;
    if (c.error) {
      EXPECT_EQ(owner->layout(), before) << c.name;
    } else {
      EXPECT_NE(owner->layout(), before) << c.name;
    }
  }

  // A layout given whole is held to the same limit.
  auto source = std::make_shared<Toolbar>();
  source->loadLayout(dir.file("deepest-allowed.atb"));
  ToolbarLayout deeper = source->layout();
  Tool outer;
  outer.id = "ID_Outer";
  outer.kind = ToolKind::Popup;
  outer.items = {"ID_Popup0"};
  deeper.tools.push_back(outer);
  auto target = std::make_shared<Toolbar>();
  EXPECT_EQ(raisedNumber([&] { target->setLayout(deeper); }), kInvalidFileFormat);
  EXPECT_TRUE(target->layout().tools.empty());
}

TEST(Toolbar, ABarCaptionForAToolNotOnTheBarIsNoLayout) {
  auto owner = std::make_shared<Toolbar>();
  buildLayout(*owner);
  ToolbarLayout layout = owner->layout();
  layout.bars[1].captions["ID_Tool1"] = "Tool";
  auto target = std::make_shared<Toolbar>();
  EXPECT_EQ(raisedNumber([&] { target->setLayout(layout); }), kInvalidFileFormat);
  EXPECT_TRUE(target->layout().tools.empty());
}

TEST(Toolbar, ASaveThatFailsRaisesAndLeavesTheOldFileWhole) {
  TempFolder dir;
  auto owner = std::make_shared<Toolbar>("SSActiveToolBars1");
  Toolbar& bar = *owner;
  buildLayout(bar);
  EXPECT_EQ(raisedNumber([&] { bar.saveLayout(dir.file("no/such/folder/Kz.atb")); }),
            platform::err::PathFileAccessError);

  // A write cut short (here by a file size limit) leaves the old file as it
  // was, and no half-written file beside it.
  const std::string path = dir.file("Kz.atb");
  writeFile(path, "old layout");
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  int32_t error = raisedNumber([&] { bar.saveLayout(path); });
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldSignal);
  EXPECT_EQ(error, platform::err::PathFileAccessError);
  EXPECT_EQ(readFile(path), "old layout");
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1u);
}

class ToolbarPopup : public controls_test::WithUser {};

TEST_F(ToolbarPopup, APickFromThePopupClicksThePickedTool) {
  auto owner = std::make_shared<Toolbar>("SSActiveToolBars1");
  Toolbar& bar = *owner;
  buildLayout(bar);
  std::vector<std::string> clicked;
  bar.setToolClickHandler([&](const Tool& t) { clicked.push_back(t.id); });

  user->answerPopupMenu(std::string("ID_If...EndIf"), "ID_Edit");
  EXPECT_EQ(bar.showPopupMenu("ID_Edit"), std::optional<std::string>("ID_If...EndIf"));
  EXPECT_EQ(clicked, std::vector<std::string>{"ID_If...EndIf"});

  // The menu offers the tools of the popup and of the popup inside it,
  // without the nested popup itself or the disabled tool; the separators
  // stand where the popup has them, once where the disabled tool left two
  // side by side.
  ASSERT_TRUE(user->lastPopup().has_value());
  EXPECT_EQ(user->lastPopup()->popupId, "ID_Edit");
  EXPECT_EQ(user->lastPopup()->toolIds,
            (std::vector<std::string>{"ID_If...EndIf", "id_EditUndo", "ID_CopyFilePath/Name"}));
  EXPECT_EQ(user->lastPopup()->captions, (std::vector<std::string>{"If..End If", "Undo", "Copy File Path/Name"}));
  EXPECT_EQ(user->lastPopup()->separators, (std::vector<size_t>{1, 2}));
}

TEST_F(ToolbarPopup, TheSeparatorsStandAroundANestedPopupsEntriesAndNeverAtAnEnd) {
  auto owner = std::make_shared<Toolbar>("SSActiveToolBars1");
  Toolbar& bar = *owner;
  for (const char* id : {"ID_A", "ID_B", "ID_C", "ID_D"}) bar.addTool(id, ToolKind::MenuItem, id);
  bar.addTool("ID_Sep", ToolKind::Separator, "");
  bar.addTool("ID_Inner", ToolKind::Popup, "Inner").items = {"ID_B", "ID_C"};
  bar.addTool("ID_Empty", ToolKind::Popup, "Empty");
  bar.addTool("ID_Menu", ToolKind::Popup, "Menu").items = {"", "ID_A", "ID_Inner", "ID_Empty", "ID_Sep", "ID_D", ""};
  user->answerPopupMenu(std::nullopt, "ID_Menu");
  bar.showPopupMenu("ID_Menu");
  ASSERT_TRUE(user->lastPopup().has_value());
  EXPECT_EQ(user->lastPopup()->toolIds, (std::vector<std::string>{"ID_A", "ID_B", "ID_C", "ID_D"}));
  EXPECT_EQ(user->lastPopup()->separators, (std::vector<size_t>{1, 3}));
}

TEST_F(ToolbarPopup, NoPickClicksNothing) {
  auto owner = std::make_shared<Toolbar>("SSActiveToolBars1");
  Toolbar& bar = *owner;
  buildLayout(bar);
  int clicks = 0;
  bar.setToolClickHandler([&](const Tool&) { ++clicks; });

  user->answerPopupMenu(std::nullopt, "ID_Edit");
  EXPECT_EQ(bar.showPopupMenu("ID_Edit"), std::nullopt);
  EXPECT_EQ(clicks, 0);
  // A tool that is no popup shows nothing and asks nothing.
  EXPECT_EQ(bar.showPopupMenu("ID_FileOpen"), std::nullopt);
}

TEST_F(ToolbarPopup, APopupThatDoesNotExistRaises) {
  auto owner = std::make_shared<Toolbar>("SSActiveToolBars1");
  Toolbar& bar = *owner;
  buildLayout(bar);
  EXPECT_EQ(raisedNumber([&] { bar.showPopupMenu("ID_NoSuchPopup"); }), kElementNotFound);
}

// Runs the call on a thread with a small stack, so that a walk that
// recurses once per nested popup runs out of it.
void onSmallStack(const std::function<void()>& call) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, 256 * 1024), 0);
  pthread_t thread;
  auto run = [](void* arg) -> void* {
    (*static_cast<const std::function<void()>*>(arg))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, run, const_cast<std::function<void()>*>(&call)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

TEST_F(ToolbarPopup, ALongChainOfNestedPopupsOpensWithinABoundedStack) {
  // Tools added one by one are not checked as a whole layout is.
  auto owner = std::make_shared<Toolbar>("SSActiveToolBars1");
  Toolbar& bar = *owner;
  const size_t depth = 8000;
  bar.addTool("ID_Deepest", ToolKind::MenuItem, "Deepest");
  for (size_t i = 0; i < depth; ++i) {
    Tool& p = bar.addTool("ID_Popup" + std::to_string(i), ToolKind::Popup, "Level");
    p.items = {i + 1 < depth ? "ID_Popup" + std::to_string(i + 1) : "ID_Deepest"};
  }
  std::vector<std::string> clicked;
  bar.setToolClickHandler([&](const Tool& t) { clicked.push_back(t.id); });
  user->answerPopupMenu(std::string("ID_Deepest"), "ID_Popup0");

  std::optional<std::string> picked;
  onSmallStack([&] {
    platform::ui::setCurrentUser(user);
    picked = bar.showPopupMenu("ID_Popup0");
  });
  EXPECT_EQ(picked, std::optional<std::string>("ID_Deepest"));
  EXPECT_EQ(clicked, std::vector<std::string>{"ID_Deepest"});
  ASSERT_TRUE(user->lastPopup().has_value());
  EXPECT_EQ(user->lastPopup()->toolIds, std::vector<std::string>{"ID_Deepest"});
}

TEST(ToolbarCaptions, ABarListsItsCaptions) {
  auto owner = std::make_shared<Toolbar>();
  buildLayout(*owner);
  EXPECT_EQ(owner->barCaptions("File"), (std::vector<std::string>{"Open...", "-", "Undo Last\\step"}));
  EXPECT_EQ(owner->barCaptions(kMenuBarName), std::vector<std::string>{"Edit"});
  EXPECT_EQ(raisedNumber([&] { owner->barCaptions("file"); }), kElementNotFound);
}

TEST(ToolbarCaptions, AccessKeysAreMarkedWithAnAmpersand) {
  struct Case {
    const char* caption;
    const char* plain;
    char key;
  };
  const Case cases[] = {
      {"Save &As...", "Save As...", 'a'},   {"E&xit", "Exit", 'x'},
      {"Fish && Chips", "Fish & Chips", 0}, {"No key", "No key", 0},
      {"Trailing&", "Trailing", 0},
  };
  for (const Case& c : cases) {
    Tool t;
    t.caption = c.caption;
    EXPECT_EQ(t.plainCaption(), c.plain) << c.caption;
    EXPECT_EQ(t.accessKey(), c.key) << c.caption;
  }
}

}  // namespace
