// The host's language: the word-list file, the host function and constant
// lists with their built-in lists, the failures of a short line, and the
// language definition registered with the code editor.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "diagnostics/error_handler.h"
#include "editor/modCodeSense.h"
#include "editor/modGlobals.h"
#include "platform/controls/code_editor.h"
#include "platform/controls/code_editor_language.h"
#include "platform/runtime/strings.h"
#include "platform/ui/screen.h"
#include "platform/ui/timer.h"
#include "preferences_fixture.h"

namespace {

namespace diagnostics = kestrin::diagnostics;
namespace modCodeSense = kestrin::editor::modCodeSense;
namespace modGlobals = kestrin::editor::modGlobals;
namespace mb = platform::ui::mb;
using kestrin_test::readFile;

// The built-in lists, comma-separated, in their order with their
// duplicates.
const char* const kBuiltInHostFunctions =
    "ShowValue,ShowDouble,ShowString,ClearPromptLines,ClearMenu,ClearMenuAndPrompts,"
    "WriteString,WriteNumber,WriteValue,askPoint,askAngle,askNumber,askValue,askColor,"
    "askLevel,askYesNo,askYesNoCancel,AskForEntity,SetEntityFromEptr,GetEntityEptr,"
    "GetEntityType,GetEntityColor,SetEntityColor,GetEntityLevel,GetEntityBits,UnselectEntity,"
    "MarkWindow,UnselectAll,AskForChain,RewindChains,MoveForwardOnChain,MoveToNextChain,"
    "FreeChains,GetChainFromFile,IsChainClosed,IsChainFlat,FlatChainDepth,"
    "FlatChainViewNumber,StartDBSearch,NextDBSearch,CreatePoint,CreateLine,CreateArc,"
    "OpenExcelFile,CloseExcelFile,SaveExcelFile,WriteExcelString,WriteExcelNumber,"
    "WriteExcelValue,AskExcelString,AskExcelNumber,AskExcelValue,AskForFileName,"
    "RepaintScreen,GetLevelName,ReadDXF,SaveKZen,NewKZ,InitParameters,SetClearancePlane,"
    "SetRetractPlane,SetTopOfStock,SetDepth,AskExcelString,MakeContour,AskExcelValue,"
    "SetPlaneNormal,RegenOp,RunChainManager,RunPointManager,EditOperationParameters,"
    "EditOperationGeometry,AddDrillPoint,AddDrillPointToDepth,ZeroPts,SetDrillJumpHeight,"
    "SetDrillBreakThrough,MakeDrill,UnlinkCurrentChain,SetDrillBreakThrough,ClearParameters,"
    "IsChainClockwise,GetPointData,GetArcData,GetLineData,ChainAll,SetCurrentFileName,"
    "GetPath,SaveKZ,SaveKZAs,OpenKZ,ShellAndWait,SelectAll,GetRectangleData,CreateRectangle,"
    "MakePocket,MakePocketWithKnownTool,MakeContourWithKnownTool,MakeDrillWithKnownTool,"
    "DefineNewTool,EditTool,GetToolDiameter,GetToolCornerRadius,GetToolNumber,GetToolType,"
    "SetLevelByName,SetLevelByNumber,GetLevelNumberFromName,GetPathOfThisScript,DoNest,"
    "MakeFilletFromTwoCurves,MakeFilletFromChains,FitToCorners,FitToChains,"
    "GetFirstOperationName,GetNextOperationName,MakeOperationFromName,WriteDXF,SetEntry,"
    "SetExit,SetDepthCuts,DoMetafile,GetToolLibraryName,SetToolLibraryname,"
    "GetLatheToolLibraryName,SetLatheToolLibraryname,GetBlockDrillLibraryName,"
    "SetBlockDrillLibraryname,GetPostName,SetPostName,RunPost,MakeBlockDrill";
const char* const kBuiltInHostConstants =
    "KzAr,KzRe,KzLn,KzLn,KzLeads,KzDepthCuts,KzPt,kz_pointtype,kz_linetype,kz_arctype,"
    "kz_alive,kz_group,kz_selected,kz_result,kz_temporary,kz_blanked,kz_tol,kz_chaintol,"
    "kz_simnumber,kz_metric,kzTOOL_FLAT,kzTOOL_BALL,kzTOOL_BULL,kzTOOL_CENTERDRILL,"
    "kzTOOL_SPOTDRILL,kzTOOL_DRILL,kzTOOL_LHTAP,kzTOOL_RHTAP,kzTOOL_REAMER,kzTOOL_BORINGBAR,"
    "kzFILE_ACCESS_READ,kzFILE_ACCESS_WRITE,kzFILE_ACCESS_TEXT,kzFILE_ACCESS_BINARY,"
    "kzWINDOW_INSIDE,kzWINDOW_INSIDE_INTR,kzWINDOW_INTERSECT,kzWINDOW_OUT_INTR,kzWINDOW_OUT,"
    "kzCONSTRUCTION_COLOR_CURRENT,kzCONSTRUCTION_LEVEL_CURRENT,kzMSG_CANCEL,kzMSG_NO,"
    "kzMSG_YES,kzCHAIN_UNCLEAR,kzCHAIN_CW,kzCHAIN_CCW,kzCOLOR_BLACK,kzCOLOR_DARKBLUE,"
    "kzCOLOR_GREEN,kzCOLOR_TEAL,kzCOLOR_DARKRED,kzCOLOR_PURPLE,kzCOLOR_BROWN,"
    "kzCOLOR_LIGHTGREY,kzCOLOR_DARKGREY,kzCOLOR_BLUE,kzCOLOR_LIGHTGREEN,kzCOLOR_LIGHTBLUE,"
    "kzCOLOR_RED,kzCOLOR_MAGENTA,kzCOLOR_YELLOW,kzCOLOR_WHITE,kzOPERATION_INVALID,kzTITLE,"
    "kzCUTTER_COMP_OFF,kzCUTTER_COMP_LEFT,kzCUTTER_COMP_RIGHT,kz_recttype,kzPOCKET_ZIGZAG,"
    "kzPOCKET_ONEWAY,kzPOCKET_CONSTOVERLAPSPIRAL,kzPOCKET_PARSPIRAL,"
    "kzPOCKET_PARSPIRAL_CLEANCORNERS,kzPOCKET_TRUESPIRAL,kzTOOL_UNKNOWN,kzTOOL_COUNTERBORE,"
    "kzTOOL_COUNTERSINK,kzCHAIN_ALL_NUMBERED_LEVELS,kzCHAIN_ALL_NAMED_LEVELS,"
    "kzCUTTER_ROLL_NONE,kzCUTTER_ROLL_SHARP,kzCUTTER_ROLL_ALL,kzCCW,kzCW,kzCW_AND_CCW";
const char* const kVBScriptWords =
    "Abs,Array,Asc,Atn,CBool,CByte,CCur,CDate,CDbl,Chr,FileSystemObject,CInt,CLng,Cos,"
    "CreateObject,CSng,CStr,Date,DateAdd,DateDiff,DatePart,DateSerial,DateValue,Day,Eval,Exp,"
    "Filter,Fix,FormatCurrency,FormatDateTime,FormatNumber,FormatPercent,GetLocale,GetObject,"
    "GetRef,Hex,Hour,InputBox,InStr,InStrRev,Int,IsArray,IsDate,IsEmpty,IsNull,IsNumeric,"
    "IsObject,Join,LBound,LCase,Left,Len,LoadPicture,Log,LTrim,Mid,Minute,Month,MonthName,"
    "MsgBox,Now,Oct,Replace,RGB,Right,Rnd,Round,RTrim,ScriptEngine,ScriptEngineBuildVersion,"
    "ScriptEngineMajorVersion,ScriptEngineMinorVersion,Second,SetLocale,Sgn,Sin,Space,Split,"
    "Sqr,StrComp,String,StrReverse,Tan,Time,Timer,TimeSerial,TimeValue,Trim,TypeName,UBound,"
    "UCase,VarType,Weekday,WeekdayName,Year,Add,AtEndOfLine,AtEndOfStream,Attributes,"
    "AvailableSpace,BuildPath,Close,Column,Copy,CopyFile,CopyFolder,Count,CreateFolder,"
    "CreateTextFile,DateCreated,DateLastAccessed,DateLastModified,Delete,DeleteFile,"
    "DeleteFolder,Dictionary,Drive,DriveExists,DriveLetter,Drives,DriveType,Exists,File,"
    "FileExists,Files,FileSystem,Folder,FolderExists,Folders,FreeSpace,GetAbsolutePathName,"
    "GetBaseName,GetDrive,GetDriveName,GetExtensionName,GetFile,GetFileName,GetFolder,"
    "GetParentFolderName,GetSpecialFolder,GetTempName,IsReady,Item,Items,Key,Keys,Line,Move,"
    "MoveFile,MoveFolder,Name,OpenAsTextStream,OpenTextFile,ParentFolder,Path,Read,ReadAll,"
    "ReadLine,Remove,RemoveAll,RootFolder,SerialNumber,ShareName,ShortName,ShortPath,Size,"
    "Skip,SkipLine,TextStream,TotalSize,VolumeName,Write,WriteBlankLines,WriteLine,Call,Case,"
    "Class,Const,Default,Dim,Do,Each,Else,ElseIf,End,Erase,Error,Execute,ExecuteGlobal,Exit,"
    "Explicit,For,Function,Get,If,In,Let,Loop,Next,On,Option,Private,Property,Public,"
    "Randomize,ReDim,Select,Set,Step,Sub,Then,To,Until,Wend,While,With,And,Clear,Empty,Eqv,"
    "Err,Execute,False,GoTo,Imp,Initialize,Is,Match,Matches,Not,Nothing,Null,Or,Raise,RegExp,"
    "Replace,Resume,Terminate,True,Global,HelpContext,IgnoreCase,Length,New,Preserve";
const char* const kVBScriptConstants =
    "vbArray,vbBinaryCompare,vbBlack,vbBlue,vbBoolean,vbByte,vbCancel,vbCr,vbCritical,vbCrLf,"
    "vbCurrency,vbCyan,vbDataObject,vbDate,vbDecimal,vbDefaultButton1,vbDefaultButton2,"
    "vbDefaultButton3,vbDefaultButton4,vbEmpty,vbError,vbExclamation,vbFalse,vbFirstFourDays,"
    "vbFirstFullWeek,vbFormFeed,vbFriday,vbGeneralDate,vbGreen,vbIgnore,vbInformation,"
    "vbInteger,vbLf,vbLong,vbLongDate,vbLongTime,vbMagenta,vbMonday,vbNewLine,vbNo,vbNull,"
    "vbNullChar,vbNullString,vbObject,vbObjectError,vbOK,vbOKCancel,vbOKOnly,vbQuestion,"
    "vbRed,vbRetry,vbRetryCancel,vbSaturday,vbShortDate,vbShortTime,vbSingle,vbSingle,"
    "vbString,vbSunday,vbSystemModal,vbTab,vbTextCompare,vbThursday,vbTrue,vbTuesday,"
    "vbUseDefault,vbUseSystem,vbUseSystemDayOfWeek,vbVariant,vbVerticalTab,vbWednesday,"
    "vbWhite,vbYellow,vbYes,vbYesNo,vbYesNoCancel,vbAbort,vbAbortRetryIgnore,"
    "vbApplicationModal";

// A comma-separated list as the editor keeps it: one line feed between
// words.
std::string lines(const std::string& commaSeparated) {
  return platform::join(platform::split(commaSeparated, ","), "\n");
}

// A list built from the word-list file: a line feed before and after each
// word.
std::string fileList(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& w : words) text += "\n" + w + "\n";
  return text;
}

