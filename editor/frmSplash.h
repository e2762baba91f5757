// frmSplash: the editor's splash window, with its logo, the product's name
// and the build. The editor itself never shows it.
#pragma once

#include <memory>

#include "platform/controls/standard_controls.h"
#include "platform/ui/form.h"

namespace kestrin::editor {

class frmSplash : public platform::ui::Form {
 public:
  frmSplash();

  std::shared_ptr<platform::controls::PictureBox> picLogo;
  // "Build " and the component's major, minor and revision numbers.
  std::shared_ptr<platform::controls::Label> lblVersion;
  // Hidden by the load step.
  std::shared_ptr<platform::controls::Label> lblPlatform;
  std::shared_ptr<platform::controls::Label> lblProductName;
  std::shared_ptr<platform::controls::Label> lblCopyright;

 protected:
  void createControls() override;
  // Form_Load: the build line, lblPlatform hidden, 6585 by 5265 twips,
  // centred on the screen. Not traced.
  void onLoad() override;
  // Form_Unload: drops the default instance. Not traced.
  void onUnload(bool& Cancel) override;
};

}  // namespace kestrin::editor
