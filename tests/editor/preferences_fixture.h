// What the preferences and editor-settings tests run in: an editor folder
// of their own (the component "KestrinScriptEditor.so" placed in a
// temporary folder), a registry of their own in another, a scripted user
// whose unexpected prompts fail the test, and no diagnostics object.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "common/raised.h"
#include "common/temp_dir.h"
#include "diagnostics/error_handler.h"
#include "diagnostics/failure.h"
#include "platform/runtime/errors.h"
#include "platform/ui/scripted_user.h"
#include "platform/win32/component.h"
#include "platform/win32/registry.h"
#include "platform/win32/settings.h"

namespace prefs_test {

class EditorFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(registryDir());
    platform::setRegistryFolder(registryDir());
    platform::ComponentIdentity identity;
    identity.path = editorDir.file("KestrinScriptEditor.so");
    identity.folder = editorDir.path();
    identity.name = "KestrinScriptEditor";
    identity.major = 1;
    platform::setComponentIdentity(identity);
    writeEditorFile("KestrinScriptEditor.so", "");
    user = platform::ui::ScriptedUser::install(
        [](const std::string& message) { ADD_FAILURE() << "Scripted user: " << message; });
    kestrin::diagnostics::errorHandlerSlot().reset();
    kestrin::diagnostics::clearFailure();
  }
  void TearDown() override {
    EXPECT_TRUE(user->done()) << "Still queued; transcript:\n" << user->transcriptText();
    user->clear();
    kestrin::diagnostics::errorHandlerSlot().reset();
    platform::ui::setCurrentUser(nullptr);
    platform::setComponentIdentity({});
    platform::setRegistryRootReadOnly(platform::HKEY_CURRENT_USER, false);
    // Points the store at this test's folder until the next test moves it.
    platform::setRegistryFolder(registryDir());
  }

  std::string registryDir() const { return registry.path(); }
  std::string editorFile(const std::string& name) const { return editorDir.file(name); }
  void writeEditorFile(const std::string& name, const std::string& bytes) const {
    kestrin_test::writeFile(editorFile(name), bytes);
  }
  bool editorFileExists(const std::string& name) const { return std::filesystem::exists(editorFile(name)); }

  // The stored text under "Preferences", or "<absent>".
  static std::string stored(const std::string& key) {
    return platform::GetSetting("KestrinEditor", "Preferences", key, "<absent>");
  }
  static void store(const std::string& key, const std::string& value) {
    platform::SaveSetting("KestrinEditor", "Preferences", key, value);
  }

  kestrin_test::TempDir editorDir;
  kestrin_test::TempDir registry;
  std::shared_ptr<platform::ui::ScriptedUser> user;
};

using kestrin_test::raisedError;

}  // namespace prefs_test
