// Opening an organisation store file: the connection, the schema check and
// the database GUID every entry identifier carries.
#include "platform/mapi/orgstore/backend.h"

#include "platform/mapi/orgstore/schema.h"

namespace korvale::mapi::orgstore {

std::shared_ptr<Backend> Backend::Open(const std::string& path, bool create) {
  auto b = std::make_shared<Backend>();
  b->db_ = Db::Open(path, create);
  EnsureSchema(*b->db_, create);
  auto st = b->db_->Prepare("SELECT value FROM meta WHERE key='database_guid'");
  if (!st.Step() || !GuidFromString(st.Text(0), &b->database_guid_))
    throw DbError{path + ": the database GUID is missing", 0};
  return b;
}

}  // namespace korvale::mapi::orgstore
