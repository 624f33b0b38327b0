#!/usr/bin/env bash
# Builds everything and runs every test, on a fresh Debian 12 machine as well as on one that
# has been set up before:
#   1. installs the missing build and test tools with apt (nothing when all are there);
#   2. checks the formatting of the C++ sources and that the folders of src/ form layers;
#   3. host preset: portable core with the unit and contract tests (ASan + UBSan), then the
#      fuzz preset: a short, fixed run of every fuzz target on its seed corpus;
#   4. windows preset: the programs and the Windows tests, run under Wine;
#   5. windows32 preset: compiles for 32-bit Windows;
#   6. checks that both programs of both Windows builds import known system libraries only.
# Ends with "N passed, N failed" (tests plus the checks and builds above) and a non-zero exit
# status when anything failed.
#
# VELNORA_JOBS: parallel build jobs (2). VELNORA_WINE_JOBS: Windows tests at once (1; they
# share one Wine prefix and desktop).
set -u

cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1
root=$(pwd)
jobs=${VELNORA_JOBS:-2}
wine_jobs=${VELNORA_WINE_JOBS:-1}
logs=$root/build/test-all
mkdir -p "$logs"

passed=0
failed=0
report=()
started=$SECONDS

note() { printf '\n=== %s\n' "$*"; }

# Records one check that is not a test: a build, the format check.
record() {
    local name=$1 status=$2 seconds=$3
    if [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
        report+=("ok      $name (${seconds}s)")
    else
        failed=$((failed + 1))
        report+=("FAILED  $name (${seconds}s)")
    fi
}

# Runs a command as one check.
check() {
    local name=$1
    shift
    local begin=$SECONDS status
    note "$name"
    "$@"
    status=$?
    record "$name" "$status" $((SECONDS - begin))
    return "$status"
}

# Runs ctest and counts its tests from its closing line.
run_ctest() {
    local name=$1
    shift
    local begin=$SECONDS log status line total bad
    log="$logs/$(tr -c 'a-zA-Z0-9\n' '-' <<<"$name").log"
    note "$name"
    ctest "$@" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    line=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
    if [ -n "$line" ]; then
        bad=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
        total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
        if [ "$bad" -eq 0 ] && [ "$status" -ne 0 ]; then
            failed=$((failed + 1))
        fi
        report+=("$([ "$status" -eq 0 ] && echo 'ok     ' || echo 'FAILED ') $name: $((total - bad)) of $total tests passed ($((SECONDS - begin))s)")
    else
        failed=$((failed + 1))
        report+=("FAILED  $name: ctest gave no result ($((SECONDS - begin))s)")
    fi
}

# --- 1. Tools ------------------------------------------------------------------------------
packages=(
    cmake g++ make git
    mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    wine wine64 xvfb x11-utils imagemagick fonts-ipafont-gothic
    clang-format googletest libgtest-dev libgmock-dev fp-utils locales
    clang libclang-rt-14-dev
    libcli11-dev nlohmann-json3-dev
)

install_missing_packages() {
    local missing=() package
    for package in "${packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        echo "all tools present"
        return 0
    fi
    echo "installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update &&
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

# The Japanese Windows tests run in a Japanese locale: Wine takes the code page from it.
ensure_japanese_locale() {
    if locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
        return 0
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    echo "generating the ja_JP.UTF-8 locale"
    "${sudo[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
}

# --- 2. Formatting -------------------------------------------------------------------------
source_files() {
    if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git -C "$root" ls-files --cached --others --exclude-standard -- '*.h' '*.cpp'
    else
        find src tests -name '*.h' -o -name '*.cpp'
    fi
}

check_format() {
    local files=() file
    while IFS= read -r file; do
        [ -f "$file" ] && files+=("$file")
    done < <(source_files)
    echo "${#files[@]} files"
    [ ${#files[@]} -eq 0 ] || clang-format --dry-run --Werror "${files[@]}"
}

# --- 3.-5. Presets -------------------------------------------------------------------------
configure_and_build() {
    local preset=$1
    cmake --preset "$preset" >"$logs/configure-$preset.log" 2>&1 || {
        cat "$logs/configure-$preset.log"
        return 1
    }
    cmake --build --preset "$preset" -j "$jobs"
}

# A run that is cut short must not leave its display and wineserver behind.
stop_wine() {
    if [ -f "$root/build/windows/wine.env" ]; then
        bash "$root/scripts/wine-env.sh" teardown "$root/build/windows" || true
    fi
}
trap stop_wine EXIT

if check "tools" install_missing_packages && check "locale" ensure_japanese_locale; then
    check "format" check_format
    check "layers" bash "$root/scripts/check-layers.sh"

    if check "build host" configure_and_build host; then
        run_ctest "tests host" --preset host -j "$jobs"
    fi
    if check "build fuzz" configure_and_build fuzz; then
        run_ctest "fuzz targets (short runs)" --preset fuzz -j "$jobs"
    fi
    if check "build windows" configure_and_build windows; then
        run_ctest "tests windows (Wine)" --preset windows -j "$wine_jobs"
    fi
    check "build windows32" configure_and_build windows32
    # Both programs of both Windows builds may import known system libraries only.
    check "imports" bash "$root/scripts/check-imports.sh" "$root/build/windows" "$root/build/windows32"
fi

echo
echo "=== summary ($((SECONDS - started))s)"
printf '%s\n' "${report[@]}"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
