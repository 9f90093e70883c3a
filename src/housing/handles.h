// The housing's names for the one family of Windows handle owners (forms/win32/handles.h).
#pragma once

#include "forms/win32/handles.h"

namespace quillon::housing {

using forms::win32::ComPtr;
using forms::win32::UniqueBstr;
using forms::win32::UniqueHkey;
using forms::win32::UniqueKernelHandle;
using forms::win32::UniqueVariant;

}  // namespace quillon::housing
