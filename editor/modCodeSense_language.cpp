// The host's scripting language: the word-list file, the host function and
// constant lists and the language definition registered with the code
// editor.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "diagnostics/handling.h"
#include "diagnostics/trace.h"
#include "editor/modCodeSense.h"
#include "editor/modGlobals.h"
#include "editor/modMain.h"
#include "platform/controls/code_editor.h"
#include "platform/controls/code_editor_language.h"
#include "platform/runtime/convert.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/strings.h"
#include "platform/scripting/file_system.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/screen.h"
#include "platform/win32/editor_store.h"

namespace kestrin::editor::modCodeSense {

namespace {

namespace mb = platform::ui::mb;
using diagnostics::OnFailure;
using diagnostics::Trap;
using diagnostics::TrapEnd;

constexpr const char* kMessageTitle = "Kestrin VB Script Editor";
constexpr const char* kNineBlanks = "         ";

// The host functions when the word-list file gives none, in their order
// (AskExcelString, AskExcelValue and SetDrillBreakThrough stand twice).
constexpr std::string_view kBuiltInHostFunctions[] = {
    "ShowValue",
    "ShowDouble",
    "ShowString",
    "ClearPromptLines",
    "ClearMenu",
    "ClearMenuAndPrompts",
    "WriteString",
    "WriteNumber",
    "WriteValue",
    "askPoint",
    "askAngle",
    "askNumber",
    "askValue",
    "askColor",
    "askLevel",
    "askYesNo",
    "askYesNoCancel",
    "AskForEntity",
    "SetEntityFromEptr",
    "GetEntityEptr",
    "GetEntityType",
    "GetEntityColor",
    "SetEntityColor",
    "GetEntityLevel",
    "GetEntityBits",
    "UnselectEntity",
    "MarkWindow",
    "UnselectAll",
    "AskForChain",
    "RewindChains",
    "MoveForwardOnChain",
    "MoveToNextChain",
    "FreeChains",
    "GetChainFromFile",
    "IsChainClosed",
    "IsChainFlat",
    "FlatChainDepth",
    "FlatChainViewNumber",
    "StartDBSearch",
    "NextDBSearch",
    "CreatePoint",
    "CreateLine",
    "CreateArc",
    "OpenExcelFile",
    "CloseExcelFile",
    "SaveExcelFile",
    "WriteExcelString",
    "WriteExcelNumber",
    "WriteExcelValue",
    "AskExcelString",
    "AskExcelNumber",
    "AskExcelValue",
    "AskForFileName",
    "RepaintScreen",
    "GetLevelName",
    "ReadDXF",
    "SaveKZen",
    "NewKZ",
    "InitParameters",
    "SetClearancePlane",
    "SetRetractPlane",
    "SetTopOfStock",
    "SetDepth",
    "AskExcelString",
    "MakeContour",
    "AskExcelValue",
    "SetPlaneNormal",
    "RegenOp",
    "RunChainManager",
    "RunPointManager",
    "EditOperationParameters",
    "EditOperationGeometry",
    "AddDrillPoint",
    "AddDrillPointToDepth",
    "ZeroPts",
    "SetDrillJumpHeight",
    "SetDrillBreakThrough",
    "MakeDrill",
    "UnlinkCurrentChain",
    "SetDrillBreakThrough",
    "ClearParameters",
    "IsChainClockwise",
    "GetPointData",
    "GetArcData",
    "GetLineData",
    "ChainAll",
    "SetCurrentFileName",
    "GetPath",
    "SaveKZ",
    "SaveKZAs",
    "OpenKZ",
    "ShellAndWait",
    "SelectAll",
    "GetRectangleData",
    "CreateRectangle",
    "MakePocket",
    "MakePocketWithKnownTool",
    "MakeContourWithKnownTool",
    "MakeDrillWithKnownTool",
    "DefineNewTool",
    "EditTool",
    "GetToolDiameter",
    "GetToolCornerRadius",
    "GetToolNumber",
    "GetToolType",
    "SetLevelByName",
    "SetLevelByNumber",
    "GetLevelNumberFromName",
    "GetPathOfThisScript",
    "DoNest",
    "MakeFilletFromTwoCurves",
    "MakeFilletFromChains",
    "FitToCorners",
    "FitToChains",
    "GetFirstOperationName",
    "GetNextOperationName",
    "MakeOperationFromName",
    "WriteDXF",
    "SetEntry",
    "SetExit",
    "SetDepthCuts",
    "DoMetafile",
    "GetToolLibraryName",
    "SetToolLibraryname",
    "GetLatheToolLibraryName",
    "SetLatheToolLibraryname",
    "GetBlockDrillLibraryName",
    "SetBlockDrillLibraryname",
    "GetPostName",
    "SetPostName",
    "RunPost",
    "MakeBlockDrill",
};

// The host constants when the word-list file gives none (KzLn stands
// twice).
constexpr std::string_view kBuiltInHostConstants[] = {
    "KzAr",
    "KzRe",
    "KzLn",
    "KzLn",
    "KzLeads",
    "KzDepthCuts",
    "KzPt",
    "kz_pointtype",
    "kz_linetype",
    "kz_arctype",
    "kz_alive",
    "kz_group",
    "kz_selected",
    "kz_result",
    "kz_temporary",
    "kz_blanked",
    "kz_tol",
    "kz_chaintol",
    "kz_simnumber",
    "kz_metric",
    "kzTOOL_FLAT",
    "kzTOOL_BALL",
    "kzTOOL_BULL",
    "kzTOOL_CENTERDRILL",
    "kzTOOL_SPOTDRILL",
    "kzTOOL_DRILL",
    "kzTOOL_LHTAP",
    "kzTOOL_RHTAP",
    "kzTOOL_REAMER",
    "kzTOOL_BORINGBAR",
    "kzFILE_ACCESS_READ",
    "kzFILE_ACCESS_WRITE",
    "kzFILE_ACCESS_TEXT",
    "kzFILE_ACCESS_BINARY",
    "kzWINDOW_INSIDE",
    "kzWINDOW_INSIDE_INTR",
    "kzWINDOW_INTERSECT",
    "kzWINDOW_OUT_INTR",
    "kzWINDOW_OUT",
    "kzCONSTRUCTION_COLOR_CURRENT",
    "kzCONSTRUCTION_LEVEL_CURRENT",
    "kzMSG_CANCEL",
    "kzMSG_NO",
    "kzMSG_YES",
    "kzCHAIN_UNCLEAR",
    "kzCHAIN_CW",
    "kzCHAIN_CCW",
    "kzCOLOR_BLACK",
    "kzCOLOR_DARKBLUE",
    "kzCOLOR_GREEN",
    "kzCOLOR_TEAL",
    "kzCOLOR_DARKRED",
    "kzCOLOR_PURPLE",
    "kzCOLOR_BROWN",
    "kzCOLOR_LIGHTGREY",
    "kzCOLOR_DARKGREY",
    "kzCOLOR_BLUE",
    "kzCOLOR_LIGHTGREEN",
    "kzCOLOR_LIGHTBLUE",
    "kzCOLOR_RED",
    "kzCOLOR_MAGENTA",
    "kzCOLOR_YELLOW",
    "kzCOLOR_WHITE",
    "kzOPERATION_INVALID",
    "kzTITLE",
    "kzCUTTER_COMP_OFF",
    "kzCUTTER_COMP_LEFT",
    "kzCUTTER_COMP_RIGHT",
    "kz_recttype",
    "kzPOCKET_ZIGZAG",
    "kzPOCKET_ONEWAY",
    "kzPOCKET_CONSTOVERLAPSPIRAL",
    "kzPOCKET_PARSPIRAL",
    "kzPOCKET_PARSPIRAL_CLEANCORNERS",
    "kzPOCKET_TRUESPIRAL",
    "kzTOOL_UNKNOWN",
    "kzTOOL_COUNTERBORE",
    "kzTOOL_COUNTERSINK",
    "kzCHAIN_ALL_NUMBERED_LEVELS",
    "kzCHAIN_ALL_NAMED_LEVELS",
    "kzCUTTER_ROLL_NONE",
    "kzCUTTER_ROLL_SHARP",
    "kzCUTTER_ROLL_ALL",
    "kzCCW",
    "kzCW",
    "kzCW_AND_CCW",
};

// VBScript's functions, the file-system object's members, the statements
// and the other keywords (Replace and Execute stand twice).
constexpr std::string_view kVBScriptWords[] = {
    "Abs",
    "Array",
    "Asc",
    "Atn",
    "CBool",
    "CByte",
    "CCur",
    "CDate",
    "CDbl",
    "Chr",
    "FileSystemObject",
    "CInt",
    "CLng",
    "Cos",
    "CreateObject",
    "CSng",
    "CStr",
    "Date",
    "DateAdd",
    "DateDiff",
    "DatePart",
    "DateSerial",
    "DateValue",
    "Day",
    "Eval",
    "Exp",
    "Filter",
    "Fix",
    "FormatCurrency",
    "FormatDateTime",
    "FormatNumber",
    "FormatPercent",
    "GetLocale",
    "GetObject",
    "GetRef",
    "Hex",
    "Hour",
    "InputBox",
    "InStr",
    "InStrRev",
    "Int",
    "IsArray",
    "IsDate",
    "IsEmpty",
    "IsNull",
    "IsNumeric",
    "IsObject",
    "Join",
    "LBound",
    "LCase",
    "Left",
    "Len",
    "LoadPicture",
    "Log",
    "LTrim",
    "Mid",
    "Minute",
    "Month",
    "MonthName",
    "MsgBox",
    "Now",
    "Oct",
    "Replace",
    "RGB",
    "Right",
    "Rnd",
    "Round",
    "RTrim",
    "ScriptEngine",
    "ScriptEngineBuildVersion",
    "ScriptEngineMajorVersion",
    "ScriptEngineMinorVersion",
    "Second",
    "SetLocale",
    "Sgn",
    "Sin",
    "Space",
    "Split",
    "Sqr",
    "StrComp",
    "String",
    "StrReverse",
    "Tan",
    "Time",
    "Timer",
    "TimeSerial",
    "TimeValue",
    "Trim",
    "TypeName",
    "UBound",
    "UCase",
    "VarType",
    "Weekday",
    "WeekdayName",
    "Year",
    "Add",
    "AtEndOfLine",
    "AtEndOfStream",
    "Attributes",
    "AvailableSpace",
    "BuildPath",
    "Close",
    "Column",
    "Copy",
    "CopyFile",
    "CopyFolder",
    "Count",
    "CreateFolder",
    "CreateTextFile",
    "DateCreated",
    "DateLastAccessed",
    "DateLastModified",
    "Delete",
    "DeleteFile",
    "DeleteFolder",
    "Dictionary",
    "Drive",
    "DriveExists",
    "DriveLetter",
    "Drives",
    "DriveType",
    "Exists",
    "File",
    "FileExists",
    "Files",
    "FileSystem",
    "Folder",
    "FolderExists",
    "Folders",
    "FreeSpace",
    "GetAbsolutePathName",
    "GetBaseName",
    "GetDrive",
    "GetDriveName",
    "GetExtensionName",
    "GetFile",
    "GetFileName",
    "GetFolder",
    "GetParentFolderName",
    "GetSpecialFolder",
    "GetTempName",
    "IsReady",
    "Item",
    "Items",
    "Key",
    "Keys",
    "Line",
    "Move",
    "MoveFile",
    "MoveFolder",
    "Name",
    "OpenAsTextStream",
    "OpenTextFile",
    "ParentFolder",
    "Path",
    "Read",
    "ReadAll",
    "ReadLine",
    "Remove",
    "RemoveAll",
    "RootFolder",
    "SerialNumber",
    "ShareName",
    "ShortName",
    "ShortPath",
    "Size",
    "Skip",
    "SkipLine",
    "TextStream",
    "TotalSize",
    "VolumeName",
    "Write",
    "WriteBlankLines",
    "WriteLine",
    "Call",
    "Case",
    "Class",
    "Const",
    "Default",
    "Dim",
    "Do",
    "Each",
    "Else",
    "ElseIf",
    "End",
    "Erase",
    "Error",
    "Execute",
    "ExecuteGlobal",
    "Exit",
    "Explicit",
    "For",
    "Function",
    "Get",
    "If",
    "In",
    "Let",
    "Loop",
    "Next",
    "On",
    "Option",
    "Private",
    "Property",
    "Public",
    "Randomize",
    "ReDim",
    "Select",
    "Set",
    "Step",
    "Sub",
    "Then",
    "To",
    "Until",
    "Wend",
    "While",
    "With",
    "And",
    "Clear",
    "Empty",
    "Eqv",
    "Err",
    "Execute",
    "False",
    "GoTo",
    "Imp",
    "Initialize",
    "Is",
    "Match",
    "Matches",
    "Not",
    "Nothing",
    "Null",
    "Or",
    "Raise",
    "RegExp",
    "Replace",
    "Resume",
    "Terminate",
    "True",
    "Global",
    "HelpContext",
    "IgnoreCase",
    "Length",
    "New",
    "Preserve",
};

// VBScript's constants (vbSingle stands twice).
constexpr std::string_view kVBScriptConstants[] = {
    "vbArray",
    "vbBinaryCompare",
    "vbBlack",
    "vbBlue",
    "vbBoolean",
    "vbByte",
    "vbCancel",
    "vbCr",
    "vbCritical",
    "vbCrLf",
    "vbCurrency",
    "vbCyan",
    "vbDataObject",
    "vbDate",
    "vbDecimal",
    "vbDefaultButton1",
    "vbDefaultButton2",
    "vbDefaultButton3",
    "vbDefaultButton4",
    "vbEmpty",
    "vbError",
    "vbExclamation",
    "vbFalse",
    "vbFirstFourDays",
    "vbFirstFullWeek",
    "vbFormFeed",
    "vbFriday",
    "vbGeneralDate",
    "vbGreen",
    "vbIgnore",
    "vbInformation",
    "vbInteger",
    "vbLf",
    "vbLong",
    "vbLongDate",
    "vbLongTime",
    "vbMagenta",
    "vbMonday",
    "vbNewLine",
    "vbNo",
    "vbNull",
    "vbNullChar",
    "vbNullString",
    "vbObject",
    "vbObjectError",
    "vbOK",
    "vbOKCancel",
    "vbOKOnly",
    "vbQuestion",
    "vbRed",
    "vbRetry",
    "vbRetryCancel",
    "vbSaturday",
    "vbShortDate",
    "vbShortTime",
    "vbSingle",
    "vbSingle",
    "vbString",
    "vbSunday",
    "vbSystemModal",
    "vbTab",
    "vbTextCompare",
    "vbThursday",
    "vbTrue",
    "vbTuesday",
    "vbUseDefault",
    "vbUseSystem",
    "vbUseSystemDayOfWeek",
    "vbVariant",
    "vbVerticalTab",
    "vbWednesday",
    "vbWhite",
    "vbYellow",
    "vbYes",
    "vbYesNo",
    "vbYesNoCancel",
    "vbAbort",
    "vbAbortRetryIgnore",
    "vbApplicationModal",
};

// The operators and the comment starts, one a line.
constexpr std::string_view kOperators = "^\n-\n*\n/\n\\\n+\n&\n=\n<>\nXor\nMod";
constexpr std::string_view kCommentStarts = "'\nREM\nrem";

template <size_t N>
std::string joinLines(const std::string_view (&words)[N]) {
  std::string text;
  for (size_t i = 0; i < N; ++i) {
    if (i > 0) text += '\n';
    text += words[i];
  }
  return text;
}

// The word-list file's path: the user's own list, else the editor folder's.
std::string wordListPath() { return platform::editorFileToRead(kWordListFile); }

// The stream a step opened; 91 "Object variable not set" when that step
// failed.
platform::scripting::TextStream& opened(const std::unique_ptr<platform::scripting::TextStream>& file) {
  if (!file) platform::raise(platform::err::ObjectVariableNotSet);
  return *file;
}

// The two host-list loaders: the same steps, with opposite tests on the
// kind.
std::string loadHostList(bool constants) {
  const char* const traceText = constants ? "modCodeSense::gstr_LoadKestrinConstants(Function)"
                                          : "modCodeSense::gstr_LoadKestrinFunctionList(Function)";
  const char* const message = constants ? "Problem loading Kestrin Constants" : "Problem loading Kestrin Functions";
  Trap trap([message](diagnostics::Failure&) {
    platform::ui::MsgBox(std::string(message) + kNineBlanks, mb::OKOnly | mb::Information, kMessageTitle);
  });
  std::string result;
  std::string gathered;
  diagnostics::Trace trace(traceText, trap);
  const platform::scripting::FileSystemObject fso;
  std::unique_ptr<platform::scripting::TextStream> file;
  platform::StringArray fields;

  const TrapEnd end = trap.body([&] {
    std::string path;
    trap.step([&] { path = wordListPath(); });
    if (!trap.condition([&] { return fso.FileExists(path); })) return;
    trap.step([&] { file = fso.OpenTextFile(path); });
    // A file that cannot be read counts as read to its end.
    while (trap.condition([&] { return !opened(file).atEndOfStream(); })) {
      std::string line;
      trap.step([&] { line = opened(file).readLine(); });
      trap.step([&] { fields = platform::split(line, "|"); });
      // A line too short for its kind, answered Ignore, still gives its word.
      if (trap.condition([&] { return (platform::val(fields[2]) == 2) == constants; }, OnFailure::IntoBlock))
        trap.step([&] { gathered += "\n" + fields[0] + "\n"; });
      trap.step([&] { fields.erase(); });
    }
    trap.step([&] { opened(file).close(); });
  });
  if (end == TrapEnd::LeftAtOnce) {
    trace.skipExit();
    return result;
  }
  // Without a diagnostics object: the result as it stood at the failure.
  if (end == TrapEnd::OwnMessage) return result;

  // The closing part, after a complete read and after Abort alike.
  platform::ui::screen().setMousePointer(0);
  if (gathered.empty())
    result = constants ? joinLines(kBuiltInHostConstants) : joinLines(kBuiltInHostFunctions);
  else
    result = gathered;
  file.reset();
  return result;
}

}  // namespace

std::string gstr_LoadKestrinFunctionList() { return loadHostList(false); }

std::string gstr_LoadKestrinConstants() { return loadHostList(true); }

void g_RegisterKestrinLanguage(platform::controls::CodeEditor& control, platform::ui::Timer* autoSaveTimer) {
  Trap trap([](diagnostics::Failure&) {
    platform::ui::MsgBox(std::string("Could not register Kestrin language") + kNineBlanks, mb::OKOnly | mb::Exclamation,
                         kMessageTitle);
  });
  // A new definition at every load.
  auto language = std::make_unique<platform::controls::CodeLanguage>();
  diagnostics::Trace trace("modCodeSense::g_RegisterKestrinLanguage(Sub)", trap);
  std::unique_ptr<platform::controls::CodeEditorGlobals> globals;

  const TrapEnd end = trap.body([&] {
    trap.step([&] { language->style = 0; });
    trap.step([&] { language->caseSensitive = false; });
    trap.step([&] { language->keywords = joinLines(kVBScriptWords) + "\n" + modGlobals::g_strHostFunctionList(); });
    trap.step([&] { language->operators = std::string(kOperators); });
    trap.step([&] { language->singleLineComments = std::string(kCommentStarts); });
    trap.step([&] { language->multiLineComments1.clear(); });
    trap.step([&] { language->multiLineComments2.clear(); });
    trap.step([&] { language->scopeKeywords1.clear(); });
    trap.step([&] { language->scopeKeywords2.clear(); });
    trap.step([&] { language->stringDelims = "\""; });
    trap.step(
        [&] { language->constants = joinLines(kVBScriptConstants) + "\n" + modGlobals::g_strHostConstantList(); });
    trap.step([&] { globals = std::make_unique<platform::controls::CodeEditorGlobals>(); });
    trap.step([&] {
      if (!globals) platform::raise(platform::err::ObjectVariableNotSet);
      globals->registerLanguage(kLanguageName, *language);
    });
    trap.step([&] { g_SetProperties(control, autoSaveTimer); });
  });
  if (end == TrapEnd::LeftAtOnce) trace.skipExit();
}

}  // namespace kestrin::editor::modCodeSense
