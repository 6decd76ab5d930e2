// A count of every allocation made through operator new, by any thread, in a
// test program linked with counting_allocator.cpp (which replaces the global
// operator new and delete with ones that count and then use malloc and free).
#pragma once

#include <cstdint>

// Allocations so far since the program started. Any thread.
int64_t allocationsSoFar();
