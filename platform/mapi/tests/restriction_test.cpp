// Restriction evaluation, one table of cases against one object.
#include <gtest/gtest.h>

#include "platform/mapi/mapi.h"

namespace korvale::mapi {
namespace {

constexpr ULONG kStart = PROP_TAG(PT_SYSTIME, 0x8205);
constexpr ULONG kRecurring = PROP_TAG(PT_BOOLEAN, 0x8223);
constexpr ULONG kKeywords = PROP_TAG(PT_MV_STRING8, 0x8001);

std::vector<SPropValue> Object() {
  return {{PR_SUBJECT, std::string("Weekly Sync")},
          {PR_MESSAGE_CLASS, std::string("IPM.Appointment")},
          SPropValue::Time(kStart, 1000),
          {kRecurring, false},
          {kKeywords, std::vector<std::string>{"Blue", "Red"}},
          {PR_MESSAGE_FLAGS, static_cast<int32_t>(0x11)},
          SPropValue::Error(PR_BODY, MAPI_E_NOT_FOUND)};
}

struct Case {
  const char* what;
  SRestriction restriction;
  bool expected;
};

// The agent's scan depends on these semantics: missing properties never
// match, multi-valued ones match by any value, strings ignore case.
TEST(Restriction, EvaluatesAsExchangeDoes) {
  std::vector<Case> cases = {
      {"time below", RestrictProperty(RELOP_LT, SPropValue::Time(kStart, 2000)), true},
      {"time not above", RestrictProperty(RELOP_GT, SPropValue::Time(kStart, 2000)), false},
      {"boolean equal", RestrictProperty(RELOP_EQ, {kRecurring, false}), true},
      {"class differs",
       RestrictProperty(RELOP_NE, {PR_MESSAGE_CLASS, std::string("IPM.Schedule.Meeting.Request")}), true},
      {"class equal ignoring case",
       RestrictProperty(RELOP_EQ, {PR_MESSAGE_CLASS, std::string("ipm.appointment")}), true},
      {"missing never matches, not even !=", RestrictProperty(RELOP_NE, {PR_SENSITIVITY, 2}), false},
      {"error value counts as missing", RestrictExist(PR_BODY), false},
      {"exists", RestrictExist(PR_SUBJECT), true},
      {"full string exact case",
       RestrictContent(FL_FULLSTRING, PR_SUBJECT, {PR_SUBJECT, std::string("weekly sync")}), false},
      {"full string ignore case",
       RestrictContent(FL_FULLSTRING | FL_IGNORECASE, PR_SUBJECT, {PR_SUBJECT, std::string("weekly sync")}),
       true},
      {"substring", RestrictContent(FL_SUBSTRING, PR_SUBJECT, {PR_SUBJECT, std::string("ly S")}), true},
      {"prefix", RestrictContent(FL_PREFIX, PR_SUBJECT, {PR_SUBJECT, std::string("Week")}), true},
      {"multi-valued any", RestrictProperty(RELOP_EQ, {PROP_TAG(PT_STRING8, 0x8001), std::string("red")}),
       true},
      {"multi-valued content", RestrictContent(FL_SUBSTRING, kKeywords, {PR_SUBJECT, std::string("lu")}),
       true},
      {"bitmask set", RestrictBitMask(BMR_NEZ, PR_MESSAGE_FLAGS, 0x10), true},
      {"bitmask clear", RestrictBitMask(BMR_EQZ, PR_MESSAGE_FLAGS, 0x02), true},
      {"type mismatch", RestrictProperty(RELOP_EQ, PR_SUBJECT, {PR_MESSAGE_FLAGS, 1}), false},
      {"and", RestrictAnd({RestrictExist(PR_SUBJECT), RestrictProperty(RELOP_EQ, {kRecurring, false})}),
       true},
      {"or", RestrictOr({RestrictExist(PR_BODY), RestrictExist(PR_SENSITIVITY)}), false},
      {"not", RestrictNot(RestrictExist(PR_BODY)), true},
  };
  auto object = Object();
  for (const auto& c : cases)
    EXPECT_EQ(TestRestriction(c.restriction, object), c.expected)
        << c.what << ": " << ToString(c.restriction);
}

TEST(Restriction, ToStringShowsTheTree) {
  SRestriction r = RestrictAnd({RestrictProperty(RELOP_LT, SPropValue::Time(kStart, 116444736000000000ULL)),
                                RestrictNot(RestrictExist(PR_SUBJECT))});
  EXPECT_EQ(ToString(r), "AND(PROPERTY(0x82050040 < 1970-01-01 00:00:00Z), NOT(EXIST(PR_SUBJECT)))");
  EXPECT_EQ(r.rt(), RES_AND);
}

}  // namespace
}  // namespace korvale::mapi
