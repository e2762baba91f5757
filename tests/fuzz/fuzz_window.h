// What the fuzz targets of the editor's files run in: the main window,
// loaded once in an editor folder of its own (no user: every prompt is
// answered with its Cancel button), and the input written to a file there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "editor/frmMain.h"
#include "platform/win32/component.h"
#include "platform/win32/registry.h"

namespace kestrin_fuzz {

inline const std::string& editorFolder() {
  static const std::string folder = [] {
    std::string templ = (std::filesystem::temp_directory_path() / "kestrin-fuzz-XXXXXX").string();
    if (!::mkdtemp(templ.data())) std::abort();
    for (const char* sub : {"Data", "VB", "Addlets", "Help", "Common/Temp", "hives"})
      std::filesystem::create_directories(templ + "/" + sub);
    platform::ComponentIdentity identity;
    identity.path = templ + "/KestrinScriptEditor.so";
    identity.folder = templ;
    identity.name = "KestrinScriptEditor";
    identity.major = 1;
    platform::setComponentIdentity(identity);
    platform::setRegistryFolder(templ + "/hives");
    return templ;
  }();
  return folder;
}

inline kestrin::editor::frmMain& window() {
  static std::shared_ptr<kestrin::editor::frmMain> main = [] {
    editorFolder();
    auto w = kestrin::editor::mainWindow();
    w->load();
    if (!w->loaded()) std::abort();
    return w;
  }();
  return *main;
}

// The input as the file `name` in the editor folder; its path.
inline std::string inputFile(const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = editorFolder() + "/" + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

}  // namespace kestrin_fuzz
