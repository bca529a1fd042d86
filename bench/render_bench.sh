#!/bin/bash
# `pintietong render tile` as a whole process: peak memory and time for a 37000 x 37000 page (4 GB) beside
# dd writing as many bytes to the same disk (neither waits for the disk: a new file is not synced, as a
# replaced one is), and 8000 x 8000 beside ImageMagick's
# `convert -size 8000x8000 tile:P out.bmp`. Prints figures; asserts nothing.
# Usage: render_bench.sh PROGRAM [FOLDER]   (FOLDER: where the pages are written, default a temporary
# folder under $TMPDIR; it needs about 4.2 GB free, and the files are removed as it goes)
set -u
PROGRAM=${1:?usage: render_bench.sh PROGRAM [FOLDER]}
SOURCE=$(cd "$(dirname "$0")/.." && pwd)
PATTERN="$SOURCE/resources/pictures/pattern.bmp"
if [ -n "${2:-}" ]; then
    W=$(mktemp -d "$2/render-bench.XXXXXX") || exit 1
else
    W=$(mktemp -d "${TMPDIR:-/tmp}/render-bench.XXXXXX") || exit 1
fi
trap 'rm -rf "$W"' EXIT
RUNS=${RUNS:-3}

free_kb=$(df -Pk "$W" | awk 'NR == 2 { print $4 }')
if [ "$free_kb" -lt $((4300 * 1024)) ]; then
    echo "render_bench: $W has $((free_kb / 1024)) MB free, 4300 MB needed" >&2
    exit 1
fi

# Best wall-clock seconds of $RUNS runs of a command, and the largest peak resident set in MB.
best() {
    local best_s="" peak=0 s kb
    for _ in $(seq "$RUNS"); do
        /usr/bin/time -f '%e %M' -o "$W/time" "$@" >/dev/null 2>"$W/stderr" || { cat "$W/stderr" >&2; return 1; }
        read -r s kb <"$W/time"
        if [ -z "$best_s" ] || awk "BEGIN { exit !($s < $best_s) }"; then best_s=$s; fi
        [ "$kb" -gt "$peak" ] && peak=$kb
        rm -f "$W"/out.* "$W/dd.bin"
    done
    echo "$best_s $((peak / 1024))"
}

ratio() { awk "BEGIN { printf \"%.2f\", $1 / $2 }"; }

echo "| case | ours (s) | ours peak RSS (MB) | against (s) | ours / against |"
echo "|---|---|---|---|---|"

# 8000 x 8000 against ImageMagick.
read -r ours rss < <(best "$PROGRAM" render tile --unit px --width 8000 --height 8000 --pattern "$PATTERN" -o "$W/out.bmp")
if command -v convert >/dev/null; then
    read -r magick _ < <(best convert -size 8000x8000 "tile:$PATTERN" "$W/out.bmp")
    echo "| 8000x8000 BMP, against convert tile: | $ours | $rss | $magick | $(ratio "$ours" "$magick") |"
else
    echo "| 8000x8000 BMP (ImageMagick absent: no comparison) | $ours | $rss | - | - |"
fi


# The largest page: the stored pattern, 37000 x 37000, against dd of the same bytes into a new file. Then
# both again into a file that is there already: our save then waits for the disk before its rename (so
# that a crash cannot lose the old file), and dd with conv=fsync does too.
RUNS=1
bytes=$((54 + 111000 * 37000))
big=(render tile --unit px --width 37000 --height 37000 -o "$W/out.bmp")
dd=(dd if=/dev/zero of="$W/dd.bin" bs=4M count=$((bytes / 4194304)) status=none)
read -r new newrss < <(best "$PROGRAM" "${big[@]}")
read -r ddnew _ < <(best "${dd[@]}")
echo "| 37000x37000 BMP ($bytes bytes), new file, against dd | $new | $newrss | $ddnew | $(ratio "$new" "$ddnew") |"
# best() removes the output after each run; the old file here is made, empty, just before the save.
read -r replacing _ < <(best bash -c ': >"$1" && shift && exec "$@"' - "$W/out.bmp" "$PROGRAM" "${big[@]}")
read -r ddsync _ < <(best "${dd[@]}" conv=fsync)
echo "| the same, replacing a file (synced), against dd conv=fsync | $replacing | - | $ddsync | $(ratio "$replacing" "$ddsync") |"
