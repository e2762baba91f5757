// The code editor's files: reading a script, saving it atomically, and the
// printer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::controls {

// The bytes of a file (a UTF-8 byte-order mark taken off). A missing file
// raises 53, a folder 75, a file that may not be read 70, any other failure
// of the read 57.
std::string readTextFile(const std::string& path);
// The same bytes handed to `block` a part at a time, as they are read,
// without a copy of the whole file; the errors are readTextFile's (a
// failure after some parts were handed on raises all the same).
void readTextFileBlocks(const std::string& path, const std::function<void(std::string_view)>& block);

// A plain file read whole into memory of its own (made ready in one step
// rather than a page at a time), which lasts while `owner` is held; the
// byte-order mark taken off. No owner for an empty file, one larger than
// kWholeFileLimit, one whose first line breaks are not all CR LF (its
// chunks would copy it all the same) or one that grew while it was read:
// such a file is read by blocks. The errors are readTextFile's.
struct WholeFile {
  std::shared_ptr<const void> owner;
  std::string_view bytes;
};
inline constexpr uint64_t kWholeFileLimit = 16u << 20;
WholeFile readWholeTextFile(const std::string& path);

// Writes `bytes` to `path` so that the file is either the old one or the
// new one, never a mix (replaceFile): the bytes go to a temporary file in
// the same folder, unnamed where the file system allows it, which is
// synced, given the old file's permissions, owner and extended attributes
// and renamed over the file; then the folder is synced. A new file gets
// 0666 less the umask. A symbolic link is written through to the file it names (the
// link stays). A read-only file raises 70 and is not touched. A failure
// raises 61 (disk full, file too large), 70 (no permission, read-only file
// system), 76 (no such folder), 75 (the path is a folder) or 57 (any other
// failure) and leaves the old file byte for byte, with no temporary file
// left behind, even when the process is killed.
void saveFileAtomically(const std::string& path, std::string_view bytes);
// The same with the bytes in pieces, written one after the other as they
// are (no copy of the whole).
void saveFileAtomically(const std::string& path, const std::vector<std::string_view>& pieces);
// A file the editor makes for itself (the hand-over copy), made new
// (writeNewOwnFile): an old file or link at its name goes when it is this
// user's, nothing is ever written through a link, one of another user
// raises 70; the file gets `mode` less the umask.
void saveOwnFile(const std::string& path, std::string_view bytes, unsigned mode = 0666);

// The printer: one narrow function through which every print job goes.
// A job is a text file in the print folder; it is handed to `lp` only when
// the host has switched the spooler on (tests and CI never print).
// A job is a new file of an unpredictable name ("<title>-XXXXXX.txt"),
// readable by its user alone, and is removed once the spooler took it.
// Returns the path of the job's file; a failure raises 57 (61 disk full, 76
// when the print folder cannot be made, 70 when the folder is not private).
// Either way the thread's user is told what became of the job (printed()).
std::string printTextJob(const std::string& title, std::string_view text);
// The folder of print jobs: the host's choice, else $KESTRIN_PRINT_DIR
// (either made when missing), else the user's private folder:
// "$XDG_RUNTIME_DIR/kestrin-print", or "kestrin-print-<uid>" in the
// temporary folder, made with mode 0700 and used only while it is a folder
// of this user that no one else may enter; when another user took that
// one, "$XDG_STATE_HOME/kestrin/run/print" (standard error says so once).
std::string printFolder();
void setPrintFolder(const std::string& folder);
void setPrintSpooler(bool useLp);
bool printSpooler();
// A display's printer: while it is set, every job also goes to it (the
// printer or file the user chose in the display's print dialog), after its
// text file is written. A failure it raises goes to the caller of the job.
using PrintJobSink = std::function<void(const std::string& title, std::string_view text, const std::string& jobFile)>;
void setPrintJobSink(PrintJobSink sink);

}  // namespace platform::controls
