#!/usr/bin/env bash
# Retakes the screenshots in docs/ from the real program under a private Xvfb: the splash, then the
# generate, settings and about pages of the main window. The settings make the program generate a 128-bit
# dictionary key at start-up, so the generate page shows one (a different one each time).
# Needs xvfb, xdotool and imagemagick (import). Usage: tools/screenshots.sh [path to tavrix]
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TAVRIX="${1:-$ROOT/build/tavrix}"
OUT="$ROOT/docs"
[ -x "$TAVRIX" ] || { echo "no program at $TAVRIX; build first (scripts/run.sh or cmake --build build)" >&2; exit 1; }
for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install xvfb xdotool imagemagick)" >&2; exit 1; }
done

SCRATCH=$(mktemp -d)
XVFB_PID=""
APP_PID=""
cleanup() {
    [ -z "$APP_PID" ] || kill "$APP_PID" 2>/dev/null || true
    [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$SCRATCH"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$SCRATCH/display" 2>/dev/null &
XVFB_PID=$!
for ((i = 0; i < 100; ++i)); do
    [ -s "$SCRATCH/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(head -n1 "$SCRATCH/display")"

mkdir -p "$SCRATCH/config/Tavrix"
cat >"$SCRATCH/config/Tavrix/Tavrix.conf" <<'CONF'
[Settings]
Generate%20On%20Startup=1
ASCII%20Mode=1
Key%20Strength=1
Key%20Type=1
Copy%20Key%20To%20Clipboard=0
Generate%20On%20Change=0
CONF
XDG_CONFIG_HOME="$SCRATCH/config" QT_QPA_PLATFORM=xcb "$TAVRIX" >"$SCRATCH/tavrix.log" 2>&1 &
APP_PID=$!

# The splash: the program's first visible window, shown for 1.5 s.
splash=$(timeout 10 xdotool search --sync --onlyvisible --pid "$APP_PID" | head -n1)
sleep 0.4
import -window "$splash" "$OUT/splash.png"

main=$(timeout 10 xdotool search --sync --onlyvisible --name '^Tavrix v1' | head -n1)
sleep 0.5
import -window "$main" "$OUT/page-generate.png"

# The page buttons along the top edge: Generate, Settings, About, 72 pixels wide each.
shoot_page() {
    xdotool mousemove --window "$main" "$1" 11 click 1
    xdotool mousemove --window "$main" 360 180 # leave no hover highlight on the button
    sleep 0.4
    import -window "$main" "$OUT/$2"
}
shoot_page 108 page-settings.png
shoot_page 180 page-about.png

echo "wrote $OUT/splash.png, page-generate.png, page-settings.png, page-about.png"
