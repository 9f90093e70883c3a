// Compiled into every program of the native build (CMake's quillon_backend): the toolkit's
// default backend is the headless one, one per thread.
#include "forms/headless/headless.h"

namespace {
const bool installed =
    (quillon::forms::set_default_backend(&quillon::forms::headless::thread_backend), true);
}  // namespace
