#!/usr/bin/env bash
# Builds the Windows programs and starts Velnora.exe from the sample medium in a throwaway
# Wine prefix under /tmp: a machine without Vantorix, on which Velnora.exe shows its main menu.
#
#   scripts/run-sample.sh [--no-build] [--keep] [--samples] [--wait SECONDS] [-- VELNORA_ARGUMENTS...]
#
# With DISPLAY set, Velnora runs on that display. When it ends, and the script runs in a
# terminal, the script asks what to start next in the same prefix: the medium's Velnora.exe
# again, the installed copy of the install manager, Wine's list of installed programs (its
# Remove button starts an entry's uninstall as Windows does), or a restart of Windows (which
# runs what waits for the next logon). Without DISPLAY it runs on a private Xvfb display: the
# script waits for the first window, saves a screenshot, prints the screenshot's path and
# stops everything it started.
#
#   --no-build      use the medium already laid out in the build folder
#   --keep          keep the Wine prefix (its path is printed) instead of deleting it
#   --samples       install three sample environments of Vantorix first (V2.20 of the old
#                   layout, V3.0 and V4.08, the last one active); `-- -maintenance` shows them
#   --wait SECONDS  how long to wait for the first window (default 90)
#
# Environment: VELNORA_BUILD_DIR (default build/windows), VELNORA_SCREENSHOT (default
# BUILD_DIR/run-sample.png).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${VELNORA_BUILD_DIR:-$root/build/windows}
screenshot=${VELNORA_SCREENSHOT:-$build_dir/run-sample.png}
build=1
keep=0
environments=0
wait_limit=90
while [ $# -gt 0 ]; do
    case "$1" in
    --no-build) build=0 ;;
    --keep) keep=1 ;;
    --samples) environments=1 ;;
    --wait)
        wait_limit=${2:?--wait needs a number of seconds}
        shift
        ;;
    --)
        shift
        break
        ;;
    *)
        sed -n '2,24p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
        exit 2
        ;;
    esac
    shift
done

say() { echo "run-sample: $*" >&2; }

