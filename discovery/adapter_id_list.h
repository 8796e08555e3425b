// The ordered list of adapter ids behind the items of IDC_CONNECTION: entry i belongs to item i.
#pragma once

#include <windows.h>

#include <cstddef>

#include "heap_list.h"

// Each entry is an adapter id of 36 characters (upper-case hexadecimal digits and hyphens, no
// braces).
class AdapterIdArray {
public:
    static constexpr size_t kIdLength = 36;

    void Clear() { ids_.Clear(); }
    // Appends a copy of the id. False, with nothing appended, when the id does not have 36
    // characters or there is no memory for it.
    bool Append(const char* adapterId);
    void RemoveLast() { ids_.RemoveLast(); }
    unsigned Count() const { return ids_.Count(); }
    // The id at `index`; null when the index lies outside the list.
    const char* At(unsigned index) const
    {
        const AdapterId* id = ids_.At(index);
        return id ? id->text : nullptr;
    }

private:
    struct AdapterId {
        char text[kIdLength + 1];
    };
    HeapList<AdapterId> ids_;
};

// Filled once, at start-up, by FillConnectionList; released when the process ends.
extern AdapterIdArray AdapterIdList;
