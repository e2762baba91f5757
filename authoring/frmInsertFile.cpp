// The file-preview window.
#include "authoring/frmInsertFile.h"

#include "diagnostics/trace.h"

namespace kestrin::editor {

frmInsertFile::frmInsertFile() : Form("frmInsertFile") { setCaption("Form1"); }

void frmInsertFile::createControls() {
  codeInsertFile = add(std::make_shared<platform::controls::CodeEditorControl>("codeInsertFile"));
  platform::controls::CodeEditorFont font = codeInsertFile->font();
  font.name = "Courier New";
  codeInsertFile->setFont(font);
}

void frmInsertFile::onLoad() { diagnostics::Trace trace("frmInsertFile::Form_Load(Sub)"); }

void frmInsertFile::onTerminate() {
  diagnostics::Trace trace("frmInsertFile::Form_Terminate(Sub)");
  platform::ui::releaseDefaultInstance<frmInsertFile>();
}

}  // namespace kestrin::editor
