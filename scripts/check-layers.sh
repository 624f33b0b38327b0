#!/usr/bin/env bash
# Checks that the folders of src/ form layers: an #include may reach its own folder or a folder
# below it, never one above, so no two folders can include each other. Also checks that nothing
# below the views shows a window of its own: the engines and flows return outcomes and tell
# through a prompt. Prints every fault and exits non-zero when there is one.
#
# Bottom to top; a folder must be listed here before it may hold code. Folders on one line are
# side by side: neither may include the other.
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/../src" || exit 1

layers=(
    platform        # interfaces of every OS service, the one door to the OS
    platform/win32  # their Win32 implementation
    core            # the process-wide context, start values, text table
    environments    # environment table, switch, moves, Tidewatch, tool record
    installer       # catalogue, run state, installer execution
    maintenance     # uninstall, report, self-installation
    flows           # whole operations; ask and tell through a prompt, return outcomes
    "pages cmd"     # the views: the dialog pages | the console commands
    app             # start-up, command line, mode dispatch
    main            # the programs' entry points
)

rank_of() {
    local folder=$1 i
    local name
    for i in "${!layers[@]}"; do
        for name in ${layers[$i]}; do
            if [ "$name" = "$folder" ]; then
                echo "$i"
                return
            fi
        done
    done
    echo -1
}

# The layer a source path belongs to: platform/win32 is a layer of its own, every other
# folder is its first path component.
layer_of() {
    case $1 in
    platform/win32/*) echo platform/win32 ;;
    */*) echo "${1%%/*}" ;;
    *) echo "" ;;
    esac
}

faults=0
while IFS= read -r file; do
    from=$(layer_of "$file")
    [ "$from" = resources ] && continue
    from_rank=$(rank_of "$from")
    if [ "$from_rank" -lt 0 ]; then
        echo "src/$file: folder '$from' is not one of the layers (scripts/check-layers.sh)"
        faults=$((faults + 1))
        continue
    fi
    while IFS= read -r line; do
        target=${line#*\"}
        target=${target%%\"*}
        to=$(layer_of "$target")
        # Includes without a folder are the resource ids and headers beside the file.
        [ -z "$to" ] && continue
        to_rank=$(rank_of "$to")
        if [ "$to_rank" -lt 0 ] || [ "$to_rank" -gt "$from_rank" ] ||
            { [ "$to_rank" -eq "$from_rank" ] && [ "$to" != "$from" ]; }; then
            echo "src/$file: $from includes $target, which is not below it"
            faults=$((faults + 1))
        fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's|^\./||' | sort)

# The calls of the user interface that open a box or a dialog.
shows='\b(MessageBox|RunModal|OpenModeless|ChooseFileToOpen|ChooseFileToSave|BrowseForFolder)\('
while IFS= read -r hit; do
    echo "src/${hit%%:*}:$(cut -d: -f2 <<<"$hit"): shows a window below the views"
    faults=$((faults + 1))
done < <(grep -nE "$shows" core/*.cpp environments/*.cpp installer/*.cpp maintenance/*.cpp \
    flows/*.cpp 2>/dev/null)

if [ "$faults" -gt 0 ]; then
    echo "$faults faults: includes that reach up, or windows below the views"
    exit 1
fi
echo "layers: every include reaches down (${layers[*]}); no window below the views"
