#include "adapter_id_list.h"

#include <cstring>

AdapterIdArray AdapterIdList;

bool AdapterIdArray::Append(const char* adapterId)
{
    AdapterId id;
    if (strnlen(adapterId, kIdLength + 1) != kIdLength)
        return false;
    std::memcpy(id.text, adapterId, kIdLength + 1);
    return ids_.Append(id);
}
