#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "common/temp_dir.h"

#include "platform/ui/clipboard.h"
#include "platform/ui/screen.h"

using namespace platform::ui;

namespace {

TEST(Clipboard, ClearSetGet) {
  clipboard::Clear();
  EXPECT_FALSE(clipboard::HasText());
  EXPECT_EQ(clipboard::GetText(), "");
  clipboard::SetText("Dim x\r\n");
  EXPECT_TRUE(clipboard::HasText());
  EXPECT_EQ(clipboard::GetText(), "Dim x\r\n");
  clipboard::SetText("");
  EXPECT_TRUE(clipboard::HasText());  // empty text is still text
  clipboard::Clear();
  EXPECT_EQ(clipboard::GetText(), "");
}

TEST(Screen, FontsAreSortedWithoutDuplicates) {
  // The font library may write its caches; they go to a folder of the
  // test, never into the user's home.
  kestrin_test::TempDir cache;
  const char* old = std::getenv("XDG_CACHE_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  const auto& fonts = screen().Fonts();
  if (old)
    ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_CACHE_HOME");
  ASSERT_FALSE(fonts.empty());
  EXPECT_TRUE(std::is_sorted(fonts.begin(), fonts.end()));
  EXPECT_EQ(std::adjacent_find(fonts.begin(), fonts.end()), fonts.end());
  EXPECT_EQ(screen().FontCount(), static_cast<int32_t>(fonts.size()));
  EXPECT_TRUE(screen().hasFont(fonts.front()));
  EXPECT_FALSE(screen().hasFont("No Such Font 12345"));
}

TEST(Screen, SizeInTwipsAndMousePointer) {
  EXPECT_EQ(screen().Width(), 1024 * 15);
  EXPECT_EQ(screen().Height(), 768 * 15);
  EXPECT_EQ(screen().TwipsPerPixelX(), 15);
  int16_t old = screen().MousePointer();
  screen().setMousePointer(11);
  EXPECT_EQ(screen().MousePointer(), 11);
  screen().setMousePointer(old);
}

}  // namespace
