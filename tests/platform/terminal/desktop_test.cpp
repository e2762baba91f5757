// The terminal desktop without a terminal: what it draws into the cell grid
// and what the person's keys and clicks become.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/controls/code_editor_control.h"
#include "platform/controls/code_editor_files.h"
#include "platform/controls/image_list.h"
#include "platform/controls/print_dialog.h"
#include "platform/controls/standard_controls.h"
#include "platform/controls/status_bar.h"
#include "platform/controls/toolbar.h"
#include "platform/runtime/clock.h"
#include "platform/terminal/terminal_desktop.h"
#include "platform/ui/emergency.h"
#include "platform/ui/form.h"
#include "platform/ui/timer.h"

namespace pc = platform::controls;
namespace pt = platform::terminal;
namespace ui = platform::ui;
namespace fs = std::filesystem;

namespace {

pt::InputEvent keyEvent(const std::string& name) {
  pt::InputEvent e;
  e.kind = pt::InputEvent::Kind::Key;
  e.name = name;
  return e;
}

// A terminal of the test: the input comes from a queue, the frames are kept.
class FakeTerminal : public pt::Terminal {
 public:
  FakeTerminal(int32_t w, int32_t h) : w_(w), h_(h) {}
  int32_t width() const override { return w_; }
  int32_t height() const override { return h_; }
  void show(const pt::Grid& frame) override {
    frames.push_back(frame.text());
    cursors.push_back({frame.cursorX, frame.cursorY});
  }
  pt::InputEvent next(int32_t timeoutMillis) override {
    if (!input.empty() && input.front().kind == pt::InputEvent::Kind::None) {
      // Nothing was typed before the time-out: that much time has passed.
      input.pop_front();
      waits.push_back(timeoutMillis);
      if (timeoutMillis > 0) platform::advanceVirtualClock(timeoutMillis);
      return pt::InputEvent{};
    }
    if (input.empty()) {
      pt::InputEvent closed;
      closed.kind = pt::InputEvent::Kind::Closed;  // nobody is left: the desktop gives up
      return closed;
    }
    auto e = input.front();
    input.pop_front();
    return e;
  }
  void endProcess(int signal) override { endedBy.push_back(signal); }
  std::vector<int> endedBy;  // the signals the desktop ended the process by
  void key(const std::string& name) {
    input.push_back(keyEvent(name));
  }
  void text(const std::string& t) {
    pt::InputEvent e;
    e.kind = pt::InputEvent::Kind::Text;
    e.text = t;
    input.push_back(e);
  }
  void idle() { input.push_back(pt::InputEvent{}); }
  std::deque<pt::InputEvent> input;
  void event(const pt::InputEvent& e) { input.push_back(e); }
  std::vector<std::string> frames;
  std::vector<std::pair<int32_t, int32_t>> cursors;  // of each frame
  std::vector<int32_t> waits;                        // the time-outs of the waits that timed out

 private:
  int32_t w_, h_;
};

pt::InputEvent press(int32_t x, int32_t y, int32_t button = 1) {
  pt::InputEvent e;
  e.kind = pt::InputEvent::Kind::Mouse;
  e.mouse = pt::MouseEvent{pt::MouseEvent::Kind::Press, x, y, button, 0};
  return e;
}

// The cell (column, row) where a text first shows in a frame's text.
std::pair<int32_t, int32_t> cellOf(const std::string& frame, const std::string& text) {
  int32_t row = 0;
  size_t start = 0;
  while (start < frame.size()) {
    const size_t end = frame.find('\n', start);
    const std::string line = frame.substr(start, end - start);
    if (const size_t at = line.find(text); at != std::string::npos) {
      int32_t col = 0;
      for (size_t i = 0; i < at; ++i)
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++col;
      return {col, row};
    }
    ++row;
    start = end + 1;
  }
  return {-1, -1};
}

class MainWindow : public ui::Form {
 public:
  MainWindow() : Form("frmMain") { setCaption("Script Editor"); }
  std::shared_ptr<pc::CodeEditorControl> editor;
  std::shared_ptr<pc::Toolbar> bar;
  std::shared_ptr<pc::StatusBar> status;

 protected:
  void createControls() override {
    editor = add(std::make_shared<pc::CodeEditorControl>("CodeSense1"));
    bar = add(std::make_shared<pc::Toolbar>("Toolbar1"));
    bar->addTool("ID_FileSave", pc::ToolKind::MenuItem, "&Save");
    bar->addTool("ID_FileExit", pc::ToolKind::MenuItem, "E&xit");
    bar->addTool("ID_File", pc::ToolKind::Popup, "&File").items = {"ID_FileSave", "", "ID_FileExit"};
    bar->addTool("ID_Edit", pc::ToolKind::Popup, "&Edit").items = {"ID_FileSave"};
    bar->menuBar().items = {"ID_File", "ID_Edit"};
    bar->addBar("Standard").items = {"ID_FileSave", "", "ID_FileExit"};
    status = add(std::make_shared<pc::StatusBar>("StatusBar1"));
    status->add("Path", "C:\\scripts\\a.vbs");
    status->add("Line", "Line 1, Col 1");
  }
};

class TerminalDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    pc::CodeLanguage lang;
    lang.keywords = "Dim\nSub\nEnd";
    lang.singleLineComments = "'";
    lang.stringDelims = "\"";
    pc::CodeEditorGlobals().registerLanguage("DesktopTest", lang);
  }
  void TearDown() override {
    ui::setCurrentUser(nullptr);
    ui::resetDesktop();
  }
  // The desktop on a terminal of the size, installed as the thread's user.
  std::shared_ptr<pt::TerminalDesktop> open(int32_t w, int32_t h) {
    auto t = std::make_unique<FakeTerminal>(w, h);
    term = t.get();
    desktop = std::make_shared<pt::TerminalDesktop>(std::move(t));
    ui::setCurrentUser(desktop);
    return desktop;
  }
  std::shared_ptr<MainWindow> mainWindow(const std::string& text) {
    auto form = ui::Form::make<MainWindow>();
    form->load();
    form->editor->setLanguage("DesktopTest");
    form->editor->setText(text);
    form->show();
    return form;
  }
  FakeTerminal* term = nullptr;
  std::shared_ptr<pt::TerminalDesktop> desktop;
};