# Installs with apt what a fresh Debian machine lacks for this script.
install_missing_tools() {
    local -A package_of=(
        [cmake]=cmake [make]=make
        [x86_64-w64-mingw32-g++-posix]=g++-mingw-w64-x86-64-posix
        [x86_64-w64-mingw32-windres]=binutils-mingw-w64-x86-64
        [wine]=wine [Xvfb]=xvfb [xwininfo]=x11-utils [xdpyinfo]=x11-utils
        [import]=imagemagick [chmcmd]=fp-utils [iconv]=libc-bin
    )
    local tool missing=()
    for tool in "${!package_of[@]}"; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("${package_of[$tool]}")
    done
    [ -d /usr/src/googletest ] || missing+=(googletest)
    [ -e /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf ] || missing+=(fonts-ipafont-gothic)
    [ ${#missing[@]} -eq 0 ] && return 0
    mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
    if ! command -v apt-get >/dev/null 2>&1; then
        say "missing packages, install them first: ${missing[*]}"
        return 1
    fi
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    say "installing ${missing[*]}"
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

install_missing_tools

if [ "$build" -eq 1 ]; then
    if [ "$build_dir" = "$root/build/windows" ]; then
        (cd "$root" && cmake --preset windows)
    else
        (cd "$root" && cmake --preset windows -B "$build_dir")
    fi
    cmake --build "$build_dir" --target sample_media velnora_kit -j "$(nproc)"
fi
media=$build_dir/media
if [ ! -f "$media/Velnora.exe" ] || [ ! -f "$media/autorun.ini" ]; then
    say "no sample medium in $media; build it first (without --no-build)"
    exit 1
fi

# shellcheck source-path=SCRIPTDIR source=wine-env.sh
. "$root/scripts/wine-env.sh"

user_display=${DISPLAY:-}
work=$(mktemp -d /tmp/velnora-sample.XXXXXX)
finish() {
    local status=$?
    wine_env_teardown "$work" >/dev/null 2>&1 || true
    if [ "$keep" -eq 1 ]; then
        say "Wine prefix kept: $work/wineprefix"
    else
        rm -rf "$work"
    fi
    exit "$status"
}
trap finish EXIT
trap 'exit 130' INT TERM

wine_env_setup "$work" || {
    say "could not set up the Wine prefix"
    exit 1
}
# shellcheck source=/dev/null
. "$work/wine.env"

# The medium goes into the prefix's drive C, as if it had been copied from a disc.
cp -r "$media" "$WINEPREFIX/drive_c/VantorixMedia"
program='C:\VantorixMedia\Velnora.exe'

if [ "$environments" -eq 1 ]; then
    say "installing the sample environments"
    wine "$build_dir/bin/velnora_kit_environments.exe" lay-out </dev/null || {
        say "the sample environments could not be installed"
        exit 1
    }
fi

if [ -n "$user_display" ]; then
    # Show it where the user looks; the private display of the set-up is not needed.
    wine_env_stop_xvfb "$VELNORA_XVFB_PID"
    export DISPLAY=$user_display
    installed='C:\Program Files (x86)\Common Files\Orvessa\Velnora\Velnora.exe'
    installed_unix="$WINEPREFIX/drive_c/Program Files (x86)/Common Files/Orvessa/Velnora/Velnora.exe"
    command=("$program" "$@")
    while :; do
        say "starting ${command[*]} on $DISPLAY; close it (or press Ctrl-C) to end"
        # In the background, so that Ctrl-C reaches the trap: a GUI program ignores it.
        wine "${command[@]}" </dev/null &
        wait $! || true
        [ -t 0 ] || exit 0
        # Asked again until the answer names something that can start.
        command=()
        while [ ${#command[@]} -eq 0 ]; do
            echo >&2
            echo "  m  the medium's Velnora.exe again" >&2
            # Only while there is one: the last uninstall takes it away.
            [ -f "$installed_unix" ] && echo "  i  the installed copy ($installed)" >&2
            echo "  u  the list of installed programs (Remove starts an uninstall as Windows does)" >&2
            echo "  r  restart Windows (runs what waits for the next logon), then the medium's copy" >&2
            echo "  q  quit (the prefix goes unless --keep)" >&2
            read -r -p "run-sample: what next? " choice || exit 0
            case "$choice" in
            m) command=("$program") ;;
            i)
                if [ -f "$installed_unix" ]; then
                    command=("$installed")
                else
                    say "the install manager is not installed"
                fi
                ;;
            u) command=(uninstaller) ;;
            r)
                wineboot -r </dev/null >/dev/null 2>&1 || true
                command=("$program")
                ;;
            *) exit 0 ;;
            esac
        done
    done
fi

windows_list() {
    local tree
    tree=$(xwininfo -root -tree 2>/dev/null) || true
    grep -E '^ +0x[0-9a-f]+ "' <<<"$tree" || true
}
# The install manager's pages and its read-me carry the product name in their titles, its
# message boxes "Error", "Confirm" or the program's name.
velnora_window_up() { grep -q -E 'Vantorix|Velnora|"Error"|"Confirm"' <<<"$(windows_list)"; }
velnora_running() { kill -0 "$velnora_pid" 2>/dev/null; }

say "starting $program on the private display $DISPLAY"
wine "$program" "$@" </dev/null >"$work/velnora.log" 2>&1 &
velnora_pid=$!

deadline=$((SECONDS + wait_limit))
until velnora_window_up; do
    if ! velnora_running || [ "$SECONDS" -ge "$deadline" ]; then
        break
    fi
    sleep 0.5
done
if velnora_window_up; then
    # Let the page finish drawing: wait until the window list holds still for a second.
    previous=""
    settle_deadline=$((SECONDS + 10))
    while [ "$SECONDS" -lt "$settle_deadline" ]; do
        current=$(windows_list)
        [ "$current" = "$previous" ] && break
        previous=$current
        sleep 1
    done
else
    if velnora_running; then
        say "no Velnora window within ${wait_limit} s; the screenshot shows what is there"
    else
        say "Velnora.exe ended without showing a window; its output:"
        cat "$work/velnora.log" >&2
    fi
fi

mkdir -p "$(dirname "$screenshot")"
import -display "$DISPLAY" -window root "$screenshot"
echo "$screenshot"
