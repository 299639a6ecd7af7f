#include "qvl_adapter_core/plan.hpp"

#include <gtest/gtest.h>

using namespace qvl_adapter_core::plan;
using qvl_adapter_core::timing::replace_wait_ms;
using qvl_engine::session::Action;

namespace {

const std::string kChao = "ch\xC3\xA0o";  // chào

struct Expect {
  PlanKind kind;
  std::string reason;
  std::string text = "";
  std::uint32_t delete_utf16 = 0, delete_chars = 0, wait_ms = 0, cursor_utf16 = 0;
  bool forward_key = false;
};

void expect_plan(const AdapterPlan& p, const Expect& e) {
  EXPECT_EQ(p.kind, e.kind);
  EXPECT_EQ(std::string(p.reason), e.reason);
  EXPECT_EQ(p.text, e.text);
  EXPECT_EQ(p.delete_utf16, e.delete_utf16);
  EXPECT_EQ(p.delete_chars, e.delete_chars);
  EXPECT_EQ(p.wait_ms, e.wait_ms);
  EXPECT_EQ(p.cursor_utf16, e.cursor_utf16);
  EXPECT_EQ(p.forward_key, e.forward_key);
}

PlanContext field(std::string_view before, std::optional<std::string_view> surrounding,
                  std::uint32_t cursor, std::uint32_t anchor) {
  PlanContext c;
  c.before_text = before;
  c.surrounding = surrounding;
  c.cursor_utf16 = cursor;
  c.anchor_utf16 = anchor;
  return c;
}

}  // namespace

TEST(Plan, PlansEachActionKind) {
  const AppProfile profile;
  const PlanContext plain = field("", std::nullopt, 0, 0);
  expect_plan(plan_action(AdapterAction::none(), plain, profile), {PlanKind::None, "engine-pass"});
  expect_plan(plan_action(AdapterAction::preedit("vi\xE1\xBB\x87", 3), plain, profile),
              {PlanKind::Preedit, "preedit", "vi\xE1\xBB\x87", 0, 0, 0, 3});
  expect_plan(plan_action(AdapterAction::commit("abc", true), plain, profile),
              {PlanKind::Commit, "commit", "abc", 0, 0, 0, 0, true});
  expect_plan(plan_action(AdapterAction::replace("x", DeleteCount::utf16(0), true), plain, profile),
              {PlanKind::Commit, "replace-no-delete", "x", 0, 0, 0, 0, true});
}

TEST(Plan, DisabledFieldsReceiveNothing) {
  const AppProfile profile;
  for (auto kind : {FieldKind::Password, FieldKind::Number, FieldKind::Email}) {
    PlanContext c = field("", std::nullopt, 0, 0);
    c.field_kind = kind;
    expect_plan(plan_action(AdapterAction::commit("abc", false), c, profile),
                {PlanKind::None, "field-disabled"});
  }
  for (auto kind : {FieldKind::Url, FieldKind::Terminal}) {
    PlanContext c = field("", std::nullopt, 0, 0);
    c.field_kind = kind;
    EXPECT_EQ(plan_action(AdapterAction::commit("abc", false), c, profile).kind, PlanKind::Commit);
  }
}

