#!/usr/bin/env bash
# Builds the environments benchmark and runs it under Wine in a fresh prefix of its own: the
# uninstall root gets 2,000 entries of other programs and 128 environments, and the benchmark
# prints the time of an environment enumeration, of a complete switch there and back, and of
# a bare-registry baseline, with the ratio of enumeration to baseline.
#
#   scripts/bench-environments.sh [--no-build] [-- BENCH_ARGUMENTS...]
#
#   --no-build   use the program already built in the build folder
#   BENCH_ARGUMENTS, e.g. --rounds 40 (default 20 rounds of the enumeration and the baseline,
#   a quarter as many switches)
#
# Environment: VELNORA_BUILD_DIR (default build/bench-win). The prefix, display and server are
# those of scripts/wine-env.sh in that folder; they are stopped again when the script ends.
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
        sed -n '2,14p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
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
wine "$program" "$@" </dev/null || status=$?
exit "$status"
