// Counts the heap allocations the current thread makes while counting is on.
#pragma once

struct AllocationCounter {
    AllocationCounter();
    ~AllocationCounter();
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;
    int count() const;
};
