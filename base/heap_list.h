// An ordered list of plain values in one block on the process heap, which grows as they are
// appended and is released with the list. Not copyable.
#pragma once

#include <windows.h>

#include <cstring>
#include <type_traits>

template <typename Entry>
class HeapList {
    static_assert(std::is_trivially_copyable_v<Entry>, "entries are moved as bytes");

public:
    HeapList() = default;
    ~HeapList()
    {
        if (entries_)
            HeapFree(GetProcessHeap(), 0, entries_);
    }
    HeapList(const HeapList&) = delete;
    HeapList& operator=(const HeapList&) = delete;

    void Clear() { count_ = 0; }
    // Appends a copy of the entry; false, with nothing appended, when there is no memory for it.
    bool Append(const Entry& entry)
    {
        if (count_ == capacity_ && !Grow())
            return false;
        std::memcpy(&entries_[count_++], &entry, sizeof entry);
        return true;
    }
    void RemoveLast()
    {
        if (count_ > 0)
            --count_;
    }
    unsigned Count() const { return count_; }
    // The entry at `index`; null when the index lies outside the list.
    const Entry* At(unsigned index) const { return index < count_ ? &entries_[index] : nullptr; }

private:
    static constexpr unsigned kFirstCapacity = 16;
    static constexpr unsigned kMostEntries = 1u << 20;  // far beyond any list a user could read

    bool Grow()
    {
        if (capacity_ >= kMostEntries)
            return false;
        const unsigned capacity = capacity_ ? capacity_ * 2 : kFirstCapacity;
        void* grown = entries_ ? HeapReAlloc(GetProcessHeap(), 0, entries_, capacity * sizeof(Entry))
                               : HeapAlloc(GetProcessHeap(), 0, capacity * sizeof(Entry));
        if (!grown)
            return false;
        entries_ = static_cast<Entry*>(grown);
        capacity_ = capacity;
        return true;
    }

    Entry* entries_ = nullptr;
    unsigned count_ = 0;
    unsigned capacity_ = 0;
};
