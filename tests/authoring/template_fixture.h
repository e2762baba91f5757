// What the template tests run in: the editor test's desktop with the main
// window loaded (and with it the diagnostics object), a small document in
// its editor, and the expected texts as lines joined with CR LF.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_fixture.h"
#include "editor/frmMain.h"
#include "platform/controls/code_editor.h"

namespace authoring_test {

using kestrin::editor::frmMain;
using platform::controls::CodeRange;

// The lines, each closed by CR LF; with finalBreak false the last one is
// not.
inline std::string crLfLines(const std::vector<std::string>& lines, bool finalBreak = true) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (finalBreak || i + 1 < lines.size()) out += "\r\n";
  }
  return out;
}

class TemplateTest : public editor_test::EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    // A word-list file, so that the load step's completion word list says
    // nothing of a missing one.
    kestrin_test::writeFile(editorFile("KzLangDef.csv"), "");
    main = kestrin::editor::mainWindow();
    main->load();
    ASSERT_TRUE(main->loaded());
    ASSERT_NE(kestrin::diagnostics::errorHandler(), nullptr);
  }
  void TearDown() override {
    // Closing asks nothing about the changes the test made.
    if (main && main->loaded()) {
      main->setIsDirty(false);
      main->unload();
    }
    main.reset();
    EditorTest::TearDown();
  }
  // A new document of this text, not modified, with the selection from
  // the anchor to the caret (lines and columns from 0).
  void document(const std::string& text, CodeRange selection = {}) {
    main->CodeSense1->setText(text);
    main->CodeSense1->setSel(selection, false);
    main->setIsDirty(false);
  }
  std::string text() const { return main->CodeSense1->text(); }
  CodeRange selection() const { return main->CodeSense1->getSel(false); }
  const std::vector<kestrin::diagnostics::CErrorHandler::Entry>& callStack() const {
    return kestrin::diagnostics::errorHandler()->callStack();
  }
  // The trace lines written since `from`.
  std::vector<std::string> traceSince(size_t from) const {
    const auto lines = traceLines();
    return {lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())), lines.end()};
  }
  std::shared_ptr<frmMain> main;
};

}  // namespace authoring_test
