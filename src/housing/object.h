// The COM object of the class Quillon: the dual interface _Quillon over quillon::Quillon.
#pragma once

#include <unknwn.h>
#include <windows.h>

namespace quillon::housing {

// Creates one object and hands out the requested interface (the class factory's work).
HRESULT create_quillon(IUnknown* outer, REFIID iid, void** out);

}  // namespace quillon::housing
