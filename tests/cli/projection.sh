#!/usr/bin/env bash
# The whole road on the committed sample, through all seven steps, in a copy
# of the application folder: every year table holds 81 ages per municipality
# and its whole persons add up to the state projection by age and sex.
# Run as: bash projection.sh DEMOVIA_CLI SOURCE_DIR
set -euo pipefail
SRC="$2"
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

APP="$TMP/app"
mkdir -p "$APP"
cp "$1" "$APP/"
cp -r "$(dirname "$1")/DBPadrao" "$(dirname "$1")/DBVazio" "$APP/"
CLI=("$APP/$(basename "$1")" --decimal-separator ,)
SAMPLE="$SRC/samples"

fail() { echo "FALHA: $*" >&2; exit 1; }

# expect_rc CODE ARGS...: demovia-cli with those arguments must end with that code.
expect_rc() {
    local want="$1"; shift
    local rc=0
    "${CLI[@]}" "$@" >"$TMP/out" 2>"$TMP/err" || rc=$?
    if [ "$rc" -ne "$want" ]; then
        echo "expected exit $want, got $rc: $*" >&2
        cat "$TMP/out" "$TMP/err" >&2
        exit 1
    fi
}

expect_rc 0 new t1 --uf AC --desc "Teste de ponta a ponta"
expect_rc 1 new T1 --uf 12 --desc "outro"
grep -q "Um nome como o digitado já existe" "$TMP/err" || fail "nome repetido aceito"
expect_rc 0 census T1 1 "$SAMPLE/censo1.txt" --year 2000 --month 8
expect_rc 0 census T1 2 "$SAMPLE/censo2.txt" --year 2010 --month 8
grep -q "22 municípios, 1782 registros" "$TMP/out" || fail "contagem do censo 2"
expect_rc 0 import T1 pop_proj "$SAMPLE/pop_proj.txt"
expect_rc 0 import T1 tx_fec "$SAMPLE/tx_fec.txt"
expect_rc 0 import T1 rel_nas "$SAMPLE/rel_nas.txt"
grep -q "rel_nas.dbf: 31 linhas" "$TMP/out" || fail "linhas de rel_nas"
expect_rc 0 group T1
grep -q "Tot_UF.dbf: 17 linhas; Tot_UFM.dbf: 374 linhas" "$TMP/out" || fail "agrupamento"

expect_rc 0 run T1 --steps 7
grep -q "^Projeção...$" "$TMP/out" || fail "passo 6 não rodou"
grep -q "Processo concluído" "$TMP/err" || fail "mensagem final"
grep -q "ano1_proj=2011" "$APP/Trabalho/T1/detalhes.ini" || fail "ano1_proj"
grep -q "mes=7" "$APP/Trabalho/T1/detalhes.ini" || fail "mês do censo"

# The state projection of the sample, one line per year from 2010:
# 81 men then 81 women, ages 0 to 80.
grep '^12;' "$SAMPLE/pop_proj.txt" | tr -d '\r' > "$TMP/state.txt"
for year in $(seq 2011 2040); do
    [ -f "$APP/Trabalho/T1/$year.dbf" ] || fail "falta $year.dbf"
    expect_rc 0 sql T1 "select count(*) as muns, min(n) as lo, max(n) as hi from (select mun, count(*) as n from \"{project folder}$year.dbf\" group by mun)"
    [ "$(sed -n 2p "$TMP/out")" = "22;81;81;" ] || fail "$year: $(sed -n 2p "$TMP/out") (municípios; menor e maior número de idades)"

    expect_rc 0 sql T1 "select idade, sum(hom_int) as h, sum(mul_int) as m from \"{project folder}$year.dbf\" group by idade order by idade"
    sed -n "$((year - 2010 + 1))p" "$TMP/state.txt" > "$TMP/row.txt"
    awk -F';' -v year="$year" '
        NR == FNR { for (a = 0; a <= 80; a++) { h[a] = $(2 + a); m[a] = $(83 + a) } next }
        FNR == 1 { next }
        { n++; if ($2 != h[$1] || $3 != m[$1]) { print year ": idade " $1 ": " $2 "/" $3 " contra " h[$1] "/" m[$1]; bad = 1 } }
        END { if (n != 81) { print year ": " n " idades"; bad = 1 } exit bad }' "$TMP/row.txt" "$TMP/out" >&2 ||
        fail "$year não soma à projeção do estado"