int32_t entries(const std::string& list) { return platform::split(list, "\n").count(); }

class CodeSenseTest : public prefs_test::EditorFolderTest {
 protected:
  void SetUp() override {
    EditorFolderTest::SetUp();
    modGlobals::g_strHostFunctionList().clear();
    modGlobals::g_strHostConstantList().clear();
    platform::controls::CodeEditorGlobals().unregisterLanguage("Kestrin");
  }
  void TearDown() override {
    platform::controls::CodeEditorGlobals().unregisterLanguage("Kestrin");
    EditorFolderTest::TearDown();
  }

  void writeWordList(const std::string& text) { writeEditorFile("KzLangDef.csv", text); }

  // A diagnostics object as the main window's load step makes it, logging
  // into the editor folder (or with its trace log somewhere unwritable).
  diagnostics::CErrorHandler& installHandler(bool traceWritable = true) {
    auto handler = std::make_shared<diagnostics::CErrorHandler>();
    handler->Init(3, editorFile("kzScriptErr.log"), true, true, 2,
                  traceWritable ? editorFile("kzScriptTrace.log") : editorFile("missing/trace.log"));
    diagnostics::errorHandlerSlot() = handler;
    return *handler;
  }
  // Expects the report of a short line in the named loader.
  void expectReport(int32_t answer, const std::string& loader) {
    user->answerMessageBox(answer, "--- Error: 9, (Subscript out of range) in modCodeSense::" + loader);
  }

