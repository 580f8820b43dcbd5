#!/usr/bin/env bash
# Times the capture pipeline against scrot and maim on Xvfb at 1920x1080 and
# 3840x2160, then its Wayland path (the desktop portal, in a headless sway
# session) against grim at the same sizes. Run from the repository root after
# building:
#   bench/capture-pipeline.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 1920x1080 3840x2160; do
  mkfifo "$work/display"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  read -r -t 10 number <"$work/display"
  rm "$work/display"
  DISPLAY=":$number" ./build/bin/capture_pipeline_bench ./build/bin/scrapwick-screencapture "$runs" \
    | grep -v '^crop complete' || true
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null || true
done
for size in 1920x1080 3840x2160; do
  ./build/bin/capture_pipeline_bench --wayland "$runs" "$size" 2>/dev/null | grep -v '^crop complete' || true
done
