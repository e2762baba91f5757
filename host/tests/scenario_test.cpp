// The scenario language: words, texts and keywords, and the refusal of
// malformed lines with their line numbers.
#include <gtest/gtest.h>

#include "host/scenario.h"

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
