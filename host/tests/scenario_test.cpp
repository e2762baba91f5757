// The scenario language: words, texts and keywords, and the refusal of
// malformed lines with their line numbers.
#include <gtest/gtest.h>

#include "host/scenario.h"
#include "platform/runtime/clock.h"

namespace kestrin_host {
namespace {

const std::map<std::string, std::string> kVars = {{"WORK", "/w"}, {"EDITOR", "/e"}, {"HOME", "/h"}};

Command one(const std::string& line) {
  auto c = parseLine(line, 7, kVars);
  EXPECT_TRUE(c.has_value()) << line;
  return c ? *c : Command{};
}

TEST(ScenarioWords, TextsKeepEscapesAndBlanks) {
  auto w = splitLine(R"(type "a \"b\"\\ \r\n\t  end" bare)", 1);
  ASSERT_EQ(w.size(), 3u);
  EXPECT_EQ(w[1].text, "a \"b\"\\ \r\n\t  end");
  EXPECT_TRUE(w[1].quoted);
  EXPECT_FALSE(w[2].quoted);
}

TEST(ScenarioWords, VariablesAreReplacedInTextsAndWords) {
  Command c = one(R"(write ${WORK}/a.vbs "${HOME} and ${EDITOR} but ${OTHER}")");
  EXPECT_EQ(c.texts[0], "/w/a.vbs");
  EXPECT_EQ(c.texts[1], "/h and /e but ${OTHER}");
}

TEST(ScenarioWords, QuotedKeywordIsText) {
  Command bare = one("expect setting KestrinEditor Preferences UserName missing");
  EXPECT_TRUE(bare.keyword);
  Command quoted = one(R"(expect setting KestrinEditor Preferences UserName "missing")");
  EXPECT_FALSE(quoted.keyword);
  EXPECT_EQ(quoted.texts[3], "missing");
  EXPECT_TRUE(one("answer save cancel").flag);
  Command path = one(R"(answer save "cancel")");
  EXPECT_FALSE(path.flag);
  EXPECT_EQ(path.texts[0], "cancel");
}

TEST(ScenarioCommands, QualifiersInAnyOrder) {
  Command c = one(R"(expect msgbox contains "saved" icon information title "T" buttons OK)");
  EXPECT_TRUE(c.flag);
  EXPECT_EQ(c.texts[0], "saved");
  EXPECT_EQ(c.qualifiers.at("title"), "T");
  EXPECT_EQ(c.qualifiers.at("icon"), "information");
  EXPECT_EQ(c.qualifiers.at("buttons"), "OK");
}

TEST(ScenarioCommands, NumbersInDecimalAndHexadecimal) {
  EXPECT_EQ(one("expect error 0x80044A3A").numbers[0], -2147202502);
  EXPECT_EQ(one("expect error -2147202502 source KestrinScriptEditor.CMainFrontEnd").numbers[0], -2147202502);
  EXPECT_EQ(one("expect colour 1 2 0xFF0000").numbers[2], 0xFF0000);
  EXPECT_EQ(one("wait 5m").numbers[0], 300000);
  EXPECT_EQ(one("wait 65535ms").numbers[0], 65535);
}

TEST(ScenarioCommands, FamiliesAndFields) {
  EXPECT_EQ(one("run").family, Family::HostCall);
  EXPECT_FALSE(one("run").flag);
  EXPECT_TRUE(one("run new").flag);
  Command onrun = one(R"(onrun run "temp")");
  EXPECT_EQ(onrun.what, "run");
  EXPECT_EQ(onrun.texts[0], "temp");
  EXPECT_EQ(one("onrun free").what, "free");
  EXPECT_EQ(one("click chkProperties(2)").family, Family::Action);
  Command prop = one("expect frmMain.IsDirty True");
  EXPECT_EQ(prop.what, "property");
  EXPECT_EQ(prop.texts, (std::vector<std::string>{"frmMain", "IsDirty", "True"}));
  Command rep = one(R"(answer replace "a" "b" all)");
  EXPECT_EQ(rep.qualifiers.at("mode"), "all");
  EXPECT_TRUE(one("answer popup none").keyword);
  EXPECT_EQ(one("answer msgbox yes").numbers[0], 6);
  EXPECT_EQ(one("expect bookmarks").numbers.size(), 0u);
  EXPECT_FALSE(parseLine("   # a comment", 3, kVars).has_value());
  EXPECT_FALSE(parseLine("  ", 3, kVars).has_value());
}

TEST(ScenarioCommands, MalformedLinesNameTheirLine) {
  const char* bad[] = {
      "frobnicate x",
      "type \"not closed",
      "type \"bad \\q escape\"",
      "type a\"b",
      "key Ctrl+Nothing",
      "wait 5 minutes",
      "wait 5d",
      "caret 0 1",
      "caret x 1",
      "close frmMain extra",
      "answer msgbox Maybe",
      "answer telepathy yes",
      "answer replace a b sometimes",
      "answer goto 0",
      "expect msgbox \"x\" colour red",
      "expect msgbox \"x\" title \"a\" title \"b\"",
      "expect msgbox \"x\" buttons Many",
      "expect file /x shiny",
      "expect file /x equals",
      "expect zip /x has y",
      "expect editor zoom 3",
      "expect readonly maybe",
      "expect window \"T\" ajar",
      "expect bookmarks 3 2",
      "expect nothing",
      "expect result lots",
      "registry HKEY_USERS\\x n sz v",
      "registry HKEY_CURRENT_USER\\x n qword v",
      "registry HKEY_CURRENT_USER\\x n dword ten",
      "registry HKEY_CURRENT_USER\\x n binary 0g",
      "attrib /x +q",
      "clock 2024-13-01 10:00:00",
      "clock 2024-01-01",
      "window frmMain explode",
      "\"run\"",
      // The second edition's commands.
      "attrib /x +z",
      "chmod /x rw",
      "chmod /x 0999",
      "chmod /x",
      "touch /x 2024-01-01",
      "touch /x 2024-02-30x 10:00:00",
      "env \"\" v",
      "env A=B v",
      "unenv",
      "allow \"\"",
      "registry HKEY_CURRENT_USER\\x delete now",
      "registry HKEY_CURRENT_USER\\x n delete now",
      "registry HKEY_CURRENT_USER\\x n bytes sz 4",
      "registry HKEY_CURRENT_USER\\x n bytes words 41",
      "registry HKEY_CURRENT_USER\\x n bytes 70000 41",
      "create 1st KestrinScriptEditor.CFile",
      "create f",
      "release",
      "call f",
      "call f.Init.More",
      "call .Init",
      "call f.Init bare",
      "let f.PathFileName",
      "let f.PathFileName 1 2",
      "register now",
      "expect completion ajar",
      "expect completion entries Left",
      "expect completion entries Left:x",
      "expect tip \"x\" argument",
      "expect tip \"x\" arg 1",
      "expect input",
      "expect input \"p\" caption \"t\"",
      "expect printdialog copies two",
      "expect printdialog pages 2",
      "expect folderdialog \"t\" options many",
      "expect dialog \"t\" index first",
      "expect dialog \"t\" flags x",
      "expect tool ID_FileSave colour red",
      "expect tool ID_FileSave enabled maybe",
      "expect refused now",
      "expect launch",
      "expect print contains",
      "expect file /x attributes",
      "expect file /x attributes +q",
      "expect argument 0 1",
      "expect argument 1",
      "expect result lots",
      "expect frmMain..Caption x",
      "expect frmMain.txtA.B.C x",
  };
  for (const char* line : bad) {
    try {
      parseLine(line, 42, kVars);
      ADD_FAILURE() << "accepted: " << line;
    } catch (const ScenarioError& e) {
      EXPECT_EQ(e.line(), 42) << line;
    }
  }
}

TEST(ScenarioCommands, ValuesOfCallsAndObjectExpectations) {
  Command call = one(R"(call file.Init "a b" 12 -1.5 True false EMPTY)");
  EXPECT_EQ(call.family, Family::HostCall);
  EXPECT_EQ(call.texts, (std::vector<std::string>{"file", "Init"}));
  ASSERT_EQ(call.values.size(), 6u);
  EXPECT_EQ(call.values[0].kind, Value::Kind::Text);
  EXPECT_EQ(call.values[0].text, "a b");
  EXPECT_EQ(call.values[1].number, 12);
  EXPECT_EQ(call.values[2].number, -1.5);
  EXPECT_TRUE(call.values[3].boolean);
  EXPECT_EQ(call.values[4].kind, Value::Kind::Boolean);
  EXPECT_FALSE(call.values[4].boolean);
  EXPECT_EQ(call.values[5].kind, Value::Kind::Empty);
  std::vector<std::string> written;
  for (const auto& v : call.values) written.push_back(describeValue(v));
  EXPECT_EQ(written, (std::vector<std::string>{"\"a b\"", "12", "-1.5", "True", "False", "empty"}));
  // A quoted True is a text.
  EXPECT_EQ(one(R"(let t.FullPath "True")").values[0].kind, Value::Kind::Text);
  Command get = one("expect t.ClassDebugID 2");
  EXPECT_EQ(get.what, "property");
  EXPECT_EQ(get.values[0].number, 2);
  Command contains = one(R"(expect frmMain.Caption contains "Kestrin")");
  EXPECT_TRUE(contains.flag);
  EXPECT_EQ(contains.texts[2], "Kestrin");
  Command control = one("expect frmOptions.cboSize.List(3) 12");
  EXPECT_EQ(control.what, "controlproperty");
  EXPECT_EQ(control.texts, (std::vector<std::string>{"frmOptions", "cboSize", "List(3)", "12"}));
  Command result = one(R"(expect result "text")");
  EXPECT_TRUE(result.numbers.empty());
  EXPECT_EQ(result.values[0].text, "text");
  EXPECT_EQ(one("expect result 0x10").numbers[0], 16);
  EXPECT_EQ(one("expect argument 2 empty").numbers[0], 2);
}

TEST(ScenarioCommands, TheSecondEditionsSetUpAndExpectations) {
  EXPECT_EQ(one("chmod /w/a 0640").numbers[0], 0640);
  Command bytes = one(R"(registry HKEY_CURRENT_USER\K V bytes sz "41 42")");
  EXPECT_EQ(bytes.what, "bytes");
  EXPECT_EQ(bytes.numbers[0], 1);
  EXPECT_EQ(bytes.texts[2], "41 42");
  EXPECT_EQ(one(R"(registry HKEY_CURRENT_USER\K V bytes 0x20 00)").numbers[0], 32);
  EXPECT_EQ(one(R"(registry HKEY_CURRENT_USER\K delete)").what, "deletekey");
  Command value = one(R"(registry HKEY_CURRENT_USER\K "delete" delete)");
  EXPECT_EQ(value.what, "delete");
  EXPECT_EQ(value.texts[1], "delete");
  Command entries = one("expect completion entries CreateLine:0 a:b:1 kzNone:-1");
  EXPECT_EQ(entries.texts, (std::vector<std::string>{"CreateLine", "a:b", "kzNone"}));
  EXPECT_EQ(entries.numbers, (std::vector<int64_t>{0, 1, -1}));
  EXPECT_TRUE(one("expect completion selected none").keyword);
  Command tip = one(R"x(expect tip "CreateLine(x1, y1)" argument 2)x");
  EXPECT_EQ(tip.numbers[0], 2);
  EXPECT_TRUE(one("expect tip none").keyword);
  Command attributes = one("expect file /w/a attributes +r -h +c");
  EXPECT_EQ(attributes.texts, (std::vector<std::string>{"/w/a", "+r", "-h", "+c"}));
  EXPECT_EQ(one("expect tool ID_FileSave enabled true").texts[1], "True");
  EXPECT_TRUE(one(R"(expect launch contains "mailto:")").flag);
  EXPECT_EQ(one("touch /w/a 2024-02-29 13:45:00").numbers[0], platform::localMillisFrom(2024, 2, 29, 13, 45, 0));
}

TEST(ScenarioWords, QuoteDrawsControlCharactersAsSymbols) {
  // An escape sequence in a file name never reaches the terminal.
  EXPECT_EQ(quote("a\x1b[2Jb"), "\"a\u241b[2Jb\"");
}

TEST(ScenarioFile, TheFirstMalformedLineStopsTheReading) {
  try {
    parseScenario("# header\n\nrun new\nexpect text \"x\"\nexpect colour 1\nfree\n", kVars);
    FAIL() << "accepted";
  } catch (const ScenarioError& e) {
    EXPECT_EQ(e.line(), 5);
  }
  EXPECT_THROW(parseScenario("show\n", kVars), ScenarioError);
  EXPECT_EQ(parseScenario("run\r\n\r\nfree\r\n", kVars).size(), 2u);
}

TEST(ScenarioWords, QuoteWritesWhatSplitReads) {
  const std::string text = "a \"q\" \\ \r\n\tb";
  auto w = splitLine("x " + quote(text), 1);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[1].text, text);
}

}  // namespace
}  // namespace kestrin_host
