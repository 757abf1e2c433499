#!/usr/bin/env bash
# Runs every benchmark program of the plain build. Figures belong in docs/performance.md.
set -euo pipefail
cd "$(dirname "$0")/.."
# The codec benchmark also runs on a corpus of real files when it is there.
export TESS_CODEC_CORPUS=${TESS_CODEC_CORPUS:-build/codec-corpus}
[[ -d "$TESS_CODEC_CORPUS" ]] || ./scripts/make-codec-corpus.sh "$TESS_CODEC_CORPUS" >/dev/null
for bench in build/*/bench/*_bench; do
    [[ -x "$bench" ]] || continue
    echo "== $bench"
    "$bench" --benchmark_color=false "$@"
done
