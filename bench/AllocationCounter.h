#pragma once
// Heap figures of the whole process. Linking AllocationCounter.cpp into an executable replaces
// every plain and nothrow form of the global operator new and delete with counting ones, so a
// benchmark or a soak test can tell what a piece of the feeder allocates and keeps.

#include <cstdint>

struct HeapFigures {
    std::int64_t allocations; // operator new calls since the process started
    std::int64_t liveBytes;   // bytes allocated and not yet released
};

HeapFigures CurrentHeapFigures();
