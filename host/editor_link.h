// The host's side of the editor: the component registered and activated the
// way a host application does it (registry, library load, class object,
// late-bound calls by dispatch id), and the demo bridge library loaded at
// start.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/com/interfaces.h"

namespace kestrin_host {

inline constexpr const char* kComponentFile = "KestrinScriptEditor.so";
inline constexpr const char* kEditorProgId = "KestrinScriptEditor.CMainFrontEnd";
inline constexpr const char* kBridgeFile = "kzenvb.dll";
inline constexpr platform::com::DISPID kRunEditorId = 0x60030001;
inline constexpr platform::com::DISPID kFreeEditorId = 0x60030002;

// What the editor raised to the host.
struct HostError {
  int32_t number = 0;
  std::string source;
  std::string description;
};

// The outcome of one host call.
struct CallOutcome {
  bool reached = false;             // the call was made (the editor could be created)
  std::string failure;              // why it could not be made
  int32_t result = 0;               // RunEditor's result
  std::string arg;                  // RunEditor's argument after the call
  std::optional<HostError> error;   // an error the call raised
};

class EditorLink {
 public:
  // editorFolder: the folder that holds the component and its Addlets.
  explicit EditorLink(std::string editorFolder);
  ~EditorLink();
  EditorLink(const EditorLink&) = delete;
  EditorLink& operator=(const EditorLink&) = delete;

  const std::string& editorFolder() const { return folder_; }
  std::string componentPath() const;
  std::string bridgePath() const;

  // Loads the bridge library from Addlets, as the host application keeps it
  // loaded; returns false (with the reason) when it cannot.
  bool loadBridge(std::string* why);

  // Registers the component when its class is not registered or is
  // registered at another path, then creates CMainFrontEnd by its ProgID.
  // Returns false with the reason when it cannot.
  bool ensureEditor(std::string* why);

  // RunEditor with no argument or with the text, passed by reference.
  CallOutcome runEditor(const std::optional<std::string>& argument);
  CallOutcome freeEditor();

  // Gives back the editor object and uninitialises COM.
  void release();

 private:
  CallOutcome invoke(platform::com::DISPID id, const std::optional<std::string>& argument);

  std::string folder_;
  bool comStarted_ = false;
  platform::com::IDispatch* editor_ = nullptr;
  uint32_t bridge_ = 0;
};

// The registered in-process server path of a ProgID's class ("" when none).
std::string registeredServerPath(const std::string& progId);

}  // namespace kestrin_host
