#include "registry_scratch.h"

RegistryScratch::RegistryScratch(std::string path) : path_(std::move(path))
{
    Remove();
}

RegistryScratch::~RegistryScratch()
{
    Remove();
}

void RegistryScratch::Remove()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, path_.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path_.c_str());
}

namespace {

// Creates the key one path component at a time: the "A" functions refuse key paths longer
// than 255 characters, and tests need subkey names up to that length.
HKEY CreateKeyPath(const std::string& path)
{
    HKEY key = HKEY_LOCAL_MACHINE;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        HKEY child = nullptr;
        const LONG status = RegCreateKeyExA(key, path.substr(start, end - start).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
            nullptr, &child, nullptr);
        if (key != HKEY_LOCAL_MACHINE)
            RegCloseKey(key);
        if (status != ERROR_SUCCESS)
            return nullptr;
        key = child;
        start = end + 1;
    }
    return key;
}

}  // namespace

bool RegistryScratch::CreateKey(const std::string& subkey)
{
    HKEY key = CreateKeyPath(subkey.empty() ? path_ : path_ + "\\" + subkey);
    if (!key)
        return false;
    RegCloseKey(key);
    return true;
}

bool RegistryScratch::SetValue(const std::string& subkey, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = CreateKeyPath(subkey.empty() ? path_ : path_ + "\\" + subkey);
    if (!key)
        return false;
    const LONG status = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool RegistryScratch::SetString(const std::string& subkey, const char* name, const std::string& text)
{
    return SetValue(subkey, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool RegistryScratch::GetValue(const std::string& subkey, const char* name, DWORD* type, std::string* data) const
{
    const std::string full = subkey.empty() ? path_ : path_ + "\\" + subkey;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, full.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        data->assign(size, '\0');
        status = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data->data()), &size);
        data->resize(size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

std::string ConnectionKey(const std::string& networkSubkey, const std::string& adapterId)
{
    return networkSubkey + "\\{" + adapterId + "}\\Connection";
}
