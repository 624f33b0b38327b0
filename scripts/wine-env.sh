#!/usr/bin/env bash
# Wine environment for the Windows tests: a fresh prefix, a private Xvfb display and one
# persistent wineserver that lives through the many short test runs.
#
# As a library:  source scripts/wine-env.sh; wine_env_setup BUILD_DIR; ...; wine_env_teardown BUILD_DIR
# As a command:  bash scripts/wine-env.sh setup|teardown BUILD_DIR
#                bash scripts/wine-env.sh version BUILD_DIR win10|win7|winxp64
#
# setup writes BUILD_DIR/wine.env, which tests/e2e/wine-run.sh reads. Everything lives under
# BUILD_DIR: wineprefix/ (deleted first), artefacts/ (screenshots), wine-logs/.

WINE_ENV_FIRST_DISPLAY=${WINE_ENV_FIRST_DISPLAY:-50}
WINE_ENV_DEFAULT_VERSION=${WINE_ENV_DEFAULT_VERSION:-win10}
WINE_ENV_SCREEN=${WINE_ENV_SCREEN:-1280x1024x24}

wine_env_log() { echo "wine-env: $*" >&2; }

# The persistent server is started from the real binary: Debian's wineserver wrapper always
# adds -p0, which would contradict -p.
wine_env_server_binary() {
    local candidate
    for candidate in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver32; do
        if [ -x "$candidate" ]; then
            echo "$candidate"
            return
        fi
    done
    command -v wineserver
}

# Runs a predicate every 0.1 s until it succeeds or SECONDS_LIMIT seconds have passed.
wine_env_wait_for() {
    local seconds_limit=$1
    shift
    local deadline=$((SECONDS + seconds_limit))
    while ! "$@"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            return 1
        fi
        sleep 0.1
    done
}

wine_env_display_free() {
    local n=$1
    [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]
}

wine_env_display_up() {
    [ -e "/tmp/.X11-unix/X$1" ] && xdpyinfo -display ":$1" >/dev/null 2>&1
}

wine_env_pid_alive() {
    [ -n "$1" ] && kill -0 "$1" 2>/dev/null
}

# Starts Xvfb on the first free display from WINE_ENV_FIRST_DISPLAY upward. Another user may
# take the same number between the check and the start, so a display that does not come up
# is given up and the search goes on.
wine_env_start_xvfb() {
    local logs=$1 n pid
    for ((n = WINE_ENV_FIRST_DISPLAY; n < WINE_ENV_FIRST_DISPLAY + 50; n++)); do
        wine_env_display_free "$n" || continue
        setsid Xvfb ":$n" -screen 0 "$WINE_ENV_SCREEN" -nolisten tcp \
            </dev/null >"$logs/xvfb.log" 2>&1 &
        pid=$!
        if wine_env_wait_for 15 wine_env_display_up "$n"; then
            WINE_ENV_XVFB_PID=$pid
            WINE_ENV_DISPLAY=":$n"
            return 0
        fi
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    wine_env_log "no free X display from :$WINE_ENV_FIRST_DISPLAY upward"
    return 1
}

# Ends a process only if it is still the Xvfb we started (pids are reused).
wine_env_stop_xvfb() {
    local pid=$1
    wine_env_pid_alive "$pid" || return 0
    if ! tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q '^Xvfb '; then
        return 0
    fi
    kill "$pid" 2>/dev/null
    wine_env_wait_for 10 eval "! kill -0 $pid 2>/dev/null" || kill -9 "$pid" 2>/dev/null
}

# Encodes TEXT as the hex bytes of a .reg REG_MULTI_SZ value (UTF-16LE, double NUL at the end).
wine_env_reg_multi_sz() {
    printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 |
        tr -s ' \n' ' ' | sed -e 's/^ //' -e 's/ $//' -e 's/ /,/g' -e 's/$/,00,00,00,00/'
}

