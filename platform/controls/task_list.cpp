#include "platform/controls/task_list.h"

#include "platform/controls/control_files.h"
#include "platform/runtime/errors.h"

namespace platform::controls {

namespace {
const char* const kSource = "TaskList";
}

TaskList::TaskList(std::string name) : ui::Control(std::move(name)) {}

void TaskList::add(std::string text, bool done) { tasks_.push_back({std::move(text), done}); }

void TaskList::remove(int32_t position) {
  if (position < 0 || position >= count()) raiseIndexOutOfBounds(kSource);
  tasks_.erase(tasks_.begin() + position);
}

void TaskList::setDone(int32_t position, bool done) {
  if (position < 0 || position >= count()) raiseIndexOutOfBounds(kSource);
  tasks_[static_cast<size_t>(position)].done = done;
}

void TaskList::load(const std::string& path, int32_t /*flags*/) {
  std::vector<Task> loaded = parse(readControlFile(path, kSource), path);
  tasks_ = std::move(loaded);
}

void TaskList::save(const std::string& path, int32_t /*flags*/) const {
  writeControlFile(path, format(tasks_), kSource);
}

std::string TaskList::format(const std::vector<Task>& tasks) {
  std::string out = std::string(kTaskListHeader) + "\n";
  for (const Task& t : tasks) {
    out += t.done ? "[x] " : "[ ] ";
    out += escapeValue(t.text);
    out += "\n";
  }
  return out;
}

std::vector<Task> TaskList::parse(const std::vector<std::string>& lines, const std::string& path) {
  if (lines.empty() || lines[0] != kTaskListHeader) raiseInvalidFormat(path, 1, kSource);
  std::vector<Task> tasks;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty()) continue;
    Task task;
    // An empty task may have lost its trailing blank in an editor.
    if (line == "[ ]" || line == "[x]") {
      tasks.push_back({"", line == "[x]"});
      continue;
    }
    if (line.rfind("[ ] ", 0) == 0)
      task.done = false;
    else if (line.rfind("[x] ", 0) == 0)
      task.done = true;
    else
      raiseInvalidFormat(path, i + 1, kSource);
    if (!unescapeValue(std::string_view(line).substr(4), task.text)) raiseInvalidFormat(path, i + 1, kSource);
    tasks.push_back(std::move(task));
  }
  return tasks;
}

std::string TaskList::valueText() const {
  std::string out;
  for (const Task& t : tasks_) {
    if (!out.empty()) out += "\n";
    out += (t.done ? "[x] " : "[ ] ") + t.text;
  }
  return out;
}

}  // namespace platform::controls
