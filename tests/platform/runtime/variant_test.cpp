#include "platform/runtime/variant.h"
#include "common/raised.h"

#include <gtest/gtest.h>

namespace {

using platform::Variant;
using platform::VarType;

// The runtime error number a call raises, or 0.
constexpr auto errorOf = [](auto&& f) { return kestrin_test::raisedNumber(f); };

struct Sample : platform::Object {
  std::string typeName() const override { return "CSample"; }
};

TEST(Variants, KindsAndTypeNames) {
  struct Case {
    Variant v;
    int32_t varType;
    const char* name;
  };
  const Case cases[] = {
      {Variant(), 0, "Empty"},
      {Variant::null(), 1, "Null"},
      {int16_t{1}, 2, "Integer"},
      {1, 3, "Long"},
      {1.5f, 4, "Single"},
      {1.5, 5, "Double"},
      {platform::Date{1}, 7, "Date"},
      {"s", 8, "String"},
      {true, 11, "Boolean"},
      {platform::ByteArray(0, 1), 8192 + 17, "Byte()"},
      {platform::LongArray(), 8192 + 3, "Long()"},
      {platform::StringArray(), 8192 + 8, "String()"},
      {Variant::nothing(), 9, "Nothing"},
      {platform::ObjectRef(std::make_shared<Sample>()), 9, "CSample"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(static_cast<int32_t>(c.v.type()), c.varType) << c.name;
    EXPECT_EQ(platform::typeName(c.v), c.name);
  }
}

TEST(Variants, ObjectReferencesShareTheObject) {
  auto obj = std::make_shared<Sample>();
  const Variant a(platform::ObjectRef{obj});
  const Variant b = a;
  EXPECT_EQ(a.object().get(), obj.get());
  EXPECT_EQ(a, b);
  EXPECT_EQ(obj.use_count(), 3);
  EXPECT_EQ(errorOf([] { (void)Variant::nothing().object(); }), 91);
  EXPECT_EQ(errorOf([] { (void)Variant(3).object(); }), 424);
  EXPECT_EQ(errorOf([] { (void)Variant(3).array<int32_t>(); }), 13);
}

}  // namespace
