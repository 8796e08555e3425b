#include "pe_image.h"

#include <fstream>
#include <iterator>

bool PeImage::Load(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes_.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (bytes_.size() < sizeof(IMAGE_DOS_HEADER))
        return false;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes_.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS64) > bytes_.size())
        return false;
    headers_ = reinterpret_cast<const IMAGE_NT_HEADERS64*>(bytes_.data() + dos->e_lfanew);
    return headers_->Signature == IMAGE_NT_SIGNATURE && headers_->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
}

size_t PeImage::OffsetOf(DWORD rva) const
{
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers_);
    for (WORD i = 0; i < headers_->FileHeader.NumberOfSections; ++i, ++section) {
        const DWORD size = section->Misc.VirtualSize ? section->Misc.VirtualSize : section->SizeOfRawData;
        if (rva >= section->VirtualAddress && rva < section->VirtualAddress + size) {
            const size_t offset = section->PointerToRawData + (rva - section->VirtualAddress);
            return offset < bytes_.size() ? offset : 0;
        }
    }
    return 0;
}

std::string PeImage::StringAt(DWORD rva) const
{
    const size_t offset = OffsetOf(rva);
    std::string text;
    for (size_t i = offset; offset && i < bytes_.size() && bytes_[i]; ++i)
        text += static_cast<char>(bytes_[i]);
    return text;
}

std::vector<ImportedDll> PeImage::Imports() const
{
    std::vector<ImportedDll> dlls;
    const IMAGE_DATA_DIRECTORY& directory = headers_->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t offset = OffsetOf(directory.VirtualAddress);
    for (; offset && offset + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= bytes_.size(); offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(bytes_.data() + offset);
        if (descriptor->Name == 0)
            break;
        ImportedDll dll;
        dll.name = StringAt(descriptor->Name);
        const DWORD thunks = descriptor->OriginalFirstThunk ? descriptor->OriginalFirstThunk : descriptor->FirstThunk;
        for (size_t thunk = OffsetOf(thunks); thunk && thunk + sizeof(ULONGLONG) <= bytes_.size(); thunk += sizeof(ULONGLONG)) {
            const ULONGLONG entry = *reinterpret_cast<const ULONGLONG*>(bytes_.data() + thunk);
            if (entry == 0)
                break;
            if (entry & IMAGE_ORDINAL_FLAG64)
                dll.ordinals.push_back(static_cast<WORD>(entry & 0xFFFF));
            else
                dll.functions.push_back(StringAt(static_cast<DWORD>(entry) + 2));  // past the hint
        }
        dlls.push_back(dll);
    }
    return dlls;
}