# Wine's own virtual desktop: with no window manager on the display, windows would have no
# title bars; inside the desktop Wine draws them as Windows does, and they show on screenshots.
wine_env_desktop_registry() {
    local size=${WINE_ENV_SCREEN%x*}
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n'
    printf '"Desktop"="Default"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n'
    printf '"Default"="%s"\r\n\r\n' "$size"
}

# Japanese glyphs for the dialog fonts: link IPA Gothic behind Tahoma and MS Shell Dlg, and
# let the usual Japanese UI font names resolve to it.
wine_env_font_registry() {
    local link
    link=$(wine_env_reg_multi_sz "ipag.ttf,IPAGothic")
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
    printf '"Tahoma"=hex(7):%s\r\n' "$link"
    printf '"MS Shell Dlg"=hex(7):%s\r\n' "$link"
    printf '"MS Shell Dlg 2"=hex(7):%s\r\n\r\n' "$link"
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
    printf '"ＭＳ ゴシック"="IPAGothic"\r\n'
    printf '"ＭＳ Ｐゴシック"="IPAGothic"\r\n'
    printf '"MS Gothic"="IPAGothic"\r\n'
    printf '"MS PGothic"="IPAGothic"\r\n\r\n'
}

# The part of a 64-bit Windows registry that Wine writes only from the 32-bit half of its setup,
# which needs Wine's i386 packages: the vendor's 32-bit installers, and the programs that look
# where they look, find the setup folders, the logon Run keys and the uninstall root in the
# 32-bit view.
wine_env_wow64_registry() {
    local key='HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows\CurrentVersion'
    printf '[%s]\r\n' "$key"
    printf '"ProgramFilesDir"="C:\\\\Program Files (x86)"\r\n'
    printf '"CommonFilesDir"="C:\\\\Program Files (x86)\\\\Common Files"\r\n\r\n'
    printf '[%s\\Run]\r\n\r\n' "$key"
    printf '[%s\\RunOnce]\r\n\r\n' "$key"
    printf '[%s\\Uninstall]\r\n\r\n' "$key"
}

# Sets the Windows version Wine reports to every program started afterwards.
wine_env_set_windows_version() {
    local version=${1:-$WINE_ENV_DEFAULT_VERSION}
    case "$version" in
    win10 | win81 | win8 | win7 | vista | win2003 | winxp | winxp64 | win2k) ;;
    *)
        wine_env_log "unknown Windows version '$version'"
        return 1
        ;;
    esac
    wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$version" /f >/dev/null 2>&1
}

wine_env_write_env_file() {
    local file=$1 artefacts=$2
    local artefacts_windows="Z:${artefacts//\//\\}"
    {
        echo "# Written by scripts/wine-env.sh setup; read by tests/e2e/wine-run.sh."
        printf 'export WINEPREFIX=%q\n' "$WINEPREFIX"
        printf 'export WINEDEBUG=%q\n' "$WINEDEBUG"
        printf 'export WINEDLLOVERRIDES=%q\n' "$WINEDLLOVERRIDES"
        printf 'export WINEARCH=%q\n' "$WINEARCH"
        printf 'export DISPLAY=%q\n' "$DISPLAY"
        printf 'export LANG=%q\n' "$LANG"
        printf 'export VELNORA_ARTEFACTS=%q\n' "$artefacts_windows"
        printf 'export VELNORA_ARTEFACTS_UNIX=%q\n' "$artefacts"
        printf 'export VELNORA_WINE_DEFAULT_VERSION=%q\n' "$WINE_ENV_DEFAULT_VERSION"
        printf 'VELNORA_XVFB_PID=%q\n' "$WINE_ENV_XVFB_PID"
    } >"$file"
}