TEST_F(TerminalDesktop, DrawsTheMainWindowFillingTheTerminal) {
  open(120, 40);
  auto form = mainWindow("Dim x ' note\r\nSub Go\r\nEnd Sub");
  desktop->render();
  const pt::Grid& g = desktop->frame();
  EXPECT_EQ(g.rowText(0).substr(0, 14), " Script Editor");
  EXPECT_EQ(g.at(116, 0).text + g.at(117, 0).text + g.at(118, 0).text, "[X]");
  // The menu bar with its access keys underlined.
  EXPECT_EQ(g.rowText(1), "  File  Edit");
  EXPECT_TRUE(g.at(2, 1).style.attrs & pt::attr::Underline);
  EXPECT_FALSE(g.at(3, 1).style.attrs & pt::attr::Underline);
  // The toolbar as a row of short captions.
  EXPECT_EQ(g.rowText(2), "[Save]\u2502[Exit]");
  // The text with the colours of the editor (keywords blue, comments green).
  const int32_t row = g.findRow("Dim x ' note");
  ASSERT_EQ(row, 3);
  const int32_t x = static_cast<int32_t>(g.rowText(row).find("Dim"));
  EXPECT_EQ(g.at(x, row).style.fg, static_cast<uint32_t>(form->editor->color(pc::color_index::Keyword)));
  EXPECT_EQ(g.at(x + 4, row).style.fg, static_cast<uint32_t>(form->editor->color(pc::color_index::Text)));
  EXPECT_EQ(g.at(x + 6, row).style.fg, static_cast<uint32_t>(form->editor->color(pc::color_index::Comment)));
  EXPECT_NE(form->editor->color(pc::color_index::Keyword), form->editor->color(pc::color_index::Comment));
  // The caret is the terminal's cursor; the status panels on the last row.
  EXPECT_EQ(g.cursorY, row);
  EXPECT_EQ(g.cursorX, x);
  EXPECT_EQ(g.rowText(39), " C:\\scripts\\a.vbs \u2502 Line 1, Col 1");
  // The editor knows how many lines it shows.
  EXPECT_EQ(form->editor->viewLines(), 40 - 3 - 1);
}

TEST_F(TerminalDesktop, AScriptsEscapeSequencesAreDrawnAsSymbols) {
  open(80, 24);
  auto form = mainWindow("x = \"\x1b]0;owned\x07\x1b[2J\"");
  desktop->render();
  const pt::Grid& g = desktop->frame();
  EXPECT_NE(g.text().find("\u241b]0;owned\u2407\u241b[2J"), std::string::npos) << g.text();
  for (int32_t y = 0; y < g.height(); ++y)
    for (int32_t x = 0; x < g.width(); ++x)
      for (unsigned char c : g.at(x, y).text) ASSERT_FALSE(c < 0x20 || c == 0x7F);
}

TEST_F(TerminalDesktop, ATerminalTooSmallShowsALineSayingSo) {
  open(40, 10);
  auto form = mainWindow("Dim x");
  desktop->render();
  EXPECT_EQ(desktop->frame().rowText(0).rfind("The terminal is too small (40 x 10)", 0), 0u);
  EXPECT_EQ(desktop->frame().findRow("Dim x"), -1);
}

TEST_F(TerminalDesktop, AMessageBoxWrapsItsTextAndIsAnsweredWithTheKeys) {
  open(80, 24);
  auto form = mainWindow("");
  ui::MessageBoxPrompt p;
  p.title = "Editor";
  p.text = std::string("The script has changed, do you want to save changes? ") + std::string(60, 'w');
  p.buttons = ui::mb::YesNoCancel;
  p.icon = ui::mb::Question;
  struct Case {
    std::vector<std::string> keys;
    int32_t answer;
  };
  const Case cases[] = {
      {{"Enter"}, ui::mb::Yes},  // the default button
      {{"Right", "Enter"}, ui::mb::No},
      {{"Tab", "Tab", "Enter"}, ui::mb::Cancel},
      {{"Left", "Space"}, ui::mb::Cancel},  // Left wraps to the last
      {{"n"}, ui::mb::No},
      {{"C"}, ui::mb::Cancel},
      {{"Escape"}, ui::mb::Cancel},
  };
  for (const auto& c : cases) {
    for (const auto& k : c.keys) {
      if (k.size() == 1)
        term->text(k);
      else
        term->key(k);
    }
    EXPECT_EQ(desktop->messageBox(p), c.answer) << c.keys.front();
  }
  const std::string& shown = term->frames.front();
  EXPECT_NE(shown.find("(?) Question"), std::string::npos);
  EXPECT_NE(shown.find("The script has changed, do you want to save changes?"), std::string::npos);
  EXPECT_NE(shown.find(std::string(60, 'w')), std::string::npos) << "the long word on a line of its own";
  EXPECT_NE(shown.find("< Yes >  [ No ]  [ Cancel ]"), std::string::npos) << shown;
  // The timers tick while the box waits for a key, and the box waits no
  // longer than up to the next tick.
  platform::setVirtualClock(platform::clockMillis());
  auto timer = form->add(std::make_shared<ui::Timer>("tmrTest"));
  int ticks = 0;
  timer->onTimer = [&] { ++ticks; };
  timer->setInterval(500);
  term->idle();
  term->idle();
  term->text("y");
  EXPECT_EQ(desktop->messageBox(p), ui::mb::Yes);
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(term->waits, (std::vector<int32_t>{500, 500}));
  timer->setEnabled(false);
  platform::useRealClock();
  // A box without Cancel ignores Escape until a button is chosen.
  p.buttons = ui::mb::YesNo;
  term->key("Escape");
  term->text("y");
  EXPECT_EQ(desktop->messageBox(p), ui::mb::Yes);
}