  static std::optional<platform::controls::CodeLanguage> kestrin() {
    return platform::controls::CodeEditorGlobals().getLanguage("Kestrin");
  }
};

TEST_F(CodeSenseTest, WithoutAWordListTheBuiltInListsAreGivenInTheirOrder) {
  const std::string functions = modCodeSense::gstr_LoadKestrinFunctionList();
  const std::string constants = modCodeSense::gstr_LoadKestrinConstants();
  EXPECT_EQ(functions, lines(kBuiltInHostFunctions));
  EXPECT_EQ(entries(functions), 132);
  EXPECT_EQ(constants, lines(kBuiltInHostConstants));
  EXPECT_EQ(entries(constants), 86);
}

TEST_F(CodeSenseTest, AFileOfOneKindGivesThatListAndTheBuiltInOther) {
  writeWordList("A|A(x)|1\r\nB|B(y, z)|1\r\n");
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinFunctionList(), "\nA\n\nB\n");
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinConstants(), lines(kBuiltInHostConstants));

  writeWordList("kzOne|1|2\nkzTwo|2|2");
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinFunctionList(), lines(kBuiltInHostFunctions));
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinConstants(), "\nkzOne\n\nkzTwo\n");
}

TEST_F(CodeSenseTest, TheKindIsTheNumberTheThirdFieldBeginsWith) {
  writeWordList(
      "ShowPi|ShowPi(value)|2\r\n"
      "Dotted|x|2.0\r\n"
      "Blank|x| 2\r\n"
      "Trailing|x|2abc\r\n"
      "Fourth|x|2|1\r\n"
      "Empty|x|\r\n"
      "Letter|x|y\r\n"
      "Three|x|3\r\n"
      "Half|x|2.5\r\n"
      " Spaced Word |x|1\r\n");
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinConstants(), fileList({"ShowPi", "Dotted", "Blank", "Trailing", "Fourth"}));
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinFunctionList(),
            fileList({"Empty", "Letter", "Three", "Half", " Spaced Word "}));
}

