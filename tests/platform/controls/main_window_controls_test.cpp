// The status bar, splitter, task list and image list of the main window.
#include <gtest/gtest.h>

#include <filesystem>

#include "controls_test_support.h"
#include "platform/controls/control_files.h"
#include "platform/controls/image_list.h"
#include "platform/controls/splitter.h"
#include "platform/controls/status_bar.h"
#include "platform/controls/task_list.h"
#include "platform/runtime/clock.h"
#include "platform/runtime/errors.h"

namespace {

using namespace platform::controls;
using controls_test::raisedNumber;
using controls_test::readFile;
using controls_test::TempFolder;
using controls_test::writeFile;

std::shared_ptr<StatusBar> mainWindowStatusBar() {
  auto bar = std::make_shared<StatusBar>("StatusBar1");
  bar->add("MAIN", "New Kestrin Script");
  bar->add("FILE");
  bar->add("CURSOR");
  bar->add("SIZE");
  bar->add("", "", PanelStyle::Date);
  bar->add("", "", PanelStyle::Time);
  return bar;
}

TEST(StatusBar, PanelsAreAddressedByKey) {
  auto owner = mainWindowStatusBar();
  StatusBar& bar = *owner;
  bar.panel("CURSOR").setText("  Line 12, Col 5");
  bar.panel("SIZE").setText("File Size: 0 bytes");
  EXPECT_EQ(bar.panel("CURSOR").text(), "  Line 12, Col 5");
  EXPECT_EQ(bar.panel(3).text(), "  Line 12, Col 5");
  EXPECT_EQ(bar.panel("SIZE").text(), "File Size: 0 bytes");
  EXPECT_EQ(bar.panel("MAIN").text(), "New Kestrin Script");
}

TEST(StatusBar, AMissingKeyOrPositionFails) {
  auto owner = mainWindowStatusBar();
  StatusBar& bar = *owner;
  for (const char* key : {"CURSOR ", "cursor", "NOPE", ""})
    EXPECT_EQ(raisedNumber([&] { bar.panel(key); }), kElementNotFound) << '"' << key << '"';
  EXPECT_EQ(raisedNumber([&] { bar.panel(0); }), kIndexOutOfBounds);
  EXPECT_EQ(raisedNumber([&] { bar.panel(7); }), kIndexOutOfBounds);
  EXPECT_EQ(raisedNumber([&] { bar.add("MAIN"); }), kKeyNotUnique);

  auto emptyOwner = std::make_shared<StatusBar>("StatusBar1");
  StatusBar& empty = *emptyOwner;
  EXPECT_EQ(raisedNumber([&] { empty.panel("CURSOR").setText("x"); }), kElementNotFound);
}

TEST(StatusBar, DateAndTimePanelsShowTheDesktopClock) {
  auto owner = mainWindowStatusBar();
  StatusBar& bar = *owner;
  platform::setVirtualClock(platform::localMillisFrom(2026, 4, 29, 21, 5, 7));
  EXPECT_EQ(bar.panel(5).text(), "29/04/2026");
  EXPECT_EQ(bar.panel(6).text(), "21:05");
  platform::advanceVirtualClock(3 * 60 * 60 * 1000);
  EXPECT_EQ(bar.panel(5).text(), "30/04/2026");
  EXPECT_EQ(bar.panel(6).text(), "00:05");
  platform::useRealClock();
}

TEST(Splitter, KeepsItsSettingsAndStartsWithThePanesCollapsed) {
  auto splitterOwner = std::make_shared<Splitter>("SSSplitter1");
  Splitter& splitter = *splitterOwner;
  splitter.setSetting(Splitter::kAutoSize, 1);
  splitter.setSetting(1300, 3);
  EXPECT_EQ(splitter.setting(Splitter::kAutoSize), 1);
  EXPECT_EQ(splitter.setting(1300), 3);
  EXPECT_EQ(splitter.setting(1312), 0);

  SplitterPane& pane = splitter.pane(1);
  EXPECT_TRUE(pane.collapsed());
  pane.setLiveResize(false);
  for (int size = 0; size <= 2000; size += 100) pane.setSize(static_cast<float>(size));
  pane.setLiveResize(true);
  EXPECT_EQ(pane.size(), 2000.0f);
  EXPECT_EQ(pane.quietSizeChanges(), 21);
  EXPECT_EQ(raisedNumber([&] { pane.setSize(-1.0f); }), platform::err::InvalidPropertyValue);

  EXPECT_EQ(raisedNumber([&] { splitter.pane(0); }), kIndexOutOfBounds);
  EXPECT_EQ(raisedNumber([&] { splitter.pane(3); }), kIndexOutOfBounds);
}

TEST(TaskList, TasksSavedAreLoadedBack) {
  TempFolder dir;
  auto savedOwner = std::make_shared<TaskList>("PVTaskPad1");
  TaskList& saved = *savedOwner;
  saved.add("write the header");
  saved.add("done already", true);
  saved.add("a task\nover two lines with a \\ and a\ttab");
  saved.add("");
  saved.add("[x] looks like a mark");
  const std::string path = dir.file("vbsed.tsk");
  saved.save(path, 0);
  EXPECT_EQ(readFile(path).rfind(std::string(kTaskListHeader) + "\n", 0), 0u);

  auto loadedOwner = std::make_shared<TaskList>("PVTaskPad1");
  TaskList& loaded = *loadedOwner;
  loaded.add("replaced by the load");
  loaded.load(path, 0);
  EXPECT_EQ(loaded.tasks(), saved.tasks());

  // An empty list is saved and loaded as empty.
  auto noneOwner = std::make_shared<TaskList>("PVTaskPad1");
  TaskList& none = *noneOwner;
  none.save(dir.file("empty.tsk"));
  loaded.load(dir.file("empty.tsk"));
  EXPECT_TRUE(loaded.tasks().empty());
}

TEST(TaskList, AFileNotInTheFormatRaisesAndKeepsTheTasks) {
  TempFolder dir;
  struct Case {
    const char* name;
    const char* text;
    int32_t error;
  };
  const Case cases[] = {
      {"missing.tsk", nullptr, platform::err::FileNotFound},
      {"empty.tsk", "", kInvalidFileFormat},
      {"no-version.tsk", "[ ] a task\n", kInvalidFileFormat},
      {"other-version.tsk", "KestrinTaskList 9\n[ ] a task\n", kInvalidFileFormat},
      {"bad-mark.tsk", "KestrinTaskList 1\n[?] a task\n", kInvalidFileFormat},
      {"bad-escape.tsk", "KestrinTaskList 1\n[ ] ends in a lone backslash\\\n", kInvalidFileFormat},
  };
  for (const Case& c : cases) {
    const std::string path = dir.file(c.name);
    if (c.text) writeFile(path, c.text);
    auto listOwner = std::make_shared<TaskList>("PVTaskPad1");
    TaskList& list = *listOwner;
    list.add("kept");
    EXPECT_EQ(raisedNumber([&] { list.load(path); }), c.error) << c.name;
    ASSERT_EQ(list.count(), 1) << c.name;
    EXPECT_EQ(list.tasks()[0].text, "kept");
  }
}

TEST(TaskList, CrLfLineEndsAndABlankMarkAreRead) {
  TempFolder dir;
  writeFile(dir.file("crlf.tsk"), "KestrinTaskList 1\r\n[x] one\r\n[ ]\r\n");
  auto listOwner = std::make_shared<TaskList>("PVTaskPad1");
  TaskList& list = *listOwner;
  list.load(dir.file("crlf.tsk"));
  EXPECT_EQ(list.tasks(), (std::vector<Task>{{"one", true}, {"", false}}));
}

TEST(ImageList, ImagesByKeyAndIndexAndTheHandle) {
  auto imagesOwner = std::make_shared<ImageList>("IMGIntellisence");
  ImageList& images = *imagesOwner;
  for (const char* key : kCompletionImageKeys) images.add(key);
  EXPECT_EQ(images.count(), 7);
  EXPECT_EQ(images.image(1).key, "class");
  EXPECT_EQ(images.image(7).key, "control");
  EXPECT_EQ(images.image("method").index, 4);
  EXPECT_EQ(raisedNumber([&] { images.image("Method"); }), kElementNotFound);
  EXPECT_EQ(raisedNumber([&] { images.image(0); }), kIndexOutOfBounds);
  EXPECT_EQ(raisedNumber([&] { images.image(8); }), kIndexOutOfBounds);
  EXPECT_EQ(raisedNumber([&] { images.add("sub"); }), kKeyNotUnique);

  EXPECT_NE(images.hImageList(), 0u);
  EXPECT_EQ(ImageList::fromHandle(images.hImageList()), &images);
  uint32_t handle = 0;
  {
    auto otherOwner = std::make_shared<ImageList>("other");
    ImageList& other = *otherOwner;
    handle = other.hImageList();
    EXPECT_NE(handle, images.hImageList());
  }
  EXPECT_EQ(ImageList::fromHandle(handle), nullptr);
}

}  // namespace
