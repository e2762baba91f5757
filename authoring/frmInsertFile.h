// frmInsertFile: a window ("Form1") holding one code editor,
// codeInsertFile, in Courier New. Nothing of the editor loads or shows it.
#pragma once

#include <memory>

#include "platform/controls/code_editor_control.h"
#include "platform/ui/form.h"

namespace kestrin::editor {

class frmInsertFile : public platform::ui::Form {
 public:
  frmInsertFile();

  std::shared_ptr<platform::controls::CodeEditorControl> codeInsertFile;

 protected:
  void createControls() override;
  // Form_Load: traced, does nothing else.
  void onLoad() override;
  // Form_Terminate: releases the default instance. Traced.
  void onTerminate() override;
};

}  // namespace kestrin::editor
