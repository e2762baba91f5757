#include "support/CShell.h"

#include <algorithm>
#include <vector>

#include "diagnostics/class_error.h"
#include "platform/runtime/checked_int.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/strings.h"
#include "platform/ui/windows.h"
#include "platform/win32/files.h"
#include "platform/win32/process.h"
#include "platform/win32/registry.h"
#include "platform/win32/shell.h"
#include "support/registry_key.h"

namespace kestrin::support {

namespace {

inline constexpr diagnostics::ClassErrors kShellErrors{"CShell", 18055};

const char* const kFileNotFound = "File not found";
const char* const kCannotCreateProcess = "Cannot create process";
const char* const kCannotShowProperties = "Cannot show properties";

constexpr platform::DWORD kVerbNameBuffer = 2048;
const char* const kClassesKey = "SOFTWARE\\Classes\\";

// SEE_MASK_INVOKEIDLIST | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI.
constexpr platform::DWORD kPropertiesMask = 1100;

struct ResultError {
  int32_t result;
  int32_t n;
  const char* description;
  bool inLinkTable;
};

constexpr ResultError kResultErrors[] = {
    {2, 18041, "File not found", false},
    {3, 18042, "Path not found", false},
    {5, 18041, "File not found", false},
    {8, 18044, "Out of memory", true},
    {11, 18052, "Invalid EXE file or error in EXE image", false},
    {26, 18046, "A sharing violation occurred", true},
    {27, 18047, "Incomplete or invalid file association", false},
    {28, 18048, "DDE timeout", true},
    {29, 18049, "DDE transaction failed", true},
    {30, 18050, "DDE busy", true},
    {31, 18051, "No association for file extension", false},
    {32, 18045, "DLL not found", false},
};

int32_t shellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                     const std::string& directory) {
  return platform::ShellExecute(platform::ui::GetDesktopWindow(), verb, file, parameters, directory,
                                platform::SW_SHOWNORMAL);
}

}  // namespace

// ---- Texts ----------------------------------------------------------------------------

std::string CShell::mailAddressText(const std::string& RecipientAddress, const std::string& CCRecipientAddress,
                                    const std::string& Subject, const std::string& Body) {
  std::string text = "mailto:" + RecipientAddress;
  bool first = true;
  auto part = [&](const char* name, const std::string& value) {
    if (value.empty()) return;
    text += first ? "?" : "&";
    text += name;
    text += value;
    first = false;
  };
  part("subject=", Subject);
  part("cc=", CCRecipientAddress);
  part("body=", Body);
  return text;
}

std::string CShell::commandLineOf(const std::string& PathFileName, const std::string& Parameters) {
  return PathFileName + " " + Parameters;
}

void CShell::raiseForResult(int32_t result, ResultTable table) {
  for (const ResultError& e : kResultErrors) {
    if (e.result != result) continue;
    if (table == ResultTable::Link && !e.inLinkTable) return;
    kShellErrors.raise(e.n, e.description);
  }
}

// ---- Public members -----------------------------------------------------------------

void CShell::CreateNewMailMessage(const std::string& RecipientAddress, const std::string& CCRecipientAddress,
                                  const std::string& Subject, const std::string& Body) {
  kShellErrors.member([&] {
    const std::string address = mailAddressText(RecipientAddress, CCRecipientAddress, Subject, Body);
    raiseForResult(shellExecute("open", address, "", ""), ResultTable::Link);
  });
}

void CShell::ExploreFolder(const std::string& FolderName) {
  kShellErrors.member([&] { raiseForResult(shellExecute("explore", FolderName, "", ""), ResultTable::Full); });
}

void CShell::LaunchProgram(const std::string& PathFileName, const platform::Variant& Parameters, bool WaitToFinish,
                           const std::string& StartDirectory) {
  kShellErrors.member([&] {
    if (!FileExists(PathFileName)) kShellErrors.raise(18041, kFileNotFound);
    const std::string parameters = Parameters.isEmpty() ? std::string() : platform::cStr(Parameters);
    if (!WaitToFinish) {
      raiseForResult(platform::ShellStartProgram(platform::ui::GetDesktopWindow(), PathFileName, parameters,
                                                 workingFolderOf(PathFileName), platform::SW_SHOWNORMAL),
                     ResultTable::Full);
      return;
    }
    platform::STARTUPINFO startup;
    startup.dwFlags = platform::STARTF_USESHOWWINDOW;
    startup.wShowWindow = platform::SW_SHOWNORMAL;
    platform::PROCESS_INFORMATION process;
    if (!platform::CreateProcess("", commandLineOf(programOf(PathFileName), parameters),
                                 platform::NORMAL_PRIORITY_CLASS, StartDirectory, startup, process)) {
      kShellErrors.raise(18053, kCannotCreateProcess);
    }
    platform::WaitForSingleObject(process.hProcess, platform::INFINITE);
    platform::CloseHandle(process.hProcess);
  });
}

void CShell::OpenDocument(const std::string& PathFileName) {
  kShellErrors.member([&] {
    if (!FileExists(PathFileName)) kShellErrors.raise(18041, kFileNotFound);
    const std::string verb = verbFor(PathFileName);
    raiseForResult(shellExecute(verb, PathFileName, "", workingFolderOf(PathFileName)), ResultTable::Full);
  });
}