TEST_F(TerminalDesktop, TheSaveDialogListsFoldersFirstAndTheFilesOfItsFilter) {
  const fs::path dir = fs::temp_directory_path() / ("kestrin-browser-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "Scripts");
  std::ofstream(dir / "b.vbs") << "x";
  std::ofstream(dir / "A.VBS") << "x";
  std::ofstream(dir / "notes.txt") << "x";
  std::ofstream(dir / ".hidden.vbs") << "x";
  open(100, 30);
  auto form = mainWindow("");
  ui::FileDialogPrompt p;
  p.save = true;
  p.title = "Save Script As";
  p.filter = "VBScript Files (*.vbs)|*.vbs|All Files (*.*)|*.*";
  p.filterIndex = 1;
  p.initDir = dir.string();
  term->text("new.vbs");
  term->key("Enter");
  EXPECT_EQ(desktop->fileDialog(p), (dir / "new.vbs").string());
  const std::string& shown = term->frames.front();
  const auto at = [&](const char* s) { return shown.find(s); };
  EXPECT_NE(at("Save Script As"), std::string::npos);
  EXPECT_LT(at("../"), at("Scripts/"));
  EXPECT_LT(at("Scripts/"), at(".hidden.vbs"));
  EXPECT_LT(at(".hidden.vbs"), at("A.VBS"));
  EXPECT_LT(at("A.VBS"), at("b.vbs"));
  EXPECT_EQ(at("notes.txt"), std::string::npos);
  EXPECT_NE(at("Files of type: \u25c2 VBScript Files (*.vbs) \u25b8"), std::string::npos) << shown;
  EXPECT_NE(at("[ Cancel ]"), std::string::npos);
  // The other filter shows every file; a folder's entry opens it; Escape
  // cancels.
  term->key("Tab");  // from the name to the buttons
  term->key("Shift+Tab");
  term->key("Shift+Tab");  // the filter
  term->key("Right");
  term->key("Escape");
  EXPECT_EQ(desktop->fileDialog(p), std::nullopt);
  EXPECT_NE(term->frames.back().find("notes.txt"), std::string::npos) << term->frames.back();
  fs::remove_all(dir);
}

TEST_F(TerminalDesktop, TheMenusOpenWithF10AndAltAndPickAToolClick) {
  open(80, 24);
  auto form = mainWindow("");
  auto key = [&](const std::string& name) {
    return desktop->actionFor(keyEvent(name));
  };
  EXPECT_EQ(key("F10"), std::nullopt);
  desktop->render();
  EXPECT_NE(desktop->frame().text().find("Save"), std::string::npos);
  EXPECT_EQ(key("Down"), std::nullopt);  // over the separator to Exit
  auto picked = key("Enter");
  ASSERT_TRUE(picked);
  EXPECT_EQ(ui::describe(*picked), "ToolClick ID_FileExit");
  EXPECT_EQ(key("Alt+e"), std::nullopt);
  picked = key("s");
  ASSERT_TRUE(picked);
  EXPECT_EQ(ui::describe(*picked), "ToolClick ID_FileSave");
  // Escape closes; the key then goes to the window.
  key("F10");
  EXPECT_EQ(key("Escape"), std::nullopt);
  picked = key("Escape");
  ASSERT_TRUE(picked);
  EXPECT_EQ(ui::describe(*picked), "Key Escape");
  // A click on a toolbar button, in the text and on the close box.
  desktop->render();
  picked = desktop->actionFor(press(1, 2));
  ASSERT_TRUE(picked);
  EXPECT_EQ(ui::describe(*picked), "ToolClick ID_FileSave");
  form->editor->setText("Dim abc\r\nx");
  desktop->render();
  picked = desktop->actionFor(press(2 + 5, 3));  // after the margin
  ASSERT_TRUE(picked);
  EXPECT_EQ(ui::describe(*picked), "Mouse 1,6");
  picked = desktop->actionFor(press(78, 0));
  ASSERT_TRUE(picked);
  EXPECT_EQ(ui::describe(*picked), "Close frmMain");
}

TEST_F(TerminalDesktop, AMenuTallerThanTheTerminalShowsItsSelectedEntry) {
  open(80, 24);
  auto form = mainWindow("");
  std::vector<std::string> ids;
  for (int i = 1; i <= 30; ++i) {
    const std::string n = (i < 10 ? "0" : "") + std::to_string(i);
    ids.push_back("ID_Entry" + n);
    form->bar->addTool(ids.back(), pc::ToolKind::MenuItem, "Entry " + n);
  }
  form->bar->addTool("ID_Long", pc::ToolKind::Popup, "&Long").items = ids;
  form->bar->menuBar().items.push_back("ID_Long");
  auto key = [&](const std::string& name) {
    auto a = desktop->actionFor(keyEvent(name));
    desktop->render();
    return a;
  };
  auto shown = [&](const std::string& text) { return cellOf(desktop->frame().text(), text).first >= 0; };
  key("Alt+l");
  EXPECT_TRUE(shown("Entry 01"));
  EXPECT_FALSE(shown("Entry 30"));
  EXPECT_TRUE(shown("\u25be")) << "no mark of the entries below";
  key("Up");  // round to the last entry
  EXPECT_TRUE(shown("Entry 30"));
  EXPECT_FALSE(shown("Entry 01"));
  EXPECT_TRUE(shown("\u25b4")) << "no mark of the entries above";
  // A click on a row picks the entry shown there.
  const auto [col, row] = cellOf(desktop->frame().text(), "Entry 29");
  auto picked = desktop->actionFor(press(col, row));
  ASSERT_TRUE(picked);
  EXPECT_EQ(ui::describe(*picked), "ToolClick ID_Entry29");
  // The wheel and Home go back up.
  key("Alt+l");
  pt::InputEvent wheel = press(10, 10, 4);
  wheel.mouse.kind = pt::MouseEvent::Kind::Wheel;
  desktop->actionFor(wheel);
  desktop->render();
  EXPECT_TRUE(shown("Entry 30"));
  key("Home");
  EXPECT_TRUE(shown("Entry 01"));
  picked = key("Enter");
  ASSERT_TRUE(picked);
  EXPECT_EQ(ui::describe(*picked), "ToolClick ID_Entry01");
}

TEST_F(TerminalDesktop, TheToolbarsMarkOffersTheButtonsThatFoundNoRoom) {
  open(60, 16);
  auto form = mainWindow("");
  std::vector<std::string> ids;
  for (int i = 1; i <= 12; ++i) {
    const std::string n = (i < 10 ? "0" : "") + std::to_string(i);
    ids.push_back("ID_Wide" + n);
    form->bar->addTool(ids.back(), pc::ToolKind::MenuItem, "Wide button " + n);
  }
  form->bar->addBar("Wide").items = ids;
  desktop->render();
  const std::string frame = desktop->frame().text();
  ASSERT_GE(cellOf(frame, "Wide button 03").first, 0);
  ASSERT_LT(cellOf(frame, "Wide button 04").first, 0);
  const auto [col, row] = cellOf(frame, "\u00bb");
  ASSERT_GE(col, 0);
  // The mark's menu lists the buttons left out, from the first of them.
  term->key("Enter");
  auto picked = desktop->actionFor(press(col, row));
  ASSERT_TRUE(picked);
  EXPECT_EQ(ui::describe(*picked), "ToolClick ID_Wide04");
  EXPECT_NE(term->frames.back().find("Wide button 12"), std::string::npos);
  term->key("Down");
  term->key("Enter");
  picked = desktop->actionFor(press(col, row));
  ASSERT_TRUE(picked);
  EXPECT_EQ(ui::describe(*picked), "ToolClick ID_Wide05");
  term->key("Escape");
  EXPECT_EQ(desktop->actionFor(press(col, row)), std::nullopt);
}

TEST_F(TerminalDesktop, APopupMenuDrawsItsSeparatorsAndTheKeysPassOverThem) {
  open(80, 24);
  auto form = mainWindow("");
  ui::PopupPrompt prompt{
      "ID_Edit", {"ID_Undo", "ID_Cut", "ID_Copy", "ID_All"}, {"&Undo", "Cu&t", "&Copy", "Select &All"}, {1, 3}};
  // Down from Undo steps over the line below it; Up from Select All over
  // the one above it; End and Home stop on entries.
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"Down"}, "ID_Cut"},
      {{"End", "Up"}, "ID_Copy"},
      {{"End", "Home", "Down", "Down"}, "ID_Copy"},
      {{"Down", "Down", "Down"}, "ID_All"},
      {{"PageDown", "Up", "Up"}, "ID_Cut"},
  };
  for (const auto& [keys, want] : cases) {
    for (const auto& k : keys) term->key(k);
    term->key("Enter");
    EXPECT_EQ(desktop->popupMenu(prompt), std::optional<std::string>(want)) << keys.front();
  }
  // The lines run across the frame, between Undo and Cut and between Copy
  // and Select All.
  term->key("Escape");
  EXPECT_EQ(desktop->popupMenu(prompt), std::nullopt);
  const std::string frame = term->frames.back();
  const auto undo = cellOf(frame, "Undo"), cut = cellOf(frame, "Cut"), copy = cellOf(frame, "Copy"),
             all = cellOf(frame, "Select All");
  ASSERT_GE(undo.second, 0);
  EXPECT_EQ(cut.second, undo.second + 2);
  EXPECT_EQ(copy.second, cut.second + 1);
  EXPECT_EQ(all.second, copy.second + 2);
  const pt::Grid& g = desktop->frame();
  const std::string rule = g.rowText(undo.second + 1);
  EXPECT_NE(rule.find("\u251c\u2500\u2500\u2500"), std::string::npos) << rule;
  EXPECT_NE(g.rowText(copy.second + 1).find("\u2524"), std::string::npos);
  // A click on a line keeps the menu open; one on an entry picks it, one
  // beside the menu closes it.
  term->event(press(undo.first, undo.second + 1));
  term->event(press(cut.first, cut.second));
  EXPECT_EQ(desktop->popupMenu(prompt), std::optional<std::string>("ID_Cut"));
  term->event(press(undo.first, all.second + 3));
  EXPECT_EQ(desktop->popupMenu(prompt), std::nullopt);
  EXPECT_TRUE(term->input.empty());
}

