#!/usr/bin/env bash
# Runs every benchmark program of the plain build. Figures belong in docs/performance.md.
set -euo pipefail
cd "$(dirname "$0")/.."
for bench in build/*/bench/*_bench; do
    [[ -x "$bench" ]] || continue
    echo "== $bench"
    "$bench" --benchmark_color=false "$@"
done
