// The code editor's files: reading a script, saving it atomically, and the
// printer.
#pragma once

#include <string>
#include <string_view>

namespace platform::controls {

// The bytes of a file (a UTF-8 byte-order mark taken off). A missing file
// raises 53, a folder 75, a file that may not be read 70, any other failure
// of the read 57.
std::string readTextFile(const std::string& path);

// Writes `bytes` to `path` so that the file is either the old one or the
// new one, never a mix: the bytes go to a temporary file in the same
// folder, which is flushed, synced, given the old file's permissions,
// owner and extended attributes and renamed over the file; then the folder
// is synced. A symbolic link is written through to the file it names (the
// link stays). A read-only file raises 70 and is not touched. A failure
// raises 61 (disk full, file too large), 70 (no permission, read-only file
// system), 76 (no such folder), 75 (the path is a folder) or 57 (any other
// failure) and leaves the old file byte for byte, with no temporary file
// left behind.
void saveFileAtomically(const std::string& path, std::string_view bytes);

// The printer: one narrow function through which every print job goes.
// A job is a text file in the print folder; it is handed to `lp` only when
// the host has switched the spooler on (tests and CI never print).
// Returns the path of the job's file; a failure raises 57 (or 76 when the
// print folder cannot be made).
std::string printTextJob(const std::string& title, std::string_view text);
// The folder of print jobs: $KESTRIN_PRINT_DIR, else "kestrin-print" in
// the temporary folder, unless the host set another.
std::string printFolder();
void setPrintFolder(const std::string& folder);
void setPrintSpooler(bool useLp);

}  // namespace platform::controls