// The editor's right-click shows the Edit popup of the window's toolbar.
class EditMenuOnRightClick : public pc::CodeEditorEvents {
 public:
  explicit EditMenuOnRightClick(pc::Toolbar& bar) : bar_(bar) {}
  bool rightClick(pc::CodeEditor&) override {
    bar_.showPopupMenu("ID_Edit");
    return true;
  }

 private:
  pc::Toolbar& bar_;
};

TEST_F(TerminalDesktop, TheRightClickMenuOpensItsNestedPopupsAsSubmenus) {
  open(80, 24);
  auto form = mainWindow("Dim x");
  pc::Toolbar& bar = *form->bar;
  // Edit: a Quick Code popup of 40 snippets and a nested popup, then the
  // editing tools; as one list it would not fit the terminal.
  std::vector<std::string> quick;
  for (int i = 1; i <= 40; ++i) {
    const std::string id = "ID_Snippet" + std::to_string(i);
    bar.addTool(id, pc::ToolKind::MenuItem, "Snippet " + std::to_string(i));
    quick.push_back(id);
    if (i % 10 == 0) quick.push_back("");
  }
  bar.addTool("ID_Arc", pc::ToolKind::MenuItem, "Arc");
  bar.addTool("ID_Off", pc::ToolKind::MenuItem, "Offline").enabled = false;
  bar.addTool("ID_Entity", pc::ToolKind::Popup, "New Entity").items = {"ID_Arc"};
  bar.addTool("ID_Empty", pc::ToolKind::Popup, "Nothing Here").items = {"ID_Off"};
  quick.push_back("ID_Entity");
  quick.push_back("ID_Empty");
  bar.addTool("ID_QuickCode", pc::ToolKind::Popup, "Quick Code").items = quick;
  bar.addTool("ID_EditCut", pc::ToolKind::MenuItem, "Cu&t");
  bar.addTool("ID_EditCopy", pc::ToolKind::MenuItem, "&Copy");
  bar.addTool("ID_EditPaste", pc::ToolKind::MenuItem, "&Paste");
  bar.tool("ID_Edit").items = {"ID_QuickCode", "", "ID_EditCut", "ID_EditCopy", "ID_EditPaste"};
  std::vector<std::string> ran;
  bar.setToolClickHandler([&](const pc::Tool& t) { ran.push_back(t.id); });
  EditMenuOnRightClick sink(bar);
  form->editor->setEventSink(&sink);
  auto rightClick = [&](std::vector<pt::InputEvent> input) {
    ran.clear();
    desktop->render();  // the window as the click found it: the menu stands at its caret
    term->frames.clear();
    term->input.assign(input.begin(), input.end());
    form->editor->userRightClicks();
    EXPECT_TRUE(term->input.empty());
    return ran.empty() ? std::string() : ran.back();
  };
  auto keys = [](std::vector<std::string> names) {
    std::vector<pt::InputEvent> out;
    for (const auto& n : names) {
      out.push_back(keyEvent(n));
    }
    return out;
  };

  // The menu shows Quick Code with its mark and the Edit tools under it,
  // not the snippets.
  EXPECT_EQ(rightClick(keys({"Escape"})), "");
  ASSERT_FALSE(term->frames.empty());
  const std::string menu = term->frames.front();
  const auto quickCell = cellOf(menu, "Quick Code"), cut = cellOf(menu, "Cut");
  ASSERT_GE(quickCell.second, 0) << menu;
  EXPECT_EQ(cut.second, quickCell.second + 2) << menu;
  EXPECT_EQ(menu.find("Snippet"), std::string::npos) << menu;
  {
    std::istringstream lines(menu);
    std::string line;
    for (int row = 0; std::getline(lines, line); ++row)
      if (row == quickCell.second) {
        EXPECT_NE(line.find("Quick Code \u25b8"), std::string::npos) << line;
      }
  }

  // Right or Enter opens a submenu, Left or Escape closes it again; the
  // pick runs its tool. A nested popup with nothing to pick is left out.
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"Down", "Enter"}, "ID_EditCut"},
      {{"Right", "Down", "Enter"}, "ID_Snippet2"},
      {{"Enter", "End", "Enter", "Enter"}, "ID_Arc"},
      {{"Right", "End", "Right", "Left", "Up", "Enter"}, "ID_Snippet40"},
      {{"Right", "Escape", "Down", "Down", "Enter"}, "ID_EditCopy"},
      {{"Right", "Left", "Down", "p"}, "ID_EditPaste"},
      {{"Right", "Escape", "Escape"}, ""},
  };
  for (const auto& [names, want] : cases) {
    std::string all;
    for (const auto& n : names) all += n + " ";
    EXPECT_EQ(rightClick(keys(names)), want) << all;
  }
  EXPECT_EQ(rightClick(keys({"Right", "End", "Escape", "Escape"})), "");
  ASSERT_EQ(term->frames.size(), 4u);
  EXPECT_NE(term->frames[2].find("New Entity \u25b8"), std::string::npos) << term->frames[2];
  EXPECT_EQ(term->frames[2].find("Nothing Here"), std::string::npos) << term->frames[2];

  // With the mouse: a click on Quick Code opens it beside the menu, one on
  // a snippet picks it, one beside the menus closes them.
  EXPECT_EQ(rightClick({press(quickCell.first, quickCell.second), press(0, 23)}), "");
  const std::string sub = term->frames.back();
  const auto third = cellOf(sub, "Snippet 3 ");
  ASSERT_GE(third.second, 0) << sub;
  EXPECT_GT(third.first, quickCell.first);
  EXPECT_EQ(rightClick({press(quickCell.first, quickCell.second), press(third.first, third.second)}), "ID_Snippet3");
  form->editor->setEventSink(nullptr);
}

// Fills the completion list and the tip as the editor's owner does.
class CodeSense : public pc::CodeEditorEvents {
 public:
  uint32_t images = 0;
  bool completionListShow(pc::CodeEditor&, pc::CompletionList& list) override {
    list.setImageList(static_cast<int32_t>(images));
    list.setImageMode(1);
    list.addItem("DrawArc", 3);
    list.addItem("DrawLine", 3);
    list.addItem("Dim", 0);
    return true;
  }
  int32_t tipKind(pc::CodeEditor&) override { return 4; }
  void tipShow(pc::CodeEditor&, pc::ArgumentTip& tip) override {
    tip.setText("DrawLine(x1, y1, x2, y2)");
    tip.setArgument(1);
  }
};

