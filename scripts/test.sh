#!/usr/bin/env bash
# Builds and runs every test: the normal build (g++), the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, second build folder), then each fuzz target briefly.
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

echo "== build (clang, AddressSanitizer + UndefinedBehaviorSanitizer, fuzz targets)"
CC=clang CXX=clang++ cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMAVLET_WERROR=ON -DMAVLET_SANITIZE=ON -DMAVLET_FUZZ=ON -DMAVLET_BENCH=OFF >/dev/null
cmake --build build/sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build/sanitize || status=1

if [ "$fuzz_seconds" -gt 0 ]; then
  echo "== fuzz (${fuzz_seconds} s per target)"
  while IFS= read -r target; do
    name=$(basename "$target")
    seeds="fuzz/corpus/$name"
    work=$(mktemp -d)
    [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/ 2>/dev/null || true
    if "$target" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 \
        -artifact_prefix="build/sanitize/$name-" "$work" >"build/sanitize/$name.log" 2>&1; then
      echo "fuzz $name: ok ($(grep -Eo '#[0-9]+' "build/sanitize/$name.log" | tail -n 1 | tr -d '#') runs)"
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
