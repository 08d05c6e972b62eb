#!/usr/bin/env bash
# tests/web/run.sh [SITE_DIR]: the player in headless Chromium, then the web benchmarks.
# Builds what it needs: mavtool (build/release), the web player (scripts/build-web.sh, into
# build/web/player), the pixel kernels' tests for node, the display timing loop natively and for
# the browser, the demo title and
# its site (mavtool web, default build/web-demo-site, with demo/run-demo.input copied in).
# Prints one line per case and per figure and a summary; exits non-zero when a case failed,
# something did not build or a figure could not be measured. MAVLET_WEB_BENCH=0 skips the
# benchmarks. Everything is served from 127.0.0.1 only; nothing is fetched from the internet.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
site=${1:-$root/build/web-demo-site}
start=$(date +%s)
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work} CCACHE_NOHASHDIR=1
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs
log=$(mktemp "${TMPDIR:-/tmp}/mavlet-web-run.XXXXXX")
trap 'rm -f "$log"' EXIT

step() {  # step NAME COMMAND...: runs a build step quietly, its log's tail on failure
    local name=$1
    shift
    if ! "$@" >"$log" 2>&1; then
        echo "FAIL $name:"
        tail -n 30 "$log" | sed 's/^/    /'
        exit 1
    fi
}

[ -x /usr/bin/chromium ] || { echo "FAIL: no /usr/bin/chromium (scripts/setup-web.sh installs it)"; exit 1; }
step "native configure" cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMAVLET_WERROR=ON
step "native build" nice -n 10 cmake --build build/release -j2 --target mavtool bench_display_speed
step "web player build" nice -n 10 scripts/build-web.sh
step "web timing loop build" nice -n 10 cmake --build build/web -j2 --target bench_display_speed
step "web kernel tests build" nice -n 10 cmake --build build/web -j2 --target web_kernel_tests
tool=build/release/tools/mavtool/mavtool
step "demo title" "$tool" title build demo/title build/web-demo-title
rm -rf "$site"
step "demo site" "$tool" web build/web-demo-title "$site" --player build/web/player
cp demo/run-demo.input "$site/"
built=$(date +%s)
echo "web: built in $((built - start)) s"

status=0
if python3 tests/web/harness_test.py >"$log" 2>&1; then
    echo "ok   web harness tests ($(grep -E '^Ran ' "$log"))"
else
    status=1
    echo "FAIL web harness tests:"
    tail -n 30 "$log" | sed 's/^/    /'
fi
kernels=build/web/tests/web/kernels/web_kernel_tests.js
if node --no-experimental-fetch "$kernels" >"$log" 2>&1; then
    echo "ok   web kernel tests in node ($(grep -E '^\[  PASSED  \]' "$log"))"
else
    status=1
    echo "FAIL web kernel tests in node:"
    grep -E '^\[  FAILED  \]|Failure|error' "$log" | head -n 30 | sed 's/^/    /'
fi
python3 tests/web/run_tests.py "$site" --mavtool "$tool" || status=1
tested=$(date +%s)
if [ "${MAVLET_WEB_BENCH:-1}" != 0 ]; then
    python3 bench/web/run_bench.py "$site" --speed-dir build/web/bench/web \
        --native-speed build/release/bench/web/bench_display_speed || status=1
fi
end=$(date +%s)
echo "web: build $((built - start)) s, tests $((tested - built)) s, benchmarks $((end - tested)) s," \
    "$([ $status = 0 ] && echo passed || echo FAILED)"
exit $status