TEST_F(TerminalDesktop, TheCompletionListStandsUnderTheCaretAndTheTipAboveIt) {
  open(80, 24);
  auto form = mainWindow("Option Explicit\r\n\r\nDr");
  auto images = form->add(std::make_shared<pc::ImageList>("IMG"));
  for (const char* key : pc::kCompletionImageKeys) images->add(key, key);
  CodeSense sense;
  sense.images = images->hImageList();
  form->editor->setEventSink(&sense);
  form->editor->setCaretPos(2, 2);
  ASSERT_TRUE(form->editor->showCompletionList());
  form->editor->completionList()->selectItem(1);
  desktop->render();
  const pt::Grid& g = desktop->frame();
  const int32_t caretRow = g.findRow("Dr");
  ASSERT_GT(caretRow, 0);
  EXPECT_EQ(g.cursorY, caretRow);
  // The entries with their images' names, from the start of the word; the
  // selected one marked.
  EXPECT_EQ(g.rowText(caretRow + 1).substr(0, 20), "   [method] DrawArc");
  EXPECT_EQ(g.rowText(caretRow + 2).substr(0, 20), "  >[method] DrawLine");
  EXPECT_TRUE(g.at(2, caretRow + 2).style.attrs & pt::attr::Reverse);
  EXPECT_EQ(g.rowText(caretRow + 3).substr(0, 20), "   [class] Dim");
  // The tip: one line above the caret, the current argument in bold.
  form->editor->userKey("Escape");
  form->editor->executeCommand(pc::cmdArgumentTip);
  ASSERT_TRUE(form->editor->tipShown());
  desktop->render();
  const std::string above = g.rowText(caretRow - 1);
  const size_t at = above.find("DrawLine(x1, y1, x2, y2)");
  ASSERT_NE(at, std::string::npos) << above;
  const int32_t y1 = static_cast<int32_t>(above.find("y1"));
  EXPECT_TRUE(g.at(y1, caretRow - 1).style.attrs & pt::attr::Bold);
  EXPECT_FALSE(g.at(static_cast<int32_t>(above.find("x1")), caretRow - 1).style.attrs & pt::attr::Bold);
  form->editor->setEventSink(nullptr);
}

// The input box's field: keys, typing and clicks edit it at its caret; the
// caret is the terminal's cursor and the field scrolls to keep it shown.
TEST_F(TerminalDesktop, ThePromptsFieldEditsAtItsCaret) {
  open(80, 24);
  auto form = mainWindow("");
  ui::InputBoxPrompt p;
  p.prompt = "Name:";
  p.defaultText = "hello";
  // Where the field's text starts.
  term->key("Escape");
  ASSERT_EQ(desktop->inputBox(p), std::nullopt);
  const auto [textX, textY] = cellOf(term->frames.back(), "[hello");
  ASSERT_GE(textX, 0);
  EXPECT_EQ(term->cursors.back(), std::make_pair(textX + 1 + 5, textY)) << "the caret after the text";
  struct Case {
    std::vector<std::string> input;  // "#n" a click n cells into the text, "+t" typed, else a key
    const char* answer;
  };
  const Case cases[] = {
      {{"Home", "Delete", "+J", "End", "+!"}, "Jello!"},
      {{"Left", "Left", "Backspace", "Backspace"}, "hlo"},
      {{"Home", "Right", "Space", "+\xe4\xb8\xad"},
       "h \xe4\xb8\xad"
       "ello"},
      {{"#2", "+L"}, "heLllo"},
      {{"#40", "+?"}, "hello?"},
  };
  for (const auto& c : cases) {
    for (const auto& in : c.input) {
      if (in[0] == '#')
        term->event(press(textX + 1 + std::stoi(in.substr(1)), textY));
      else if (in[0] == '+')
        term->text(in.substr(1));
      else
        term->key(in);
    }
    term->key("Enter");
    EXPECT_EQ(desktop->inputBox(p), c.answer) << c.input.front();
  }
  // The cursor follows the caret over wide characters (two cells each).
  p.defaultText = "\xe4\xb8\xad\xe6\x96\x87x";
  term->key("Left");
  term->key("Left");
  term->key("Escape");
  desktop->inputBox(p);
  EXPECT_EQ(term->cursors.back(), std::make_pair(textX + 1 + 2, textY));
  // A text longer than the field: the caret's end shows, Home shows the
  // start, a click lands on the character under it.
  std::string longText;
  for (int i = 0; i < 8; ++i) longText += "0123456789";
  p.defaultText = longText;
  term->key("Escape");
  desktop->inputBox(p);
  const std::string shownEnd = term->frames.back();
  EXPECT_NE(shownEnd.find("3456789 ]"), std::string::npos) << shownEnd;
  EXPECT_EQ(shownEnd.find("[0123"), std::string::npos) << shownEnd;
  const int32_t fieldEnd = term->cursors.back().first;
  term->key("Home");
  term->event(press(textX + 1 + 12, textY));
  term->text("-");
  term->key("Enter");
  EXPECT_EQ(desktop->inputBox(p), longText.substr(0, 12) + "-" + longText.substr(12));
  EXPECT_NE(term->frames[term->frames.size() - 3].find("[0123456789012"), std::string::npos);
  EXPECT_EQ(term->cursors[term->cursors.size() - 3], std::make_pair(textX + 1, textY));
  EXPECT_LE(fieldEnd, cellOf(shownEnd, " ]").first) << "the cursor inside the field";
}

class Dialog : public ui::Form {
 public:
  Dialog() : Form("frmDialog") {
    setCaption("Dialog");
    setBorderStyle(ui::vbFixedDialog);
  }
  std::function<void(Dialog&)> build;

 protected:
  void createControls() override { build(*this); }
};

TEST_F(TerminalDesktop, ADialogTallerThanTheTerminalMarksItsHiddenRows) {
  open(60, 16);
  auto main = mainWindow("");
  auto form = ui::Form::make<Dialog>();
  form->build = [&](Dialog& f) {
    for (int i = 1; i <= 20; ++i)
      f.add(std::make_shared<pc::CheckBox>("chk" + std::to_string(i), "Box " + std::to_string(i)));
    f.add(std::make_shared<pc::CommandButton>("cmdOK", "OK"));
  };
  form->load();
  form->show();
  auto focusOn = [&](const std::string& name) {
    ui::Action focus;
    focus.kind = ui::Action::Kind::Focus;
    focus.control = name;
    form->dispatch(focus);
    desktop->render();
    return desktop->frame().text();
  };
  // The first rows shown: more below, none above.
  std::string frame = focusOn("chk1");
  EXPECT_GE(cellOf(frame, "Box 1 ").first, 0) << frame;
  EXPECT_EQ(frame.find("\u25b4"), std::string::npos) << frame;
  EXPECT_NE(frame.find("\u25be"), std::string::npos) << "no mark of the rows below: " << frame;
  // The button, last: rows above, none below.
  frame = focusOn("cmdOK");
  EXPECT_GE(cellOf(frame, "OK").first, 0) << frame;
  EXPECT_NE(frame.find("\u25b4"), std::string::npos) << "no mark of the rows above: " << frame;
  EXPECT_EQ(frame.find("\u25be"), std::string::npos) << frame;
}

