// frmAbout: the editor's About window. It shows the editor's version and
// title, a short report on the editor's own library file and on the host's
// bridge library ("Addlets/kzenvb.dll": its date and size, or that it is
// missing), three memory-load figures that its timer keeps up to date
// while it is open, a button that starts the system information program
// and an OK button. The tool dispatcher loads it for "ID_About" and shows
// it modally over the main window; each opening is a new window with a new
// report.
#pragma once

#include <memory>
#include <string>

#include "platform/controls/standard_controls.h"
#include "platform/ui/form.h"
#include "platform/ui/timer.h"
#include "platform/win32/types.h"
#include "support/CMemoryInfo.h"

namespace kestrin::editor {

// Where the system information program is registered, below
// HKEY_LOCAL_MACHINE: the program's full path, else the folder that holds
// "MSINFO32.EXE".
inline constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr const char* kSysInfoValue = "PATH";
inline constexpr const char* kSysInfoLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr const char* kSysInfoLocationValue = "MSINFO";
inline constexpr const char* kSysInfoProgramName = "MSINFO32.EXE";

class frmAbout : public platform::ui::Form {
 public:
  frmAbout();

  // The version line: "Version " and the component's major, minor and
  // revision numbers joined by ".".
  std::shared_ptr<platform::controls::Label> lblVersion;
  std::shared_ptr<platform::controls::Label> lblTitle;
  // The report on the two library files, each line closed by CR LF.
  std::shared_ptr<platform::controls::Label> lblDescription;
  std::shared_ptr<platform::controls::Label> lblDisclaimer;
  // Physical memory, virtual memory and page file in use; empty until the
  // timer's first tick.
  std::shared_ptr<platform::controls::Label> Label1;
  std::shared_ptr<platform::controls::Label> Label2;
  std::shared_ptr<platform::controls::Label> Label3;
  std::shared_ptr<platform::controls::CommandButton> cmdOK;
  std::shared_ptr<platform::controls::CommandButton> cmdSysInfo;
  std::shared_ptr<platform::controls::PictureBox> picIcon;
  // Refreshes the memory figures: enabled, 1 ms (as often as the
  // platform's timer allows).
  std::shared_ptr<platform::ui::Timer> Timer1;

  // Starts the system information program. Traced; no handling of its own.
  void cmdSysInfo_Click();
  // Unloads the window.
  void cmdOK_Click();
  // Refreshes the memory snapshot and writes the three figures as whole
  // percentages of use ("Physical memory: 42%"). No handling of its own.
  void Timer1_Timer();

  // The snapshot the window holds from its load to its unload.
  const std::shared_ptr<support::CMemoryInfo>& memoryInfo() const { return m_oMemoryInfo; }

 protected:
  void createControls() override;
  // Form_Load: the version, title, file report and caption, the memory
  // snapshot and the centring. Traced; failures are skipped, so a line
  // whose file could not be read is written with what its read left.
  void onLoad() override;
  // Form_Unload: drops the default instance and the memory snapshot.
  // Traced.
  void onUnload(bool& Cancel) override;

 private:
  // The program registered under kSysInfoKey, else "MSINFO32.EXE" in the
  // folder registered under kSysInfoLocationKey, started without waiting.
  // Any failure, a missing registration or program included, shows "System
  // Information Is Unavailable At This Time" once. Traced.
  void StartSysInfo();
  // Reads a text value of a registry key: True when it was read. A REG_SZ
  // value, cut at its first NUL, goes into value, a REG_DWORD one as its
  // number; a value of another type answers True and leaves value as it
  // was. A missing key or value (or one over 1024 bytes) answers False
  // with value "". Traced.
  bool GetKeyValue(platform::HKEY KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                   std::string& KeyVal);

  std::shared_ptr<support::CMemoryInfo> m_oMemoryInfo;
};

// The version numbers of the component as "major.minor.revision".
std::string componentVersionText();

}  // namespace kestrin::editor