done
[ ! -f "$APP/Trabalho/T1/2041.dbf" ] || fail "ano além do horizonte"

expect_rc 0 export T1 2040.dbf "$TMP/2040.csv"
[ "$(wc -l < "$TMP/2040.csv")" -eq 1783 ] || fail "exportação de 2040.dbf"

# Refusals and their exit codes.
expect_rc 2 run T1 --steps 9
expect_rc 2 census T1 3 "$SAMPLE/censo1.txt" --year 2000 --month 8
expect_rc 2 census T1 1 "$SAMPLE/censo1.txt" --year 2000 --month 13
expect_rc 1 census T1 1 "$SAMPLE/censo1.txt" --year 20x0 --month 8
expect_rc 1 run NENHUM
grep -q "Projeto não encontrado: NENHUM" "$TMP/err" || fail "projeto inexistente"
cp "$APP/Trabalho/T1/CENSO1.dbf" "$TMP/censo1.before"
grep '^11;' "$SAMPLE/censo1.txt" > "$TMP/outro.txt"
expect_rc 1 census T1 1 "$TMP/outro.txt" --year 2000 --month 8
grep -q "Esse arquivo não possui registro para a UF escolhida." "$TMP/err" || fail "mensagem da UF"
cmp -s "$APP/Trabalho/T1/CENSO1.dbf" "$TMP/censo1.before" || fail "censo 1 alterado por arquivo recusado"

# The year list as the results window shows it.
expect_rc 0 years T1
[ "$(tr '\n' ' ' < "$TMP/out")" = "$(seq -s ' ' 2011 2040) " ] || fail "years: $(tr '\n' ' ' < "$TMP/out")"

# A full disk while 2014.dbf is written: status 1, the system's cause shown,
# never the completion message; the list holds the three whole years before it,
# NascSexo.dbf their births, and no table of the earlier run is left.
DEMOVIA_FAIL_WRITE=2014.dbf expect_rc 1 run T1 --steps 6
grep -q "Erro original: No space left on device" "$TMP/err" || fail "causa da falha de gravação"
! grep -q "Processo concluído" "$TMP/err" || fail "falha relatada como conclusão"
expect_rc 0 years T1
[ "$(tr '\n' ' ' < "$TMP/out")" = "2011 2012 2013 " ] || fail "years depois da falha: $(tr '\n' ' ' < "$TMP/out")"
expect_rc 0 sql T1 "select ano, count(*) from \"{project folder}NascSexo.dbf\" group by ano"
[ "$(tail -n +2 "$TMP/out" | tr '\n' ' ')" = "2011;22; 2012;22; 2013;22; " ] || fail "NascSexo depois da falha"
[ ! -f "$APP/Trabalho/T1/2015.dbf" ] || fail "tabela da execução anterior ficou"

# One writer per project: with the project's lock held by another process (here
# flock(1), which runs the command under it), writers are refused at once and
# readers go on.
locked() { flock -n "$APP/Trabalho/T1" "$@"; }
rc=0; locked "${CLI[@]}" run T1 --steps 1 >"$TMP/out" 2>"$TMP/err" || rc=$?
[ "$rc" -eq 1 ] || fail "segundo processo gravando: saída $rc"
grep -q "O projeto T1 está sendo usado por outro processo" "$TMP/err" || fail "mensagem do projeto em uso"
rc=0; locked "${CLI[@]}" census T1 1 "$SAMPLE/censo1.txt" --year 2000 --month 8 >"$TMP/out" 2>"$TMP/err" || rc=$?
[ "$rc" -eq 1 ] || fail "censo importado com o projeto em uso"
locked "${CLI[@]}" years T1 >"$TMP/out" 2>"$TMP/err" || fail "leitura recusada com o projeto em uso"
[ "$(tr '\n' ' ' < "$TMP/out")" = "2011 2012 2013 " ] || fail "years com o projeto em uso"

expect_rc 0 delete T1
expect_rc 0 list
[ "$(cat "$TMP/out")" = "<não há projetos gravados>" ] || fail "lista depois da exclusão"
echo "ok"