TEST(Plan, ReplacementsAreVerifiedOrFailSafe) {
  const AppProfile profile;
  const auto chao4 = AdapterAction::replace(kChao, DeleteCount::utf16(4), false);
  struct Case {
    const char* name;
    PlanContext context;
    ReplaceFallback fallback;
    Expect expected;
  };
  const Case cases[] = {
      {"no surrounding",
       field("chao", std::nullopt, 0, 0),
       ReplaceFallback::Off,
       {PlanKind::FailSafe, "replace-no-surrounding"}},
      {"no surrounding, when-surrounding",
       field("chao", std::nullopt, 0, 0),
       ReplaceFallback::WhenSurrounding,
       {PlanKind::FailSafe, "replace-no-surrounding"}},
      {"no surrounding, always",
       field("chao", std::nullopt, 0, 0),
       ReplaceFallback::Always,
       {PlanKind::Replace, "replace-trusted-direct", kChao, 4, 4, 3}},
      {"always without a source",
       field("", std::nullopt, 0, 0),
       ReplaceFallback::Always,
       {PlanKind::FailSafe, "replace-unverified-suffix"}},
      {"verified",
       field("chao", "xin chao", 8, 8),
       ReplaceFallback::Off,
       {PlanKind::Replace, "replace-verified", kChao, 4, 4, 3}},
      {"word character after the cursor",
       field("chao", "xin chaox", 8, 8),
       ReplaceFallback::Always,
       {PlanKind::FailSafe, "replace-surrounding-mismatch"}},
      {"mismatch",
       field("chao", "xin ch\xC3\xA0", 7, 7),
       ReplaceFallback::Off,
       {PlanKind::FailSafe, "replace-surrounding-mismatch"}},
      {"mismatch overridden",
       field("chao", "xin ch\xC3\xA0", 7, 7),
       ReplaceFallback::WhenSurrounding,
       {PlanKind::Replace, "replace-trusted-direct", kChao, 4, 4, 3}},
      {"selection",
       field("chao", "xin chao", 8, 4),
       ReplaceFallback::Always,
       {PlanKind::FailSafe, "replace-surrounding-mismatch"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    expect_plan(plan_action_with_fallback(chao4, c.context, profile, c.fallback), c.expected);
  }
}

TEST(Plan, CharacterDeletionsCountFromTheSourceText) {
  const AppProfile profile;
  PlanContext c = field("ab", std::nullopt, 0, 0);
  c.trusted = true;
  expect_plan(plan_action(AdapterAction::replace("x", DeleteCount::chars(3), false), c, profile),
              {PlanKind::FailSafe, "replace-suffix-out-of-range"});
  expect_plan(
      plan_action_with_fallback(AdapterAction::replace("x", DeleteCount::chars(3), false),
                                field("ab", std::nullopt, 0, 0), profile, ReplaceFallback::Always),
      {PlanKind::FailSafe, "replace-suffix-out-of-range"});
  c.before_text = "a\xF0\x9F\x98\x80";
  expect_plan(plan_action(AdapterAction::replace("x", DeleteCount::chars(2), false), c, profile),
              {PlanKind::Replace, "replace-trusted-direct", "x", 3, 2, 3});
  // Without a before text the application's text before the cursor is the source.
  const PlanContext app = field("", "xin chao", 8, 8);
  expect_plan(
      plan_action(AdapterAction::replace(kChao, DeleteCount::chars(4), false), app, profile),
      {PlanKind::Replace, "replace-verified", kChao, 4, 4, 3});
}

TEST(Timing, WaitFollowsTheProfileWithinBounds) {
  AppProfile p;
  EXPECT_EQ(replace_wait_ms(p, 4), 3u);
  p.wait_ack = true;
  p.backspace_delay_ms = 5;
  p.delay_per_char_ms = 2;
  EXPECT_EQ(replace_wait_ms(p, 4), 13u);
  p.backspace_delay_ms = 0;
  p.delay_per_char_ms = 0;
  EXPECT_EQ(replace_wait_ms(p, 4), 3u);
  p.delay_per_char_ms = 100;
  EXPECT_EQ(replace_wait_ms(p, 4), 60u);
  p.backspace_delay_ms = 4294967295u;
  p.delay_per_char_ms = 4294967295u;
  EXPECT_EQ(replace_wait_ms(p, 4294967295u), 60u);  // saturates instead of wrapping
  p = AppProfile{};
  p.wait_ack = true;
  p.delay_per_char_ms = 1;
  EXPECT_EQ(replace_wait_ms(p, 4), 4u);
}

TEST(Plan, FromEngineAction) {
  const auto preedit = AdapterAction::from(Action::preedit("a\xF0\x9F\x98\x80", 2));
  EXPECT_EQ(preedit.kind, AdapterAction::Kind::Preedit);
  EXPECT_EQ(preedit.cursor_utf16, 3u);
  EXPECT_EQ(AdapterAction::from(Action::preedit("ab", 9)).cursor_utf16, 2u);
  const auto replace = AdapterAction::from(Action::replace("x", 2, true));
  EXPECT_EQ(replace.kind, AdapterAction::Kind::Replace);
  EXPECT_EQ(replace.delete_count, DeleteCount::chars(2));
  EXPECT_TRUE(replace.forward_key);
  EXPECT_EQ(AdapterAction::from(Action::commit("y", false)).kind, AdapterAction::Kind::Commit);
  EXPECT_EQ(AdapterAction::from(Action::pass()).kind, AdapterAction::Kind::None);
}
