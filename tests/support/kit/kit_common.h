// Shared pieces of the sample vendor kit: the names the vendor programs agree on, and the
// small file, registry and command-line helpers they all need. Wide strings throughout.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kit {

inline constexpr wchar_t kProductGuid[] = L"{3B9F02D6-4C71-4E8A-B5D3-1F60A2C7E948}";
inline constexpr wchar_t kUninstallRoot[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr wchar_t kMakerName[] = L"Orvessa";
inline constexpr wchar_t kToolRecordName[] = L"Vtx2Inst.ini";
inline constexpr wchar_t kAssociationClass[] = L"VTX_Workspace";
inline constexpr wchar_t kAssociationExtension[] = L".vtxw";
inline constexpr wchar_t kTidewatchKey[] = L"SOFTWARE\\Orvessa\\Tidewatch";

// The vendor programs are 32-bit programs. On 64-bit Windows what they write under
// HKLM\SOFTWARE and HKEY_CLASSES_ROOT lands in the 32-bit registry view and their files in the
// 32-bit program files folder; the stand-ins, built for x86-64, ask for both explicitly, so
// that they leave the machine as the vendor's programs do. Every registry helper below
// works in this view.
inline constexpr REGSAM kVendorView = KEY_WOW64_32KEY;

// Exit codes in the style of the vendor setup engine.
inline constexpr int kExitBadArguments = 87;
inline constexpr int kExitInstallFailure = 1603;
inline constexpr int kExitUnknownProduct = 1605;
inline constexpr int kExitUserCancel = 1602;

// --- folders -------------------------------------------------------------------------------

// A shell folder by CSIDL, created when missing; empty when the shell has none.
std::wstring ShellFolder(int csidl);
std::wstring WindowsFolder();
std::wstring ToolRecordPath();           // Windows folder\Vtx2Inst.ini, the live record
std::wstring ProgramsFolder();           // start menu of all users
std::wstring MakerStartMenuFolder();     // ...\Programs\Orvessa
std::wstring ProgramFilesFolder();       // the 32-bit one, "Program Files (x86)"
std::wstring CommonFilesFolder();        // its "Common Files"
std::wstring InstallerInfoRoot();        // ...\InstallShield Installation Information
std::wstring LiveInstallerInfoFolder();  // InstallerInfoRoot\{product GUID}
// The install manager's installed copy and its start-menu shortcut.
std::wstring InstallManagerFolder();    // CommonFilesFolder\Orvessa\Velnora
std::wstring InstallManagerShortcut();  // MakerStartMenuFolder\Multiple Install Manager.lnk
// The sample medium a test runs, as the test environment names it (VELNORA_MEDIA); empty
// when it names none.
std::wstring SampleMediumFolder();
std::wstring OwnProgramPath();
std::wstring OwnFolder();

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
std::wstring ParentFolder(const std::wstring& path);
std::wstring LastComponent(const std::wstring& path);

// --- files ---------------------------------------------------------------------------------

bool PathExists(const std::wstring& path);
bool IsFolder(const std::wstring& path);
// Creates the folder and every missing parent.
bool CreateFolders(const std::wstring& path);
// Delete a file or an empty folder and make sure it is gone. Another program may hold the
// file briefly (under Wine the menu builder reads every new shortcut and the program its icon
// comes from, also after the installer has ended), so that is waited out for a few seconds.
bool DeleteFilePatiently(const std::wstring& path);
bool RemoveFolderPatiently(const std::wstring& path);
// Removes the folder with everything below it; files that cannot be removed (a running
// program, this one's own file at once) are collected in `left` when given.
bool RemoveTree(const std::wstring& path, std::vector<std::wstring>* left = nullptr);
bool CopyOneFile(const std::wstring& from, const std::wstring& to);
// Writes the text as UTF-8 (for .bat files only ASCII is used).
bool WriteTextFile(const std::wstring& path, const std::wstring& text);
// Appends one UTF-8 line; retries briefly while another kit program appends to the same file.
bool AppendLine(const std::wstring& path, const std::wstring& line);

// --- profile files -------------------------------------------------------------------------

std::wstring ReadProfile(const std::wstring& file, const std::wstring& section,
                         const std::wstring& key);
bool WriteProfile(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                  const std::wstring& value);
std::vector<std::wstring> ProfileKeys(const std::wstring& file, const std::wstring& section);
// Writes the value under the first free key name prefix + 1, 2, ...
bool AppendProfileValue(const std::wstring& file, const std::wstring& section,
                        const std::wstring& prefix, const std::wstring& value);

// --- registry (the vendor's 32-bit view, kVendorView) --------------------------------------

bool WriteRegText(HKEY root, const std::wstring& key, const std::wstring& name,
                  const std::wstring& value);
bool WriteRegNumber(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value);
std::optional<std::wstring> ReadRegText(HKEY root, const std::wstring& key,
                                        const std::wstring& name);
bool KeyExists(HKEY root, const std::wstring& key);
bool DeleteRegValue(HKEY root, const std::wstring& key, const std::wstring& name);
bool DeleteRegTree(HKEY root, const std::wstring& key);
// Deletes the key when it holds neither values nor subkeys.
bool DeleteKeyIfEmpty(HKEY root, const std::wstring& key);

std::wstring UninstallKeyPath(const std::wstring& keyName);
// Where the active Vantorix is installed, as its uninstall entry says; nothing when none is.
std::optional<std::wstring> LiveInstallLocation();

// PendingFileRenameOperations, the renames and deletions scheduled for the next restart, as
// the registry holds it (zero-ended paths in pairs); nothing when there is none. Setting
// nothing deletes the value.
std::optional<std::wstring> PendingRenames();
bool SetPendingRenames(const std::optional<std::wstring>& list);

// Takes away what an install run leaves of the install manager (its copy, uninstall entry and
// shortcut) and a removal of it that waits for the next logon.
void RemoveInstallManager();
// Takes away everything a test's run of the sample medium may leave: the kit's environments
// (through velnora_kit_environments beside this program), the live installer information,
// what the sample's uninstallers leave behind, the run state of an aborted run with its
// logon value, and the install manager; the restart's renames go back to `renamesBefore`.
// False when the environments could not be removed.
bool RemoveSampleRunLeftovers(const std::optional<std::wstring>& renamesBefore);
// Why a test that installs the sample medium into the live names must not run here: no medium,
// or an active environment in the prefix that it would change; nothing when it may.
std::optional<std::string> ReasonNotToRunTheSample();

// --- shortcuts -----------------------------------------------------------------------------

bool CreateShortcut(const std::wstring& link, const std::wstring& target,
                    const std::wstring& arguments, const std::wstring& workingFolder,
                    const std::wstring& description);

// --- command line --------------------------------------------------------------------------

// The program's arguments without the program name.
std::vector<std::wstring> Arguments();
std::optional<long> ParseNumber(const std::wstring& text);
std::wstring Quote(const std::wstring& text);

// --- processes -----------------------------------------------------------------------------

// Starts a program without waiting for it; false when it cannot be started.
bool StartDetached(const std::wstring& commandLine, const std::wstring& workingFolder = {});
// Starts a program and waits for it: its exit code, -1 when it did not start or end in time.
long RunAndWait(const std::wstring& commandLine, DWORD timeoutMs);

// --- diagnostics ---------------------------------------------------------------------------

// A marker file records what the kit programs did, one line per event, so that tests can see
// which programs ran, in which order, with which arguments.
class Marker {
  public:
    void SetPath(const std::wstring& path) { path_ = path; }
    const std::wstring& Path() const { return path_; }
    void Write(const std::wstring& event, const std::wstring& detail) const;

  private:
    std::wstring path_;
};

// Reports a problem on the standard error stream when there is one (a program started from a
// shell under Wine has it) and in the marker file.
void Complain(const Marker& marker, const std::wstring& text);

// Version text to the number the install manager derives from a ProductVersion: tokens split
// at "." and ",", joined, cut to four characters.
long VersionNumber(const std::wstring& version);

}  // namespace kit
