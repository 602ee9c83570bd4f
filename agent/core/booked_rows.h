// Rows booked while the scan ran go through the same row writer as the
// scanned appointments.
#pragma once

#include "agent/booking/calendar_rows/booked_row_writer.h"
#include "agent/scan/meeting_row.h"

namespace korvale {

class BookedRowsToFillTable : public BookedRowWriter {
 public:
  explicit BookedRowsToFillTable(RowWriterContext& context) : context_(context) {}
  void Write(const BookedAppointmentRow& row) override;

 private:
  RowWriterContext& context_;
};

}  // namespace korvale
