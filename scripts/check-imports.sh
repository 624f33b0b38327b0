#!/usr/bin/env bash
# Checks that Velnora.exe, VelnoraAdm.exe and VelnoraCmd.exe import known system libraries
# only. Windows resolves a program's imports before its first line runs, looking in the
# program's folder first; the programs run elevated from media that are often copied to folders
# any user can write to. Every other library is loaded at run time by its full path in the system folder.
#
# Known system libraries, the one list:
# - the KnownDLLs of Windows 7 and later that the programs use: Windows maps them from the
#   system folder whatever lies beside the program;
# - comctl32, which is no KnownDLL: the manifest (src/resources/program.manifest, embedded as
#   the programs' manifest resource) binds it to the side-by-side Common Controls 6.0.0.0,
#   which Windows takes from its assembly store. So an import of comctl32 passes only while the
#   embedded manifest names that assembly.
#
# Prints what each program imports; names the program and the library of every import outside
# the list and exits non-zero when there is one.
#
# Usage: check-imports.sh [build folder ...]   (default: build/windows)
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1

known=(
    kernel32 user32 gdi32 advapi32 shell32 ole32 oleaut32 comdlg32 shlwapi msvcrt
    comctl32
)
common_controls='name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'
programs=(Velnora.exe VelnoraAdm.exe VelnoraCmd.exe)
objdump=x86_64-w64-mingw32-objdump # reads the import tables of both PE32 and PE32+

is_known() {
    local library=$1 name
    for name in "${known[@]}"; do
        [ "$library" = "$name.dll" ] && return 0
    done
    return 1
}

faults=0
fault() {
    echo "$*"
    faults=$((faults + 1))
}

# The imported libraries of a program, lower case, one a line; fails when it cannot be read.
imports_of() {
    local listing
    listing=$("$objdump" -p "$1") || return 1
    grep -E '^[[:space:]]*DLL Name:' <<<"$listing" | sed -E 's/.*DLL Name:[[:space:]]*//' |
        tr 'A-Z' 'a-z' | tr -d '\r'
}

check_program() {
    local program=$1 libraries library
    if [ ! -f "$program" ]; then
        fault "$program: missing"
        return
    fi
    if ! libraries=$(imports_of "$program") || [ -z "$libraries" ]; then
        fault "$program: its import table cannot be read"
        return
    fi
    echo "$program imports: $(tr '\n' ' ' <<<"$libraries")"
    while IFS= read -r library; do
        if ! is_known "$library"; then
            fault "$program imports $library, which is not a known system library"
        elif [ "$library" = comctl32.dll ] && ! grep -aqF "$common_controls" "$program"; then
            fault "$program imports comctl32.dll without a manifest that binds Common Controls 6.0"
        fi
    done <<<"$libraries"
}

folders=("$@")
[ ${#folders[@]} -gt 0 ] || folders=(build/windows)
checked=0
for folder in "${folders[@]}"; do
    for program in "${programs[@]}"; do
        check_program "$folder/bin/$program"
        checked=$((checked + 1))
    done
done

if [ "$faults" -gt 0 ]; then
    echo "$faults faults in the imports of $checked programs"
    exit 1
fi
echo "imports: $checked programs import known system libraries only (${known[*]})"
