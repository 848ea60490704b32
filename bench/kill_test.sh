#!/usr/bin/env bash
# Kills `run` and `census` with SIGKILL at random moments on a synthetic state of
# 853 municipalities and checks, after each kill:
#   - every year table of the year list (`years`) is whole: 853 × 81 rows;
#   - NascSexo.dbf holds exactly the births of the listed years (853 rows each);
#   - each census's tables agree with detalhes.ini (record count, file imported);
#   - no temporary file of the writer is left after the next command;
#   - a re-run (census again when the census was killed, group, run) succeeds and
#     its year tables add up exactly to the first, whole run.
#
# usage: bench/kill_test.sh [BUILD_DIR] [KILLS] [SEED]   (default: build 20 1)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
KILLS="${2:-20}"
RANDOM="${3:-1}"
[ -x "$BUILD/app/demovia-cli" ] || { echo "demovia-cli não encontrado em $BUILD/app (rode ./setup.sh)" >&2; exit 2; }

WORK="$(mktemp -d "${BENCH_TMP:-/tmp}/demovia-kill.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
APP="$WORK/app"
mkdir -p "$APP"
cp "$BUILD/app/demovia-cli" "$APP/"
cp -r "$BUILD/app/DBPadrao" "$BUILD/app/DBVazio" "$APP/"
CLI=("$APP/demovia-cli" --decimal-separator ,)
P="$APP/Trabalho/KILL"
S="$WORK/s"

fail() { echo "FALHA: $*" >&2; exit 1; }
quiet() { "${CLI[@]}" "$@" > "$WORK/cmd.log" 2>&1 || { cat "$WORK/cmd.log" >&2; fail "$*"; }; }
ms() { date +%s%3N; }

"${CLI[@]}" sample "$S" --uf 31 --municipalities 853 > /dev/null
# A second census 1 of 800 municipalities: old and new census tell apart by their size.
grep -v '^31;' "$S/censo1.txt" > "$WORK/censo1b.txt" || true
grep '^31;' "$S/censo1.txt" | head -n 800 >> "$WORK/censo1b.txt"

quiet new KILL --uf 31 --desc "Testes de interrupção" --sex-ratio 105
quiet census KILL 1 "$S/censo1.txt" --year 2000 --month 8
quiet census KILL 2 "$S/censo2.txt" --year 2010 --month 8
for t in pop_proj tx_fec rel_nas; do quiet import KILL "$t" "$S/$t.txt"; done
quiet group KILL

# Sums of every year table in one statement: "year;men;women;rows".
sums() {
    local q="" y
    for y in $("${CLI[@]}" years KILL); do
        [ -n "$q" ] && q="$q union all "
        q="${q}select '$y' as ano, sum(hom_int) as h, sum(mul_int) as m, count(*) as n from \"{project folder}$y.dbf\""
    done
    [ -n "$q" ] || return 0
    "${CLI[@]}" sql KILL "$q" | tail -n +2
}

t0=$(ms); quiet run KILL --steps 7 --yes; t1=$(ms)
RUN_MS=$((t1 - t0))
sums > "$WORK/reference.txt"
[ "$(wc -l < "$WORK/reference.txt")" -eq 30 ] || fail "a execução de referência não projetou 30 anos"
t0=$(ms); quiet census KILL 1 "$S/censo1.txt" --year 2000 --month 8; t1=$(ms)
CENSUS_MS=$((t1 - t0))
echo "referência: run de 7 passos em ${RUN_MS} ms, importação do censo em ${CENSUS_MS} ms, 30 anos"

