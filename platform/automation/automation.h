// Late-bound automation: objects called by dispatch identifier, as a web
// page's control drives a mail client it knows only by ProgID.
//
//   CoInitialize();
//   std::shared_ptr<IDispatch> app;
//   if (SUCCEEDED(CoCreateInstance("Outlook.Application", &app))) {
//     Variant ns;
//     EXCEPINFO error;
//     HRESULT hr = app->Invoke(0x110, DISPATCH_METHOD, {std::string("MAPI")}, &ns, &error);
//     // hr == DISP_E_EXCEPTION: `error` says what the object raised.
//   }
//   CoUninitialize();
//
// Objects are std::shared_ptrs (releasing is dropping the pointer). Result
// codes are HRESULTs with their Windows numbers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/mapi/mapi_codes.h"
#include "platform/mapi/mapi_defs.h"

namespace korvale::automation {

using mapi::GUID;
using mapi::HRESULT;
using CLSID = GUID;
using DISPID = int32_t;

constexpr uint16_t DISPATCH_METHOD = 0x1;
constexpr uint16_t DISPATCH_PROPERTYGET = 0x2;
constexpr uint16_t DISPATCH_PROPERTYPUT = 0x4;

constexpr HRESULT DISP_E_MEMBERNOTFOUND = mapi::MakeHResult(0x80020003);
constexpr HRESULT DISP_E_TYPEMISMATCH = mapi::MakeHResult(0x80020005);
constexpr HRESULT DISP_E_EXCEPTION = mapi::MakeHResult(0x80020009);
constexpr HRESULT DISP_E_BADPARAMCOUNT = mapi::MakeHResult(0x8002000E);
constexpr HRESULT REGDB_E_CLASSNOTREG = mapi::MakeHResult(0x80040154);
constexpr HRESULT CO_E_CLASSSTRING = mapi::MakeHResult(0x800401F3);
constexpr HRESULT CO_E_NOTINITIALIZED = mapi::MakeHResult(0x800401F0);
constexpr HRESULT CO_E_DLLNOTFOUND = mapi::MakeHResult(0x800401F8);
constexpr HRESULT CO_E_ERRORINDLL = mapi::MakeHResult(0x800401F9);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = mapi::MakeHResult(0x80040111);

class IDispatch;

// A VARIANT reduced to the kinds the automation members here pass: empty
// (VT_EMPTY; also an argument left out), VT_BOOL, VT_I4, VT_BSTR, VT_DISPATCH.
using Variant = std::variant<std::monostate, bool, int32_t, std::string, std::shared_ptr<IDispatch>>;

// What an object raised (DISP_E_EXCEPTION): its code, source and description.
struct EXCEPINFO {
  uint16_t wCode = 0;
  std::string bstrSource;
  std::string bstrDescription;
  HRESULT scode = 0;
};

class IDispatch {
 public:
  virtual ~IDispatch() = default;
  // Calls member `id`: DISPATCH_METHOD, _PROPERTYGET or _PROPERTYPUT (the
  // new value as the only argument). `result` and `exception` may be null.
  // DISP_E_MEMBERNOTFOUND for an unknown member, DISP_E_BADPARAMCOUNT /
  // DISP_E_TYPEMISMATCH for wrong arguments, DISP_E_EXCEPTION with
  // `exception` filled when the object raised one.
  virtual HRESULT Invoke(DISPID id, uint16_t flags, const std::vector<Variant>& args, Variant* result,
                         EXCEPINFO* exception) = 0;
};

// Creates objects of one class (an in-process server's DllGetClassObject
// hands one out).
class IClassFactory {
 public:
  virtual ~IClassFactory() = default;
  virtual HRESULT CreateInstance(std::shared_ptr<IDispatch>* object) = 0;
};

// The entry point every in-process server exports under this name.
using DllGetClassObjectFunction = HRESULT (*)(const CLSID* clsid, std::shared_ptr<IClassFactory>* factory);
// DllRegisterServer / DllUnregisterServer.
using DllRegisterFunction = HRESULT (*)();

// Raises an exception from inside Invoke: fills `exception` (when given) and
// returns DISP_E_EXCEPTION.
HRESULT RaiseException(EXCEPINFO* exception, uint16_t code, std::string source, std::string description);

// "%08lx" of a result code, for messages.
std::string HResultText(HRESULT hr);

}  // namespace korvale::automation
