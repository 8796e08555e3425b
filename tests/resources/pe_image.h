// Reads the headers and the import table of a PE file from its bytes on disk.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct ImportedDll {
    std::string name;
    std::vector<std::string> functions;  // imported by name
    std::vector<WORD> ordinals;          // imported by ordinal
};

class PeImage {
public:
    // False when the file cannot be read or is not a 64-bit PE image.
    bool Load(const std::string& path);

    const IMAGE_NT_HEADERS64& Headers() const { return *headers_; }
    std::vector<ImportedDll> Imports() const;
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    // The file offset of a relative virtual address, or 0 when no section holds it.
    size_t OffsetOf(DWORD rva) const;
    std::string StringAt(DWORD rva) const;

    std::vector<uint8_t> bytes_;
    const IMAGE_NT_HEADERS64* headers_ = nullptr;
};
