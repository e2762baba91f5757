// cFuncCall: routines of a library named at run time, called by name with
// any number of arguments, and the messages of what is not found.
#include "common/case_name.h"
#include "editor/cFuncCall.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <vector>

#include "common/ui_test_user.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/variant.h"
#include "platform/ui/user.h"

namespace {

using kestrin::editor::cFuncCall;
using platform::Variant;
namespace mb = platform::ui::mb;

const std::string kRoutines = KESTRIN_TEST_ROUTINES;

class FuncCallTest : public kestrin_test::UiTest {
 protected:
  // Expects one critical OK box of this text and title.
  void expectFailureBox(const std::string& text, const std::string& title) {
    user->answerMessageBox(mb::OK, text, title);
    expected_.push_back({text, title});
  }
  void checkLastBox() {
    ASSERT_TRUE(user->lastMessageBox());
    EXPECT_EQ(user->lastMessageBox()->text, expected_.back().first);
    EXPECT_EQ(user->lastMessageBox()->title, expected_.back().second);
    EXPECT_EQ(user->lastMessageBox()->icon, mb::Critical);
    EXPECT_EQ(user->lastMessageBox()->buttons, mb::OKOnly);
  }
  std::vector<std::pair<std::string, std::string>> expected_;
};

struct CallCase {
  const char* routine;
  std::vector<Variant> arguments;
  int32_t result;
};
void PrintTo(const CallCase& c, std::ostream* os) { *os << c.routine << " gives " << c.result; }

class RoutineCallTest : public FuncCallTest, public ::testing::WithParamInterface<CallCase> {};

TEST_P(RoutineCallTest, PassesTheArgumentsInTheirOrderAndReturnsTheResult) {
  const CallCase& c = GetParam();
  for (const int32_t callType : {0, kestrin::editor::kCallerCleansArguments}) {
    cFuncCall call;
    call.setLibraryName(kRoutines);
    call.setCallType(callType);
    call.setFunctionName(c.routine);
    EXPECT_EQ(call.CallFunction(c.arguments), c.result) << "call type " << callType;
  }
}

INSTANTIATE_TEST_SUITE_P(
    FuncCall, RoutineCallTest,
    ::testing::Values(CallCase{"kz_answer", {}, 42},
                      CallCase{"kz_weigh", {Variant(int32_t{7}), Variant(int32_t{9}), Variant(int32_t{1})}, 791},
                      // Each argument becomes a Long first: text, a half to the even
                      // neighbour, True as -1.
                      CallCase{"kz_weigh", {Variant("3"), Variant(2.5), Variant(true)}, 319},
                      CallCase{"kz_sum8",
                               {Variant(int32_t{1}), Variant(int32_t{1}), Variant(int32_t{1}), Variant(int32_t{1}),
                                Variant(int32_t{1}), Variant(int32_t{1}), Variant(int32_t{1}), Variant(int32_t{-2})},
                               12}),
    kestrin_test::PrintedName());

TEST_F(FuncCallTest, EachCallNeedsTheRoutineNamedAgain) {
  cFuncCall call;
  call.setLibraryName(kRoutines);
  call.setFunctionName("kz_answer");
  EXPECT_EQ(call.CallFunction(), 42);
  expectFailureBox("Function not defined!", "Call function error");
  EXPECT_EQ(call.CallFunction(), 0);
  checkLastBox();
  call.setFunctionName("kz_answer");
  EXPECT_EQ(call.CallFunction(), 42);
}

TEST_F(FuncCallTest, AMissingLibraryAndARoutineNotFoundAreToldAndNothingIsCalled) {
  cFuncCall call;
  expectFailureBox("Can not find library \"NoSuchRoutines.dll\"", "Function call error");
  call.setLibraryName("NoSuchRoutines.dll");
  checkLastBox();
  EXPECT_FALSE(call.hasLibrary());

  const std::string note = "\"\r\nNote: function names are case sensitive, check out you function spelling!";
  expectFailureBox("Can not find function entry point for \"kz_answer" + note, "Function call error");
  call.setFunctionName("kz_answer");
  checkLastBox();

  // Found only in its own case.
  call.setLibraryName(kRoutines);
  expectFailureBox("Can not find function entry point for \"KZ_Answer" + note, "Function call error");
  call.setFunctionName("KZ_Answer");
  checkLastBox();
  expectFailureBox("Function not defined!", "Call function error");
  EXPECT_EQ(call.CallFunction(), 0);
}

TEST_F(FuncCallTest, AnArgumentThatIsNoNumberFailsTheCallBeforeTheRoutineRuns) {
  cFuncCall call;
  call.setLibraryName(kRoutines);
  call.setFunctionName("kz_weigh");
  const std::pair<Variant, int32_t> cases[] = {{Variant("seven"), platform::err::TypeMismatch},
                                               {Variant(3e10), platform::err::Overflow}};
  for (const auto& [bad, number] : cases) {
    try {
      call.CallFunction({Variant(int32_t{1}), bad, Variant(int32_t{2})});
      ADD_FAILURE() << "nothing raised";
    } catch (const platform::RuntimeError& e) {
      EXPECT_EQ(e.number(), number);
    }
    // The routine stays named: nothing was called.
    EXPECT_TRUE(call.hasRoutine());
  }
  EXPECT_EQ(call.CallFunction({Variant(int32_t{1}), Variant(int32_t{2}), Variant(int32_t{3})}), 123);
}

TEST_F(FuncCallTest, NamingAnotherLibraryForgetsTheRoutineOfTheOneGivenBack) {
  cFuncCall call;
  call.setLibraryName(kRoutines);
  call.setFunctionName("kz_answer");
  expectFailureBox("Can not find library \"NoSuchRoutines.dll\"", "Function call error");
  call.setLibraryName("NoSuchRoutines.dll");
  EXPECT_FALSE(call.hasRoutine());
  expectFailureBox("Function not defined!", "Call function error");
  EXPECT_EQ(call.CallFunction(), 0);
  checkLastBox();
}

}  // namespace