TEST_F(CodeSenseTest, EachCallReadsTheFileAgain) {
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinFunctionList(), lines(kBuiltInHostFunctions));
  writeWordList("A|a|1\r\n");
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinFunctionList(), "\nA\n");
}

TEST_F(CodeSenseTest, AShortLineAnsweredIgnoreGivesItsWordToBothLists) {
  installHandler();
  writeWordList("A|a()|1\r\nFoo\r\nkzK|k|2\r\n");
  expectReport(mb::Ignore, "gstr_LoadKestrinFunctionList(Function)");
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinFunctionList(), fileList({"A", "Foo"}));
  expectReport(mb::Ignore, "gstr_LoadKestrinConstants(Function)");
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinConstants(), fileList({"Foo", "kzK"}));
  // Ignore leaves each loader's entry to its own pop.
  EXPECT_TRUE(diagnostics::errorHandler()->callStack().empty());
}

TEST_F(CodeSenseTest, AShortLineAnsweredAbortKeepsTheWordsGatheredOrTheBuiltInList) {
  diagnostics::CErrorHandler& handler = installHandler();
  handler.CallStackPush("frmMain::Form_Load(Sub)");
  writeWordList("A|a()|1\r\nFoo\r\nkzK|k|2\r\n");
  expectReport(mb::Abort, "gstr_LoadKestrinFunctionList(Function)");
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinFunctionList(), "\nA\n");
  EXPECT_TRUE(handler.callStack().empty()) << "Abort clears the call stack";
  // The first line is no constant: nothing was gathered.
  expectReport(mb::Abort, "gstr_LoadKestrinConstants(Function)");
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinConstants(), lines(kBuiltInHostConstants));
  EXPECT_EQ(platform::ui::screen().MousePointer(), 0);
}

TEST_F(CodeSenseTest, RetryReportsTheShortLineAgain) {
  installHandler();
  writeWordList("Foo|f\r\n");
  expectReport(mb::Retry, "gstr_LoadKestrinFunctionList(Function)");
  expectReport(mb::Ignore, "gstr_LoadKestrinFunctionList(Function)");
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinFunctionList(), "\nFoo\n");
}

TEST_F(CodeSenseTest, AnEmptyLineAnsweredIgnoreTwiceIsPassedOver) {
  installHandler();
  writeWordList("A|a|1\r\n\r\nB|b|1\r\n");
  expectReport(mb::Ignore, "gstr_LoadKestrinFunctionList(Function)");  // the kind
  expectReport(mb::Ignore, "gstr_LoadKestrinFunctionList(Function)");  // the word
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinFunctionList(), fileList({"A", "B"}));
}

