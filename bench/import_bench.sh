#!/usr/bin/env bash
# Benchmark of the text import and the grouping: wall time and peak memory
# (/usr/bin/time -v) of
#   1. a census file of 40,000 rows: 9,999 municipalities of the project's state
#      (the most a state can have with 4-digit codes) and 30,001 rows of others;
#   2. a national census file, every one of the 5,570 municipalities of
#      resources/data/br-municipios.txt, imported into a project of Minas Gerais
#      (853 kept);
#   3. the grouping of the two censuses of those 853 municipalities;
#   4. (BIG=N) a census file of N rows, 20 of them of the state, to show that
#      memory does not grow with the file.
# Targets: 1 under 2 s and 200 MB; 2 under 0.5 s; 3 under 0.3 s.
#
# usage: bench/import_bench.sh [BUILD_DIR]      (default: build)
#   BENCH_TMP=/path  where the work folder goes (default: /tmp)
#   BIG=200000       rows of the optional fourth file (default: none)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
[ -x "$BUILD/app/demovia-cli" ] || { echo "demovia-cli não encontrado em $BUILD/app (rode ./setup.sh)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time é necessário (pacote time)" >&2; exit 2; }

WORK="$(mktemp -d "${BENCH_TMP:-/tmp}/demovia-import-bench.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
APP="$WORK/app"
mkdir -p "$APP"
cp "$BUILD/app/demovia-cli" "$APP/"
cp -r "$BUILD/app/DBPadrao" "$BUILD/app/DBVazio" "$APP/"
CLI=("$APP/demovia-cli" --decimal-separator ,)

# census_rows UF FIRST COUNT SEED: COUNT rows of state UF, municipalities FIRST.., 164 counts each.
census_rows() {
    awk -v uf="$1" -v first="$2" -v n="$3" -v seed="$4" 'BEGIN {
        srand(seed);
        for (m = first; m < first + n; m++) {
            line = sprintf("%02d;%d", uf, m);
            for (k = 0; k < 164; k++) line = line ";" int(rand() * 900 + 1);
            printf "%s\r\n", line;
        }
    }'
}

# measure LABEL ARGS...: runs demovia-cli under /usr/bin/time and prints its figures.
measure() {
    local label="$1"; shift
    /usr/bin/time -v -o "$WORK/time.txt" "${CLI[@]}" "$@" > "$WORK/cmd.log" 2>&1 ||
        { cat "$WORK/cmd.log" >&2; exit 1; }
    awk -F': ' -v label="$label" -v out="$(tr '\n' ' ' < "$WORK/cmd.log")" '
        /Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i] }
        /Maximum resident set size/ { kb = $2 }
        END { printf "%-44s %7.3f s  %7.1f MB   %s\n", label, s, kb / 1024, out }' "$WORK/time.txt"
}
quiet() { "${CLI[@]}" "$@" > "$WORK/cmd.log" 2>&1 || { cat "$WORK/cmd.log" >&2; exit 1; }; }

# 1. 40,000 rows.
{
    census_rows 31 1 9999 1
    census_rows 35 1 9999 2
    census_rows 33 1 9999 3
    census_rows 41 1 9999 4
    census_rows 43 1 5 5
} > "$WORK/c40k.txt"
# 2. The national file, in the order of the official list.
awk -F';' 'BEGIN { srand(7) } /^[0-9]/ {
    line = $1 ";" $2; for (k = 0; k < 164; k++) line = line ";" int(rand() * 900 + 1); printf "%s\r\n", line }' \
    "$ROOT/resources/data/br-municipios.txt" > "$WORK/brasil1.txt"
awk -F';' 'BEGIN { srand(8) } /^[0-9]/ {
    line = $1 ";" $2; for (k = 0; k < 164; k++) line = line ";" int(rand() * 900 + 1); printf "%s\r\n", line }' \
    "$ROOT/resources/data/br-municipios.txt" > "$WORK/brasil2.txt"

quiet new BENCH --uf 31 --desc "Benchmark"
echo "arquivo                                      tempo       pico de memória   saída"
measure "censo de $(wc -l < "$WORK/c40k.txt") linhas ($(du -m "$WORK/c40k.txt" | cut -f1) MB, 9.999 da UF)" \
    census BENCH 1 "$WORK/c40k.txt" --year 2000 --month 8
measure "censo nacional, 5.570 municípios (853 da UF)" census BENCH 1 "$WORK/brasil1.txt" --year 2000 --month 8
measure "censo nacional, censo 2" census BENCH 2 "$WORK/brasil2.txt" --year 2010 --month 8
measure "agrupamento de 853 municípios" group BENCH
if [ -n "${BIG:-}" ]; then
    # 20 rows of the state, then rows of states 51 to 90 (never the project's).
    census_rows 31 1 20 0 > "$WORK/big.txt"
    n=20
    while [ "$n" -lt "$BIG" ]; do
        census_rows $((51 + (n / 9999) % 40)) 1 $(( BIG - n < 9999 ? BIG - n : 9999 )) "$n" >> "$WORK/big.txt"
        n=$((n + 9999))
    done
    measure "censo de $BIG linhas ($(du -m "$WORK/big.txt" | cut -f1) MB, 20 da UF)" \
        census BENCH 1 "$WORK/big.txt" --year 2000 --month 8 || true
fi
