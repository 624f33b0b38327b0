#!/usr/bin/env bash
# Processor time of the installer wait, measured under Wine: builds wait_cpu_bench.exe (and
# the 10-second stand-in bench_sleeper.exe), runs it in a throwaway Wine environment and
# prints its figures. Target: the wait costs under 2 % of one core.
#
#   scripts/bench-wait.sh [--no-build] [-- INSTALLER_COMMAND...]
#
#   --no-build   use the programs already in the build folder
#   INSTALLER_COMMAND   another installer to wait for (Windows paths), e.g.
#                'Z:\...\bin\vtx_installer_standin.exe' --run-ms 10000
#
# Environment: VELNORA_BUILD_DIR (default build/bench-win, configured with the windows preset
# when it does not exist yet).
#
# The benchmark counts its own process only. Under Wine part of each process-list read and
# each wait is done by the wineserver, which Windows would do in the kernel; the script
# therefore also prints the wineserver's processor time over the whole run (program start
# included, so an upper bound).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${VELNORA_BUILD_DIR:-$root/build/bench-win}
build=1
while [ $# -gt 0 ]; do
    case "$1" in
    --no-build) build=0 ;;
    --)
        shift
        break
        ;;
    *)
        sed -n '2,18p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
        exit 2
        ;;
    esac
    shift
done

say() { echo "bench-wait: $*" >&2; }

if [ "$build" = 1 ]; then
    if [ ! -f "$build_dir/CMakeCache.txt" ]; then
        (cd "$root" && cmake --preset windows -B "$build_dir" >/dev/null) || exit 1
    fi
    cmake --build "$build_dir" -j2 --target wait_cpu_bench bench_sleeper >/dev/null || exit 1
fi
bench=$build_dir/bin/wait_cpu_bench.exe
[ -f "$bench" ] || {
    say "no $bench; build it or drop --no-build"
    exit 1
}

# shellcheck source=/dev/null
. "$root/scripts/wine-env.sh"
# A folder of its own, so a test run in the same build folder keeps its prefix.
env_dir=$build_dir/bench-wine
mkdir -p "$env_dir" && wine_env_setup "$env_dir" || exit 1
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

# Processor time of a process in milliseconds (user + system).
processor_ms() {
    local ticks
    ticks=$(awk '{ print $14 + $15 }' "/proc/$1/stat")
    echo $((ticks * 1000 / $(getconf CLK_TCK)))
}

server=$(wineserver_pid || true)
before=0
[ -n "$server" ] && before=$(processor_ms "$server")
status=0
VELNORA_WINE_ENV=$env_dir/wine.env bash "$root/tests/e2e/wine-run.sh" "$bench" "$@" || status=$?
if [ -n "$server" ]; then
    echo "wineserver processor time: $(($(processor_ms "$server") - before)) ms"
else
    say "wineserver not found; its share is not shown"
fi
exit "$status"
