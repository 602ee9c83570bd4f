// The interface of libKrvMSX5.so, the enumeration library for the mail
// system's 5.x servers. The real one is an outside component; this folder
// builds the least stand-in the home-server lookup needs, answered from the
// organisation store that serves the server (the MAPI profile file's server map).
//
// Blocks are allocated with malloc; the caller frees them with free().
#pragma once

#include <cstdint>

extern "C" {

// `reserved` is empty. On success *organisations receives a block of
// zero-terminated texts ended by an empty one, each "/o=<organisation>".
// Fails (negative HRESULT, *organisations untouched) when the server is unknown.
int32_t KRVHrEnumOrganizations(const char* reserved, const char* server, char** organisations);

// On success *sites receives one zero-terminated text: the server's sites in
// the organisation, separated by ";".
int32_t KRVHrEnumSites(const char* server, const char* organisations, char** sites);

typedef int32_t (*KRVHrEnumOrganizationsFn)(const char*, const char*, char**);
typedef int32_t (*KRVHrEnumSitesFn)(const char*, const char*, char**);
}
