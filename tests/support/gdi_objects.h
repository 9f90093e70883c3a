// Live GDI objects of the process (GetGuiResources, or under Wine, which does not count them, the
// handle values that name an object).
#pragma once

#include <windows.h>

#include <cstdint>

namespace quillon::testing {

inline int gdi_objects() {
  if (const DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS))
    return static_cast<int>(n);
  int n = 0;
  for (std::uintptr_t h = 1; h <= 0xFFFF; ++h)
    n += ::GetObjectType(reinterpret_cast<HGDIOBJ>(h)) != 0;
  return n;
}

}  // namespace quillon::testing
