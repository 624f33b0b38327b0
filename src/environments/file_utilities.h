// File, folder, shortcut, GUID and setup-value routines shared by the environment moves and the
// install and maintenance pages. None of them shows a message; each reports failure and leaves
// whatever it had already done.
#pragma once

#include <cstddef>
#include <string>

#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/types.h"

namespace velnora::environments {

// "X:\..." or "\\server\share...": a path that does not depend on the working folder.
bool IsFullPath(const std::string& path);

// A listing entry that a walk of the tree enters: a folder, but neither "." nor ".." nor a
// junction or symbolic link, whose content belongs to another tree.
bool IsWalkableFolder(const platform::FindData& entry);

// Searches the tree for a file whose upper-cased name equals `upperName`. 1 means found;
// otherwise a tally of files (see the .cpp for its exact rule), or -1 after a listing error.
// Links to folders are not searched.
int FindFileBelow(platform::FileSystem& files, const std::string& folder,
                  const std::string& upperName);

// Removes the files of a folder, with `recurse` those of its subfolders, with
// `removeSubfolders` the subfolders themselves and with `removeSelf` the folder. Read-only
// attributes are cleared first. True when everything asked for was removed. A junction or
// symbolic link goes as itself, never what it points to; a folder that is one is removed
// with `removeSelf` and otherwise left alone (false). A volume root ("", "\", "C:\",
// "\\server\share") is refused: false, nothing touched.
bool DeleteTree(platform::FileSystem& files, const std::string& folder, bool removeSelf,
                bool recurse, bool removeSubfolders);

// Removes every empty folder below `folder` (innermost first); files, links and the folder
// itself stay. False only when a listing could not start or ended with an error.
bool RemoveEmptyFolders(platform::FileSystem& files, const std::string& folder);

// Copies a folder tree into `target`, creating it when missing. With `failIfExists` an existing
// target folder or file fails the copy. Links are copied as what they point to, except links
// met behind a link, which are left out so that a link cycle ends.
bool CopyTree(platform::FileSystem& files, const std::string& source, const std::string& target,
              bool failIfExists);

// Target path and arguments of a shortcut, each cut to bufferSize - 1 characters (whole
// characters only). The status is that of the last call the shell link made.
platform::HResult ReadShortcut(platform::Shell& shell, const std::string& linkPath,
                               std::string& target, std::string& arguments, std::size_t bufferSize);

platform::HResult CreateShortcut(platform::Shell& shell, const std::string& linkPath,
                                 const std::string& target, const std::string& description,
                                 const std::string& arguments, const std::string& workingFolder,
                                 const std::string& iconPath, int iconIndex, int showCommand);

// A fresh GUID as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case. False, with `text`
// unchanged, when the platform gives none.
bool NewGuidText(platform::Shell& shell, std::string& text);

// The GUID text format of parked names.
std::string GuidText(const platform::Guid& guid);

// Reads a value of the Windows setup key into `text` (left as it was when the value cannot be
// read). False when the key cannot be opened.
bool ReadSetupValue(platform::Registry& registry, const platform::OsVersion& os,
                    const std::string& name, std::string& text);

// ASCII letters upper-cased, every other byte kept, so UTF-8 texts stay intact.
std::string UpperCase(std::string text);

}  // namespace velnora::environments
