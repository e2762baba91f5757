// CShell: hands things to the desktop's shell: a mail draft addressed
// through a "mailto:" text, a web address, a folder to open or explore, a
// document to open with its registered verb, a program to start (and, on
// request, to wait for), and a file whose properties sheet is to be shown.
// The shell's failure codes become numbered errors of the class.
//
// The object holds nothing between calls and does not trace. Every
// ShellExecute goes out with the desktop window as its owner and the
// normal window state. File paths use "/" between levels, as everywhere in
// the editor; registry key paths use "\".
//
// Errors (0x80040000 + n, source "<component>.CShell"):
//   18041 "File not found"        OpenDocument, LaunchProgram and
//                                 ShowProperties of a missing file; shell
//                                 results 2 and 5 (full table)
//   18042 "Path not found"        shell result 3 (full table)
//   18044 "Out of memory"         8 (both tables)
//   18045 "DLL not found"         32 (full table)
//   18046 "A sharing violation occurred"             26 (both tables)
//   18047 "Incomplete or invalid file association"   27 (full table)
//   18048 "DDE timeout"           28 (both tables)
//   18049 "DDE transaction failed"                   29 (both tables)
//   18050 "DDE busy"              30 (both tables)
//   18051 "No association for file extension"        31 (full table)
//   18052 "Invalid EXE file or error in EXE image"   11 (full table)
//   18053 "Cannot create process" LaunchProgram with waiting, when the
//                                 program cannot be started
//   18054 "Cannot show properties"                   ShowProperties
//   18055 "CShell component failure"                 anything else
// 18043 is never raised. The full table serves ExploreFolder, OpenFolder,
// OpenDocument and LaunchProgram without waiting; the link table
// (CreateNewMailMessage, OpenUrl) knows only 8, 26, 28, 29 and 30, so a
// missing mail or web handler (31) or a missing file (2) passes silently.
// Every result above 32, and every result a table does not list, ends the
// member without an error.
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/variant.h"
#include "platform/win32/types.h"

namespace kestrin::support {

class CShell {
 public:
  // A new mail of the desktop's mail program: "mailto:" and the
  // recipient, then "subject=", "cc=" and "body=" parts for the texts that
  // are not empty, the first after "?", the others after "&". Nothing is
  // escaped: blanks and line ends go as they are (mailAddressText).
  void CreateNewMailMessage(const std::string& RecipientAddress, const std::string& CCRecipientAddress,
                            const std::string& Subject, const std::string& Body);
  // The verb "explore" on the folder.
  void ExploreFolder(const std::string& FolderName);
  // Starts a program file (18041 when it is missing; a name without a
  // folder is a file in the current folder, with and without waiting, as
  // the existence test takes it). Without waiting it
  // goes to the shell's program start with the parameters as text and the
  // program's folder (the path up to and with its last "/") as the working
  // folder, none for a path without "/". With waiting the command line is
  // the path, one blank and the parameters (commandLineOf), started in
  // StartDirectory ("" keeps this process's); the call returns when the
  // program has ended, with no time limit.
  void LaunchProgram(const std::string& PathFileName, const platform::Variant& Parameters = {},
                     bool WaitToFinish = false, const std::string& StartDirectory = "");
  // Opens an existing file with the verb its type registers below
  // HKEY_LOCAL_MACHINE\SOFTWARE\Classes, in the file's folder: the type's
  // default verb, else a verb key "open" or "&open" (any case), else its
  // first verb key; "open" for a file whose extension or type is not
  // registered and for a path without ".". The keys are opened for reading
  // only, so the lookup works where the machine's settings are read-only.
  void OpenDocument(const std::string& PathFileName);
  // The verb "open" on the folder.
  void OpenFolder(const std::string& FolderName);
  // The verb "open" on the address, as it is.
  void OpenUrl(const std::string& URL);
  // The shell's properties sheet of an existing file, owned by HWndOwner
  // (the desktop window for 0). This platform has none: 18054.
  void ShowProperties(const std::string& PathFileName, int32_t HWndOwner);

  // The texts the members hand on, for their callers' checks.
  static std::string mailAddressText(const std::string& RecipientAddress, const std::string& CCRecipientAddress,
                                     const std::string& Subject, const std::string& Body);
  static std::string commandLineOf(const std::string& PathFileName, const std::string& Parameters);

  // Which of the two tables turns a shell result into an error.
  enum class ResultTable { Full, Link };
  // Raises the error the table gives for a ShellExecute result; returns
  // for a result it does not list.
  static void raiseForResult(int32_t result, ResultTable table);

 private:
  bool FileExists(const std::string& path) const;
  static std::string GetTextAfterLast(const std::string& text, const std::string& separator);
  static std::string GetMachineRegString(const std::string& keyName, const std::string& valueName);
  static platform::LONG QueryRegStringValue(platform::HKEY key, const std::string& valueName, std::string& value);
  static std::string TrimAtNull(const std::string& text);

  static std::string programOf(const std::string& path);
  static std::string workingFolderOf(const std::string& path);
  static std::string verbFor(const std::string& path);
};

}  // namespace kestrin::support