TEST_F(TerminalDesktop, ADialogsTextBoxShowsItsCaretAndAClickPlacesIt) {
  open(80, 24);
  auto main = mainWindow("");
  auto form = ui::Form::make<Dialog>();
  std::shared_ptr<pc::TextBox> txt;
  form->build = [&](Dialog& f) {
    f.add(std::make_shared<pc::Label>("lblName", "&Name:"));
    txt = f.add(std::make_shared<pc::TextBox>("txtName"));
    f.add(std::make_shared<pc::CommandButton>("cmdOK", "OK"));
  };
  form->load();
  txt->setText("abcdef");
  form->show();
  ui::Action focus;
  focus.kind = ui::Action::Kind::Focus;
  focus.control = "txtName";
  form->dispatch(focus);
  desktop->render();
  const pt::Grid& g = desktop->frame();
  const auto [x, y] = cellOf(g.text(), "[abcdef");
  ASSERT_GE(x, 0) << g.text();
  EXPECT_EQ(std::make_pair(g.cursorX, g.cursorY), std::make_pair(x + 1 + 6, y));
  auto clicked = desktop->actionFor(press(x + 1 + 2, y));
  ASSERT_TRUE(clicked);
  EXPECT_EQ(ui::describe(*clicked), "Mouse 1,3");
  EXPECT_EQ(clicked->control, "txtName");
  ASSERT_TRUE(form->dispatch(*clicked));
  pt::InputEvent typed;
  typed.kind = pt::InputEvent::Kind::Text;
  typed.text = "Z";
  ASSERT_TRUE(form->dispatch(*desktop->actionFor(typed)));
  EXPECT_EQ(txt->text(), "abZcdef");
  desktop->render();
  EXPECT_EQ(std::make_pair(g.cursorX, g.cursorY), std::make_pair(x + 1 + 3, y));
  // A text wider than the box scrolls with the caret.
  txt->setText(std::string(60, 'a') + std::string(60, 'b'));
  desktop->render();
  EXPECT_NE(g.rowText(y).find("bbbb ]"), std::string::npos) << g.rowText(y);
  ui::Action home;
  home.kind = ui::Action::Kind::Key;
  home.text = "Home";
  ASSERT_TRUE(form->dispatch(home));
  desktop->render();
  EXPECT_NE(g.rowText(y).find("[aaaa"), std::string::npos) << g.rowText(y);
  EXPECT_EQ(g.cursorX, x + 1);
}

TEST_F(TerminalDesktop, AltWithAnAccessKeyActsOnTheDialogsControlOfThatLetter) {
  open(80, 24);
  auto main = mainWindow("");
  auto form = ui::Form::make<Dialog>();
  std::shared_ptr<pc::CheckBox> wrap;
  std::shared_ptr<pc::OptionButton> optA;
  form->build = [&](Dialog& f) {
    auto tabs = f.add(std::make_shared<pc::TabControl>("tabs"));
    tabs->addTab("&First");
    tabs->addTab("&Second");
    f.add(std::make_shared<pc::Frame>("fraOne", "&Group"));
    f.add(std::make_shared<pc::Label>("lblLong",
                                      "A label long enough to take two rows of the dialog, so that its "
                                      "access &key stands on the second of them"));
    wrap = f.add(std::make_shared<pc::CheckBox>("chkWrap", "&Wrap"));
    f.add(std::make_shared<pc::Label>("lblName", "&Name:"));
    f.add(std::make_shared<pc::TextBox>("txtName"));
    optA = f.add(std::make_shared<pc::OptionButton>("optA", "Option &A"));
    f.add(std::make_shared<pc::OptionButton>("optB", "Option &B"));
    f.add(std::make_shared<pc::OptionButton>("optC", "Option &b too"));
    f.add(std::make_shared<pc::Frame>("fraTwo", "Page two"));
    f.add(std::make_shared<pc::CheckBox>("chkOther", "&Other"));
    f.add(std::make_shared<pc::CommandButton>("cmdOK", "&OK"));
    f.add(std::make_shared<pc::CommandButton>("cmdCancel", "&Cancel"));
  };
  form->load();
  optA->setEnabled(false);
  form->show();
  auto alt = [&](const std::string& name) {
    auto a = desktop->actionFor(keyEvent(name));
    return a ? ui::describe(*a) : std::string("nothing");
  };
  struct Case {
    const char* key;
    const char* action;
  };
  const Case cases[] = {
      {"Alt+w", "Click chkWrap on frmDialog"},
      {"Alt+W", "Click chkWrap on frmDialog"},
      {"Alt+n", "Focus txtName on frmDialog"},  // a label: the control after it
      {"Alt+g", "Focus chkWrap on frmDialog"},  // a frame: the same
      {"Alt+k", "Focus chkWrap on frmDialog"},
      {"Alt+b", "Click optB on frmDialog"},
      {"Alt+s", "Pick tabs \"&Second\" on frmDialog"},
      {"Alt+o", "Click cmdOK on frmDialog"},  // the check box of the other page is not shown
      {"Alt+c", "Click cmdCancel on frmDialog"},
      {"Alt+a", "Key Alt+a"},  // a disabled control takes none
      {"Alt+z", "Key Alt+z"},
  };
  for (const auto& c : cases) EXPECT_EQ(alt(c.key), c.action) << c.key;
  // Of two controls with one letter, the one after the focused one.
  ASSERT_TRUE(form->dispatch(*desktop->actionFor(keyEvent("Alt+b"))));
  EXPECT_EQ(alt("Alt+b"), "Click optC on frmDialog");
  // The check box is toggled and takes the focus.
  ASSERT_TRUE(form->dispatch(*desktop->actionFor(keyEvent("Alt+w"))));
  EXPECT_EQ(wrap->value(), 1);
  EXPECT_EQ(form->focusedControl(), wrap.get());
  // The access letters are underlined.
  desktop->render();
  const pt::Grid& g = desktop->frame();
  for (const char* caption : {"Wrap", "Name:", "Group", "Cancel", "key stands"}) {
    const auto [x, y] = cellOf(g.text(), caption);
    ASSERT_GE(x, 0) << caption;
    EXPECT_TRUE(g.at(x, y).style.attrs & pt::attr::Underline) << caption;
    EXPECT_FALSE(g.at(x + 1, y).style.attrs & pt::attr::Underline) << caption;
  }
}

TEST_F(TerminalDesktop, ADialogsButtonsStandInOneRowOnEveryTabPage) {
  open(80, 30);
  auto main = mainWindow("");
  auto form = ui::Form::make<Dialog>();
  form->build = [&](Dialog& f) {
    auto tabs = f.add(std::make_shared<pc::TabControl>("tabs"));
    tabs->addTab("&First");
    tabs->addTab("&Second");
    f.add(std::make_shared<pc::Frame>("fraOne", "Page one"));
    for (const char* name : {"chkA", "chkB", "chkC", "chkD", "chkE"})
      f.add(std::make_shared<pc::CheckBox>(name, name));
    f.add(std::make_shared<pc::Frame>("fraTwo", "Page two"));
    f.add(std::make_shared<pc::CheckBox>("chkOther", "Other"));
    f.add(std::make_shared<pc::CommandButton>("cmdOK", "OK"));
    f.add(std::make_shared<pc::CommandButton>("cmdCancel", "Cancel"));
  };
  form->load();
  form->show();
  desktop->render();
  const pt::Grid& g = desktop->frame();
  ASSERT_GE(cellOf(g.text(), "chkE").second, 0) << g.text();
  const auto onFirst = cellOf(g.text(), "[ OK ]");
  ASSERT_GE(onFirst.second, 0) << g.text();
  ASSERT_TRUE(form->dispatch(*desktop->actionFor(keyEvent("Alt+s"))));
  desktop->render();
  ASSERT_GE(cellOf(g.text(), "Other").second, 0) << g.text();
  EXPECT_LT(cellOf(g.text(), "chkE").second, 0) << g.text();
  EXPECT_EQ(cellOf(g.text(), "[ OK ]"), onFirst) << g.text();
}