# Census n agrees with detalhes.ini: record count = 81 × rows of the wide table,
# long table = 82 × those rows, and the file named is the one of that size.
check_census() {
    local n="$1" section rows long reg file
    section=$([ "$n" = 1 ] && echo "censo inicial" || echo "censo final")
    rows=$("${CLI[@]}" sql KILL "select count(*) from \"{project folder}CENSO$n.db\"" | sed -n 2p | tr -d ';')
    long=$("${CLI[@]}" sql KILL "select count(*) from \"{project folder}CENSO$n.dbf\"" | sed -n 2p | tr -d ';')
    reg=$(awk -v s="[$section]" '$0 == s { f = 1; next } /^\[/ { f = 0 } f && /^registros=/ { sub(/^registros=/, ""); print }' "$P/detalhes.ini" | tr -d '\r')
    file=$(awk -v s="[$section]" '$0 == s { f = 1; next } /^\[/ { f = 0 } f && /^arquivo=/ { sub(/^arquivo=/, ""); print }' "$P/detalhes.ini" | tr -d '\r')
    [ "$reg" = "$((81 * rows))" ] || fail "censo $n: detalhes.ini diz $reg registros, a tabela larga tem $rows municípios"
    [ "$long" = "$((82 * rows))" ] || fail "censo $n: tabela longa com $long linhas para $rows municípios"
    case "$rows:$file" in
        853:"$S/censo$n.txt" | 800:"$WORK/censo1b.txt") ;;
        *) fail "censo $n: $rows municípios, mas detalhes.ini nomeia $file" ;;
    esac
    echo "$rows"
}

printf '%-3s %-7s %6s  %-22s %-8s %-9s %s\n' "nº" comando "ms" "anos listados" censo1 restos "nova execução"
for i in $(seq 1 "$KILLS"); do
    if [ $((RANDOM % 3)) -eq 0 ]; then
        what=census; limit=$CENSUS_MS
        "${CLI[@]}" census KILL 1 "$WORK/censo1b.txt" --year 2001 --month 3 > /dev/null 2>&1 & pid=$!
    else
        what=run; limit=$RUN_MS
        "${CLI[@]}" run KILL --steps 7 --yes > /dev/null 2>&1 & pid=$!
    fi
    delay=$((RANDOM % (limit * 5 / 4 + 1))) # now and then after the end too
    sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true

    # Temporaries of the killed writer, as it left them.
    strays=$(ls -A "$P" | grep -c '^~' || true)

    # The year list and its tables (reading commands; the first one finishes
    # what the killed writer left undone).
    years=$("${CLI[@]}" years KILL | tr '\n' ' ')
    left=$(ls -A "$P" | grep '^~' | tr '\n' ' ' || true)
    [ -z "$left" ] || fail "restos depois do comando seguinte: $left"
    sums > "$WORK/now.txt"
    while IFS=';' read -r y h m n _; do
        [ "$n" = "$((853 * 81))" ] || fail "$y.dbf listado com $n linhas"
    done < "$WORK/now.txt"
    births=$("${CLI[@]}" sql KILL "select ano, count(*) from \"{project folder}NascSexo.dbf\" group by ano order by ano" | tail -n +2 | tr '\n' ' ')
    expect=""
    for y in $years; do expect="$expect$y;853; "; done
    [ "$births" = "$expect" ] || fail "NascSexo.dbf ($births) não corresponde aos anos listados ($years)"
    c1=$(check_census 1)
    check_census 2 > /dev/null

    # The re-run.
    if [ "$c1" != 853 ]; then quiet census KILL 1 "$S/censo1.txt" --year 2000 --month 8; fi
    if [ "$what" = census ]; then quiet group KILL; fi
    quiet run KILL --steps 7 --yes
    sums > "$WORK/after.txt"
    cmp -s "$WORK/after.txt" "$WORK/reference.txt" || fail "a nova execução não soma como a referência"

    nyears=$(echo "$years" | wc -w)
    span=$([ "$nyears" -gt 0 ] && echo "$(echo "$years" | cut -d' ' -f1)-$(echo "$years" | awk '{print $NF}') ($nyears)" || echo "nenhum")
    printf '%-3s %-7s %6s  %-22s %-8s %-9s %s\n' "$i" "$what" "$delay" "$span" "$c1" "$strays" "ok, somas exatas"
done
echo "ok: $KILLS interrupções verificadas"
