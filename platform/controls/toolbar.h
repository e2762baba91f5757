// The toolbar and menu control: every menu item and toolbar button of a
// window is a tool, named by an ID string.
//
// Tools are defined once and placed by ID in any number of bars (the menu
// bar "Menu Bar" and named toolbars) and popups; the same tool may stand in
// several of them. IDs are compared with regard to case: "id_EditUndo" and
// "ID_EditUndo" are two different tools. An entry with the empty ID in a
// bar or popup is a separator line.
//
// A click on a tool raises the tool-click event with the clicked tool. The
// layout (tools and bars, with the bars' own captions) is saved to and
// loaded from a text file whose first line is "KestrinToolbarLayout 1"; what
// one run saves, the next run loads unchanged. A bar's caption for a tool
// is a "caption" line after the tool's "item" line; a file without such
// lines, as earlier versions wrote, loads with the tools' own captions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/control.h"

namespace platform::controls {

enum class ToolKind { Button, MenuItem, Popup, Separator };

struct Tool {
  std::string id;
  ToolKind kind = ToolKind::Button;
  std::string caption;      // with "&" before the access key ("&&" is a plain "&")
  std::string description;  // the tip and status text
  bool enabled = true;
  bool visible = true;
  std::vector<std::string> items;  // a popup's entries: tool IDs, "" for a separator

  // The caption without its access-key marks ("Save &As..." -> "Save As...").
  std::string plainCaption() const;
  // The access key in lower case, or 0 when the caption has none.
  char accessKey() const;

  bool operator==(const Tool&) const = default;
};

// A tool placed on a bar shows the bar's own caption for it where the bar
// has one (a toolbar's "Calc" for the menus' "&Calculator"); in menus and
// popups a tool shows its own caption.
struct Bar {
  std::string name;   // "Menu Bar", "File", ...
  bool menu = false;  // the window's menu bar
  bool visible = true;
  std::vector<std::string> items;               // tool IDs, "" for a separator
  std::map<std::string, std::string> captions;  // by tool ID: the captions of this bar's own

  // The caption that the tool shows on this bar.
  const std::string& captionOf(const Tool& tool) const;
  // The same without its access-key marks, as a toolbar button shows it.
  std::string plainCaptionOf(const Tool& tool) const;

  bool operator==(const Bar&) const = default;
};

// Tools and bars keep their places: a reference to one stays valid while
// others are added, until the whole layout is replaced (setLayout,
// loadLayout).
struct ToolbarLayout {
  std::deque<Tool> tools;
  std::deque<Bar> bars;

  bool operator==(const ToolbarLayout&) const = default;
};

// The name of the window's menu bar.
inline constexpr const char* kMenuBarName = "Menu Bar";
// The longest chain of popups, each inside the one before, that a layout
// may hold; a deeper one is not a layout (321).
inline constexpr size_t kMaxPopupNesting = 32;
// The first line of a layout file.
inline constexpr const char* kToolbarLayoutHeader = "KestrinToolbarLayout 1";

class Toolbar : public ui::Control {
 public:
  using ToolClickHandler = std::function<void(const Tool&)>;

  explicit Toolbar(std::string name = "Toolbar1");
  std::string typeName() const override { return "Toolbar"; }
  bool canTakeFocus() const override { return false; }
  // The user's click on a tool of this control (the modal loop's tool
  // click): the same as clickTool().
  bool toolClick(const std::string& toolId) override { return clickTool(toolId); }

  // --- the layout ---------------------------------------------------------
  // Adds a tool, or replaces the tool of the same ID. Returns the stored tool.
  Tool& addTool(Tool tool);
  Tool& addTool(std::string id, ToolKind kind, std::string caption, std::string description = {});
  // The tool of exactly this ID, or null.
  Tool* findTool(const std::string& id);
  const Tool* findTool(const std::string& id) const;
  // The tool of exactly this ID; raises 35601 "Element not found" when none.
  Tool& tool(const std::string& id);

  // Adds a bar, or returns the bar of the same name.
  Bar& addBar(std::string name, bool menu = false);
  Bar* findBar(const std::string& name);
  Bar& menuBar() { return addBar(kMenuBarName, true); }

  const ToolbarLayout& layout() const { return layout_; }
  // The captions that a bar's tools show on it, without access-key marks,
  // "-" for a separator (for the console and transcripts); a bar that does
  // not exist raises 35601.
  std::vector<std::string> barCaptions(const std::string& barName) const;
  // Replaces the whole layout; raises 321 when an entry names no tool, an
  // ID is defined twice, a bar has a caption for a tool it does not hold or
  // popups nest deeper than kMaxPopupNesting (the layout is then left as it
  // was).
  void setLayout(ToolbarLayout layout);

  // --- files ----------------------------------------------------------------
  // Loads the layout from a file (dispatch id 1065). A missing file raises 53,
  // an unreadable one 75, and a file that is not a layout 321 (popups nested
  // deeper than kMaxPopupNesting among them); on any failure
  // the current layout stays as it was.
  void loadLayout(const std::string& path);
  // Saves the layout to a file (dispatch id 1068); a failed write raises 75
  // and leaves an existing file whole.
  void saveLayout(const std::string& path) const;

  // The layout as the text of a layout file, and back.
  static std::string formatLayout(const ToolbarLayout& layout);
  static ToolbarLayout parseLayout(const std::vector<std::string>& lines, const std::string& path = {});

  // --- events ---------------------------------------------------------------
  void setToolClickHandler(ToolClickHandler handler) { onToolClick_ = std::move(handler); }

  // A click on a tool: raises the tool-click event with it. A tool that does
  // not exist, a disabled or hidden tool and a separator are not clicked
  // (false). An error that escapes the handler stays with the control
  // (lastEventError()), as every control's events do.
  bool clickTool(const std::string& id);

  // Shows the popup menu of a popup tool at the mouse (dispatch id 1067): the
  // user picks one of its tools, whose click event follows, or nothing. The
  // user is offered every enabled, visible tool of the popup and of the
  // popups inside it (the nested popups themselves open rather than click).
  // Returns the picked ID. A tool that does not exist raises 35601; a tool
  // that is not a popup, or an empty popup, shows nothing.
  std::optional<std::string> showPopupMenu(const std::string& id);

 private:
  ToolbarLayout layout_;
  ToolClickHandler onToolClick_;
};

// The toolbar control whose popup tool a popup menu shows: the active
// form's, else any loaded form's; nothing when none holds that popup.
const Toolbar* toolbarWithPopup(const std::string& popupId);

}  // namespace platform::controls