TEST_F(TerminalDesktop, AltWithAnAccessKeyAnswersThePrompts) {
  open(80, 24);
  auto form = mainWindow("");
  // The input box: Alt+C cancels even while the field takes the typing.
  ui::InputBoxPrompt input;
  input.defaultText = "x";
  term->text("c");
  term->key("Alt+c");
  EXPECT_EQ(desktop->inputBox(input), std::nullopt);
  term->text("c");
  term->key("Alt+o");
  EXPECT_EQ(desktop->inputBox(input), "c");  // the prefilled text was selected: typing replaced it
  // The print dialog: Alt+G chooses the pages, Alt+P prints.
  ui::PrintDialogPrompt print;
  print.minPage = 1;
  print.maxPage = 9;
  term->key("Alt+g");
  term->key("Alt+p");
  auto answer = desktop->printDialog(print);
  ASSERT_TRUE(answer);
  EXPECT_NE(static_cast<uint32_t>(answer->flags) & pc::pd::PageNums, 0u);
  // A message box: Alt with a button's letter answers as the letter does.
  ui::MessageBoxPrompt box;
  box.text = "Save?";
  box.buttons = ui::mb::YesNoCancel;
  term->key("Alt+n");
  EXPECT_EQ(desktop->messageBox(box), ui::mb::No);
}

// Print Setup is the printer's form: where the jobs go, no pages or
// copies; OK keeps the caller's range.
TEST_F(TerminalDesktop, PrintSetupShowsThePrinterAndNoPages) {
  open(80, 24);
  auto form = mainWindow("");
  pc::setPrintFolder("/tmp/jobs-here");
  ui::PrintDialogPrompt setup;
  setup.flags = static_cast<int32_t>(pc::pd::PrintSetup | pc::pd::PageNums);
  setup.fromPage = 2;
  setup.toPage = 3;
  term->key("Enter");
  auto answer = desktop->printDialog(setup);
  const std::string frame = term->frames.back();
  term->key("Escape");
  const auto cancelled = desktop->printDialog(setup);
  pc::setPrintFolder({});
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->flags, setup.flags);
  EXPECT_EQ(answer->fromPage, 2);
  EXPECT_EQ(answer->toPage, 3);
  EXPECT_EQ(cancelled, std::nullopt);
  EXPECT_NE(frame.find("Print Setup"), std::string::npos) << frame;
  EXPECT_NE(frame.find("Text files in /tmp/jobs-here"), std::string::npos) << frame;
  EXPECT_EQ(frame.find("Copies"), std::string::npos) << frame;
  EXPECT_EQ(frame.find("Pages"), std::string::npos) << frame;
}

// A job printed says where it went on the last row until the next key; one
// that failed says why in a box.
TEST_F(TerminalDesktop, APrintJobSaysWhereItWentOrWhyItFailed) {
  open(80, 24);
  auto form = mainWindow("");
  ui::PrintReport done;
  done.title = "Kestrin script";
  done.folder = "/tmp/jobs";
  done.jobFile = "/tmp/jobs/Kestrin_script-a1b2c3.txt";
  desktop->printed(done);
  desktop->render();
  EXPECT_EQ(desktop->frame().rowText(23), " Printed to /tmp/jobs/Kestrin_script-a1b2c3.txt");
  pt::InputEvent key = keyEvent("Down");
  desktop->actionFor(key);
  desktop->render();
  EXPECT_EQ(desktop->frame().rowText(23).find("Printed"), std::string::npos);

  ui::PrintReport failed;
  failed.folder = "/tmp/file/print";
  failed.error = 76;
  failed.failure = "Path not found";
  term->key("Enter");
  desktop->printed(failed);
  ASSERT_FALSE(term->frames.empty());
  const std::string box = term->frames.back();
  EXPECT_NE(box.find("The script was not printed: Path not found."), std::string::npos) << box;
  EXPECT_NE(box.find("Print folder: /tmp/file/print"), std::string::npos) << box;
  EXPECT_TRUE(term->input.empty());  // the box took the Enter
}

pt::InputEvent pasted(const std::string& text) {
  pt::InputEvent e;
  e.kind = pt::InputEvent::Kind::Paste;
  e.text = text;
  return e;
}

// Counts what the editor tells its owner.
class Counting : public pc::CodeEditorEvents {
 public:
  int textChanges = 0, keys = 0;
  void textChange(pc::CodeEditor&) override { ++textChanges; }
  bool keyDown(pc::CodeEditor&, int32_t, int32_t) override {
    ++keys;
    return false;
  }
  bool keyPress(pc::CodeEditor&, int32_t, int32_t) override {
    ++keys;
    return false;
  }
};

