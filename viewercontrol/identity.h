// The control's identity as containers and the class registry know it.
#pragma once

#include <cstdint>

#include "platform/automation/automation.h"

namespace korvale::vistrel {

using automation::CLSID;
using automation::GUID;
using automation::HRESULT;
using mapi::S_FALSE;
using mapi::S_OK;

inline constexpr GUID LIBID_VISTRELLib = {
    0x8B84E366, 0x7DEE, 0x11D2, {0xA4, 0x57, 0x00, 0x60, 0x97, 0x6E, 0x5C, 0xAC}};
inline constexpr GUID IID_DVistrel = {
    0x8B84E369, 0x7DEE, 0x11D2, {0xA4, 0x57, 0x00, 0x60, 0x97, 0x6E, 0x5C, 0xAC}};
inline constexpr GUID IID_DVistrelEvents = {
    0x8B84E36A, 0x7DEE, 0x11D2, {0xA4, 0x57, 0x00, 0x60, 0x97, 0x6E, 0x5C, 0xAC}};
inline constexpr CLSID CLSID_Vistrel = {
    0x8B84E36B, 0x7DEE, 0x11D2, {0xA4, 0x57, 0x00, 0x60, 0x97, 0x6E, 0x5C, 0xAC}};
inline constexpr CLSID CLSID_VistrelPropPage = {
    0x8B84E36C, 0x7DEE, 0x11D2, {0xA4, 0x57, 0x00, 0x60, 0x97, 0x6E, 0x5C, 0xAC}};
inline constexpr GUID CATID_SafeForScripting = {
    0x7DD95801, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0xC4, 0x42, 0x6C}};
inline constexpr GUID CATID_SafeForInitializing = {
    0x7DD95802, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0xC4, 0x42, 0x6C}};

inline constexpr const char* kTypeLibName = "VISTRELLib";
inline constexpr const char* kTypeLibHelpString = "Vistrel ActiveX Control module";
inline constexpr const char* kTypeLibHelpFile = "Vistrel.hlp";
inline constexpr const char* kDispatchName = "_DVistrel";
inline constexpr const char* kDispatchHelpString = "Dispatch interface for Vistrel Control";
inline constexpr const char* kEventsName = "_DVistrelEvents";
inline constexpr const char* kEventsHelpString = "Event interface for Vistrel Control";
inline constexpr const char* kControlProgId = "VISTREL.VistrelCtrl.1";
inline constexpr const char* kControlTypeName = "Vistrel Control";  // string resource 1
inline constexpr int kToolboxBitmap = 1;
inline constexpr const char* kPageProgId = "VISTREL.VistrelPropPage.1";
inline constexpr const char* kPageName = "Vistrel Property Page";  // string resource 2
inline constexpr const char* kPageCaption = "General";             // string resource 200
inline constexpr const char* kSafeForScriptingText = "Controls that are safely scriptable";
inline constexpr const char* kSafeForInitializingText = "Controls safely initializable from persistent data";

// Set client site first, invisible at run time, activate when visible,
// inside-out, cannot link inside, recompose on resize.
inline constexpr uint32_t kMiscStatus = 0x20591;
inline constexpr uint16_t kVersionMajor = 4;
inline constexpr uint16_t kVersionMinor = 5;

inline constexpr automation::DISPID DISPID_DispName = 1;
inline constexpr automation::DISPID DISPID_Show = 2;

inline constexpr automation::HRESULT SELFREG_E_TYPELIB = static_cast<automation::HRESULT>(0x80040200);
inline constexpr automation::HRESULT SELFREG_E_CLASS = static_cast<automation::HRESULT>(0x80040201);

}  // namespace korvale::vistrel
