// The least stand-in for the outside COM libraries KvPwDc and KvImprso that
// the setup registers: a shared library whose DllRegisterServer succeeds.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) std::int32_t DllRegisterServer() { return 0; }
