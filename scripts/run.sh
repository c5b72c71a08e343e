#!/usr/bin/env bash
# Installs what is missing, builds QUENDA and the simulated K7V4, and starts both:
# the radio in this terminal (it prints the traffic; Enter switches it on with CONFIG held),
# QUENDA in its own window. Closing QUENDA stops the radio, which keeps its stored settings
# in build/k7v4-sim.state for the next run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target QUENDA k7v4-sim

gui=(build/bin/QUENDA)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: QUENDA runs on a virtual X display (xvfb-run)."
    gui=(xvfb-run -a -s "-screen 0 1024x768x24" build/bin/QUENDA)
fi

echo "In QUENDA: right-click the window's free area, 选择端口... and click port 1 (the simulated radio), then 打开."
# QUENDA runs beside the radio; when it ends, it stops the radio (this shell's pid after exec).
( "${gui[@]}"; kill -TERM $$ 2>/dev/null ) &
exec build/bin/k7v4-sim --com 1 --state build/k7v4-sim.state --save
