// The connection list: the names of the connections of every connected network, with the
// id of the adapter behind each item.
#pragma once

#include <windows.h>

#include <cstddef>

#include "adapter_id_list.h"

// Initialises COM for the thread (it stays initialised until the main window closes), then
// fills IDC_CONNECTION of `window` and AdapterIdList side by side. The list must be empty.
void FillConnectionList(HWND window);

// Appends one item to `list`, with one entry of AdapterIdList, for every subkey of the Network
// key under which the adapter has a connection entry with a usable name.
void AddConnectionForAdapter(HWND list, const char* adapterId);

// Writes "{" + AdapterIdList[index] + "}" into `buffer`, which is zero-filled first; leaves it
// empty when the index lies outside AdapterIdList or the id would not fit.
void BuildBracedAdapterId(unsigned index, char* buffer, size_t size);
