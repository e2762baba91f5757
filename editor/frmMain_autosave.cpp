// The autosave: at every tick of tmrAutoSave (65535 ms) the tick count
// grows, and once it reaches the preference AutoSaveMinutes the script is
// backed up into the folder AutoSavePath, as a zip archive (ZipFile 1) or a
// copy ("<name>-DD.MM.YYYY-hh.mm.zip" or ".bak"). A script with a file is
// backed up from that file, its last saved state; a script without one is
// first written to "VB/New Kestrin Script.vbs" and backed up from there,
// and is then named "New Kestrin Script", not modified. Every statement
// skips its own failure; nothing is shown or traced.
#include <cstdint>
#include <string>

#include "diagnostics/failure.h"
#include "diagnostics/handling.h"
#include "editor/CPreferences.h"
#include "editor/frmMain.h"
#include "editor/modMain.h"
#include "platform/runtime/checked_int.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/datetime.h"
#include "platform/runtime/format.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/win32/editor_store.h"

namespace kestrin::editor {

namespace {

// The file that a script without one is written to, below the editor's
// folder, and the start of its backups' names.
const char* const kNewScriptFile = "VB/New Kestrin Script.vbs";
const char* const kNewScriptBackup = "New Kestrin Script.vbs";

}  // namespace

void frmMain::tmrAutoSave_Timer() {
  // The tick may come inside another procedure's wait: that procedure's
  // failure is its own again afterwards.
  const diagnostics::Failure interrupted = diagnostics::currentFailure();
  diagnostics::IgnoreFailures ignore;
  ignore.step([&] { m_lAutoSaveTicks = platform::addLong(m_lAutoSaveTicks, 1); });

  // The minutes as a whole number not above the preference; a text that is
  // no number gives 0, a backup at every tick.
  CPreferences preferences;
  double minutes = 0;
  ignore.step([&] { minutes = platform::intPart(platform::cDbl(platform::Variant(preferences.AutoSaveMinutes()))); });
  if (m_lAutoSaveTicks < minutes) {
    diagnostics::currentFailure() = interrupted;
    return;
  }

  // One attempt; whatever it gives, the count starts again.
  [&] {
    platform::scripting::FileSystemObject fso;
    std::string folder;
    ignore.step([&] { folder = preferences.AutoSavePath(); });
    if (!ignore.condition([&] { return fso.FolderExists(folder); })) return;
    folder = modMain::gstr_AddBackSlash(folder);

    // The script's name without its modified mark.
    std::string name;
    ignore.step([&] {
      name = tag();
      if (!name.empty() && name.back() == '*') name = platform::replace(name, "*", "");
    });
    if (ignore.condition([&] { return name == kNewScriptName && preferences.DoNotSaveNewFile() == 1; },
                         diagnostics::OnFailure::IntoBlock))
      return;

    std::string timeText, dateText;
    ignore.step([&] { timeText = platform::formatDate(platform::now(), "hh.mm"); });
    ignore.step([&] { dateText = platform::formatDate(platform::now(), "DD.MM.YYYY"); });
    const std::string stamp = "-" + dateText + "-" + timeText;
    bool zip = false;
    ignore.step([&] { zip = preferences.ZipFile() == 1; });

    if (ignore.condition([&] { return fso.FileExists(name); })) {
      // A script saved before: its file as it is on disk.
      std::string backup;
      ignore.step([&] { backup = folder + fso.GetFileName(name) + stamp; });
      if (zip) {
        ignore.step([&] { xzipper1->setZipFileName(backup + ".zip"); });
        ignore.step([&] { xzipper1->setCompressionLevel(5); });
        ignore.step([&] { xzipper1->setFilesToProcess(name); });
        ignore.step([&] { xzipper1->Add(); });
      } else {
        ignore.step([&] { fso.CopyFile(name, backup + ".bak", true); });
      }
      return;
    }

    // A script without a file (never saved, or its file has gone): its
    // text goes to the editor's own file first. The document is named as
    // that script, not modified, only when the text was written: a
    // document whose text is nowhere keeps its mark and its save question.
    std::string newFile;
    ignore.step([&] { newFile = platform::editorFileToWrite(kNewScriptFile); });
    const std::string backup = folder + kNewScriptBackup + stamp;
    const auto writeText = [&] { return ignore.step([&] { CodeSense1->saveFile(newFile, false); }); };
    const auto nameAsNewScript = [&] {
      ignore.step([&] { modMain::g_SetCurrentScriptStatus(*this, kNewScriptName, false); });
    };
    if (zip) {
      ignore.step([&] { xzipper1->setZipFileName(backup + ".zip"); });
      ignore.step([&] { xzipper1->setCompressionLevel(5); });
      const bool written = writeText();
      ignore.step([&] { xzipper1->setFilesToProcess(newFile); });
      if (written) nameAsNewScript();
      ignore.step([&] { xzipper1->Add(); });
    } else {
      const bool written = writeText();
      ignore.step([&] { fso.CopyFile(newFile, backup + ".bak", true); });
      if (written) nameAsNewScript();
    }
  }();

  m_lAutoSaveTicks = 0;
  diagnostics::currentFailure() = interrupted;
}

}  // namespace kestrin::editor
