// What the pieces of the backend share and nobody else needs.
#pragma once

#include <string>
#include <vector>

#include "platform/mapi/orgstore/backend.h"

namespace korvale::mapi::orgstore {

// A stored property list, or CorruptData naming `what` when it does not decode.
std::vector<SPropValue> DecodeOrThrow(const std::vector<uint8_t>& blob, const std::string& what);

}  // namespace korvale::mapi::orgstore
