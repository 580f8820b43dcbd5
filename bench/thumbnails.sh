#!/usr/bin/env bash
# Thumbnail throughput: 200 photo-like 1600x1200 PNGs made into 360-px thumbnails
# by the gallery store (Google Benchmark, cold cache, Qt's global thread pool)
# and by vipsthumbnail (two processes side by side, 100 files each).
# Then the index-write benchmarks. Usage: bench/thumbnails.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}

cmake --build "$build" --target bench_gallery scrapwick-bench-photos >/dev/null
photos=$(realpath "$build")/bench-photos
"$build/bin/scrapwick-bench-photos" "$photos" 200
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "== vipsthumbnail $(vipsthumbnail --vips-version), 2 processes, $runs runs =="
times=()
TIMEFORMAT='cpu (user + sys of both processes): %U + %S s'
for ((i = 0; i < runs; ++i)); do
  rm -f "$out"/*
  start=$(date +%s%N)
  # -s 360: longest side 360; .v is vips' own format, the cheapest to write.
  time (find "$photos" -name '*.png' -print0 | sort -z | xargs -0 -P2 -n100 vipsthumbnail -s 360 -o "$out/%s.v")
  end=$(date +%s%N)
  ms=$(((end - start) / 1000000))
  times+=("$ms")
  echo "run $((i + 1)): ${ms} ms ($(ls "$out" | wc -l) thumbnails)"
done
printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print "vipsthumbnail min " a[1] " ms, median " a[int((NR+1)/2)] " ms"}'

echo "== gallery store (and QImageReader for comparison), $runs repetitions =="
SCRAPWICK_BENCH_PHOTOS="$photos" "$build/bin/bench_gallery" --benchmark_filter=Thumbnails \
  --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=false

echo "== index writes =="
"$build/bin/bench_gallery" --benchmark_filter=Index\|Store --benchmark_repetitions="$runs" \
  --benchmark_report_aggregates_only=true
