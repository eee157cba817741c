#!/usr/bin/env bash
# Builds and runs the extraction benchmark under Wine: a 10 MB and a 100 MB
# source file, each in a process of its own so that their peak memory can be
# compared. Writes the table to bench/RESULTS-extraction.md.
#   BUILD_DIR=... RUNS=7 bench/extraction.sh
source "$(dirname "$0")/../script/lib.sh"
RUNS=${RUNS:-7}
install_packages
build_all
make_prefix "$BUILD_DIR/test-prefix"
out="$ROOT/bench/RESULTS-extraction.md"
failed=0
rows=$(xvfb-run -a bash -c '
    wineserver -p
    wine cmd /c exit </dev/null >/dev/null 2>&1
    status=0
    for size in 10 100; do
        wine "$1/bench/extraction_bench.exe" "$size" "$2" </dev/null || status=1
    done
    wineserver -k
    exit $status' bench "$BUILD_DIR" "$RUNS") || failed=1
{
    echo "# Field extraction: time and memory"
    echo
    echo "Source file of 100-byte lines (10,000 per MB), all ten fields in use: the four"
    echo "default fields on lines near the end, fields 8 to 10 on one line each in the"
    echo "middle, the start texts of fields 5 to 7 nowhere. Floor: the same file read ten"
    echo "times with fgets alone. Times are medians of $RUNS runs, the two taking turns,"
    echo "file in the cache."
    echo "Measured $(date -u +%Y-%m-%d) under $(wine --version 2>/dev/null), $(nproc) CPUs."
    echo
    echo "| file | lines | runs | extraction ms | floor ms | ratio | peak working set MB | peak pagefile MB |"
    echo "|---|---|---|---|---|---|---|---|"
    echo "$rows"
} | tee "$out"
[ "$failed" = 0 ] || { echo "extraction_bench failed (wrong values or no file)" >&2; exit 1; }
