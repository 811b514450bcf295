#pragma once
// An ordered array of untyped pointers that grows by exact reallocation and owns nothing.
#include <cstdint>

namespace vl {

class PtrArray {
public:
    using Comparator = int (*)(void* a, void* b, intptr_t context);

    PtrArray() = default;
    ~PtrArray() { Free(); }
    PtrArray(const PtrArray&) = delete;
    PtrArray& operator=(const PtrArray&) = delete;

    // Index of the new item, or -1 when memory ran out (nothing changed).
    int Add(void* item);
    // index must lie in 0..count; false when it does not or memory ran out.
    bool InsertAt(void* item, int index);
    void* RemoveAt(int index);
    void* GetAt(int index) const;
    void SetAt(int index, void* item);
    int GetCount() const { return count_; }
    bool IsEmpty() const { return items_ == nullptr; }
    void Free();
    bool Sort(Comparator comparator, intptr_t context);

private:
    void** items_ = nullptr;
    int count_ = 0;
};

}  // namespace vl