TEST_F(CodeSenseTest, WithoutADiagnosticsObjectAShortLineShowsTheLoadersMessage) {
  writeWordList("A|a|1\r\nFoo\r\n");
  user->answerMessageBox(mb::OK, "Problem loading Kestrin Functions         ", "Kestrin VB Script Editor");
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinFunctionList(), "");
  user->answerMessageBox(mb::OK, "Problem loading Kestrin Constants         ", "Kestrin VB Script Editor");
  EXPECT_EQ(modCodeSense::gstr_LoadKestrinConstants(), "");
  ASSERT_TRUE(user->lastMessageBox());
  EXPECT_EQ(user->lastMessageBox()->text, "Problem loading Kestrin Constants         ");
  EXPECT_EQ(user->lastMessageBox()->buttons, mb::OKOnly);
  EXPECT_EQ(user->lastMessageBox()->icon, mb::Information);
}

TEST_F(CodeSenseTest, TheLoadersAndTheRegistrationTraceTheirEntryAndExit) {
  installHandler();
  modGlobals::g_strHostFunctionList() = modCodeSense::gstr_LoadKestrinFunctionList();
  platform::controls::CodeEditor editor;
  modCodeSense::g_RegisterKestrinLanguage(editor, nullptr);
  const std::string log = readFile(editorFile("kzScriptTrace.log"));
  const std::vector<std::string> expected = {
      "Entered routine: modCodeSense::gstr_LoadKestrinFunctionList(Function)",
      "Exited routine: modCodeSense::gstr_LoadKestrinFunctionList(Function)",
      "Entered routine: modCodeSense::g_RegisterKestrinLanguage(Sub)",
      "Entered routine: modCodeSense::g_SetProperties(Sub)",
      "Exited routine: modCodeSense::g_SetProperties(Sub)",
      "Exited routine: modCodeSense::g_RegisterKestrinLanguage(Sub)",
  };
  size_t at = 0;
  for (const std::string& line : expected) {
    at = log.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << " in order in\n" << log;
  }
}

TEST_F(CodeSenseTest, TheRegisteredLanguageHoldsTheVBScriptAndHostWords) {
  modGlobals::g_strHostFunctionList() = modCodeSense::gstr_LoadKestrinFunctionList();
  modGlobals::g_strHostConstantList() = modCodeSense::gstr_LoadKestrinConstants();
  platform::controls::CodeEditor editor;
  platform::ui::Timer timer("tmrAutoSave");
  store("AutoSaveMinutes", "5");
  timer.setEnabled(false);
  modCodeSense::g_RegisterKestrinLanguage(editor, &timer);

  const auto language = kestrin();
  ASSERT_TRUE(language);
  EXPECT_EQ(language->style, 0);
  EXPECT_FALSE(language->caseSensitive);
  EXPECT_EQ(language->keywords, lines(kVBScriptWords) + "\n" + lines(kBuiltInHostFunctions));
  EXPECT_EQ(entries(language->keywords), 245 + 132);
  EXPECT_EQ(language->operators, "^\n-\n*\n/\n\\\n+\n&\n=\n<>\nXor\nMod");
  EXPECT_EQ(language->singleLineComments, "'\nREM\nrem");
  EXPECT_EQ(language->multiLineComments1, "");
  EXPECT_EQ(language->multiLineComments2, "");
  EXPECT_EQ(language->scopeKeywords1, "");
  EXPECT_EQ(language->scopeKeywords2, "");
  EXPECT_EQ(language->stringDelims, "\"");
  EXPECT_EQ(language->constants, lines(kVBScriptConstants) + "\n" + lines(kBuiltInHostConstants));
  EXPECT_EQ(entries(language->constants), 79 + 86);
  // Then the settings: the language selected, the timer switched.
  EXPECT_EQ(editor.language(), "Kestrin");
  EXPECT_TRUE(timer.timerEnabled());
}

TEST_F(CodeSenseTest, EveryRegistrationReplacesTheDefinition) {
  platform::controls::CodeEditor editor;
  modGlobals::g_strHostFunctionList() = "\nFirst\n";
  modCodeSense::g_RegisterKestrinLanguage(editor, nullptr);
  modGlobals::g_strHostFunctionList() = "\nSecond\n";
  modCodeSense::g_RegisterKestrinLanguage(editor, nullptr);
  const auto language = kestrin();
  ASSERT_TRUE(language);
  EXPECT_EQ(language->keywords, lines(kVBScriptWords) + "\n\nSecond\n");
}

TEST_F(CodeSenseTest, ARegistrationAbortedAtItsFirstStepAppliesNoSettings) {
  installHandler(false);  // the trace push fails
  user->answerMessageBox(mb::Abort, "--- Error: -2147204100");
  platform::controls::CodeEditor editor;
  editor.setLanguage("Other");
  modCodeSense::g_RegisterKestrinLanguage(editor, nullptr);
  EXPECT_FALSE(kestrin());
  EXPECT_EQ(editor.language(), "Other");
}

}  // namespace
