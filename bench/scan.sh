#!/usr/bin/env bash
# Times the ARC scan on trees of 1,000, 10,000 and 100,000 files (10 files a
# directory, directories nested 3 deep) on Wine's C: drive, against a bare
# FindFirstFileA walk and cmd's dir /s over the same trees under the same Wine,
# and against the native walk (find | wc -l) on the Linux side. Prints the
# tables and writes them to bench/RESULTS-scan.md. Uses a Wine prefix of its
# own (BUILD_DIR/bench-prefix). The scan walks with the wide find functions and
# spells every name in the ANSI code page as well; "scan / bare walk" is what
# that costs over the platform's own enumeration.
#
#   bench/scan.sh [runs] [pinned|unpinned|both]     (default: 7 both)
#
# pinned: wineserver, the bench and find share one CPU. Every directory costs
# the scan a few wineserver round trips; from one CPU to another these are
# slow and vary from run to run on virtual machines, so the pinned figures
# show Wine's own cost and the unpinned ones what a user of such a machine sees.
source "$(dirname "$0")/../script/lib.sh"
runs=${1:-7}
modes=${2:-both}
[ "$modes" = both ] && modes="pinned unpinned"
dir_runs=3
sizes=(1000 10000 100000)
PACKAGES+=(python3) # makes the trees
install_packages
build_all
make_prefix "$BUILD_DIR/bench-prefix"
root=$WINEPREFIX/drive_c/bench-scan
mkdir -p "$root/empty"
cpu=$(($(nproc) - 1))

# tree-N/aXX/bYY/cZZZ/bildK.jpg: 10 x 10 x N/1000 directories of 10 files.
make_tree() {
    local files=$1 tree=$root/tree-$1
    [ -f "$tree.complete" ] && return
    rm -rf "$tree"
    python3 - "$tree" "$files" <<'PY'
import os, sys
tree, files = sys.argv[1], int(sys.argv[2])
for a in range(10):
    for b in range(10):
        for c in range(files // 1000):
            d = os.path.join(tree, f"a{a:02}", f"b{b:02}", f"c{c:03}")
            os.makedirs(d)
            for k in range(10):
                open(os.path.join(d, f"bild{k}.jpg"), "w").close()
PY
    touch "$tree.complete"
}

now_ns() { date +%s%N; }

# Median milliseconds of the native walk, after one warm-up run.
native_ms() {
    local tree=$1 pin=$2 times=() i start count
    $pin find "$tree" -type f | wc -l >/dev/null
    for ((i = 0; i < runs; i++)); do
        start=$(now_ns)
        count=$($pin find "$tree" -type f | wc -l)
        times+=($(($(now_ns) - start)))
    done
    [ "$count" -eq "${tree##*-}" ] || { echo "$tree holds $count files" >&2; exit 1; }
    printf '%s\n' "${times[@]}" | sort -n | awk -v n="${#times[@]}" 'NR == int(n / 2) + 1 { printf "%.1f", $1 / 1e6 }'
}

for n in "${sizes[@]}"; do make_tree "$n"; done

report=""
for mode in $modes; do
    pin=""
    [ "$mode" = pinned ] && pin="taskset -c $cpu"
    args=()
    for n in "${sizes[@]}"; do args+=("$n:$(native_ms "$root/tree-$n" "$pin")"); done
    table=$(PIN="$pin" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        $PIN wineserver -p
        $PIN wine cmd /c exit </dev/null >/dev/null 2>&1
        $PIN wine "$0" "$@"
        status=$?
        wineserver -k
        exit $status' "$BUILD_DIR/bench/scan_bench.exe" 'c:\bench-scan' "$runs" "$dir_runs" "${args[@]}" | tr -d '\r')
    section="## $mode${pin:+ (CPU $cpu)}"$'\n\n'"$table"
    echo "$section"
    echo
    report+="$section"$'\n\n'
done

{
    echo "# ARC scan benchmark"
    echo
    echo "\`bench/scan.sh $runs${2:+ $2}\`: medians of $runs runs (cmd's dir: $dir_runs), each after one warm-up run;"
    echo "$(wine --version 2>/dev/null), $(nproc) CPUs. Trees of 10 x 10 x N/1000 directories nested 3 deep,"
    echo "10 files in each. ScanARC and the bare FindFirstFileA walk run in-process; \`cmd /c dir /s /b /a-d\`"
    echo "runs as a process under the same Wine (its start included); \`find -type f | wc -l\` runs natively."
    echo
    printf '%s' "$report"
} >"$ROOT/bench/RESULTS-scan.md"
