// The editor's real windows drawn by the terminal desktop into a cell grid:
// the main window at 120 x 40 and the Options dialog's first tab over it.
#include <gtest/gtest.h>

#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/frmOptions.h"
#include "editor_fixture.h"
#include "platform/terminal/desktop_draw.h"
#include "platform/ui/form.h"

namespace editor_test {
namespace {

namespace pt = platform::terminal;

class TerminalViewTest : public EditorTest {
 protected:
  void TearDown() override {
    if (dialog && dialog->loaded()) dialog->unload();
    if (main && main->loaded()) main->unload();
    dialog.reset();
    main.reset();
    EditorTest::TearDown();
  }
  void draw() { pt::drawDesktop(grid, view, hits); }
  std::shared_ptr<kestrin::editor::frmMain> main;
  std::shared_ptr<kestrin::editor::frmOptions> dialog;
  pt::Grid grid{120, 40};
  pt::DesktopView view;
  std::vector<pt::Hit> hits;
};

TEST_F(TerminalViewTest, TheMainWindowAndTheOptionsDialogsFirstTab) {
  main = kestrin::editor::mainWindow();
  main->load();
  main->CodeSense1->setText("Dim strName\r\n' a comment");
  main->show();
  draw();
  EXPECT_NE(grid.rowText(0).find("[X]"), std::string::npos);
  EXPECT_EQ(grid.rowText(1), "  File  Edit  Utilities  Bookmarks  Kestrin  Help");
  EXPECT_EQ(grid.rowText(2).rfind("[New]", 0), 0u) << grid.text();
  // The toolbars show their own captions of the tools, not the menus'.
  EXPECT_EQ(grid.rowText(2).rfind("[New][Insert File][Open]", 0), 0u) << grid.rowText(2);
  EXPECT_NE(grid.text().find("[Calc][DOS Command][Notepad][Regedit]"), std::string::npos) << grid.text();
  EXPECT_NE(grid.text().find("[Comment Add][Comment Remove]"), std::string::npos) << grid.text();
  const int32_t row = grid.findRow("Dim strName");
  ASSERT_GT(row, 2);
  EXPECT_NE(grid.rowText(39).find("Line 1, Col 1"), std::string::npos) << grid.rowText(39);

  dialog = platform::ui::Form::make<kestrin::editor::frmOptions>();
  dialog->load();
  dialog->setPreferences(std::make_shared<kestrin::editor::CPreferences>());
  dialog->show();
  draw();
  const std::string text = grid.text();
  EXPECT_NE(text.find("Options Dialog"), std::string::npos) << text;
  EXPECT_NE(text.find(" Editor \u2502 Editor Format \u2502 Environment \u2502 User \u2502 Backup"), std::string::npos)
      << text;
  EXPECT_NE(text.find("\u2500 Options: \u2500"), std::string::npos);
  for (const char* box : {"] Confine curor to text", "] Show line numbers", "] Add Header to Script"})
    EXPECT_NE(text.find(box), std::string::npos) << box;
  // Only the first tab's controls.
  EXPECT_EQ(text.find("Font:"), std::string::npos);
  EXPECT_EQ(text.find("E-Mail:"), std::string::npos);
  EXPECT_EQ(text.find("Back Directory"), std::string::npos);
  // The command buttons on the last row, the main window still behind.
  EXPECT_NE(text.find("[ OK ]  [ Cancel ]  [ Apply ]"), std::string::npos) << text;
  EXPECT_EQ(grid.rowText(1).rfind("  File  Edit", 0), 0u);
  // The focus on the tab strip: its selected tab marked.
  const int32_t tabs = grid.findRow("Editor Format");
  const int32_t editorTab = static_cast<int32_t>(grid.rowText(tabs).find(" Editor ")) + 1;
  EXPECT_TRUE(grid.at(editorTab, tabs).style.attrs & pt::attr::Reverse);
  // Another tab shows its own controls.
  dialog->ssTabOptions->setSelectedTab(3);
  draw();
  EXPECT_NE(grid.text().find("E-Mail:"), std::string::npos);
  EXPECT_EQ(grid.text().find("Show line numbers"), std::string::npos);
}

}  // namespace
}  // namespace editor_test
