#!/usr/bin/env bash
# Benchmark of a full projection: a synthetic Minas Gerais (UF 31, 853
# municipalities, 31 rows of state projection = 30 projected years), imported,
# grouped and run through all seven steps. Reports the run's wall time and peak
# memory next to the time dd takes to write the same bytes to the same disk.
#
# usage: bench/run_bench.sh [BUILD_DIR]      (default: build)
#   BENCH_TMP=/path  where the work folder goes (default: /tmp); the year
#                    tables and the dd file are written there.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
[ -x "$BUILD/app/demovia-cli" ] || { echo "demovia-cli não encontrado em $BUILD/app (rode ./setup.sh)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time é necessário (pacote time)" >&2; exit 2; }

WORK="$(mktemp -d "${BENCH_TMP:-/tmp}/demovia-bench.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
APP="$WORK/app"
mkdir -p "$APP"
cp "$BUILD/app/demovia-cli" "$APP/"
cp -r "$BUILD/app/DBPadrao" "$BUILD/app/DBVazio" "$APP/"
CLI=("$APP/demovia-cli" --decimal-separator ,)

step() { echo "== $*"; }
quiet() { "${CLI[@]}" "$@" > "$WORK/cmd.log" 2>&1 || { cat "$WORK/cmd.log" >&2; exit 1; }; }

step "amostra: UF 31, 853 municípios, 31 anos"
quiet sample "$WORK/sample" --uf 31 --years 31
quiet new BENCH --uf 31 --desc "Benchmark"
quiet census BENCH 1 "$WORK/sample/censo1.txt" --year 2000 --month 8
quiet census BENCH 2 "$WORK/sample/censo2.txt" --year 2010 --month 8
for t in pop_proj tx_fec rel_nas; do quiet import BENCH "$t" "$WORK/sample/$t.txt"; done
quiet group BENCH

step "run BENCH --steps 7"
/usr/bin/time -v -o "$WORK/time.txt" "${CLI[@]}" run BENCH --steps 7 --yes > "$WORK/run.log" 2>&1 ||
    { cat "$WORK/run.log" >&2; exit 1; }
PROJ="$APP/Trabalho/BENCH"
YEARS=$(ls "$PROJ" | grep -cE '^[0-9]{4}\.dbf$')
BYTES=$(cat "$PROJ"/[0-9][0-9][0-9][0-9].dbf | wc -c)
RUN_S=$(awk -F': ' '/Elapsed \(wall clock\)/ {
            n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$WORK/time.txt")
PEAK_KB=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$WORK/time.txt")

# dd writes the same number of bytes into the same folder, through the page
# cache like the program (which does not sync its files): no conv=fdatasync.
# The synced figure is printed too, for reference.
dd_seconds() {
    local start end
    start=$(date +%s.%N)
    dd if=/dev/zero of="$WORK/dd.bin" bs=1M count="$BYTES" iflag=count_bytes "$@" 2>/dev/null
    end=$(date +%s.%N)
    rm -f "$WORK/dd.bin"
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
DD_S=$(dd_seconds)
DD_SYNC_S=$(dd_seconds conv=fdatasync)

awk -v years="$YEARS" -v bytes="$BYTES" -v run="$RUN_S" -v kb="$PEAK_KB" -v dd="$DD_S" -v dds="$DD_SYNC_S" 'BEGIN {
    printf "\n"
    printf "anos projetados:          %d (%d bytes de tabelas anuais, %.1f MB)\n", years, bytes, bytes / 1e6
    printf "run --steps 7:            %.2f s\n", run
    printf "pico de memória:          %.1f MB   (meta < 300 MB)\n", kb / 1024
    printf "dd sem fdatasync:         %.2f s\n", dd
    printf "razão run / dd:           %.1f   (meta <= 3)\n", run / dd
    printf "dd com conv=fdatasync:    %.2f s   (razão %.1f)\n", dds, run / dds
}'
