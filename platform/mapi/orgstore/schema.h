// The tables of the organisation store and their creation.
#pragma once

#include "platform/mapi/orgstore/db.h"

namespace korvale::mapi::orgstore {

inline constexpr int kSchemaVersion = 2;

// Creates the tables when the file is new (in one transaction), brings a
// version 1 file up to date and checks the version of an existing file;
// throws DbError on a file of another version or one that is not an
// organisation store.
void EnsureSchema(Db& db, bool create);

}  // namespace korvale::mapi::orgstore
