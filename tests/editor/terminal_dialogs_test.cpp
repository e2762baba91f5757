// Every dialog of the editor drawn by the terminal desktop at 80 x 24 and
// 160 x 48: each control that takes the focus is drawn inside the dialog's
// frame (the screen, for a window of its own) when it has the focus (the
// rows scroll to it), every caption and
// label is shown whole, and a dialog with tabs keeps one size across them.
#include <gtest/gtest.h>

#include <functional>

#include "authoring/frmAddFunction.h"
#include "authoring/frmAddProperty.h"
#include "authoring/frmAddSubroutine.h"
#include "authoring/frmInsertFile.h"
#include "authoring/frmNewClass.h"
#include "editor/CPreferences.h"
#include "editor/frmAbout.h"
#include "editor/frmMain.h"
#include "editor/frmOptions.h"
#include "editor_fixture.h"
#include "platform/controls/dialog_layout.h"
#include "platform/controls/standard_controls.h"
#include "platform/controls/toolbar.h"
#include "platform/terminal/desktop_draw.h"
#include "platform/ui/form.h"

namespace editor_test {
namespace {

namespace pc = platform::controls;
namespace pt = platform::terminal;
namespace ui = platform::ui;

// The frame of the dialog drawn in the grid: its corners.
struct Box {
  int32_t x0 = -1, y0 = -1, x1 = -1, y1 = -1;
};
Box boxOf(const pt::Grid& g) {
  Box b;
  for (int32_t y = 0; y < g.height() && b.x0 < 0; ++y)
    for (int32_t x = 0; x < g.width(); ++x)
      if (g.at(x, y).text == "\u250c") {
        b.x0 = x;
        b.y0 = y;
        break;
      }
  if (b.x0 < 0) return b;
  for (int32_t x = b.x0 + 1; x < g.width(); ++x)
    if (g.at(x, b.y0).text == "\u2510") b.x1 = x;
  for (int32_t y = b.y0 + 1; y < g.height(); ++y)
    if (g.at(b.x0, y).text == "\u2514") b.y1 = y;
  return b;
}

// The text inside the frame, rows joined, every run of blanks one blank.
std::string innerText(const pt::Grid& g, const Box& b) {
  std::string out;
  for (int32_t y = b.y0 + 1; y < b.y1; ++y) {
    for (int32_t x = b.x0 + 1; x < b.x1; ++x) out += g.at(x, y).text;
    out += ' ';
  }
  std::string squeezed;
  for (char c : out)
    if (c != ' ' || (!squeezed.empty() && squeezed.back() != ' ')) squeezed += c;
  return squeezed;
}

std::string squeeze(const std::string& s) {
  std::string out;
  for (char c : s)
    if ((c != ' ' && c != '\r' && c != '\n') || (!out.empty() && out.back() != ' '))
      out += (c == '\r' || c == '\n') ? ' ' : c;
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// The caption a control shows in the dialog ("" none).
std::string captionOf(ui::Control* c) {
  if (auto* l = dynamic_cast<pc::Label*>(c)) return l->caption();
  if (auto* k = dynamic_cast<pc::CheckBox*>(c)) return k->caption();
  if (auto* o = dynamic_cast<pc::OptionButton*>(c)) return o->caption();
  if (auto* b = dynamic_cast<pc::CommandButton*>(c)) return b->caption();
  if (auto* f = dynamic_cast<pc::Frame*>(c)) return f->caption();
  return {};
}

struct FormCase {
  const char* name;
  std::function<std::shared_ptr<ui::Form>()> make;
};

class TerminalDialogsTest : public EditorTest {
 protected:
  void TearDown() override {
    for (auto& f : ui::forms())
      if (f->loaded()) f->unload();
    EditorTest::TearDown();
  }
};

TEST_F(TerminalDialogsTest, EveryControlOfEveryDialogIsDrawnWholeAt80x24And160x48) {
  auto main = kestrin::editor::mainWindow();
  main->load();
  const FormCase forms[] = {
      {"frmAddFunction", [] { return ui::defaultInstance<kestrin::editor::frmAddFunction>(); }},
      {"frmAddSubroutine", [] { return ui::defaultInstance<kestrin::editor::frmAddSubroutine>(); }},
      {"frmAddProperty", [] { return ui::defaultInstance<kestrin::editor::frmAddProperty>(); }},
      {"frmNewClass", [] { return ui::defaultInstance<kestrin::editor::frmNewClass>(); }},
      {"frmInsertFile", [] { return ui::defaultInstance<kestrin::editor::frmInsertFile>(); }},
      {"frmAbout", [] { return ui::Form::make<kestrin::editor::frmAbout>(); }},
      {"frmOptions",
       [] {
         auto f = ui::Form::make<kestrin::editor::frmOptions>();
         f->load();
         f->setPreferences(std::make_shared<kestrin::editor::CPreferences>());
         return f;
       }},
  };
  for (const auto& fc : forms) {
    auto form = fc.make();
    if (!form->loaded()) form->load();
    form->show();
    const auto layout = pc::layoutDialog(*form);
    const int32_t pages = layout.tabs ? layout.tabs->tabCount() : 1;
    for (const auto& [w, h] : {std::pair{80, 24}, std::pair{160, 48}}) {
      Box size;  // the frame's size on the first page
      for (int32_t page = 0; page < pages; ++page) {
        SCOPED_TRACE(std::string(fc.name) + " at " + std::to_string(w) + " x " + std::to_string(h) + ", page " +
                     std::to_string(page));
        if (layout.tabs) {
          layout.tabs->setSelectedTab(page);
          layout.tabs->setFocus();
        }
        std::string seen;  // the dialog's text over every focus
        auto draw = [&](ui::Control* focus) {
          pt::Grid g(w, h);
          pt::DesktopView view;
          std::vector<pt::Hit> hits;
          pt::drawDesktop(g, view, hits);
          // A sizable window holding a code editor is a window of its own,
          // drawn over the whole screen without a dialog's frame.
          const Box b = pt::isMainWindow(*form) ? Box{-1, -1, w, h} : boxOf(g);
          EXPECT_GE(b.x1, 0);
          EXPECT_GE(b.y1, 0);
          if (b.x1 < 0 || b.y1 < 0) return;
          if (size.x0 < 0) size = b;
          EXPECT_EQ(b.x1 - b.x0, size.x1 - size.x0) << "the width changes between the pages";
          EXPECT_EQ(b.y1 - b.y0, size.y1 - size.y0) << "the height changes between the pages";
          seen += innerText(g, b) + " ";
          if (!focus) return;
          const pt::Hit* hit = nullptr;
          for (const auto& ht : hits)
            if (ht.control == focus && (ht.kind == pt::Hit::Kind::Control || ht.kind == pt::Hit::Kind::Text)) hit = &ht;
          ASSERT_TRUE(hit) << focus->fullName() << " is not drawn\n" << g.text();
          EXPECT_GT(hit->x, b.x0) << focus->fullName();
          EXPECT_LT(hit->x + hit->w - 1, b.x1) << focus->fullName() << "\n" << g.text();
          EXPECT_GT(hit->y, b.y0) << focus->fullName();
          EXPECT_LT(hit->y, b.y1) << focus->fullName();
        };
        draw(nullptr);
        for (const auto* row : layout.shownRows(page))
          for (auto* c : row->controls) {
            if (!c->focusable() || dynamic_cast<pc::TabControl*>(c)) continue;
            c->setFocus();
            if (form->focusedControl() != c) continue;
            draw(c);
          }
        for (const auto* row : layout.shownRows(page))
          for (auto* c : row->controls) {
            const std::string caption = squeeze(pc::stripAccessKeys(captionOf(c)));
            if (caption.empty()) continue;
            EXPECT_NE(seen.find(caption), std::string::npos)
                << c->fullName() << " \"" << caption << "\" is not shown whole in\n"
                << seen;
          }
      }
    }
    form->unload();
  }
}

}  // namespace
}  // namespace editor_test
