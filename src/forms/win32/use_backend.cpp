// Compiled into every program of the Windows build, Quillon.dll included (CMake's
// quillon_backend): the toolkit's default backend is the Win32 one, one per thread.
#include "forms/win32/internal.h"

namespace {
const bool installed = (quillon::forms::set_default_backend(+[]() -> quillon::forms::Backend& {
                          return quillon::forms::win32::win32_backend();
                        }),
                        true);
}  // namespace
