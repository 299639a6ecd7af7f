#include "qvl_core/rules.hpp"

#include <gtest/gtest.h>

namespace {

using namespace qvl_core::rules;

TEST(Rules, LookupsFollowTableOrder) {
  EXPECT_EQ(TELEX.tone_of(U's'), 1);
  EXPECT_EQ(TELEX.tone_of(U'S'), std::nullopt);  // exact: callers lower-case
  EXPECT_EQ(VIQR.tone_key(3), U'?');
  EXPECT_EQ(VNI.tone_key(0), std::nullopt);
  EXPECT_EQ(TELEX.marks_for(U'w').size(), 3u);
  EXPECT_TRUE(TELEX.marks_for(U'w')[0].pair);
  EXPECT_TRUE(TELEX.marks_for(U'q').empty());
  EXPECT_EQ(TELEX.standalone_for(U'w'), (MarkedLetter{U'u', Mark::Horn}));
  EXPECT_EQ(SIMPLE_TELEX.standalone_for(U'w'), std::nullopt);
  EXPECT_EQ(TELEX.insert_for(U'['), (MarkedLetter{U'o', Mark::Horn}));
  EXPECT_EQ(VNI.insert_for(U'['), std::nullopt);
}

TEST(Rules, MarkKeySkipsPairRules) {
  EXPECT_EQ(TELEX.mark_key(U'o', Mark::Horn), U'w');
  EXPECT_EQ(TELEX.mark_key(U'a', Mark::Breve), U'w');
  EXPECT_EQ(TELEX.mark_key(U'd', Mark::Stroke), U'd');
  EXPECT_EQ(TELEX.mark_key(U'u', Mark::Circumflex), std::nullopt);
  EXPECT_EQ(VNI.mark_key(U'e', Mark::Circumflex), U'6');
  EXPECT_EQ(VIQR.mark_key(U'u', Mark::Horn), U'+');
}

TEST(Rules, FunctionAndExtraWordKeys) {
  struct Case {
    const InputMethodSpec& spec;
    char32_t key;
    bool function;
    bool extra;
  };
  const Case cases[] = {
      {TELEX, U's', true, false},  {TELEX, U'S', true, false},  {TELEX, U'[', true, false},
      {TELEX, U'.', false, false}, {TELEX, U'b', false, false}, {SIMPLE_TELEX, U'[', false, false},
      {VNI, U'6', true, true},     {VNI, U'0', true, true},     {VNI, U'a', false, false},
      {VIQR, U'.', true, true},    {VIQR, U'^', true, true},    {VIQR, U'D', true, false},
      {VIQR, U'0', true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.spec.name << " " << static_cast<char>(c.key));
    EXPECT_EQ(c.spec.is_function_key(c.key), c.function);
    EXPECT_EQ(c.spec.extra_word_key(c.key), c.extra);
  }
}

TEST(Rules, ByNameFallsBackToTelex) {
  EXPECT_EQ(&by_name("vni"), &VNI);
  EXPECT_EQ(&by_name("viqr"), &VIQR);
  EXPECT_EQ(&by_name("simple_telex"), &SIMPLE_TELEX);
  EXPECT_EQ(&by_name("telex"), &TELEX);
  for (const char* other : {"", "Telex", "VNI", "vni ", "qwerty"}) {
    EXPECT_EQ(&by_name(other), &TELEX) << other;
  }
}

}  // namespace
