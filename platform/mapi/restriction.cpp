// Restriction builders, text form and evaluation.
#include "platform/mapi/restriction.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>

namespace korvale::mapi {

ULONG SRestriction::rt() const {
  static constexpr ULONG kKinds[] = {RES_AND,      RES_OR,           RES_NOT,     RES_CONTENT,
                                     RES_PROPERTY, RES_COMPAREPROPS, RES_BITMASK, RES_EXIST};
  return kKinds[res.index()];
}

SRestriction RestrictAnd(std::vector<SRestriction> children) {
  return SRestriction{SAndRestriction{std::move(children)}};
}
SRestriction RestrictOr(std::vector<SRestriction> children) {
  return SRestriction{SOrRestriction{std::move(children)}};
}
SRestriction RestrictNot(SRestriction child) {
  SNotRestriction n;
  n.lpRes.push_back(std::move(child));
  return SRestriction{std::move(n)};
}
SRestriction RestrictContent(ULONG fuzzy_level, ULONG tag, SPropValue value) {
  return SRestriction{SContentRestriction{fuzzy_level, tag, std::move(value)}};
}
SRestriction RestrictProperty(ULONG relop, ULONG tag, SPropValue value) {
  return SRestriction{SPropertyRestriction{relop, tag, std::move(value)}};
}
SRestriction RestrictProperty(ULONG relop, SPropValue value) {
  ULONG tag = value.ulPropTag;
  return RestrictProperty(relop, tag, std::move(value));
}
SRestriction RestrictCompareProps(ULONG relop, ULONG tag1, ULONG tag2) {
  return SRestriction{SComparePropsRestriction{relop, tag1, tag2}};
}
SRestriction RestrictBitMask(ULONG rel_bmr, ULONG tag, ULONG mask) {
  return SRestriction{SBitMaskRestriction{rel_bmr, tag, mask}};
}
SRestriction RestrictExist(ULONG tag) { return SRestriction{SExistRestriction{tag}}; }

namespace {

const char* RelopText(ULONG relop) {
  switch (relop) {
    case RELOP_LT: return "<";
    case RELOP_LE: return "<=";
    case RELOP_GT: return ">";
    case RELOP_GE: return ">=";
    case RELOP_EQ: return "==";
    case RELOP_NE: return "!=";
    case RELOP_RE: return "=~";
  }
  return "?";
}

std::string FuzzyText(ULONG level) {
  std::string out;
  switch (level & 0xFFFF) {
    case FL_FULLSTRING: out = "FL_FULLSTRING"; break;
    case FL_SUBSTRING: out = "FL_SUBSTRING"; break;
    case FL_PREFIX: out = "FL_PREFIX"; break;
    default: out = "FL_" + std::to_string(level & 0xFFFF);
  }
  if (level & FL_IGNORECASE) out += "|FL_IGNORECASE";
  if (level & FL_IGNORENONSPACE) out += "|FL_IGNORENONSPACE";
  if (level & FL_LOOSE) out += "|FL_LOOSE";
  return out;
}

std::string JoinChildren(const std::vector<SRestriction>& children) {
  std::string out;
  for (size_t i = 0; i < children.size(); ++i) {
    if (i) out += ", ";
    out += ToString(children[i]);
  }
  return out;
}

// Case folding for comparisons; invalid UTF-8 bytes are kept as they are.
std::string Fold(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  int32_t i = 0;
  const int32_t n = static_cast<int32_t>(s.size());
  const auto* p = reinterpret_cast<const uint8_t*>(s.data());
  while (i < n) {
    int32_t start = i;
    UChar32 c;
    U8_NEXT(p, i, n, c);
    if (c < 0) {
      out.append(s, start, i - start);
      continue;
    }
    c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    uint8_t buf[4];
    int32_t len = 0;
    UBool err = false;
    U8_APPEND(buf, len, 4, c, err);
    (void)err;
    out.append(reinterpret_cast<const char*>(buf), len);
  }
  return out;
}

const SPropValue* FindById(const std::vector<SPropValue>& values, ULONG tag) {
  for (const auto& v : values)
    if (PROP_ID(v.ulPropTag) == PROP_ID(tag) && !v.IsError()) return &v;
  return nullptr;
}

int Sign(int64_t d) { return d < 0 ? -1 : d > 0 ? 1 : 0; }

bool RelopHolds(ULONG relop, int cmp) {
  switch (relop) {
    case RELOP_LT: return cmp < 0;
    case RELOP_LE: return cmp <= 0;
    case RELOP_GT: return cmp > 0;
    case RELOP_GE: return cmp >= 0;
    case RELOP_EQ: return cmp == 0;
    case RELOP_NE: return cmp != 0;
  }
  return false;
}

// Expands a multi-valued property into single values of the base type.
std::vector<SPropValue> Singles(const SPropValue& v) {
  std::vector<SPropValue> out;
  ULONG base = PROP_TYPE(v.ulPropTag) & ~MV_FLAG;
  ULONG id = PROP_ID(v.ulPropTag);
  if (auto p = v.MVString())
    for (const auto& s : *p) out.emplace_back(PROP_TAG(base, id), s);
  else if (auto p = v.MVLong())
    for (auto x : *p) out.emplace_back(PROP_TAG(base, id), x);
  else if (auto p = v.MVBinary())
    for (const auto& b : *p) out.emplace_back(PROP_TAG(base, id), b);
  else if (auto p = std::get_if<std::vector<SysTime>>(&v.Value))
    for (auto t : *p) out.emplace_back(PROP_TAG(base, id), t);
  return out;
}

bool ContentMatches(ULONG fuzzy, const std::string& haystack_in, const std::string& needle_in) {
  std::string haystack = haystack_in, needle = needle_in;
  if (fuzzy & (FL_IGNORECASE | FL_LOOSE)) {
    haystack = Fold(haystack);
    needle = Fold(needle);
  }
  switch (fuzzy & 0xFFFF) {
    case FL_SUBSTRING: return haystack.find(needle) != std::string::npos;
    case FL_PREFIX: return haystack.compare(0, needle.size(), needle) == 0;
    default: return haystack == needle;
  }
}

bool ContentMatchesBinary(ULONG fuzzy, const SBinary& hay, const SBinary& needle) {
  switch (fuzzy & 0xFFFF) {
    case FL_SUBSTRING: return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
    case FL_PREFIX:
      return hay.size() >= needle.size() && std::equal(needle.begin(), needle.end(), hay.begin());
    default: return hay == needle;
  }
}

}  // namespace

std::optional<int> CompareValues(const SPropValue& a, const SPropValue& b, bool ignore_case) {
  const PropVariant& x = a.Value;
  const PropVariant& y = b.Value;
  if (auto s = std::get_if<std::string>(&x)) {
    auto t = std::get_if<std::string>(&y);
    if (!t) return std::nullopt;
    int c = ignore_case ? Fold(*s).compare(Fold(*t)) : s->compare(*t);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  if (x.index() != y.index()) return std::nullopt;
  if (auto p = std::get_if<int16_t>(&x)) return Sign(int64_t(*p) - std::get<int16_t>(y));
  if (auto p = std::get_if<int32_t>(&x)) return Sign(int64_t(*p) - std::get<int32_t>(y));
  if (auto p = std::get_if<int64_t>(&x)) {
    int64_t q = std::get<int64_t>(y);
    return *p < q ? -1 : *p > q ? 1 : 0;
  }
  if (auto p = std::get_if<bool>(&x)) return Sign(int(*p) - int(std::get<bool>(y)));
  if (auto p = std::get_if<double>(&x)) {
    double q = std::get<double>(y);
    return *p < q ? -1 : *p > q ? 1 : 0;
  }
  if (auto p = std::get_if<CURRENCY>(&x)) {
    auto q = std::get<CURRENCY>(y);
    return p->int64 < q.int64 ? -1 : p->int64 > q.int64 ? 1 : 0;
  }
  if (auto p = std::get_if<SysTime>(&x)) {
    auto q = std::get<SysTime>(y);
    return p->ft < q.ft ? -1 : p->ft > q.ft ? 1 : 0;
  }
  if (auto p = std::get_if<SBinary>(&x)) {
    const auto& q = std::get<SBinary>(y);
    // Binary values order by length first, then bytes, as Exchange sorts them.
    if (p->size() != q.size()) return p->size() < q.size() ? -1 : 1;
    int c = p->empty() ? 0 : std::memcmp(p->data(), q.data(), p->size());
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  if (auto p = std::get_if<GUID>(&x)) {
    auto q = std::get<GUID>(y);
    return *p < q ? -1 : *p == q ? 0 : 1;
  }
  return std::nullopt;
}

std::string ToString(const SRestriction& r) {
  struct Visitor {
    std::string operator()(const SAndRestriction& x) const { return "AND(" + JoinChildren(x.lpRes) + ")"; }
    std::string operator()(const SOrRestriction& x) const { return "OR(" + JoinChildren(x.lpRes) + ")"; }
    std::string operator()(const SNotRestriction& x) const { return "NOT(" + JoinChildren(x.lpRes) + ")"; }
    std::string operator()(const SContentRestriction& x) const {
      return "CONTENT(" + TagName(x.ulPropTag) + " " + FuzzyText(x.ulFuzzyLevel) + " " +
             ValueToString(PROP_TYPE(x.lpProp.ulPropTag), x.lpProp.Value) + ")";
    }
    std::string operator()(const SPropertyRestriction& x) const {
      return "PROPERTY(" + TagName(x.ulPropTag) + " " + RelopText(x.relop) + " " +
             ValueToString(PROP_TYPE(x.lpProp.ulPropTag), x.lpProp.Value) + ")";
    }
    std::string operator()(const SComparePropsRestriction& x) const {
      return "COMPAREPROPS(" + TagName(x.ulPropTag1) + " " + RelopText(x.relop) + " " +
             TagName(x.ulPropTag2) + ")";
    }
    std::string operator()(const SBitMaskRestriction& x) const {
      char buf[16];
      std::snprintf(buf, sizeof buf, "0x%X", x.ulMask);
      return std::string("BITMASK(") + TagName(x.ulPropTag) + (x.relBMR == BMR_EQZ ? " & " : " & ") + buf +
             (x.relBMR == BMR_EQZ ? " == 0)" : " != 0)");
    }
    std::string operator()(const SExistRestriction& x) const { return "EXIST(" + TagName(x.ulPropTag) + ")"; }
  };
  return std::visit(Visitor{}, r.res);
}

bool TestRestriction(const SRestriction& r, const std::vector<SPropValue>& values) {
  struct Visitor {
    const std::vector<SPropValue>& values;
    bool operator()(const SAndRestriction& x) const {
      for (const auto& c : x.lpRes)
        if (!TestRestriction(c, values)) return false;
      return true;
    }
    bool operator()(const SOrRestriction& x) const {
      for (const auto& c : x.lpRes)
        if (TestRestriction(c, values)) return true;
      return false;
    }
    bool operator()(const SNotRestriction& x) const {
      return x.lpRes.empty() ? false : !TestRestriction(x.lpRes.front(), values);
    }
    bool operator()(const SContentRestriction& x) const {
      const SPropValue* v = FindById(values, x.ulPropTag);
      if (!v) return false;
      std::vector<SPropValue> candidates;
      if (PROP_TYPE(v->ulPropTag) & MV_FLAG)
        candidates = Singles(*v);
      else
        candidates.push_back(*v);
      for (const auto& c : candidates) {
        if (auto s = c.String(); s && x.lpProp.String()) {
          if (ContentMatches(x.ulFuzzyLevel, *s, *x.lpProp.String())) return true;
        } else if (auto b = c.Binary(); b && x.lpProp.Binary()) {
          if (ContentMatchesBinary(x.ulFuzzyLevel, *b, *x.lpProp.Binary())) return true;
        }
      }
      return false;
    }
    bool operator()(const SPropertyRestriction& x) const {
      if (x.relop == RELOP_RE) return false;
      const SPropValue* v = FindById(values, x.ulPropTag);
      if (!v) return false;
      if ((PROP_TYPE(v->ulPropTag) & MV_FLAG) && !(PROP_TYPE(x.lpProp.ulPropTag) & MV_FLAG)) {
        for (const auto& s : Singles(*v)) {
          auto c = CompareValues(s, x.lpProp, true);
          if (c && RelopHolds(x.relop, *c)) return true;
        }
        return false;
      }
      auto c = CompareValues(*v, x.lpProp, true);
      if (!c) return x.relop == RELOP_NE && v->Value != x.lpProp.Value;
      return RelopHolds(x.relop, *c);
    }
    bool operator()(const SComparePropsRestriction& x) const {
      const SPropValue* a = FindById(values, x.ulPropTag1);
      const SPropValue* b = FindById(values, x.ulPropTag2);
      if (!a || !b) return false;
      auto c = CompareValues(*a, *b, true);
      return c && RelopHolds(x.relop, *c);
    }
    bool operator()(const SBitMaskRestriction& x) const {
      const SPropValue* v = FindById(values, x.ulPropTag);
      if (!v || !v->Long()) return false;
      bool zero = (static_cast<ULONG>(*v->Long()) & x.ulMask) == 0;
      return x.relBMR == BMR_EQZ ? zero : !zero;
    }
    bool operator()(const SExistRestriction& x) const { return FindById(values, x.ulPropTag) != nullptr; }
  };
  return std::visit(Visitor{values}, r.res);
}

}  // namespace korvale::mapi
