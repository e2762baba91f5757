// A dialog laid out in rows by tab order: labels beside their fields,
// groups, tab pages and the button row.
#include <gtest/gtest.h>

#include "platform/controls/dialog_layout.h"
#include "platform/controls/standard_controls.h"
#include "platform/ui/form.h"
#include "platform/ui/timer.h"

namespace pc = platform::controls;
namespace ui = platform::ui;

namespace {

class Dialog : public ui::Form {
 public:
  Dialog() : Form("frmDialog") {}
  std::function<void(Dialog&)> build;

 protected:
  void createControls() override { build(*this); }
};

// Each row as "kind page: names".
std::vector<std::string> rowsOf(const pc::DialogLayout& layout) {
  std::vector<std::string> out;
  for (const auto& r : layout.rows) {
    std::string kind;
    switch (r.kind) {
      case pc::DialogRow::Kind::Controls: kind = r.inGroup ? "  row" : "row"; break;
      case pc::DialogRow::Kind::Group: kind = "group"; break;
      case pc::DialogRow::Kind::Line: kind = "line"; break;
      case pc::DialogRow::Kind::Tabs: kind = "tabs"; break;
      case pc::DialogRow::Kind::Buttons: kind = "buttons"; break;
    }
    std::string s = kind + " " + std::to_string(r.page) + ":";
    for (auto* c : r.controls) s += " " + c->fullName();
    out.push_back(s);
  }
  return out;
}

TEST(DialogLayout, PlacesTheControlsInRowsByTabOrder) {
  auto form = ui::Form::make<Dialog>();
  form->build = [](Dialog& f) {
    f.add(std::make_shared<pc::PictureBox>("picIcon", "icon"));
    f.add(std::make_shared<pc::Label>("lblTitle", "Title"));
    auto tabs = f.add(std::make_shared<pc::TabControl>("tabs"));
    tabs->addTab("&One");
    tabs->addTab("Two");
    f.add(std::make_shared<pc::Frame>("fraOne", "First:"));
    f.add(std::make_shared<pc::CheckBox>("chkA", "A"));
    f.add(std::make_shared<pc::Frame>("fraTwo", "Second:"));
    f.add(std::make_shared<pc::Label>("lblName", "Name:"));
    f.add(std::make_shared<pc::TextBox>("txtName"));
    f.add(std::make_shared<pc::Frame>("fraThree", "Third:"));
    f.add(std::make_shared<pc::Label>("lblEvery", "Every"));
    f.add(std::make_shared<pc::TextBox>("txtMinutes"));
    f.add(std::make_shared<pc::Label>("lblMinutes", "minutes"));
    f.add(std::make_shared<pc::CheckBox>("chkZip", "Zip"));
    f.add(std::make_shared<pc::Label>("lblSize", "Size:"));
    f.add(std::make_shared<pc::TextBox>("txtSize"));
    f.add(std::make_shared<pc::Label>("lblNote", "A note on the size, not its unit. "));
    f.add(std::make_shared<pc::Label>("lblDepth", "Depth:"));
    f.add(std::make_shared<pc::TextBox>("txtDepth"));
    f.add(std::make_shared<pc::Label>("lblScope", "Scope"));
    f.add(std::make_shared<pc::Label>("lblScopeHint", "The scope of the routine."));
    f.add(std::make_shared<pc::CheckBox>("chkPublic", "Public"));
    f.add(std::make_shared<pc::TextBox>("txtPath"));
    f.add(std::make_shared<pc::CommandButton>("cmdBrowse", "Browse..."));
    f.add(std::make_shared<pc::CommandButton>("cmdHelp", "Help"));
    auto hidden = f.add(std::make_shared<pc::CheckBox>("chkHidden", "Hidden"));
    hidden->setVisible(false);
    f.add(std::make_shared<ui::Timer>("Timer1"));
    f.add(std::make_shared<pc::Frame>("linSeparator", "", 0));
    f.add(std::make_shared<pc::CommandButton>("cmdOK", "&OK"));
    f.add(std::make_shared<pc::CommandButton>("cmdCancel", "&Cancel"));
    f.add(std::make_shared<pc::CheckBox>("chkAfter", "After the buttons"));
  };
  form->load();
  // The tab order puts the cancel button before the OK button.
  form->control("cmdCancel").setTabIndex(form->control("cmdOK").tabIndex());
  auto layout = pc::layoutDialog(*form);
  const std::vector<std::string> expected = {
      "row -1: lblTitle",
      "tabs -1: tabs",
      "group 0: fraOne",
      "  row 0: chkA",
      "group 1: fraTwo",
      "  row 1: lblName txtName",
      // A frame past the last tab stays on the last page.
      "group 1: fraThree",
      "  row 1: lblEvery txtMinutes lblMinutes",
      "  row 1: chkZip",
      // A sentence after a field is a note of its own, not the field's unit.
      "  row 1: lblSize txtSize",
      "  row 1: lblNote",
      // A word followed by its hint heads what comes next.
      "  row 1: lblDepth txtDepth",
      "  row 1: lblScope",
      "  row 1: lblScopeHint",
      "  row 1: chkPublic",
      "  row 1: txtPath cmdBrowse",
      "line 1: linSeparator(0)",
      "row 1: chkAfter",
      "buttons -1: cmdHelp cmdCancel cmdOK",
  };
  EXPECT_EQ(rowsOf(layout), expected);
  ASSERT_EQ(layout.tabs, &form->control("tabs"));
  EXPECT_EQ(layout.pageOf(&form->control("txtName")), 1);
  EXPECT_EQ(layout.pageOf(&form->control("lblTitle")), -1);
  std::vector<std::string> firstPage;
  for (const auto* r : layout.shownRows(0)) firstPage.push_back(r->controls.front()->fullName());
  EXPECT_EQ(firstPage, (std::vector<std::string>{"lblTitle", "tabs", "fraOne", "chkA", "cmdHelp"}));
  form->unload();
}

}  // namespace
