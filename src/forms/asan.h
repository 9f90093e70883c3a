// QUILLON_ASAN is 1 when AddressSanitizer instruments this build (GCC or Clang), with its
// interface (region poisoning and checks) included.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define QUILLON_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLON_ASAN 1
#endif
#endif
#if QUILLON_ASAN
#include <sanitizer/asan_interface.h>
#endif
