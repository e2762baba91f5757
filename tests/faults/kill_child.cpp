// The process that the kill test kills: the editor, loaded as the host
// loads it, on a large script that it saves again and again in versions
// (each a different text), writing settings in both hives between saves.
// It prints "ready" once it is saving, then "saved N" after each save.
//
//   kestrin-kill-child EDITOR_FOLDER HIVE_FOLDER SCRIPT
//
// version(N) is the script's text of version N: a first line naming it,
// then about 5 MB of lines.
#include <cstdio>
#include <filesystem>
#include <string>

#include "editor/frmMain.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "faults/kill_versions.h"
#include "platform/ui/user.h"
#include "platform/win32/component.h"
#include "platform/win32/registry.h"
#include "platform/win32/settings.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s EDITOR_FOLDER HIVE_FOLDER SCRIPT\n", argv[0]);
    return 2;
  }
  const std::string editorFolder = argv[1], hives = argv[2], script = argv[3];
  for (const char* sub : {"Data", "VB", "Addlets", "Help", "Common/Temp"})
    fs::create_directories(editorFolder + "/" + sub);
  platform::ComponentIdentity identity;
  identity.path = editorFolder + "/KestrinScriptEditor.so";
  identity.folder = editorFolder;
  identity.name = "KestrinScriptEditor";
  identity.major = 1;
  platform::setComponentIdentity(identity);
  platform::setRegistryFolder(hives);

  auto main = kestrin::editor::mainWindow();
  main->load();
  main->FileToView(script);
  std::printf("ready\n");
  std::fflush(stdout);
  for (long n = 1;; ++n) {
    main->CodeSense1->setText(kill_test::version(n));
    main->setTag(script + "*");
    main->setIsDirty(true);
    kestrin::editor::modMain::gbln_FileSave(*main);
    std::printf("saved %ld\n", n);
    std::fflush(stdout);
    // Settings between the saves: the user's hive and the machine's.
    platform::SaveSetting("KestrinEditor", "Preferences", "KillTestCounter", std::to_string(n));
    platform::HKEY key = 0;
    if (platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\KestrinEditor\\KillTest", 0,
                                 platform::KEY_ALL_ACCESS, &key) == 0) {
      const std::string value = std::to_string(n);
      platform::RegSetValueEx(key, "Counter", platform::REG_SZ, value.c_str(),
                              static_cast<platform::DWORD>(value.size() + 1));
      platform::RegCloseKey(key);
    }
  }
}
