#!/usr/bin/env bash
# Pictures of every window of QUENDA, saved as PNG files.
#   1. quenda-screens drives the real main window against the simulated radio in-process on the
#      offscreen platform and grabs each window (main window, four pages, port list, both
#      connection dialogs, reading and saving windows, About box, backups, compare, the
#      communication log).
#   2. The real QUENDA and k7v4-sim run under Xvfb; the whole screen is captured with import,
#      at start and, when xdotool is there to press "打开", after a real read over a
#      pseudo-terminal (about 15 s: soft diagnosis tries 4800 baud, then 9600, then the read).
# Usage: scripts/screenshots.sh [output folder]   (default build/screenshots)
# QUENDA_BUILD_DIR chooses the build folder (default build).
set -euo pipefail
cd "$(dirname "$0")/.."

build="${QUENDA_BUILD_DIR:-build}"
out="${1:-build/screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"

for tool in xvfb-run import; do
    command -v "$tool" >/dev/null || { echo "screenshots.sh: $tool is missing" >&2; exit 1; }
done

echo "== build ($build)" >&2
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target QUENDA k7v4-sim quenda-screens >&2

echo "== windows grabbed on the offscreen platform" >&2
QT_QPA_PLATFORM=offscreen "$build/bin/quenda-screens" "$out"

echo "== the real program under Xvfb" >&2
work="$(mktemp -d)"
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
# A program folder of its own: para.ini and the ports folder live beside the executable.
cp "$build/bin/QUENDA" "$work/QUENDA"
echo 1 >"$work/para.ini"
"$build/bin/k7v4-sim" --ports "$work/ports" --com 1 </dev/null >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -L "$work/ports/com1" ] && break; sleep 0.1; done
[ -L "$work/ports/com1" ] || { echo "k7v4-sim did not start:" >&2; cat "$work/sim.log" >&2; exit 1; }

export work out
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
    set -u
    "$work/QUENDA" 2>"$work/quenda.log" &
    app=$!
    wid=""
    for _ in $(seq 100); do
        wid=$(xdotool search --name "^QUENDA\$" 2>/dev/null | head -1 || true)
        [ -n "$wid" ] && break
        sleep 0.1
    done
    sleep 1
    import -window root "$out/20-xvfb-start.png"
    echo "$out/20-xvfb-start.png"
    if [ -n "$wid" ] && command -v xdotool >/dev/null; then
        # Buttons by their place in dialog units (window 379 x 185): "打开" 15,65,66,16; "退出" 15,136,66,16.
        eval "$(xdotool getwindowgeometry --shell "$wid")"
        click() { xdotool mousemove --window "$wid" $((WIDTH * $1 / 379)) $((HEIGHT * $2 / 185)) click 1; }
        click 48 73
        for _ in $(seq 300); do grep -q "ATP0?" "$work/sim.log" && break; sleep 0.1; done
        sleep 4 # the 2 s pause after "ATP0?", then the pages are filled
        import -window root "$out/21-xvfb-after-read.png"
        echo "$out/21-xvfb-after-read.png"
        click 48 144
        for _ in $(seq 50); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
    fi
    kill $app 2>/dev/null || true
    wait $app 2>/dev/null || true
'
grep -q "ATA" "$work/sim.log" && echo "k7v4-sim saw the read and the closing ATA" >&2 || true
echo "Pictures in $out" >&2
