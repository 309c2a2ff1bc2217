#pragma once
// Makes every C++ allocation of at least a given size throw std::bad_alloc, as
// on a machine whose memory has run out, while an instance lives. Sanitizer
// builds keep their own allocator: there Works() is false and nothing fails.

#include <cstddef>

void SetFailingAllocationSize(size_t bytes); // 0: none fails
bool FailingAllocationsWork();

struct FailingAllocations
{
    explicit FailingAllocations(size_t bytes) { SetFailingAllocationSize(bytes); }
    ~FailingAllocations() { SetFailingAllocationSize(0); }
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
    static bool Works() { return FailingAllocationsWork(); }
};