void CShell::OpenFolder(const std::string& FolderName) {
  kShellErrors.member([&] { raiseForResult(shellExecute("open", FolderName, "", ""), ResultTable::Full); });
}

void CShell::OpenUrl(const std::string& URL) {
  kShellErrors.member([&] { raiseForResult(shellExecute("open", URL, "", ""), ResultTable::Link); });
}

void CShell::ShowProperties(const std::string& PathFileName, int32_t HWndOwner) {
  kShellErrors.member([&] {
    if (!FileExists(PathFileName)) kShellErrors.raise(18041, kFileNotFound);
    platform::SHELLEXECUTEINFO info;
    info.fMask = kPropertiesMask;
    info.hwnd = HWndOwner == 0 ? platform::ui::GetDesktopWindow() : static_cast<platform::HWND>(HWndOwner);
    info.lpVerb = "properties";
    info.lpFile = PathFileName;
    info.nShow = 0;
    platform::ShellExecuteEx(info);
    if (info.hInstApp <= 32) kShellErrors.raise(18054, kCannotShowProperties);
  });
}

// ---- Private members ----------------------------------------------------------------

bool CShell::FileExists(const std::string& path) const {
  platform::WIN32_FIND_DATA found;
  const platform::HANDLE search = platform::FindFirstFile(path, found);
  if (search == platform::INVALID_HANDLE_VALUE) return false;
  if (!platform::FindClose(search)) kShellErrors.raiseCatchAll();
  return true;
}

std::string CShell::GetTextAfterLast(const std::string& text, const std::string& separator) {
  // Positions are 16-bit: a hit at 32767 or beyond overflows the next
  // search's start.
  const platform::Int16 one(int16_t{1});
  platform::Int16 at(int16_t{0});
  platform::Int16 last(int16_t{0});
  for (;;) {
    const int32_t found = platform::inStr((at + one).value(), text, separator);
    if (found == 0) break;
    at = platform::Int16(found);
    last = at;
  }
  if (last.value() == 0) return text;
  return platform::mid(text, last.value() + static_cast<int32_t>(separator.size()));
}

std::string CShell::GetMachineRegString(const std::string& keyName, const std::string& valueName) {
  OpenKey key;
  if (platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, keyName, 0, platform::KEY_READ, key.out()) !=
      platform::ERROR_SUCCESS) {
    return "";
  }
  std::string value;
  QueryRegStringValue(key.get(), valueName, value);
  return value;
}

platform::LONG CShell::QueryRegStringValue(platform::HKEY key, const std::string& valueName, std::string& value) {
  platform::DWORD type = 0;
  platform::DWORD size = 0;
  platform::LONG status = platform::RegQueryValueEx(key, valueName, &type, nullptr, &size);
  if (status != platform::ERROR_SUCCESS || type != platform::REG_SZ) return status;
  std::string buffer(size, '\0');
  platform::DWORD read = size;
  status = platform::RegQueryValueEx(key, valueName, &type, buffer.data(), &read);
  value = status == platform::ERROR_SUCCESS ? buffer : std::string();
  return status;
}

std::string CShell::TrimAtNull(const std::string& text) {
  const auto nul = text.find('\0');
  return nul == std::string::npos ? text : text.substr(0, nul);
}

// A program named without a folder is the file of that name in the current
// folder, the one that the existence test found: "./" before the name, so
// that the command line does not look it up on the search path instead.
std::string CShell::programOf(const std::string& path) {
  return path.find('/') == std::string::npos ? "./" + path : path;
}

// The path up to and with its last "/"; "" for a path without one (the
// shell then keeps its own folder).
std::string CShell::workingFolderOf(const std::string& path) {
  if (path.find('/') == std::string::npos) return "";
  const std::string after = GetTextAfterLast(path, "/");
  return path.substr(0, path.size() - after.size());
}

std::string CShell::verbFor(const std::string& path) {
  std::string verb = "open";
  if (path.find('.') == std::string::npos) return verb;
  const std::string extension = "." + GetTextAfterLast(path, ".");
  const std::string className = TrimAtNull(GetMachineRegString(kClassesKey + extension, ""));
  if (className.empty()) return verb;

  const std::string shellKey = kClassesKey + className + "\\Shell";
  verb = TrimAtNull(GetMachineRegString(shellKey, ""));
  if (!verb.empty()) return verb;

  OpenKey key;
  if (platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, shellKey, 0, platform::KEY_READ, key.out()) !=
      platform::ERROR_SUCCESS) {
    return verb;
  }
  // The enumeration ends at its last item, and also at any other refusal
  // (a key deleted meanwhile, a name too long for the buffer), which would
  // otherwise be asked for again and again.
  std::vector<char> name(kVerbNameBuffer);
  for (platform::DWORD index = 0;; ++index) {
    std::fill(name.begin(), name.end(), '\0');
    if (platform::RegEnumKey(key.get(), index, name.data(), kVerbNameBuffer) != platform::ERROR_SUCCESS) {
      break;
    }
    const std::string subKey = TrimAtNull(std::string(name.data(), name.size()));
    const std::string lower = platform::lCase(subKey);
    if (lower == "&open" || lower == "open") return "open";
    if (index == 0) verb = subKey;
  }
  return verb;
}

}  // namespace kestrin::support
