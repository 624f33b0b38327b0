#!/usr/bin/env bash
# Builds the environments benchmark and runs it under Wine in a fresh prefix of its own: the
# uninstall root gets 2,000 entries of other programs and 128 environments, and the benchmark
# prints the median and minimum times of a bare-registry baseline, an environment enumeration,
# the maintenance page from its opening until it is filled, a complete switch there and back
# through the engine and the same switch from the open page, then the ratios enumeration /
# baseline and page fill / enumeration against their target of 3.
#
#   scripts/bench-environments.sh [--no-build] [-- BENCH_ARGUMENTS...]
#
#   --no-build   use the program already built in the build folder
#   BENCH_ARGUMENTS, e.g. --rounds 40 (default 20 rounds of the baseline, the enumeration and
#   the page, a quarter as many of each switch)
#
# Environment: VELNORA_BUILD_DIR (default build/bench-win); VELNORA_BENCH_TIMEOUT, seconds
# after which a run that hangs is stopped and the script fails (default 1800). The prefix,
# display and server are those of scripts/wine-env.sh in that folder; they are stopped again
# when the script ends.
set -euo pipefail

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

say() { echo "bench-environments: $*" >&2; }

if [ "$build" = 1 ]; then
    if [ ! -f "$build_dir/CMakeCache.txt" ]; then
        say "configuring $build_dir"
        cmake --preset windows -B "$build_dir" >/dev/null
    fi
    say "building environments_bench"
    cmake --build "$build_dir" -j2 --target environments_bench >/dev/null
fi
program=$build_dir/bin/environments_bench.exe
if [ ! -f "$program" ]; then
    say "$program is missing; run without --no-build"
    exit 1
fi

# shellcheck source=scripts/wine-env.sh
. "$root/scripts/wine-env.sh"
wine_env_setup "$build_dir"
trap 'wine_env_teardown "$build_dir"' EXIT

# shellcheck source=/dev/null
. "$build_dir/wine.env"
cd "$build_dir/bin"
status=0
timeout -k 30 "${VELNORA_BENCH_TIMEOUT:-1800}" wine "$program" "$@" </dev/null || status=$?
if [ "$status" = 124 ] || [ "$status" = 137 ]; then
    say "the benchmark did not end within ${VELNORA_BENCH_TIMEOUT:-1800} s and was stopped"
fi
exit "$status"
