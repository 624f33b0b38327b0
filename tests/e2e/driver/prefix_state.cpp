#include "driver/prefix_state.h"

#include <algorithm>
#include <cwchar>
#include <utility>

namespace velnora::e2e {

namespace {

REGSAM ViewFlag(RegistryView view) {
    return view == RegistryView::k64Bit ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

class Key {
  public:
    Key(HKEY root, const std::wstring& path, REGSAM access, RegistryView view) {
        if (RegOpenKeyExW(root, path.c_str(), 0, access | ViewFlag(view), &key_) != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    HKEY get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

std::optional<std::wstring> QueryValue(HKEY root, const std::wstring& key,
                                       const std::wstring& value, DWORD* type, RegistryView view) {
    Key opened(root, key, KEY_QUERY_VALUE, view);
    if (opened.get() == nullptr) {
        return std::nullopt;
    }
    DWORD size = 0;
    if (RegQueryValueExW(opened.get(), value.c_str(), nullptr, type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(opened.get(), value.c_str(), nullptr, type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.resize((size + sizeof(wchar_t) - 1) / sizeof(wchar_t));
    return data;
}

template <typename Enumerate>
std::vector<std::wstring> CollectNames(HKEY root, const std::wstring& key, REGSAM access,
                                       RegistryView view, Enumerate enumerate) {
    std::vector<std::wstring> names;
    Key opened(root, key, access, view);
    if (opened.get() == nullptr) {
        return names;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD length = 16384;
        if (enumerate(opened.get(), index, name, &length) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    std::sort(names.begin(), names.end());
    return names;
}

DWORD Attributes(const std::wstring& path) {
    return GetFileAttributesW(path.c_str());
}

bool WriteValue(HKEY root, const std::wstring& key, const std::wstring& value, DWORD type,
                const BYTE* data, DWORD size, RegistryView view) {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | ViewFlag(view), nullptr,
                        &opened, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG status = RegSetValueExW(opened, value.c_str(), 0, type, data, size);
    RegCloseKey(opened);
    return status == ERROR_SUCCESS;
}

}  // namespace

std::optional<std::wstring> ReadRegistryString(HKEY root, const std::wstring& key,
                                               const std::wstring& value, RegistryView view) {
    DWORD type = 0;
    std::optional<std::wstring> data = QueryValue(root, key, value, &type, view);
    if (!data || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    data->resize(std::min(data->size(), data->find(L'\0')));
    return data;
}

std::optional<DWORD> ReadRegistryDword(HKEY root, const std::wstring& key,
                                       const std::wstring& value, RegistryView view) {
    Key opened(root, key, KEY_QUERY_VALUE, view);
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (opened.get() == nullptr ||
        RegQueryValueExW(opened.get(), value.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD) {
        return std::nullopt;
    }
    return data;
}

bool RegistryKeyExists(HKEY root, const std::wstring& key, RegistryView view) {
    return Key(root, key, KEY_READ, view).get() != nullptr;
}

bool RegistryValueExists(HKEY root, const std::wstring& key, const std::wstring& value,
                         RegistryView view) {
    Key opened(root, key, KEY_QUERY_VALUE, view);
    return opened.get() != nullptr && RegQueryValueExW(opened.get(), value.c_str(), nullptr,
                                                       nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::vector<std::wstring> RegistrySubkeys(HKEY root, const std::wstring& key, RegistryView view) {
    return CollectNames(root, key, KEY_ENUMERATE_SUB_KEYS, view,
                        [](HKEY opened, DWORD index, wchar_t* name, DWORD* length) {
                            return RegEnumKeyExW(opened, index, name, length, nullptr, nullptr,
                                                 nullptr, nullptr);
                        });
}

std::vector<std::wstring> RegistryValueNames(HKEY root, const std::wstring& key,
                                             RegistryView view) {
    return CollectNames(root, key, KEY_QUERY_VALUE, view,
                        [](HKEY opened, DWORD index, wchar_t* name, DWORD* length) {
                            return RegEnumValueW(opened, index, name, length, nullptr, nullptr,
                                                 nullptr, nullptr);
                        });
}

bool WriteRegistryString(HKEY root, const std::wstring& key, const std::wstring& value,
                         const std::wstring& data, RegistryView view) {
    return WriteValue(root, key, value, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                      static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)), view);
}

bool WriteRegistryDword(HKEY root, const std::wstring& key, const std::wstring& value, DWORD data,
                        RegistryView view) {
    return WriteValue(root, key, value, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                      sizeof(data), view);
}

bool CreateRegistryKey(HKEY root, const std::wstring& key, RegistryView view) {
    HKEY created = nullptr;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_READ | ViewFlag(view), nullptr,
                        &created, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(created);
    return true;
}

bool DeleteRegistryValue(HKEY root, const std::wstring& key, const std::wstring& value,
                         RegistryView view) {
    Key opened(root, key, KEY_SET_VALUE, view);
    if (opened.get() == nullptr) {
        return !RegistryKeyExists(root, key, view);
    }
    const LONG status = RegDeleteValueW(opened.get(), value.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool DeleteRegistryTree(HKEY root, const std::wstring& key, RegistryView view) {
    // RegDeleteTreeW takes no view: it empties the key opened in the view, and the key itself
    // goes with RegDeleteKeyExW, which takes one.
    {
        Key opened(root, key, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE,
                   view);
        if (opened.get() == nullptr) {
            return !RegistryKeyExists(root, key, view);
        }
        if (RegDeleteTreeW(opened.get(), nullptr) != ERROR_SUCCESS) {
            return false;
        }
    }
    const LONG status = RegDeleteKeyExW(root, key.c_str(), ViewFlag(view), 0);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::wstring WindowsFolder() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length < MAX_PATH ? length : 0);
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length < MAX_PATH ? length : 0);
}

std::wstring TempFolder() {
    wchar_t folder[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"TEMP", folder, MAX_PATH);
    return std::wstring(folder, length < MAX_PATH ? length : 0);
}

FileRestorer::FileRestorer(std::wstring path)
    : path_(std::move(path)), saved_(ReadFileBytes(path_)) {}

FileRestorer::~FileRestorer() {
    if (saved_)
        WriteFileBytes(path_, *saved_);
    else
        DeleteFileW(path_.c_str());
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof(buffer), &read, nullptr) != 0) && read > 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);
    if (!ok) {
        return std::nullopt;
    }
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
        written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(search, &data));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::wstring> ReadProfileString(const std::wstring& file, const std::wstring& section,
                                              const std::wstring& key) {
    // A default no file holds tells a missing key from an empty value.
    static constexpr wchar_t kMissing[] = L"\x1f<missing>\x1f";
    wchar_t buffer[4096];
    const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), kMissing, buffer,
                                                  4096, file.c_str());
    std::wstring value(buffer, length);
    if (value == kMissing) {
        return std::nullopt;
    }
    return value;
}

ScopedWindowsVersion::ScopedWindowsVersion(std::wstring program_name, const std::wstring& version)
    : key_(L"Software\\Wine\\AppDefaults\\" + std::move(program_name)) {
    // Read by Wine's 64-bit loader, in its own view.
    applied_ =
        WriteRegistryString(HKEY_CURRENT_USER, key_, L"Version", version, RegistryView::k64Bit);
}

ScopedWindowsVersion::~ScopedWindowsVersion() {
    DeleteRegistryTree(HKEY_CURRENT_USER, key_, RegistryView::k64Bit);
}

ScopedNativeLibraries::ScopedNativeLibraries(std::wstring program_name,
                                             const std::vector<std::wstring>& file_names)
    : key_(L"Software\\Wine\\AppDefaults\\" + std::move(program_name)) {
    for (const std::wstring& name : file_names) {
        // Wine names a library without its extension when that is .dll.
        const bool dll = name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".dll") == 0;
        applied_ = applied_ && WriteRegistryString(HKEY_CURRENT_USER, key_ + L"\\DllOverrides",
                                                   dll ? name.substr(0, name.size() - 4) : name,
                                                   L"native,builtin", RegistryView::k64Bit);
    }
}

ScopedNativeLibraries::~ScopedNativeLibraries() {
    DeleteRegistryTree(HKEY_CURRENT_USER, key_, RegistryView::k64Bit);
}

}  // namespace velnora::e2e
