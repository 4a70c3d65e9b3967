// What the Flash pop-up uses of the Shockwave Flash ActiveX control, an
// outside component whose declarations the build's platform headers lack.
//
// The control's properties and methods are reached late-bound through its
// dual interface by name ("WMode", "LoadMovie", "ReadyState", "Loop"); its
// events arrive on a dispinterface with fixed dispids.
#pragma once

#include <objbase.h>
#include <olectl.h>

namespace flash {

// coclass ShockwaveFlash
inline constexpr CLSID kClsidShockwaveFlash = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// IShockwaveFlash, the control's dual interface
inline constexpr IID kIidShockwaveFlash = {
    0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// _IShockwaveFlashEvents, the control's event dispinterface
inline constexpr IID kDiidShockwaveFlashEvents = {
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// Events: OnReadyStateChange(long newState); FSCommand(BSTR command, BSTR args).
constexpr DISPID kDispidOnReadyStateChange = DISPID_READYSTATECHANGE;
constexpr DISPID kDispidFSCommand = 150;

// ReadyState once the movie is completely loaded.
constexpr LONG kReadyStateComplete = 4;

}  // namespace flash
