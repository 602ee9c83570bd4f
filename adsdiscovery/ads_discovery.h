// The interface of libKrvADS.so, the directory discovery library. Programs
// load it at run time (dlopen from their own directory) and look up
// "ADSGetOrgAndServers"; see discovery_areas.h for the buffer it fills and
// README.md for how it finds the directory.
#pragma once

#include <cstdint>

extern "C" {

// Fills `buffer` (49152 bytes, see discovery_areas.h) with the organisations,
// administrative groups and servers of the directory. Returns 0 on success,
// otherwise a negative HRESULT; its text comes from korvale::ldap::LdapErrorText.
// When the directory cannot be reached or bound, prints "Not Found. Could not
// bind to the domain." to standard output and leaves the buffer unchanged.
int32_t ADSGetOrgAndServers(char* buffer);

// The function's type, for dlsym.
typedef int32_t (*ADSGetOrgAndServersFn)(char* buffer);
}

// Exported for programs that link the library; it holds nothing and does nothing.
class __attribute__((visibility("default"))) CKrvADS {
 public:
  CKrvADS();
  CKrvADS& operator=(const CKrvADS& other);
};
