#include "platform/ptr_array.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace vl {

namespace {
// qsort has no context argument: the comparator and context live here during one Sort.
std::mutex g_sortMutex;
PtrArray::Comparator g_sortComparator = nullptr;
intptr_t g_sortContext = 0;

int SortTrampoline(const void* a, const void* b) {
    return g_sortComparator(*static_cast<void* const*>(a), *static_cast<void* const*>(b), g_sortContext);
}
}  // namespace

int PtrArray::Add(void* item) {
    return InsertAt(item, count_) ? count_ - 1 : -1;
}

bool PtrArray::InsertAt(void* item, int index) {
    if (index < 0 || index > count_) return false;
    void** grown = static_cast<void**>(std::realloc(items_, sizeof(void*) * (count_ + 1)));
    if (!grown) return false;
    items_ = grown;
    std::memmove(items_ + index + 1, items_ + index, sizeof(void*) * (count_ - index));
    items_[index] = item;
    ++count_;
    return true;
}

void* PtrArray::RemoveAt(int index) {
    if (index < 0 || index >= count_) return nullptr;
    void* item = items_[index];
    std::memmove(items_ + index, items_ + index + 1, sizeof(void*) * (count_ - index - 1));
    if (--count_ == 0) {
        std::free(items_);
        items_ = nullptr;
    }
    return item;
}

void* PtrArray::GetAt(int index) const {
    return (index < 0 || index >= count_) ? nullptr : items_[index];
}

void PtrArray::SetAt(int index, void* item) {
    if (index >= 0 && index < count_) items_[index] = item;
}

void PtrArray::Free() {
    std::free(items_);
    items_ = nullptr;
    count_ = 0;
}

bool PtrArray::Sort(Comparator comparator, intptr_t context) {
    if (!comparator || count_ == 0) return false;
    std::lock_guard<std::mutex> lock(g_sortMutex);
    g_sortComparator = comparator;
    g_sortContext = context;
    std::qsort(items_, static_cast<size_t>(count_), sizeof(void*), SortTrampoline);
    g_sortComparator = nullptr;
    g_sortContext = 0;
    return true;
}

}  // namespace vl
