// Registry keys that a test seeds in the Wine prefix's HKEY_LOCAL_MACHINE, under paths that
// the program reads. The key is removed when the object is made and again when it goes.
#pragma once

#include <windows.h>

#include <string>

class RegistryScratch {
public:
    // `path` below HKEY_LOCAL_MACHINE, for example "SYSTEM\\CurrentControlSet\\Control\\Network".
    explicit RegistryScratch(std::string path);
    ~RegistryScratch();
    RegistryScratch(const RegistryScratch&) = delete;
    RegistryScratch& operator=(const RegistryScratch&) = delete;

    const std::string& Path() const { return path_; }

    // Creates `subkey` (relative to the scratch key; may be empty) and sets one value of it.
    bool SetValue(const std::string& subkey, const char* name, DWORD type, const void* data, DWORD size);
    bool SetString(const std::string& subkey, const char* name, const std::string& text);
    bool CreateKey(const std::string& subkey);
    // Reads a value back; false when it is absent.
    bool GetValue(const std::string& subkey, const char* name, DWORD* type, std::string* data) const;
    void Remove();

private:
    std::string path_;
};

// The connection entry of one adapter under one subkey of the Network key.
std::string ConnectionKey(const std::string& networkSubkey, const std::string& adapterId);
