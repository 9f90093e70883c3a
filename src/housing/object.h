// The COM object of the class Quillon: the dual interface _Quillon over quillon::Quillon.
#pragma once

// clang-format off
#include <windows.h>  // first: the other platform headers need it
#include <unknwn.h>
// clang-format on

namespace quillon::housing {

// Creates one object and hands out the requested interface (the class factory's work).
HRESULT create_quillon(IUnknown* outer, REFIID iid, void** out);

}  // namespace quillon::housing