// A paste is one edit at the caret, as the editor's own paste: each line
// break once, one undo step, one text change and no key.
TEST_F(TerminalDesktop, APasteIsOneEditOfTheEditor) {
  open(80, 24);
  auto form = mainWindow("ab");
  Counting counting;
  form->editor->setEventSink(&counting);
  struct Case {
    std::string text;
    std::string result;
  };
  const Case cases[] = {
      {"Dim x\r\nDim y\r\n", "aDim x\r\nDim y\r\nb"},
      {"1\r2\r", "a1\r\n2\r\nb"},
      {"1\n2", "a1\r\n2b"},
      {"1\r\n\r\n2\n\r3", "a1\r\n\r\n2\r\n\r\n3b"},  // an empty line stays one
      {"\tx \xe4\xb8\xad",
       "a\tx \xe4\xb8\xad"
       "b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    form->editor->setText("ab");
    form->editor->setCaretPos(0, 1);
    counting = Counting{};
    auto a = desktop->actionFor(pasted(c.text));
    ASSERT_TRUE(a);
    ASSERT_TRUE(form->dispatch(*a));
    EXPECT_EQ(form->editor->text(), c.result);
    EXPECT_EQ(counting.textChanges, 1);
    EXPECT_EQ(counting.keys, 0);
    form->editor->undo();
    EXPECT_EQ(form->editor->text(), "ab");
    EXPECT_FALSE(form->editor->canUndo());
  }
  form->editor->setEventSink(nullptr);
}

// In a prompt a paste goes into the field, on its line; in a dialog it goes
// into the focused text box and presses no button.
TEST_F(TerminalDesktop, APasteIntoAFieldStaysInTheField) {
  open(80, 24);
  auto form = mainWindow("");
  ui::InputBoxPrompt p;
  p.defaultText = "";
  term->event(pasted("one\r\ntwo"));
  term->key("Enter");
  EXPECT_EQ(desktop->inputBox(p), "onetwo");
  bool pressed = false;
  auto dialog = ui::Form::make<Dialog>();
  std::shared_ptr<pc::TextBox> box;
  dialog->build = [&](Dialog& d) {
    box = d.add(std::make_shared<pc::TextBox>("txtName"));
    auto ok = d.add(std::make_shared<pc::CommandButton>("cmdOK"));
    ok->setDefault(true);
    ok->onClick = [&] { pressed = true; };
  };
  dialog->load();
  dialog->show();
  dialog->moveFocus(box.get());
  auto a = desktop->actionFor(pasted("a\r\nb\tc"));
  ASSERT_TRUE(a);
  ASSERT_TRUE(dialog->dispatch(*a));
  EXPECT_EQ(box->text(), "ab c");
  EXPECT_FALSE(pressed);
}

// The wheel scrolls the view three lines a step and leaves the caret; a
// page key moves the view and the caret by the view's height less one.
TEST_F(TerminalDesktop, TheWheelScrollsTheViewAndThePageKeysMoveByAPage) {
  open(80, 24);
  std::string text;
  for (int i = 1; i <= 200; ++i) text += "line " + std::to_string(i) + "\r\n";
  auto form = mainWindow(text);
  form->editor->setCaretPos(0, 0);
  // The row that shows "line n".
  auto rowOf = [&](int n) {
    const std::string want = " line " + std::to_string(n);
    for (int32_t y = 0; y < desktop->frame().height(); ++y) {
      std::string r = desktop->frame().rowText(y);
      r.erase(r.find_last_not_of(' ') + 1);
      if (r.size() >= want.size() && r.compare(r.size() - want.size(), want.size(), want) == 0) return y;
    }
    return -1;
  };
  desktop->render();
  const int32_t row = rowOf(1);
  ASSERT_GE(row, 0) << desktop->frame().text();
  pt::InputEvent wheel;
  wheel.kind = pt::InputEvent::Kind::Mouse;
  wheel.mouse = pt::MouseEvent{pt::MouseEvent::Kind::Wheel, 10, row + 2, 5, 0};
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(desktop->actionFor(wheel));
  desktop->render();
  EXPECT_EQ(form->editor->topLine(), 30);
  EXPECT_EQ(rowOf(31), row);
  EXPECT_EQ(form->editor->getSel(false).endLine, 0) << "the caret stays";
  wheel.mouse.button = 4;
  EXPECT_FALSE(desktop->actionFor(wheel));
  desktop->render();
  EXPECT_EQ(form->editor->topLine(), 27);
  // The page keys, from the first press.
  form->editor->setCaretPos(0, 0);
  form->editor->setTopLine(0);
  desktop->render();
  const int32_t page = form->editor->viewLines() - 1;
  ASSERT_GT(page, 3);
  ASSERT_TRUE(form->dispatch(*desktop->actionFor(keyEvent("PageDown"))));
  desktop->render();
  EXPECT_EQ(form->editor->topLine(), page);
  EXPECT_EQ(form->editor->getSel(false).endLine, page);
  EXPECT_EQ(rowOf(page + 1), row);
  form->editor->userKey("PageDown");
  form->editor->userKey("PageUp");
  EXPECT_EQ(form->editor->topLine(), page);
  EXPECT_EQ(form->editor->getSel(false).endLine, page);
}

// Below the least size nothing of the desktop is shown, and no key reaches
// it; the notice wraps to the width it has.
TEST_F(TerminalDesktop, BelowTheLeastSizeNoKeyReachesTheScript) {
  open(30, 10);
  auto form = mainWindow("Dim x");
  term->text("Q");
  term->key("Enter");
  ui::WaitContext waiting;
  const auto a = desktop->nextAction(waiting);
  EXPECT_EQ(a.kind, ui::Action::Kind::Abandon);  // the input ran out, nothing was delivered
  std::string notice;
  for (int32_t y = 0; y < 10; ++y) {
    const std::string row = desktop->frame().rowText(y);
    EXPECT_LE(pt::textWidth(row), 30);
    notice += row.substr(0, row.find_last_not_of(' ') + 1) + " ";
  }
  EXPECT_NE(notice.find("too small (30 x 10)"), std::string::npos) << notice;
  EXPECT_NE(notice.find("Keys are ignored"), std::string::npos) << notice;
}

// A signal that asks the program to end, or a terminal that went away:
// the emergency copy is made first, then the terminal ends the process.
TEST_F(TerminalDesktop, AnEndingSignalMakesTheEmergencyCopyThenEnds) {
  open(80, 24);
  auto form = mainWindow("Dim x");
  std::vector<std::string> order;
  ui::setEmergencySave([&] { order.push_back("copy"); });
  pt::InputEvent ending;
  ending.kind = pt::InputEvent::Kind::Ending;
  ending.signal = SIGTERM;
  term->text("a");
  term->event(ending);
  ui::WaitContext waiting;
  EXPECT_EQ(desktop->nextAction(waiting).kind, ui::Action::Kind::TypeText);
  EXPECT_EQ(desktop->nextAction(waiting).kind, ui::Action::Kind::Abandon);
  EXPECT_EQ(order, std::vector<std::string>{"copy"});
  EXPECT_EQ(term->endedBy, std::vector<int>{SIGTERM});
  // After that every prompt is answered as by nobody.
  ui::InputBoxPrompt p;
  EXPECT_EQ(desktop->inputBox(p), std::nullopt);
  ui::setEmergencySave(nullptr);
}

TEST_F(TerminalDesktop, APrefilledFieldIsSelectedSoThatTypingReplacesIt) {
  open(80, 24);
  auto form = mainWindow("");
  ui::InputBoxPrompt p;
  p.defaultText = "paste5k.vbs";
  struct Case {
    std::vector<std::string> input;  // "+t" typed, else a key
    const char* answer;
  };
  const Case cases[] = {
      {{"+t1.vbs"}, "t1.vbs"},
      {{"Backspace"}, ""},
      {{"Space", "+x"}, " x"},
      {{"End", "+2"}, "paste5k.vbs2"},
      {{"Home", "+2"}, "2paste5k.vbs"},
      {{"Left", "+2"}, "paste5k.vb2s"},
      {{}, "paste5k.vbs"},
  };
  for (const auto& c : cases) {
    for (const auto& in : c.input) {
      if (in[0] == '+')
        term->text(in.substr(1));
      else
        term->key(in);
    }
    term->key("Enter");
    EXPECT_EQ(desktop->inputBox(p), c.answer) << (c.input.empty() ? "" : c.input.front());
  }
  // Shown selected while the field has the focus.
  term->key("Escape");
  desktop->inputBox(p);
  const auto [x, y] = cellOf(desktop->frame().text(), "paste5k.vbs");
  ASSERT_GE(x, 0);
  EXPECT_FALSE(desktop->frame().at(x, y).style.attrs & pt::attr::Reverse);  // the focused field's is
  EXPECT_TRUE(desktop->frame().at(x, y).style.attrs & pt::attr::Bold);
  term->key("Right");
  term->key("Escape");
  desktop->inputBox(p);
  EXPECT_TRUE(desktop->frame().at(x, y).style.attrs & pt::attr::Reverse);
  EXPECT_FALSE(desktop->frame().at(x, y).style.attrs & pt::attr::Bold);
}

}  // namespace
