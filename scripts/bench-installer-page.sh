#!/usr/bin/env bash
# The installer page and install run of the real Velnora.exe -autorun, measured under Wine:
# builds installer_page_bench.exe (with Velnora.exe and the kit's installer stand-in), runs it
# in a throwaway Wine environment and prints its figures: the time from the start until the
# installer page shows a catalogue of 80 entries (median and minimum over the rounds), and the
# processor time Velnora.exe uses while three stand-in installers run, as a share of one core
# (target: under 2 %), with the wineserver's time over the same span beside it.
#
#   scripts/bench-installer-page.sh [--no-build] [-- BENCH_ARGUMENTS...]
#
#   --no-build   use the programs already in the build folder
#   BENCH_ARGUMENTS, e.g. --rounds 20 --run-ms 8000 (default 10 rounds, installers of 4000 ms)
#
# Environment: VELNORA_BUILD_DIR (default build/bench-win, configured with the windows preset
# when it does not exist yet); VELNORA_BENCH_TIMEOUT, seconds after which a run that hangs is
# stopped and the script fails (default 900).
#
# Exit code non-zero only when a measurement failed, never for a missed target.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${VELNORA_BUILD_DIR:-$root/build/bench-win}
# The program runs from bin/, so a relative folder is taken from here once.
case "$build_dir" in
/*) ;;
*) build_dir=$PWD/$build_dir ;;
esac
build=1
while [ $# -gt 0 ]; do
    case "$1" in
    --no-build) build=0 ;;
    --)
        shift
        break
        ;;
    *)
        sed -n '2,19p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
        exit 2
        ;;
    esac
    shift
done

say() { echo "bench-installer-page: $*" >&2; }

if [ "$build" = 1 ]; then
    if [ ! -f "$build_dir/CMakeCache.txt" ]; then
        say "configuring $build_dir"
        (cd "$root" && cmake --preset windows -B "$build_dir" >/dev/null)
    fi
    say "building installer_page_bench"
    cmake --build "$build_dir" -j2 --target installer_page_bench >/dev/null
fi
program=$build_dir/bin/installer_page_bench.exe
for file in "$program" "$build_dir/bin/Velnora.exe" "$build_dir/bin/vtx_installer_standin.exe"; do
    if [ ! -f "$file" ]; then
        say "$file is missing; run without --no-build"
        exit 1
    fi
done

# shellcheck source=scripts/wine-env.sh
. "$root/scripts/wine-env.sh"
# A folder of its own, so a test run in the same build folder keeps its prefix.
env_dir=$build_dir/bench-installer-page
mkdir -p "$env_dir"
wine_env_setup "$env_dir"
trap 'wine_env_teardown "$env_dir"' EXIT

# The persistent wineserver of this prefix: the process whose working folder is the server
# folder Wine derives from the prefix's device and inode.
wineserver_pid() {
    local prefix=$env_dir/wineprefix folder link target
    folder=$(printf 'server-%x-%x' "$(stat -c %d "$prefix")" "$(stat -c %i "$prefix")")
    for link in /proc/[0-9]*/cwd; do
        target=$(readlink "$link" 2>/dev/null) || continue
        if [ "${target##*/}" = "$folder" ]; then
            link=${link#/proc/}
            echo "${link%/cwd}"
            return 0
        fi
    done
    return 1
}

# shellcheck source=/dev/null
. "$env_dir/wine.env"
VELNORA_BENCH_WINESERVER_PID=$(wineserver_pid || true)
[ -n "$VELNORA_BENCH_WINESERVER_PID" ] || say "wineserver not found; its share is not shown"
VELNORA_BENCH_CLK_TCK=$(getconf CLK_TCK)
export VELNORA_BENCH_WINESERVER_PID VELNORA_BENCH_CLK_TCK
cd "$build_dir/bin"
status=0
timeout -k 30 "${VELNORA_BENCH_TIMEOUT:-900}" wine "$program" "$@" </dev/null || status=$?
if [ "$status" = 124 ] || [ "$status" = 137 ]; then
    say "the benchmark did not end within ${VELNORA_BENCH_TIMEOUT:-900} s and was stopped"
fi
exit "$status"
