// An IMAPITable over rows that a source produces when the table is first
// read after a Restrict: the source may use the restriction to read fewer
// rows (the contents table turns it into indexed SQL); the table checks
// every row against the restriction itself, projects the columns, sorts and
// keeps the cursor.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/mapi/orgstore/object_base.h"

namespace korvale::mapi::orgstore {

class RowTable : public IMAPITable, public std::enable_shared_from_this<RowTable> {
 public:
  // Full rows (every property of each row) for a restriction (nullptr: all).
  using Source = std::function<std::vector<std::vector<SPropValue>>(const SRestriction*)>;

  // `columns` is the default column set. With `truncate` long values are cut
  // as Exchange cuts them in tables (strings to 255 characters, binary values
  // to 510 bytes); the whole value stays readable on the object itself.
  RowTable(Source source, SPropTagArray columns, bool truncate = false);
  // A table over fixed rows.
  static std::shared_ptr<RowTable> Fixed(std::vector<std::vector<SPropValue>> rows, SPropTagArray columns);

  HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) override;
  HRESULT GetLastError(HRESULT hr, ULONG flags, std::optional<MAPIERROR>* error) override;
  HRESULT SetColumns(const SPropTagArray& columns, ULONG flags) override;
  HRESULT QueryColumns(ULONG flags, SPropTagArray* columns) override;
  HRESULT Restrict(const SRestriction* restriction, ULONG flags) override;
  HRESULT SortTable(const SSortOrderSet& order, ULONG flags) override;
  HRESULT GetRowCount(ULONG flags, ULONG* count) override;
  HRESULT QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) override;
  HRESULT SeekRow(BOOKMARK origin, LONG row_count, LONG* rows_sought) override;
  HRESULT FindRow(const SRestriction& restriction, BOOKMARK origin, ULONG flags) override;
  HRESULT QueryRows(LONG row_count, ULONG flags, SRowSet* rows) override;

 private:
  HRESULT Load();
  SRow Project(const std::vector<SPropValue>& row) const;

  Source source_;
  SPropTagArray columns_;
  bool truncate_;
  std::optional<SRestriction> restriction_;
  std::optional<SSortOrderSet> sort_;
  std::optional<std::vector<std::vector<SPropValue>>> rows_;
  size_t cursor_ = 0;
  LastError last_;
};

// Cuts a UTF-8 text to at most `max_chars` characters without splitting one.
std::string CutUtf8(const std::string& text, size_t max_chars);

}  // namespace korvale::mapi::orgstore
