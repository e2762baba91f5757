#include "platform/win32/library.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/temp_dir.h"

namespace platform {
namespace {

const std::string kRoutines = KESTRIN_TEST_ROUTINES;

extern "C" int32_t localDifference(int32_t a, int32_t b) { return a - b; }

TEST(Library, LoadsByPathAndFindsOwnRoutinesOnly) {
  const HMODULE h = LoadLibrary(kRoutines);
  ASSERT_NE(h, 0u);
  EXPECT_NE(GetProcAddress(h, "kz_weigh"), nullptr);
  // Names compare with regard to case.
  EXPECT_EQ(GetProcAddress(h, "KZ_WEIGH"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  // strlen lives in a library this one depends on, not in it.
  EXPECT_EQ(GetProcAddress(h, "strlen"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_NE(FreeLibrary(h), 0);
}

TEST(Library, ANameWithoutFolderFindsTheLoadedLibraryWhateverItsCase) {
  // Not loaded and not on the search path: not found.
  EXPECT_EQ(LoadLibrary("kzroutines.dll"), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

  const HMODULE byPath = LoadLibrary(kRoutines);
  ASSERT_NE(byPath, 0u);
  const HMODULE byName = LoadLibrary("kzroutines.DLL");
  EXPECT_EQ(byName, byPath);
  // Each load is given back once; the handle holds until the last.
  EXPECT_NE(FreeLibrary(byName), 0);
  EXPECT_NE(GetProcAddress(byPath, "kz_answer"), nullptr);
  EXPECT_NE(FreeLibrary(byPath), 0);
  EXPECT_EQ(FreeLibrary(byPath), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Library, FailuresAndUnknownHandles) {
  kestrin_test::TempDir dir;
  kestrin_test::writeFile(dir.file("broken.dll"), "not a library");
  EXPECT_EQ(LoadLibrary(dir.file("broken.dll")), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  EXPECT_EQ(LoadLibrary(dir.file("missing.dll")), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadLibrary(""), 0u);
  EXPECT_EQ(GetProcAddress(0, "kz_answer"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GetProcAddress(12345, "kz_answer"), nullptr);
  EXPECT_EQ(FreeLibrary(0), 0);
}

TEST(Library, CallsRoutinesWithThirtyTwoBitArguments) {
  const HMODULE h = LoadLibrary(kRoutines);
  ASSERT_NE(h, 0u);
  struct Case {
    const char* routine;
    std::vector<int32_t> arguments;
    int32_t result;
  };
  const std::vector<Case> cases = {
      {"kz_answer", {}, 42},
      {"kz_weigh", {7, 9, 3}, 793},
      {"kz_weigh", {-1, 0, 0}, -100},
      {"kz_sum8", {1, 1, 1, 1, 1, 1, 1, 1}, 36},
      {"kz_sum8", {0, 0, 0, 0, 0, 0, 0, 1}, 8},  // the eighth argument, past the registers
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.routine);
    EXPECT_EQ(callRoutine(GetProcAddress(h, c.routine), c.arguments), c.result);
  }
  EXPECT_EQ(callRoutineWithText(GetProcAddress(h, "kz_text_length"), "C:/Scripts/a b.vbs"), 18);
  FreeLibrary(h);

  EXPECT_EQ(callRoutine(reinterpret_cast<FARPROC>(&localDifference), {9, 7}), 2);
  EXPECT_EQ(callRoutine(nullptr, {1}), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
}  // namespace platform
