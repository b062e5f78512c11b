# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Helpers for the install tests, sourced: a private X server, a fresh settings store, the program started
# under them, and a look at the clipboard. Everything started here is stopped by xsession_cleanup, which
# the sourcing script runs from its EXIT trap.

XSESSION_XVFB_PID=""
XSESSION_BUS_PID=""
XSESSION_APP_PID=""

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Starts Xvfb on a free display and exports DISPLAY. $1: a scratch folder. -noreset: otherwise the server resets
# whenever its last client leaves (an xclip that looked at the clipboard, a program just stopped), and a
# program connecting in that moment is refused ("could not connect to display").
xsession_start_x() {
    local scratch=$1 i
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$scratch/display" 2>"$scratch/xvfb.log" &
    XSESSION_XVFB_PID=$!
    for ((i = 0; i < 100; ++i)); do
        [ -s "$scratch/display" ] && break
        kill -0 "$XSESSION_XVFB_PID" 2>/dev/null || fail "Xvfb did not start: $(cat "$scratch/xvfb.log")"
        sleep 0.1
    done
    [ -s "$scratch/display" ] || fail "Xvfb gave no display number within 10 s"
    export DISPLAY=":$(head -n1 "$scratch/display")"
    # A session bus of the session's own: without one, the program would launch a bus itself that
    # outlives it and the X server.
    if command -v dbus-daemon >/dev/null; then
        dbus-daemon --session --nofork --print-address=3 3>"$scratch/bus" 2>"$scratch/bus.log" &
        XSESSION_BUS_PID=$!
        for ((i = 0; i < 100; ++i)); do
            [ -s "$scratch/bus" ] && break
            sleep 0.1
        done
        [ -s "$scratch/bus" ] || fail "dbus-daemon gave no address within 10 s: $(cat "$scratch/bus.log")"
        export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$scratch/bus")
    else
        export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/tavrix-install-no-bus
    fi
}

# Writes a settings store that makes the program generate an ASCII dictionary key of 13 characters
# (128 bit) at start-up and copy it to the clipboard. $1: the folder to use as XDG_CONFIG_HOME.
xsession_write_dictionary_store() {
    mkdir -p "$1/Tavrix"
    cat >"$1/Tavrix/Tavrix.conf" <<'CONF'
[Settings]
Generate%20On%20Startup=1
ASCII%20Mode=1
Key%20Strength=1
Key%20Type=1
Copy%20Key%20To%20Clipboard=1
CONF
}

# Starts a program in the background with XDG_CONFIG_HOME=$2. $1: the program; $3: its output file. It runs
# in a folder of its own beside the output file, with core dumps allowed, so that a crash leaves its core
# there for xsession_report_end.
xsession_launch() {
    XSESSION_APP_LOG=$3
    XSESSION_APP_PROGRAM=$(command -v "$1" || echo "$1")
    XSESSION_APP_DIR="$(dirname "$3")/program-run"
    mkdir -p "$XSESSION_APP_DIR"
    (cd "$XSESSION_APP_DIR" && ulimit -c unlimited 2>/dev/null; XDG_CONFIG_HOME=$2 exec "$1") >"$3" 2>&1 &
    XSESSION_APP_PID=$!
}

# Prints the clipboard's text once it holds some, within $1 seconds; fails otherwise.
xsession_wait_clipboard() {
    local deadline=$((SECONDS + $1)) text
    while ((SECONDS < deadline)); do
        if ! kill -0 "$XSESSION_APP_PID" 2>/dev/null; then
            return 2
        fi
        text=$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)
        if [ -n "$text" ]; then
            printf '%s\n' "$text"
            return 0
        fi
        sleep 0.2
    done
    fail "the clipboard stayed empty for $1 s"
}

# The program started by xsession_launch has ended too early: says how (exit status or signal), what it
# printed, and, when it left a core, the backtrace of every thread; then fails.
xsession_report_end() {
    local status=0 core
    wait "$XSESSION_APP_PID" 2>/dev/null || status=$?
    XSESSION_APP_PID=""
    {
        if ((status > 128)); then
            echo "the program ended before it filled the clipboard: killed by signal $((status - 128)) ($(kill -l $((status - 128)) 2>/dev/null))"
        else
            echo "the program ended before it filled the clipboard, with exit status $status"
        fi
        echo "--- its output ---"
        cat "$XSESSION_APP_LOG" 2>/dev/null
        echo "--- end of its output ---"
        core=$(find "$XSESSION_APP_DIR" -maxdepth 1 -name 'core*' -type f | head -n1)
        if [ -n "$core" ] && command -v gdb >/dev/null; then
            echo "--- backtrace from $core ---"
            timeout 120 gdb -batch -nx -ex "thread apply all bt" "$XSESSION_APP_PROGRAM" "$core" 2>&1
        elif [ -n "$core" ]; then
            echo "core file $core left; gdb is not installed to read it"
        else
            echo "no core file in $XSESSION_APP_DIR (core pattern: $(cat /proc/sys/kernel/core_pattern 2>/dev/null))"
        fi
    } >&2
    fail "the installed program died"
}

# Starts $1 with XDG_CONFIG_HOME=$2 (output to $3) and sets XSESSION_KEY to the key it puts on the
# clipboard within 20 s. A program that ends before that fails the test with xsession_report_end; it is not
# started again, so an intermittent crash is seen. Runs in the calling shell, so that xsession_cleanup
# still knows the program it started.
xsession_key_from_program() {
    local status=0
    xsession_launch "$1" "$2" "$3"
    XSESSION_KEY=$(xsession_wait_clipboard 20) || status=$?
    ((status == 0)) && return 0
    ((status == 2)) && xsession_report_end
    exit "$status"
}

# Succeeds when a window titled exactly $1 appears within $2 seconds.
xsession_wait_window() {
    timeout "$2" xdotool search --sync --name "^$1\$" >/dev/null 2>&1
}

# Checks that $1 is a 13-character dictionary key whose words all occur in the word list $2: at least
# two words (13 characters cannot be one word of 3 to 9 letters), lower case, joined by single hyphens.
xsession_check_dictionary_key() {
    local key=$1 words=$2 word
    [[ $key =~ ^[a-z]+(-[a-z]+)+$ ]] || fail "\"$key\" is not made of words joined by hyphens"
    ((${#key} == 13)) || fail "\"$key\" has ${#key} characters, not 13"
    for word in ${key//-/ }; do
        awk -v w="$word" '{ sub(/\r$/, "") } $0 == w { found = 1; exit } END { exit !found }' "$words" ||
            fail "\"$word\" of key \"$key\" is not in $words"
    done
}

xsession_stop_app() {
    if [ -n "$XSESSION_APP_PID" ]; then
        kill "$XSESSION_APP_PID" 2>/dev/null || true
        wait "$XSESSION_APP_PID" 2>/dev/null || true
        XSESSION_APP_PID=""
    fi
}

xsession_cleanup() {
    xsession_stop_app
    if [ -n "$XSESSION_BUS_PID" ]; then
        kill "$XSESSION_BUS_PID" 2>/dev/null || true
        wait "$XSESSION_BUS_PID" 2>/dev/null || true
        XSESSION_BUS_PID=""
    fi
    if [ -n "$XSESSION_XVFB_PID" ]; then
        kill "$XSESSION_XVFB_PID" 2>/dev/null || true
        wait "$XSESSION_XVFB_PID" 2>/dev/null || true
        XSESSION_XVFB_PID=""
    fi
}
