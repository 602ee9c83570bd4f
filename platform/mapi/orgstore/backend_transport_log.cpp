// Transport log: mail submitted to addresses outside the organisation.
#include "platform/mapi/orgstore/backend.h"

namespace korvale::mapi::orgstore {

std::vector<OutboundMail> Backend::OutboundLog() {
  auto st = db_->Prepare(
      "SELECT id, sender, subject, recipient_name, address_type, address, submitted FROM outbound_mail ORDER "
      "BY id");
  std::vector<OutboundMail> out;
  while (st.Step())
    out.push_back(OutboundMail{st.Int(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4), st.Text(5),
                               static_cast<FILETIME>(st.Int(6))});
  return out;
}

}  // namespace korvale::mapi::orgstore
