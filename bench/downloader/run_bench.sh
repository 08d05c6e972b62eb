#!/usr/bin/env bash
# Download speed of `quillget --batch` against the curl tool, same file, same loopback server,
# same run: prints each one's best of three, the throughput ratio and the CPU that quillget spends
# beyond curl's (as a share of one core while downloading).
#   bench/downloader/run_bench.sh [BUILD_DIR] [MIB]     (defaults: build/release, 1024)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
mib=${2:-1024}
server=$build/bench/downloader/quillget_bench_server
quillget=$build/downloader/quillget
[ -x "$server" ] && [ -x "$quillget" ] || { echo "build $server and $quillget first" >&2; exit 1; }
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
"$server" 600 >"$work/port" &
pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
size=$((mib * 1048576))
url="http://127.0.0.1:$port/plain/$size/big.dat"
printf 'Benchmark\n%s\tbig.dat\t%s\n' "$url" "$size" >"$work/qldlfile.dat"

measure() {  # prints "wall cpu" in seconds for the command
  local t0 t1 c
  t0=$(date +%s.%N)
  c=$( { TIMEFORMAT='%U %S'; time "$@" >/dev/null 2>&1; } 2>&1 )
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" -v c="$c" 'BEGIN { split(c, u, " "); printf "%.3f %.3f\n", b - a, u[1] + u[2] }'
}

best_curl="" best_q=""
for round in 1 2 3; do
  r=$(measure curl -sS --fail -o "$work/curl.dat" "$url")
  [ "$(stat -c %s "$work/curl.dat")" = "$size" ] || { echo "curl fetched a wrong size" >&2; exit 1; }
  rm -f "$work/curl.dat"; sync
  best_curl=$(printf '%s\n%s\n' "$best_curl" "$r" | awk 'NF' | sort -n | head -n 1)
  r=$(measure "$quillget" --batch --folder "$work")
  [ "$(stat -c %s "$work/big.dat")" = "$size" ] || { echo "quillget fetched a wrong size" >&2; exit 1; }
  rm -f "$work/big.dat"; sync
  best_q=$(printf '%s\n%s\n' "$best_q" "$r" | awk 'NF' | sort -n | head -n 1)
done
awk -v m="$mib" -v c="$best_curl" -v q="$best_q" 'BEGIN {
  split(c, C, " "); split(q, Q, " ");
  printf "download %d MiB over loopback (best of 3)\n", m;
  printf "  curl      %7.3f s  %8.1f MiB/s  cpu %.3f s\n", C[1], m / C[1], C[2];
  printf "  quillget  %7.3f s  %8.1f MiB/s  cpu %.3f s\n", Q[1], m / Q[1], Q[2];
  printf "  throughput ratio quillget/curl: %.3f\n", C[1] / Q[1];
  printf "  cpu beyond curl: %.1f%% of a core\n", 100 * (Q[2] - C[2]) / Q[1];
}'
