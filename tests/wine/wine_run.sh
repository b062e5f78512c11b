#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one Windows program under Wine (wine64, through Debian's wine) as CTest's emulator for the Windows build:
#   wine_run.sh TEMPLATE PROGRAM.exe [ARGUMENT...]
# Each run gets a fresh Wine prefix, made from TEMPLATE (made once, by the first run that finds none), and
# an Xvfb display of its own, both removed afterwards. Wine passes no QT_* variable from the Linux
# environment to a Windows program, so each is handed on as WINEQT_*, which Wine passes as QT_*. A QtTest
# program writes its log to a file (with its output on a pipe it would write through OutputDebugString),
# which is printed when it ends. The program's exit status is this script's.
set -euo pipefail
# A step of the set-up that fails says which, rather than ending the test without a word.
trap 'echo "wine_run.sh: \"$BASH_COMMAND\" failed (line $LINENO)" >&2' ERR

template="$1"
shift
program="$1"
shift

export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="

# The template prefix, made once under a lock, since CTest starts several runs at a time.
if [ ! -f "$template/.ready" ]; then
    mkdir -p "$(dirname "$template")"
    exec 8>"$template.lock"
    flock 8
    if [ ! -f "$template/.ready" ]; then
        rm -rf "$template"
        WINEPREFIX="$template" wineboot -i >/dev/null 2>&1
        # Wine has no Courier New, which every Windows has: Liberation Mono, made with the same metrics,
        # stands in for it.
        WINEPREFIX="$template" wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' \
            /d 'Liberation Mono' /f >/dev/null 2>&1
        WINEPREFIX="$template" wineserver -w
        touch "$template/.ready"
    fi
    flock -u 8
    exec 8>&-
fi

# Beside the template, on its file system, so that its files can be linked.
work="$(mktemp -d "$template.run.XXXXXX")"
xvfb_pid=
cleanup() {
    WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# The prefix's files linked, not copied (it is about 700 MB, mostly the system's DLLs, which no run changes);
# the registry files, which Wine rewrites, are copies.
cp -al "$template" "$work/prefix"
for hive in "$work"/prefix/*.reg; do
    rm "$hive"
    cp "$template/$(basename "$hive")" "$hive"
done
export WINEPREFIX="$work/prefix"

# A display of its own: Xvfb picks a free number and writes it to the descriptor given.
if [ -z "${TAVRIX_WINE_KEEP_DISPLAY:-}" ]; then
    mkfifo "$work/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    read -r number <"$work/display"
    export DISPLAY=":$number"
fi

while IFS='=' read -r name _; do
    case "$name" in QT_*) export "WINE$name=${!name}" ;; esac
done < <(env)

arguments=("$@")
log=
case "$(basename "$program")" in
tst_*)
    log="$work/log.txt"
    arguments+=(-o "Z:$log,txt")
    ;;
esac

status=0
wine "$program" "${arguments[@]}" || status=$?
[ -n "$log" ] && [ -f "$log" ] && cat "$log"
exit "$status"
