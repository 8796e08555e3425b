// The ordered list of adapter ids behind the items of IDC_CONNECTION: entry i belongs to item i.
#pragma once

#include <windows.h>

#include <cstddef>

// Each entry is an adapter id of 36 characters (upper-case hexadecimal digits and hyphens, no
// braces). The entries live in one block on the process heap that grows as they are appended
// and is released when the process ends.
class AdapterIdArray {
public:
    static constexpr size_t kIdLength = 36;

    AdapterIdArray() = default;
    ~AdapterIdArray();
    AdapterIdArray(const AdapterIdArray&) = delete;
    AdapterIdArray& operator=(const AdapterIdArray&) = delete;

    void Clear() { count_ = 0; }
    // Appends a copy of the id. False, with nothing appended, when the id does not have 36
    // characters or there is no memory for it.
    bool Append(const char* adapterId);
    void RemoveLast();
    unsigned Count() const { return count_; }
    // The id at `index`; null when the index lies outside the list.
    const char* At(unsigned index) const { return index < count_ ? entries_[index] : nullptr; }

private:
    using Entry = char[kIdLength + 1];
    Entry* entries_ = nullptr;
    unsigned count_ = 0;
    unsigned capacity_ = 0;
};

// Filled once, at start-up, by FillConnectionList.
extern AdapterIdArray AdapterIdList;
