#include "adapter_id_list.h"

#include <cstring>

AdapterIdArray AdapterIdList;

namespace {

constexpr unsigned kFirstCapacity = 16;
constexpr unsigned kMostEntries = 1u << 20;  // far beyond any list a user could read

}  // namespace

AdapterIdArray::~AdapterIdArray()
{
    if (entries_)
        HeapFree(GetProcessHeap(), 0, entries_);
}

bool AdapterIdArray::Append(const char* adapterId)
{
    if (strnlen(adapterId, kIdLength + 1) != kIdLength)
        return false;
    if (count_ == capacity_) {
        if (capacity_ >= kMostEntries)
            return false;
        const unsigned capacity = capacity_ ? capacity_ * 2 : kFirstCapacity;
        void* grown = entries_ ? HeapReAlloc(GetProcessHeap(), 0, entries_, capacity * sizeof(Entry))
                               : HeapAlloc(GetProcessHeap(), 0, capacity * sizeof(Entry));
        if (!grown)
            return false;
        entries_ = static_cast<Entry*>(grown);
        capacity_ = capacity;
    }
    memcpy(entries_[count_++], adapterId, kIdLength + 1);
    return true;
}

void AdapterIdArray::RemoveLast()
{
    if (count_ > 0)
        --count_;
}
