// ZIRA_OWN_ALLOCATOR is defined when the tests run under the address sanitizer, whose
// allocator is its own (g++ and clang++ tell it differently): tests that count what the C
// library's allocator hands out or keeps skip themselves then.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define ZIRA_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZIRA_OWN_ALLOCATOR 1
#endif
#endif
