#!/usr/bin/env bash
# The main job: install what is missing, build, and show Restova at work.
# With a display, the window opens; on its first start a worn demo recording
# waits in Bin1 (Start, File, then pick it). Without one, restova-cli
# synthesises the demo recording and restores it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
# Only what the demo runs: the tests and benchmarks wait for scripts/test.sh.
"$root/scripts/build.sh" "$root/build" --target restova-cli
cli=$root/build/app/restova-cli
gui=$root/build/app/restova
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && cmake --build "$root/build" --target help | grep -q '^restova:'; then
  cmake --build "$root/build" --target restova
  settings=${XDG_CONFIG_HOME:-$HOME/.config}/Parlowe/Restova.ini
  if [ ! -e "$settings" ]; then
    bin1=$("$cli" bins | sed -n 's/^Bin1: \(.*\) ([0-9]* songs)$/\1/p')
    work=$(mktemp -d)
    "$cli" demo "$work" >/dev/null
    mkdir -p "$bin1"
    cp "$work/Demo Record.wav" "$bin1/"
    rm -rf "$work"
  fi
  exec "$gui"
fi
work=${RESTOVA_DEMO_DIR:-$(mktemp -d)}
"$cli" demo "$work"
