#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a fixed time each.
# usage: run-fuzzers.sh BUILD_DIR SECONDS
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
seconds=${2:-20}
top=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
found=0
while IFS= read -r target; do
    found=1
    name=$(basename "$target")
    corpus="$scratch/$name"
    mkdir -p "$corpus"
    seeds="$top/tessnet/fuzz/corpus/${name%_portable}"
    if [[ -d "$seeds" ]]; then cp -r "$seeds"/. "$corpus"/; fi
    echo "== $name for ${seconds}s"
    # Crash reproducers land in the build folder.
    (cd "$build" && "$target" -max_total_time="$seconds" -max_len=70000 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$corpus" 2>&1 | tail -n 12) ||
        { echo "$name failed"; exit 1; }
done < <(find "$build" -type f -name 'fuzz_*' -perm -u+x | sort)
[[ $found -eq 1 ]] || { echo "no fuzz targets in $build"; exit 1; }
