#include "platform/runtime/errors.h"

#include <gtest/gtest.h>

namespace {

TEST(RuntimeErrors, StandardNumbersCarryTheRuntimeTexts) {
  struct Case {
    int32_t number;
    const char* text;
  };
  const Case cases[] = {{5, "Invalid procedure call or argument"},
                        {6, "Overflow"},
                        {9, "Subscript out of range"},
                        {11, "Division by zero"},
                        {13, "Type mismatch"},
                        {48, "Error in loading DLL"},
                        {52, "Bad file name or number"},
                        {53, "File not found"},
                        {54, "Bad file mode"},
                        {57, "Device I/O error"},
                        {58, "File already exists"},
                        {61, "Disk full"},
                        {62, "Input past end of file"},
                        {70, "Permission denied"},
                        {75, "Path/File access error"},
                        {76, "Path not found"},
                        {91, "Object variable or With block variable not set"},
                        {94, "Invalid use of Null"},
                        {340, "Control array element does not exist"},
                        {380, "Invalid property value"},
                        {424, "Object required"},
                        {429, "ActiveX component can't create object"},
                        {438, "Object doesn't support this property or method"},
                        {453, "Can't find DLL entry point"},
                        {32755, "Cancel was selected."}};
  for (const auto& c : cases) EXPECT_EQ(platform::errorText(c.number), c.text) << c.number;
}

TEST(RuntimeErrors, RaiseRecordsTheLineWhereTheFailureArose) {
  int expectedLine = 0;
  try {
    expectedLine = __LINE__ + 1;
    platform::raise(platform::err::Overflow);
  } catch (const platform::RuntimeError& e) {
    EXPECT_EQ(e.number(), 6);
    EXPECT_EQ(e.description(), "Overflow");
    EXPECT_EQ(e.line(), expectedLine);
    return;
  }
  FAIL() << "no error raised";
}

}  // namespace
