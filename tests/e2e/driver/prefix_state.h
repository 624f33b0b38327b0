// The registry and files of the machine (the Wine prefix), read with plain Win32 calls, and
// the Windows version Wine reports to a program.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace velnora::e2e {

// The registry view a call works in. On 64-bit Windows the vendor installers, 32-bit
// programs, have their keys under HKLM\SOFTWARE and HKEY_CLASSES_ROOT in the 32-bit view, and
// the programs under test read and write them there; so does every call below unless it is
// given k64Bit, the view of the 64-bit programs (the prefix's own settings, such as the font
// substitutes the harness writes with the 64-bit reg.exe, are there). Keys Windows does not
// redirect (HKEY_CURRENT_USER\Software, HKLM\SYSTEM) are the same in both views. The classes
// root itself, opened with an empty path, is not redirected under Wine: list
// HKLM\SOFTWARE\Classes to see the classes keys of a view.
enum class RegistryView { k32Bit, k64Bit };

std::optional<std::wstring> ReadRegistryString(HKEY root, const std::wstring& key,
                                               const std::wstring& value,
                                               RegistryView view = RegistryView::k32Bit);
std::optional<DWORD> ReadRegistryDword(HKEY root, const std::wstring& key,
                                       const std::wstring& value,
                                       RegistryView view = RegistryView::k32Bit);
bool RegistryKeyExists(HKEY root, const std::wstring& key,
                       RegistryView view = RegistryView::k32Bit);
bool RegistryValueExists(HKEY root, const std::wstring& key, const std::wstring& value,
                         RegistryView view = RegistryView::k32Bit);
// Names of the subkeys and values, sorted (Wine's order need not be Windows' order).
std::vector<std::wstring> RegistrySubkeys(HKEY root, const std::wstring& key,
                                          RegistryView view = RegistryView::k32Bit);
std::vector<std::wstring> RegistryValueNames(HKEY root, const std::wstring& key,
                                             RegistryView view = RegistryView::k32Bit);

bool WriteRegistryString(HKEY root, const std::wstring& key, const std::wstring& value,
                         const std::wstring& data, RegistryView view = RegistryView::k32Bit);
bool WriteRegistryDword(HKEY root, const std::wstring& key, const std::wstring& value, DWORD data,
                        RegistryView view = RegistryView::k32Bit);
// Creates the key (and every missing key on its path) without values.
bool CreateRegistryKey(HKEY root, const std::wstring& key,
                       RegistryView view = RegistryView::k32Bit);
// Deletes the value; true also when it did not exist.
bool DeleteRegistryValue(HKEY root, const std::wstring& key, const std::wstring& value,
                         RegistryView view = RegistryView::k32Bit);
// Deletes the key with everything below it; true also when it did not exist.
bool DeleteRegistryTree(HKEY root, const std::wstring& key,
                        RegistryView view = RegistryView::k32Bit);

// The prefix's Windows, system and TEMP folders; empty when they cannot be read.
std::wstring WindowsFolder();
std::wstring SystemFolder();
std::wstring TempFolder();

// A file of the machine, put back as it was (or removed) when the object goes.
class FileRestorer {
  public:
    explicit FileRestorer(std::wstring path);
    FileRestorer(const FileRestorer&) = delete;
    FileRestorer& operator=(const FileRestorer&) = delete;
    ~FileRestorer();

  private:
    std::wstring path_;
    std::optional<std::string> saved_;
};

bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
// The bytes of a file, or nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Names of the entries of a folder without "." and "..", sorted.
std::vector<std::wstring> FolderEntries(const std::wstring& folder);
// A value of an .ini file as GetPrivateProfileString reads it.
std::optional<std::wstring> ReadProfileString(const std::wstring& file, const std::wstring& section,
                                              const std::wstring& key);

// Makes Wine report `version` (winxp64, win7, win10, ...) to the programs of the file name
// `program_name` (e.g. L"Velnora.exe") started while the object lives. Wine reads the
// version when a process starts.
class ScopedWindowsVersion {
  public:
    ScopedWindowsVersion(std::wstring program_name, const std::wstring& version);
    ScopedWindowsVersion(const ScopedWindowsVersion&) = delete;
    ScopedWindowsVersion& operator=(const ScopedWindowsVersion&) = delete;
    ~ScopedWindowsVersion();

    bool Applied() const { return applied_; }

  private:
    std::wstring key_;
    bool applied_ = false;
};

// Makes Wine look for the libraries `file_names` (L"hhctrl.ocx", L"psapi.dll") as Windows
// does, for the programs of the file name `program_name` started while the object lives: the
// first file the search finds is loaded, one beside the program included. By itself Wine
// takes its built-in library of such a name wherever the search finds a file.
class ScopedNativeLibraries {
  public:
    ScopedNativeLibraries(std::wstring program_name, const std::vector<std::wstring>& file_names);
    ScopedNativeLibraries(const ScopedNativeLibraries&) = delete;
    ScopedNativeLibraries& operator=(const ScopedNativeLibraries&) = delete;
    ~ScopedNativeLibraries();

    bool Applied() const { return applied_; }

  private:
    std::wstring key_;
    bool applied_ = true;
};

}  // namespace velnora::e2e
