#include <gtest/gtest.h>

#include <stdexcept>

#include "host/options.h"

namespace kestrin_host {
namespace {

TEST(HostOptions, EveryOptionAndTheArgument) {
  Options o =
      parseOptions({"--editor", "/e", "--registry", "/r", "--no-bridge", "--screen", "800x600", "--keep", "new"});
  EXPECT_EQ(o.editor, "/e");
  EXPECT_EQ(o.registry, "/r");
  EXPECT_FALSE(o.bridge);
  ASSERT_TRUE(o.screen);
  EXPECT_EQ(o.screen->first, 800);
  EXPECT_EQ(o.screen->second, 600);
  EXPECT_TRUE(o.keep);
  EXPECT_EQ(o.argument, "new");
  EXPECT_FALSE(o.scenario);
}

TEST(HostOptions, DefaultsLoadTheBridgeWithoutArgument) {
  Options o = parseOptions({});
  EXPECT_TRUE(o.bridge);
  EXPECT_FALSE(o.argument);
  EXPECT_EQ(parseOptions({"--", "--odd name"}).argument, "--odd name");
}

TEST(HostOptions, WrongCommandLines) {
  const std::vector<std::vector<std::string>> bad = {
      {"--scenario"},   {"--screen", "800"}, {"--screen", "0x600"},       {"--screen", "80x60x1"},
      {"--frobnicate"}, {"a.vbs", "b.vbs"},  {"--scenario", "s", "a.vbs"}};
  for (const auto& args : bad) EXPECT_THROW(parseOptions(args), std::invalid_argument) << args.front();
}

}  // namespace
}  // namespace kestrin_host
