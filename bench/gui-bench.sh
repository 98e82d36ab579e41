#!/usr/bin/env bash
# Measures the main window: a whole scan through the window against quorvane-scan on the same trees
# (taking turns), the tree fill on the GUI thread, the longest event-loop pause during a scan, expanding
# the largest node, Largest First and back, Apply, "*" and collapse on the root, peak memory, and five
# scans in a row in one window. Runs on the offscreen platform; no display needed.
#   bench/gui-bench.sh [TREE...]     default: a made-up tree under /tmp, and /usr
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target quorvane-guibench quorvane-scan >/dev/null
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"

made=${QV_GUIBENCH_TREE:-/tmp/quorvane-guibench-tree}
if [ ! -d "$made" ]; then
    # 1,000 directories of 200 files, each file of its own extension (so 200 groups per directory), and
    # one directory of 100,000 files with 100,000 extensions: about 301,000 records.
    python3 - "$made" <<'PY'
import os, sys
root = sys.argv[1]
for d in range(1000):
    p = os.path.join(root, "d%04d" % d)
    os.makedirs(p)
    for f in range(200):
        with open(os.path.join(p, "f%d.e%d" % (f, f)), "wb") as out:
            out.write(b"x" * (f * 37))
wide = os.path.join(root, "wide")
os.makedirs(wide)
for f in range(100000):
    open(os.path.join(wide, "w.x%06d" % f), "wb").close()
PY
fi

trees=("$@")
[ ${#trees[@]} -eq 0 ] && trees=("$made" /usr)
for tree in "${trees[@]}"; do
    echo "== $tree"
    build/tools/quorvane-scan "$tree" >/dev/null # warm the caches
    for i in 1 2 3; do
        /usr/bin/time -f "quorvane-scan: %e s, peak RSS %M KB" build/tools/quorvane-scan "$tree" 2>&1 >/dev/null \
            | tail -1
        build/bench/quorvane-guibench scan "$tree" 2>/dev/null
    done
    build/bench/quorvane-guibench repeat "$tree" 5 2>/dev/null
done
echo "== made-up tree in memory: 1,000,000 records, one node of 100,000 children"
build/bench/quorvane-guibench tree 1000000 100000 2>/dev/null
