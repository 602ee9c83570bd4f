// Row values of a calendar item as SQL texts: custom-field literals and the
// extra values of the optional columns.
#include "agent/scan/item_values.h"

#include <charconv>

#include "platform/tz/tz.h"

namespace korvale {

using namespace mapi;

namespace {

constexpr std::string_view kApptTextMarker = "@ApptText@";
constexpr int kTextMax = 50;
constexpr int kAttendeeMax = 1024;
constexpr int kBodyMax = 250;

std::string Number(int64_t value) { return std::to_string(value); }

// "%f": six decimals, independent of the process locale.
std::string Fixed(double value) {
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (result.ec != std::errc()) return "0.000000";
  return std::string(buffer, result.ptr);
}

std::string QuotedText(std::string_view text, int max_len, Dialect dialect) {
  return "'" + QuoteForSql(text, max_len, dialect) + "'";
}

bool NumericBooleans(Dialect dialect) {
  // SQL Server has no boolean literal; the embedded database stores flags as numbers too.
  return dialect == Dialect::kSqlServer || dialect == Dialect::kSQLite;
}

std::string DateLiteral(const AgentSettings& settings, const TIME_ZONE_INFORMATION& zone, FILETIME utc) {
  return FormatDateLiteral(settings.date_literal_format, ToZoneTime(zone, utc));
}

std::string MissingCustomValue(ULONG type, Dialect dialect) {
  switch (type) {
    case PT_I2:
    case PT_LONG:
    case PT_I8: return "0";
    case PT_DOUBLE:
    case PT_CURRENCY: return "0.0";
    case PT_BOOLEAN: return NumericBooleans(dialect) ? "0" : "False";
    case PT_SYSTIME: return TimeFunction(dialect);
    default: return "''";
  }
}

// A missing date: Access and MySQL take 0, the others refuse it and take an empty text.
std::string MissingDate(Dialect dialect) {
  return dialect == Dialect::kAccess || dialect == Dialect::kMySql ? ", 0" : ", ''";
}

std::string BinaryValue(Dialect dialect, const SBinary* bytes) {
  switch (dialect) {
    case Dialect::kSqlServer:
      return bytes ? ", CONVERT(BINARY(160),'" + HexFromBin(*bytes) + "')" : ", CONVERT(BINARY(160), '0x')";
    case Dialect::kMySql:
      return bytes ? ", CONVERT('" + HexFromBin(*bytes) + "',BINARY(160))" : ", CONVERT('0x',BINARY(160))";
    default: return bytes ? ", '" + HexFromBin(*bytes) + "'" : ", ''";
  }
}

std::string RecipientList(const std::vector<ItemRecipient>* recipients, ULONG type,
                          std::string_view mailbox) {
  std::string list;
  if (!recipients) return list;
  for (const ItemRecipient& recipient : *recipients) {
    if ((recipient.type & ~MAPI_SUBMITTED) != type || recipient.name.empty()) continue;
    if (SameName(recipient.name, mailbox)) continue;
    if (!list.empty()) list += "; ";
    list += recipient.name;
  }
  return list;
}

// One extra value by the column's kind, read from the column's own position.
std::string KindValue(const ExtraValueInput& in, const ItemRow& row, OptionalColumn column) {
  const std::optional<size_t> position = in.columns.position[static_cast<size_t>(column)];
  const size_t at = position.value_or(static_cast<size_t>(-1));
  switch (Describe(column).kind) {
    case OptionalKind::kBool: return row.Boolean(at).value_or(false) ? ", 1" : ", 0";
    case OptionalKind::kInt: return ", " + Number(row.Long(at).value_or(0));
    case OptionalKind::kDate: {
      const std::optional<FILETIME> time = row.Time(at);
      return time ? ", " + DateLiteral(in.settings, in.zone, *time) : MissingDate(in.dialect);
    }
    case OptionalKind::kText: return ", " + QuotedText(row.Text(at).value_or(""), kTextMax, in.dialect);
    case OptionalKind::kBinary: return BinaryValue(in.dialect, row.Binary(at));
  }
  return ", ''";
}

std::string DateAt(const ExtraValueInput& in, const ItemRow& row, size_t position) {
  const std::optional<FILETIME> time = row.Time(position);
  return time ? ", " + DateLiteral(in.settings, in.zone, *time) : MissingDate(in.dialect);
}

}  // namespace

const SPropValue* ItemRow::At(size_t position) const {
  if (position >= row_.lpProps.size()) return nullptr;
  const SPropValue& value = row_.lpProps[position];
  return value.IsError() ? nullptr : &value;
}

HRESULT ItemRow::ErrorAt(size_t position) const {
  if (position >= row_.lpProps.size()) return MAPI_E_NOT_FOUND;
  return row_.lpProps[position].ErrorCode();
}

std::optional<std::string_view> ItemRow::Text(size_t position) const {
  const SPropValue* value = At(position);
  const std::string* text = value ? value->String() : nullptr;
  if (!text) return std::nullopt;
  return std::string_view(*text);
}

std::optional<int32_t> ItemRow::Long(size_t position) const {
  const SPropValue* value = At(position);
  const int32_t* number = value ? value->Long() : nullptr;
  if (!number) return std::nullopt;
  return *number;
}

std::optional<bool> ItemRow::Boolean(size_t position) const {
  const SPropValue* value = At(position);
  const bool* flag = value ? value->Boolean() : nullptr;
  if (!flag) return std::nullopt;
  return *flag;
}

std::optional<FILETIME> ItemRow::Time(size_t position) const {
  const SPropValue* value = At(position);
  const SysTime* time = value ? value->FileTime() : nullptr;
  if (!time) return std::nullopt;
  return time->ft;
}

const SBinary* ItemRow::Binary(size_t position) const {
  const SPropValue* value = At(position);
  return value ? value->Binary() : nullptr;
}

const std::vector<std::string>* ItemRow::MultiText(size_t position) const {
  const SPropValue* value = At(position);
  return value ? value->MVString() : nullptr;
}

bool IsPrivateItem(const AgentSettings& settings, std::optional<bool> private_flag,
                   std::optional<int32_t> sensitivity) {
  if (private_flag.value_or(false)) return true;
  const int32_t level = sensitivity.value_or(0);
  return settings.show_personal == 0 ? level > 0 : level > 1;
}

std::string SlashList(const std::vector<std::string>& values) {
  if (values.empty()) return {};
  std::string text = "//";
  for (const std::string& value : values) text += value + "//";
  return text;
}

SYSTEMTIME ToZoneTime(const TIME_ZONE_INFORMATION& zone, FILETIME utc) {
  return tz::SystemTimeToTzSpecificLocalTime(zone, tz::FileTimeToSystemTime(utc));
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string Unescaped(std::string_view escaped) {
  std::string out;
  out.reserve(escaped.size());
  for (size_t i = 0; i < escaped.size(); ++i) {
    out.push_back(escaped[i]);
    if (escaped[i] == '\'' && i + 1 < escaped.size() && escaped[i + 1] == '\'') ++i;
  }
  return out;
}

std::string CustomFieldLiteral(const AgentSettings& settings, size_t index, const SPropValue* value,
                               Dialect dialect, const TIME_ZONE_INFORMATION& zone) {
  const bool typed = index < settings.custom_field_types.size();
  if (!value) return typed ? MissingCustomValue(settings.custom_field_types[index], dialect) : "''";
  // The scan forced the configured type into the tag (a field beyond the type
  // list was asked for as text), so the value is read as that type.
  const ULONG type = typed ? settings.custom_field_types[index] : PT_STRING8;
  switch (type) {
    case PT_STRING8:
    case PT_UNICODE:
      if (const std::string* text = value->String()) return QuotedText(*text, kTextMax, dialect);
      break;
    case PT_I2:
      if (const int16_t* number = value->I2()) return Number(*number);
      break;
    case PT_LONG:
      if (const int32_t* number = value->Long()) return Number(*number);
      break;
    case PT_I8:
      if (const int64_t* number = value->I8()) return Number(*number);
      break;
    case PT_BOOLEAN:
      if (const bool* flag = value->Boolean()) {
        if (NumericBooleans(dialect)) return *flag ? "1" : "0";
        return *flag ? "True" : "False";
      }
      break;
    case PT_SYSTIME:
      if (const SysTime* time = value->FileTime()) return DateLiteral(settings, zone, time->ft);
      break;
    case PT_DOUBLE:
      if (const double* number = value->Double()) return Fixed(*number);
      break;
    case PT_CURRENCY:
      if (const CURRENCY* amount = value->Currency()) return Number(amount->int64);
      break;
    case PT_MV_STRING8:
    case PT_MV_UNICODE:
      // Several values share one text column: the "//" form of the categories.
      if (const std::vector<std::string>* texts = value->MVString()) {
        return QuotedText(SlashList(*texts), kTextMax, dialect);
      }
      break;
    default: return "''";
  }
  return MissingCustomValue(type, dialect);  // present, but not of the configured type
}

std::string ExtraValues::ForSingle(Dialect dialect) const {
  if (!has_body) return before_body + after_body;
  return before_body + ", '" + std::string(kApptTextMarker) + QuoteForSql(body, kBodyMax, dialect) +
         std::string(kApptTextMarker) + "'" + after_body;
}

std::string ExtraValues::ForOccurrence(std::string_view raw_body) const {
  if (!has_body) return before_body + after_body;
  return before_body + ", '" + std::string(kApptTextMarker) + std::string(raw_body) +
         std::string(kApptTextMarker) + "'" + after_body;
}

bool NeedsRecipientColumns(const OptionalColumns& optional_columns) {
  return optional_columns.IsEnabled(OptionalColumn::kRequiredAttendees) ||
         optional_columns.IsEnabled(OptionalColumn::kOptionalAttendees) ||
         optional_columns.IsEnabled(OptionalColumn::kResources);
}

ExtraValues BuildExtraValues(const ExtraValueInput& in, const ItemRow& row) {
  namespace mc = meeting_column;
  ExtraValues out;
  std::string* target = &out.before_body;
  auto position = [&](OptionalColumn column) {
    return in.columns.position[static_cast<size_t>(column)].value_or(static_cast<size_t>(-1));
  };
  for (size_t i = 0; i < kOptionalColumnCount; ++i) {
    const auto column = static_cast<OptionalColumn>(i);
    if (!in.optional_columns.IsEnabled(column)) continue;
    std::string value;
    switch (column) {
      case OptionalColumn::kContacts: {
        const std::vector<std::string>* contacts = row.MultiText(position(column));
        value = ", " + QuotedText(contacts ? SlashList(*contacts) : "", kTextMax, in.dialect);
        break;
      }
      case OptionalColumn::kMeetingStatus:
        value = ", " + Number(row.Long(mc::kMeetingState).value_or(0));
        break;
      case OptionalColumn::kRecurrenceRangeStart: value = DateAt(in, row, mc::kClipStart); break;
      case OptionalColumn::kRecurrenceRangeEnd: value = DateAt(in, row, mc::kClipEnd); break;
      case OptionalColumn::kRequiredAttendees:
      case OptionalColumn::kOptionalAttendees:
      case OptionalColumn::kResources: {
        const ULONG type = column == OptionalColumn::kRequiredAttendees   ? MAPI_TO
                           : column == OptionalColumn::kOptionalAttendees ? MAPI_CC
                                                                          : MAPI_BCC;
        value =
            ", " + QuotedText(RecipientList(in.recipients, type, in.mailbox_name), kAttendeeMax, in.dialect);
        break;
      }
      case OptionalColumn::kMsgRead:
        value = (row.Long(position(column)).value_or(0) & MSGFLAG_READ) ? ", 1" : ", 0";
        break;
      case OptionalColumn::kSent: value = ", 0"; break;
      case OptionalColumn::kEncrypted:
        value = (row.Long(position(column)).value_or(0) & 2) ? ", 1" : ", 0";
        break;
      case OptionalColumn::kSigned:
        value = (row.Long(position(column)).value_or(0) & 1) ? ", 1" : ", 0";
        break;
      case OptionalColumn::kApptText:
        out.has_body = true;
        if (!in.private_item) out.body = std::string(row.Text(position(column)).value_or(""));
        target = &out.after_body;
        continue;
      default: value = KindValue(in, row, column); break;
    }
    *target += value;
  }
  return out;
}

}  // namespace korvale
