#!/usr/bin/env bash
# Runs one Windows program in the test Wine environment and returns its exit code.
#   wine-run.sh PROGRAM.exe [ARGS...]
# The environment comes from the wine.env that `scripts/wine-env.sh setup` wrote: from
# VELNORA_WINE_ENV when set, else from the nearest folder above PROGRAM that holds one.
# VELNORA_WINDOWS_VERSION (win7, winxp64, ...) sets the reported Windows version for this run.
set -u

program=${1:?usage: wine-run.sh PROGRAM.exe [ARGS...]}
shift

env_file=${VELNORA_WINE_ENV:-}
if [ -z "$env_file" ]; then
    dir=$(cd "$(dirname "$program")" && pwd)
    while [ "$dir" != / ] && [ ! -f "$dir/wine.env" ]; do
        dir=$(dirname "$dir")
    done
    env_file=$dir/wine.env
fi
if [ ! -f "$env_file" ]; then
    echo "wine-run: no Wine environment for $program; start one with" >&2
    echo "  bash scripts/wine-env.sh setup BUILD_DIR   (or run the tests through ctest)" >&2
    exit 125
fi
# shellcheck source=/dev/null
. "$env_file"

scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)
# shellcheck source=/dev/null
. "$scripts/wine-env.sh"

# VELNORA_WINE_LOCALE (ja_JP.UTF-8, ...) runs the program in that locale, and so in its code page.
if [ -n "${VELNORA_WINE_LOCALE:-}" ]; then
    export LC_ALL=$VELNORA_WINE_LOCALE
fi

if [ -n "${VELNORA_WINDOWS_VERSION:-}" ]; then
    wine_env_set_windows_version "$VELNORA_WINDOWS_VERSION" </dev/null || exit 125
    trap 'wine_env_set_windows_version "$VELNORA_WINE_DEFAULT_VERSION" </dev/null' EXIT
fi

# Wine may start helper processes (desktop, services) that outlive the program and inherit
# its output; CTest would wait for them to close the pipe. So the program writes to a file.
log_dir=$(dirname "$env_file")/wine-logs
mkdir -p "$log_dir"
log=$(mktemp "$log_dir/run-$(basename "$program" .exe)-XXXXXX.log")
wine "$program" "$@" </dev/null >"$log" 2>&1
status=$?
cat "$log"
rm -f "$log"
exit "$status"
