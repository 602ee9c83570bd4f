// Restrictions (MAPI's SRestriction) as a value tree, their text form for
// logs, and their evaluation against a set of property values.
//
//   SRestriction r = RestrictAnd({
//       RestrictProperty(RELOP_LT, start_tag, SPropValue::Time(start_tag, window_end)),
//       RestrictProperty(RELOP_EQ, recurring_tag, {recurring_tag, false}),
//       RestrictProperty(RELOP_NE, PR_MESSAGE_CLASS,
//                        {PR_MESSAGE_CLASS, std::string("IPM.Schedule.Meeting.Request")})});
//
// Semantics ([MS-OXCDATA] 2.12): a property restriction or a content
// restriction on a property the object does not have is not satisfied
// (RELOP_NE included); a multi-valued property satisfies a single-valued
// comparison when any of its values does; strings compare without regard to
// case in property restrictions, and as FL_IGNORECASE says in content
// restrictions. Values of different types never compare equal, except the two
// string types.
#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/mapi/prop_value.h"

namespace korvale::mapi {

constexpr ULONG RES_AND = 0x00;
constexpr ULONG RES_OR = 0x01;
constexpr ULONG RES_NOT = 0x02;
constexpr ULONG RES_CONTENT = 0x03;
constexpr ULONG RES_PROPERTY = 0x04;
constexpr ULONG RES_COMPAREPROPS = 0x05;
constexpr ULONG RES_BITMASK = 0x06;
constexpr ULONG RES_SIZE = 0x07;
constexpr ULONG RES_EXIST = 0x08;

constexpr ULONG RELOP_LT = 0;
constexpr ULONG RELOP_LE = 1;
constexpr ULONG RELOP_GT = 2;
constexpr ULONG RELOP_GE = 3;
constexpr ULONG RELOP_EQ = 4;
constexpr ULONG RELOP_NE = 5;
constexpr ULONG RELOP_RE = 6;  // not supported: never satisfied

constexpr ULONG FL_FULLSTRING = 0x00000000;
constexpr ULONG FL_SUBSTRING = 0x00000001;
constexpr ULONG FL_PREFIX = 0x00000002;
constexpr ULONG FL_IGNORECASE = 0x00010000;
constexpr ULONG FL_IGNORENONSPACE = 0x00020000;
constexpr ULONG FL_LOOSE = 0x00040000;

constexpr ULONG BMR_EQZ = 0;
constexpr ULONG BMR_NEZ = 1;

struct SRestriction;

struct SAndRestriction {
  std::vector<SRestriction> lpRes;
};
struct SOrRestriction {
  std::vector<SRestriction> lpRes;
};
struct SNotRestriction {
  // Exactly one element: the negated restriction (a vector so the tree stays
  // a plain copyable value).
  std::vector<SRestriction> lpRes;
};
struct SContentRestriction {
  ULONG ulFuzzyLevel = FL_FULLSTRING;
  ULONG ulPropTag = PR_NULL;
  SPropValue lpProp;
};
struct SPropertyRestriction {
  ULONG relop = RELOP_EQ;
  ULONG ulPropTag = PR_NULL;
  SPropValue lpProp;
};
struct SComparePropsRestriction {
  ULONG relop = RELOP_EQ;
  ULONG ulPropTag1 = PR_NULL;
  ULONG ulPropTag2 = PR_NULL;
};
struct SBitMaskRestriction {
  ULONG relBMR = BMR_NEZ;
  ULONG ulPropTag = PR_NULL;
  ULONG ulMask = 0;
};
struct SExistRestriction {
  ULONG ulPropTag = PR_NULL;
};

struct SRestriction {
  std::variant<SAndRestriction, SOrRestriction, SNotRestriction, SContentRestriction, SPropertyRestriction,
               SComparePropsRestriction, SBitMaskRestriction, SExistRestriction>
      res;
  // RES_AND ... RES_EXIST.
  ULONG rt() const;
};

SRestriction RestrictAnd(std::vector<SRestriction> children);
SRestriction RestrictOr(std::vector<SRestriction> children);
SRestriction RestrictNot(SRestriction child);
SRestriction RestrictContent(ULONG fuzzy_level, ULONG tag, SPropValue value);
// The restriction's tag defaults to the value's tag.
SRestriction RestrictProperty(ULONG relop, ULONG tag, SPropValue value);
SRestriction RestrictProperty(ULONG relop, SPropValue value);
SRestriction RestrictCompareProps(ULONG relop, ULONG tag1, ULONG tag2);
SRestriction RestrictBitMask(ULONG rel_bmr, ULONG tag, ULONG mask);
SRestriction RestrictExist(ULONG tag);

// "AND(PROPERTY(0x820D:PT_SYSTIME < 2024-05-01 00:00:00Z), EXIST(PR_SUBJECT))".
std::string ToString(const SRestriction& restriction);

// Whether an object with these property values satisfies the restriction.
// Values are found by property id; PT_ERROR values count as missing.
bool TestRestriction(const SRestriction& restriction, const std::vector<SPropValue>& values);

// Compares two values of compatible types: <0, 0, >0; nullopt when they
// cannot be compared (different types, errors, multi-valued).
std::optional<int> CompareValues(const SPropValue& a, const SPropValue& b, bool ignore_case);

}  // namespace korvale::mapi
