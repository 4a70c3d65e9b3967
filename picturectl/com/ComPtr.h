// ComPtr: owns one reference to a COM interface. The control library uses
// the framework's smart pointer (header only; nothing else of the framework).
#pragma once

#include "fw/ComPtr.h"

namespace com {

template <class T>
using ComPtr = fw::CComPtr<T>;

}  // namespace com
