// The connection list: the names of the connections of every connected network, with the
// id of the adapter behind each item.
#pragma once

#include <windows.h>

#include <cstddef>

#include "adapter_id_list.h"

// Fills IDC_CONNECTION of `window` and AdapterIdList side by side: for each connection of each
// connected network, in the Network List Manager's order, one item for each subkey of the
// Network key under which its adapter has a connection entry with a usable name, in subkey
// order. The Network key is walked once, and each adapter looked up once, however often the
// platform reports it. The list must be empty, and COM initialised for the thread.
void FillConnectionList(HWND window);

// The braced id's buffer, as the Change MAC command and the current-address lookup hold it.
constexpr size_t kBracedAdapterIdSize = 260;

// Writes "{" + AdapterIdList[index] + "}" into `buffer`, which is zero-filled first; leaves it
// empty when the index lies outside AdapterIdList.
void BuildBracedAdapterId(unsigned index, char (&buffer)[kBracedAdapterIdSize]);
