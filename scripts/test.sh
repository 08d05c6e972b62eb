#!/usr/bin/env bash
# Builds and runs every test: the normal build (g++), each benchmark once as a smoke step, the
# Debian package (built and checked), clang-tidy on the changed files, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer (clang, second build folder), the audio tests
# under ThreadSanitizer (third build folder, only those targets), then each fuzz target briefly.
# The web player is built with emscripten and tested in headless Chromium (tests/web/run.sh:
# the demo's site on a loopback server, then the web benchmarks).
# MAVLET_FUZZ_SECONDS sets the time per fuzz target (default 20; 0 skips fuzzing).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

fuzz_seconds=${MAVLET_FUZZ_SECONDS:-20}
# Let ccache share objects between checkouts in different folders (CI clones afresh).
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
jobs=$(nproc)
passed=0
failed=0

count_ctest() {  # reads ctest's summary line from its log
  local line total bad
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1 || true)
  [ -n "$line" ] || return 0
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

run_ctest() {
  local dir=$1 log
  log=$(mktemp)
  set +e
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  set -e
  count_ctest "$log"
  rm -f "$log"
  return "$rc"
}

status=0

echo "== build (g++, warnings as errors)"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMAVLET_WERROR=ON >/dev/null
cmake --build build/release -j "$jobs"
run_ctest build/release || status=1

echo "== benchmarks (each once, as a smoke test)"
while IFS= read -r bench; do
  name=$(basename "$bench")
  if "$bench" --benchmark_min_time=0.01 >"build/release/$name.log" 2>&1; then
    echo "bench $name: ok"
    passed=$((passed + 1))
  else
    echo "bench $name: FAILED (see build/release/$name.log)"
    tail -n 20 "build/release/$name.log"
    failed=$((failed + 1))
    status=1
  fi
done < <(find build/release/bench -type f -name 'bench_*' -perm -u+x 2>/dev/null | sort)

echo "== web player (emscripten build, the demo site in headless Chromium, the web benchmarks)"
# The browser libraries come from Debian's sources into a cache outside the checkout
# (~/.cache/mavlet-web), so only a fresh machine builds them (about 8 minutes on 2 cores).
bash scripts/setup-web.sh
web_log=build/web-tests.log
mkdir -p build
set +e
bash tests/web/run.sh 2>&1 | tee "$web_log"
web_rc=${PIPESTATUS[0]}
set -e
web_ok=$(grep -cE '^ok ' "$web_log" || true)
web_bad=$(grep -cE '^FAIL' "$web_log" || true)
passed=$((passed + web_ok))
failed=$((failed + web_bad))
if [ "$web_rc" -ne 0 ]; then
  [ "$web_bad" -gt 0 ] || failed=$((failed + 1))
  status=1
fi

echo "== Debian package (built from the g++ tree and checked)"
if bash scripts/package.sh >build/release/package.log 2>&1; then
  echo "package: ok ($(tail -n 1 build/release/package.log))"
  passed=$((passed + 1))
else
  echo "package: FAILED"
  tail -n 20 build/release/package.log
  failed=$((failed + 1))
  status=1
fi

echo "== clang-tidy (files changed since the merge base with main, else by the last commit)"
if command -v clang-tidy >/dev/null 2>&1; then
  base=$(git merge-base HEAD main 2>/dev/null || true)
  if [ -z "$base" ] || [ "$base" = "$(git rev-parse HEAD)" ]; then
    base=$(git rev-parse -q --verify HEAD~1 || true)
  fi
  changed=()
  if [ -n "$base" ]; then
    mapfile -t changed < <(git diff --name-only --diff-filter=d "$base" -- '*.cpp' |
      while IFS= read -r f; do grep -qF "/$f\"" build/release/compile_commands.json && echo "$f"; done)
  fi
  if [ ${#changed[@]} -eq 0 ]; then
    echo "clang-tidy: no changed sources"
  elif printf '%s\n' "${changed[@]}" | xargs -P "$jobs" -n 4 clang-tidy -p build/release --quiet \
      >build/release/clang-tidy.log 2>&1; then
    echo "clang-tidy: ok (${#changed[@]} files)"
    passed=$((passed + 1))
  else
    echo "clang-tidy: FAILED"
    grep -E 'error:|warning:' build/release/clang-tidy.log | head -n 40
    failed=$((failed + 1))
    status=1
  fi
else
  echo "clang-tidy: not installed, skipped (scripts/setup.sh installs it)"
fi

echo "== build (clang, AddressSanitizer + UndefinedBehaviorSanitizer, fuzz targets)"
CC=clang CXX=clang++ cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMAVLET_WERROR=ON -DMAVLET_SANITIZE=ON -DMAVLET_FUZZ=ON -DMAVLET_BENCH=OFF >/dev/null
cmake --build build/sanitize -j "$jobs"
# libdbus (opened by SDL) keeps its buffers until the process ends; the suppressions name it.
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/tests/lsan-suppressions.txt" \
  UBSAN_OPTIONS=print_stacktrace=1 run_ctest build/sanitize || status=1

echo "== audio tests (clang, ThreadSanitizer)"
CC=clang CXX=clang++ cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMAVLET_WERROR=ON -DMAVLET_TSAN=ON -DMAVLET_BENCH=OFF >/dev/null
cmake --build build/tsan -j "$jobs" --target audio_tests
set +e
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build/tsan/tests/media/audio_tests --gtest_brief=1 \
  >build/tsan/audio_tests.log 2>&1
tsan_rc=$?
set -e
tsan_passed=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?.*/\1/p' build/tsan/audio_tests.log | tail -n 1)
tsan_failed=$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?.*/\1/p' build/tsan/audio_tests.log | tail -n 1)
if [ "$tsan_rc" -eq 0 ]; then
  echo "tsan audio_tests: ${tsan_passed:-0} passed"
  passed=$((passed + ${tsan_passed:-0}))
else
  echo "tsan audio_tests: FAILED (see build/tsan/audio_tests.log)"
  tail -n 40 build/tsan/audio_tests.log
  passed=$((passed + ${tsan_passed:-0}))
  failed=$((failed + ${tsan_failed:-1}))
  status=1
fi

if [ "$fuzz_seconds" -gt 0 ]; then
  echo "== fuzz (${fuzz_seconds} s per target)"
  while IFS= read -r target; do
    name=$(basename "$target")
    seeds="fuzz/corpus/$name"
    work=$(mktemp -d)
    [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/ 2>/dev/null || true
    if "$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 \
        -artifact_prefix="build/sanitize/$name-" "$work" >"build/sanitize/$name.log" 2>&1; then
      # libFuzzer's closing "Done N runs" line (the recommended dictionary printed before it may
      # hold "#<digits>" of its own).
      echo "fuzz $name: ok ($(sed -nE 's/^Done ([0-9]+) runs.*/\1/p' "build/sanitize/$name.log" | tail -n 1) runs)"
      passed=$((passed + 1))
    else
      echo "fuzz $name: FAILED (see build/sanitize/$name.log)"
      tail -n 40 "build/sanitize/$name.log"
      failed=$((failed + 1))
      status=1
    fi
    rm -rf "$work"
  done < <(find build/sanitize/fuzz -type f -name 'fuzz_*' -perm -u+x | sort)
fi

echo "tests: $passed passed, $failed failed"
exit "$status"
