// The About window: its controls, the load step with the file report, the
// memory figures, the system information program and the closing.
#include "editor/frmAbout.h"

#include <cstdint>
#include <memory>
#include <string>

#include "diagnostics/failure.h"
#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/datetime.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/format.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/msgbox.h"
#include "platform/win32/component.h"
#include "platform/win32/process.h"
#include "platform/win32/registry.h"

namespace kestrin::editor {

namespace {

namespace mb = platform::ui::mb;

const char* const kCrLf = "\r\n";
const char* const kEditorLibraryName = "KestrinScriptEditor.so";
const char* const kBridgeLibraryName = "kzenvb.dll";
// The registry read's buffer, in bytes.
constexpr platform::DWORD kValueBufferSize = 1024;

// A file object that may hold nothing: using it then fails as the runtime
// does, with 91.
platform::scripting::File& fileOf(const std::shared_ptr<platform::scripting::File>& file) {
  if (!file) platform::raise(platform::err::ObjectVariableNotSet);
  return *file;
}

// A file date as the report writes it: the general date form in lower case.
std::string dateText(platform::Date date) { return platform::lCase(platform::generalDateText(date)); }

// A size in bytes as whole thousands, halves to the even neighbour.
std::string kiloBytes(int64_t bytes) {
  return std::to_string(static_cast<int64_t>(platform::roundHalfEven(static_cast<double>(bytes) / 1000.0)));
}

// A memory count of the snapshot: the platform counts in unsigned 32 bits,
// which the snapshot hands out as signed numbers; read back unsigned, so
// that 2 GB and more give a true share rather than a negative one.
double memoryCount(const platform::Variant& figure) {
  return static_cast<double>(static_cast<uint32_t>(platform::cLng(figure)));
}

// The share in use, 1 - free / total, as a whole percentage; a total of 0
// fails as a division by zero.
std::string usedShare(const platform::Variant& freeFigure, const platform::Variant& totalFigure) {
  const double total = memoryCount(totalFigure);
  if (total == 0) platform::raise(platform::err::DivisionByZero);
  return platform::format(platform::Variant(1.0 - memoryCount(freeFigure) / total), "0%");
}

}  // namespace

std::string componentVersionText() {
  const auto& identity = platform::componentIdentity();
  return std::to_string(identity.major) + "." + std::to_string(identity.minor) + "." +
         std::to_string(identity.revision);
}

frmAbout::frmAbout() : Form("frmAbout") {}

void frmAbout::createControls() {
  using platform::controls::CommandButton;
  using platform::controls::Label;
  setCaption("About KestrinScriptEditor");
  setBorderStyle(platform::ui::vbFixedDialog);
  move(left(), top(), 5730, 4245);

  picIcon = add(std::make_shared<platform::controls::PictureBox>("picIcon", "Kestrin"));
  lblTitle = add(std::make_shared<Label>("lblTitle", "Application Title"));
  lblVersion = add(std::make_shared<Label>("lblVersion", "Version"));
  lblDescription = add(std::make_shared<Label>("lblDescription", "App Description"));
  Label1 = add(std::make_shared<Label>("Label1"));
  Label2 = add(std::make_shared<Label>("Label2"));
  Label3 = add(std::make_shared<Label>("Label3"));
  lblDisclaimer = add(std::make_shared<Label>("lblDisclaimer", "Warning: ..."));
  cmdOK = add(std::make_shared<CommandButton>("cmdOK", "OK"));
  cmdSysInfo = add(std::make_shared<CommandButton>("cmdSysInfo", "&System Info..."));
  Timer1 = add(std::make_shared<platform::ui::Timer>("Timer1"));

  // OK is pressed by Enter and by Escape.
  cmdOK->setDefault(true);
  cmdOK->setCancel(true);
  cmdOK->onClick = [this] { cmdOK_Click(); };
  cmdSysInfo->onClick = [this] { cmdSysInfo_Click(); };
  Timer1->setInterval(1);
  Timer1->setEnabled(true);
  Timer1->onTimer = [this] { Timer1_Timer(); };
}

void frmAbout::onLoad() {
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("frmAbout::Form_Load(Sub)", ignore);

  const std::string version = componentVersionText();
  ignore.step([&] { lblVersion->setCaption("Version " + version); });
  ignore.step([&] { lblTitle->setCaption(kMainWindowTitle); });

  // The editor's own library file, in the editor's folder.
  platform::scripting::FileSystemObject fso;
  std::shared_ptr<platform::scripting::File> library, bridge;
  platform::Date libraryDate, bridgeDate;
  int64_t librarySize = 0, bridgeSize = 0;
  ignore.step([&] {
    const std::string own = fso.GetFileName(platform::componentIdentity().path);
    library = fso.GetFile(modMain::gstr_AddBackSlash(modMain::gstr_EditorFolder()) +
                          (own.empty() ? std::string(kEditorLibraryName) : own));
  });
  ignore.step([&] { libraryDate = fileOf(library).dateLastModified(); });
  ignore.step([&] { librarySize = fileOf(library).size(); });

  // The host's bridge library in "Addlets".
  std::string bridgePath;
  ignore.step([&] { bridgePath = modMain::gstr_AddBackSlash(modMain::gstr_GetPathToKestrin(2)) + kBridgeLibraryName; });
  const bool bridgeExists = ignore.condition([&] { return fso.FileExists(bridgePath); });

  // The report; its blanks line the values up in the window's font.
  std::string report;
  ignore.step([&] {
    report = std::string("[Editor]") + kCrLf + "Build:         " + version + kCrLf +
             "Name:        KestrinScriptEditor.dll" + kCrLf;
  });
  if (bridgeExists) {
    ignore.step([&] { bridge = fso.GetFile(bridgePath); });
    ignore.step([&] { bridgeDate = fileOf(bridge).dateLastModified(); });
    ignore.step([&] { bridgeSize = fileOf(bridge).size(); });
    ignore.step([&] {
      report += "Date:         " + dateText(libraryDate) + kCrLf + "File size:    " + kiloBytes(librarySize) + "kb" +
                kCrLf + kCrLf + "[Addlet]" + kCrLf + "Name:         " + kBridgeLibraryName + kCrLf +
                "Date:          " + dateText(bridgeDate) + kCrLf + "File size:     " + kiloBytes(bridgeSize) + "kb" +
                kCrLf;
    });
  } else {
    ignore.step([&] {
      report += "Date:          " + dateText(libraryDate) + kCrLf + "File size:     " + kiloBytes(librarySize) + "kb" +
                kCrLf + kCrLf + "[Addlet]" + kCrLf + "Name:         " + kBridgeLibraryName + " [MISSING ?]" + kCrLf;
    });
  }
  ignore.step([&] {
    lblDisclaimer->setCaption(
        "Warning: this program is protected by copyright law; copying or passing it on "
        "without permission is not allowed.");
  });
  ignore.step([&] { lblDescription->setCaption(report); });
  ignore.step([&] { setCaption(std::string("About ") + kMainWindowTitle); });

  // The first snapshot; the figures show from the timer's first tick.
  ignore.step([&] { m_oMemoryInfo = std::make_shared<support::CMemoryInfo>(); });
  ignore.step([&] { modMain::CenterForm(*this); });
}

void frmAbout::Timer1_Timer() {
  if (!m_oMemoryInfo) platform::raise(platform::err::ObjectVariableNotSet);
  auto& memory = *m_oMemoryInfo;
  memory.Refresh();
  Label1->setCaption("Physical memory: " + usedShare(memory.FreePhysical(), memory.TotalPhysical()));
  Label2->setCaption("Virtual memory: " + usedShare(memory.FreeVirtual(), memory.TotalVirtual()));
  Label3->setCaption("Page file: " + usedShare(memory.FreePageFile(), memory.TotalPageFile()));
}

void frmAbout::cmdOK_Click() { unload(); }

void frmAbout::cmdSysInfo_Click() {
  diagnostics::Trace trace("frmAbout::cmdSysInfo_Click(Sub)");
  StartSysInfo();
}

void frmAbout::StartSysInfo() {
  // Every failure ends in the one message; the trace is popped either way.
  diagnostics::IgnoreFailures ignore;
  diagnostics::Trace trace("frmAbout::StartSysInfo(Sub)", ignore);
  const bool started = ignore.step([&] {
    std::string path;
    if (!GetKeyValue(platform::HKEY_LOCAL_MACHINE, kSysInfoKey, kSysInfoValue, path)) {
      std::string folder;
      if (!GetKeyValue(platform::HKEY_LOCAL_MACHINE, kSysInfoLocationKey, kSysInfoLocationValue, folder))
        platform::raise(platform::err::FileNotFound);
      path = folder + "/" + kSysInfoProgramName;
      if (!platform::scripting::FileSystemObject().FileExists(path)) platform::raise(platform::err::FileNotFound);
    }
    // Started as a command line, its window shown normally; nothing waits.
    platform::STARTUPINFO startup;
    startup.dwFlags = platform::STARTF_USESHOWWINDOW;
    startup.wShowWindow = platform::SW_SHOWNORMAL;
    platform::PROCESS_INFORMATION process;
    if (!platform::CreateProcess("", path, platform::NORMAL_PRIORITY_CLASS, "", startup, process))
      platform::raise(platform::err::FileNotFound);
    platform::CloseHandle(process.hProcess);
  });
  if (!started) {
    diagnostics::clearFailure();
    ignore.step([&] { platform::ui::MsgBox("System Information Is Unavailable At This Time"); });
  }
}

bool frmAbout::GetKeyValue(platform::HKEY KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                           std::string& KeyVal) {
  diagnostics::Trace trace("frmAbout::GetKeyValue(Function)");
  // Only read rights: asking for more would fail wherever the user may not
  // change the machine's settings.
  platform::HKEY key = 0;
  platform::LONG result = platform::RegOpenKeyEx(KeyRoot, KeyName, 0, platform::KEY_READ, &key);
  platform::DWORD type = 0;
  std::string data(kValueBufferSize, '\0');
  if (result == platform::ERROR_SUCCESS) {
    platform::DWORD size = kValueBufferSize;
    result = platform::RegQueryValueEx(key, SubKeyRef, &type, data.data(), &size);
    data.resize(result == platform::ERROR_SUCCESS ? size : 0);
  }
  bool read = false;
  if (result == platform::ERROR_SUCCESS) {
    if (type == platform::REG_SZ) {
      KeyVal = data.substr(0, data.find('\0'));
    } else if (type == platform::REG_DWORD && data.size() == 4) {
      uint32_t number = 0;
      for (size_t i = 4; i-- > 0;) number = (number << 8) | static_cast<uint8_t>(data[i]);
      KeyVal = std::to_string(number);
    }
    read = true;
  } else {
    KeyVal.clear();
  }
  platform::RegCloseKey(key);
  return read;
}

void frmAbout::onUnload(bool& Cancel) {
  (void)Cancel;
  diagnostics::Trace trace("frmAbout::Form_Unload(Sub)");
  platform::ui::releaseDefaultInstance<frmAbout>();
  m_oMemoryInfo.reset();
}

}  // namespace kestrin::editor
