// Reading and writing the small text files in which the controls keep their
// state (the toolbar layout, the task list).
//
// Each file starts with a version line, then holds one entry a line. Values
// are escaped so that a line break, a tab or a backslash inside a caption or
// a task text never splits a line: "\\" stands for a backslash, "\n", "\r"
// and "\t" for the control characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::controls {

// The runtime's "Invalid file format", raised for a file that a control
// cannot read as its own.
inline constexpr int32_t kInvalidFileFormat = 321;

std::string escapeValue(std::string_view text);
// Undoes escapeValue; false for a stray or unknown escape.
bool unescapeValue(std::string_view text, std::string& out);

// The lines of a file (line ends LF or CR LF). A missing file raises 53, a
// file that cannot be read 75; `source` names the control in the error.
std::vector<std::string> readControlFile(const std::string& path, const std::string& source);

// Replaces the file whole with the text (replaceFile): a failed or killed
// write leaves the old file, and a link at the name is replaced, never
// written through. A failure raises 75.
void writeControlFile(const std::string& path, const std::string& text, const std::string& source);

// The error numbers of the controls' collections (panels, panes, images,
// tools), with their texts "Index out of bounds", "Element not found" and
// "Key is not unique in collection".
inline constexpr int32_t kIndexOutOfBounds = 35600;
inline constexpr int32_t kElementNotFound = 35601;
inline constexpr int32_t kKeyNotUnique = 35602;
[[noreturn]] void raiseElementNotFound(const std::string& source);
[[noreturn]] void raiseIndexOutOfBounds(const std::string& source);

// Raises kInvalidFileFormat with the path and the line that was refused.
[[noreturn]] void raiseInvalidFormat(const std::string& path, size_t lineNumber, const std::string& source);

}  // namespace platform::controls
