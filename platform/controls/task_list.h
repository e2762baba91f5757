// The task list: the user's tasks, each a text and a done flag, kept in a
// file between runs.
//
// The file is text: the line "KestrinTaskList 1", then one task a line,
// "[ ] " or "[x] " (done) followed by the task's text, escaped so that a
// line break inside a task stays inside it (control_files.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/control.h"

namespace platform::controls {

struct Task {
  std::string text;
  bool done = false;
  bool operator==(const Task&) const = default;
};

inline constexpr const char* kTaskListHeader = "KestrinTaskList 1";

class TaskList : public ui::Control {
 public:
  explicit TaskList(std::string name = "TaskList1");
  std::string typeName() const override { return "TaskList"; }

  const std::vector<Task>& tasks() const noexcept { return tasks_; }
  void add(std::string text, bool done = false);
  // Positions count from 0; another position raises 35600.
  void remove(int32_t position);
  void setDone(int32_t position, bool done);
  void clear() { tasks_.clear(); }
  int32_t count() const noexcept { return static_cast<int32_t>(tasks_.size()); }

  // Load (dispatch id 35): replaces the tasks with those of the file. A
  // missing file raises 53, an unreadable one 75, a file that is not a task
  // list 321; the tasks then stay as they were. `flags` is kept for the
  // caller's second argument and means nothing here.
  void load(const std::string& path, int32_t flags = 0);
  // Save (dispatch id 36): writes the tasks; a failed write raises 75 and
  // leaves an existing file whole.
  void save(const std::string& path, int32_t flags = 0) const;

  static std::string format(const std::vector<Task>& tasks);
  static std::vector<Task> parse(const std::vector<std::string>& lines, const std::string& path = {});

  // One task a line, "[ ] text" or "[x] text".
  std::string valueText() const override;

 private:
  std::vector<Task> tasks_;
};

}  // namespace platform::controls