wine_env_setup() {
    local build_dir
    build_dir=$(cd "${1:?build folder}" && pwd) || return 1
    local prefix="$build_dir/wineprefix" logs="$build_dir/wine-logs"
    local artefacts="$build_dir/artefacts" env_file="$build_dir/wine.env"

    # A run that died may have left its display and server behind.
    if [ -f "$env_file" ]; then
        wine_env_teardown "$build_dir" || true
    fi
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix" "$artefacts" "$logs"
    mkdir -p "$prefix" "$artefacts" "$logs" || return 1

    wine_env_start_xvfb "$logs" || return 1

    # The desktop-menu builder would hold the targets of every new shortcut open for a while,
    # so that tests could not delete or replace them.
    export WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win64 DISPLAY=$WINE_ENV_DISPLAY \
        WINEDLLOVERRIDES=winemenubuilder.exe=d
    case "${LANG:-C}" in
    C | POSIX) export LANG=C.UTF-8 ;;
    esac

    # The add-on installers for .NET and the HTML engine would wait for a download dialog.
    wine_env_log "creating $prefix on display $DISPLAY"
    if ! WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mscoree=;mshtml=" wineboot -i </dev/null >"$logs/wineboot.log" 2>&1; then
        wine_env_log "wineboot failed, see $logs/wineboot.log"
        wine_env_stop_xvfb "$WINE_ENV_XVFB_PID"
        return 1
    fi
    local reg_file="$logs/settings.reg"
    {
        printf '\xff\xfe'
        {
            printf 'Windows Registry Editor Version 5.00\r\n\r\n'
            wine_env_font_registry
            wine_env_desktop_registry
            wine_env_wow64_registry
        } | iconv -f UTF-8 -t UTF-16LE
    } >"$reg_file"
    # The settings go in while no desktop runs yet; wineserver -w returns once the boot and
    # the import are complete and the registry is on disk.
    if ! wine regedit /S "Z:${reg_file//\//\\}" </dev/null >>"$logs/wineboot.log" 2>&1 ||
        ! wine_env_set_windows_version "$WINE_ENV_DEFAULT_VERSION" </dev/null; then
        wine_env_log "could not import $reg_file or set the Windows version"
        wine_env_teardown_current
        return 1
    fi
    wineserver -w

    # From here on one server lives until teardown, so short runs do not each pay for a start.
    setsid "$(wine_env_server_binary)" -p </dev/null >"$logs/wineserver.log" 2>&1

    wine_env_write_env_file "$env_file" "$artefacts"
    wine_env_log "ready: $env_file"
}

# Stops what the setup of this shell started (used when the setup fails half-way).
wine_env_teardown_current() {
    wineserver -k >/dev/null 2>&1 || true
    wine_env_stop_xvfb "$WINE_ENV_XVFB_PID"
}

# Screenshots are saved by the Windows programs as .bmp; PNG is what people look at.
wine_env_convert_screenshots() {
    local artefacts=$1 bmp
    command -v convert >/dev/null 2>&1 || return 0
    for bmp in "$artefacts"/*.bmp; do
        [ -e "$bmp" ] || continue
        if convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null; then
            rm -f "$bmp"
        fi
    done
}

wine_env_teardown() {
    local build_dir
    build_dir=$(cd "${1:?build folder}" && pwd) || return 1
    local env_file="$build_dir/wine.env"
    if [ ! -f "$env_file" ]; then
        wine_env_log "nothing to tear down in $build_dir"
        return 0
    fi
    (
        # shellcheck source=/dev/null
        . "$env_file"
        wineserver -k >/dev/null 2>&1 || true
        wine_env_stop_xvfb "$VELNORA_XVFB_PID"
        wine_env_convert_screenshots "$VELNORA_ARTEFACTS_UNIX"
    )
    rm -f "$env_file"
}

wine_env_main() {
    local command=$1 build_dir=$2
    case "$command" in
    setup) wine_env_setup "$build_dir" ;;
    teardown) wine_env_teardown "$build_dir" ;;
    version)
        # shellcheck source=/dev/null
        . "$build_dir/wine.env" && wine_env_set_windows_version "$3"
        ;;
    *)
        echo "usage: $0 setup|teardown BUILD_DIR | version BUILD_DIR VERSION" >&2
        return 2
        ;;
    esac
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    wine_env_main "$@"
fi
