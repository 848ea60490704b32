#!/usr/bin/env bash
# Any folder name works: the application folder (and so the project folder
# inside it) holds a double quote, a single quote, blanks and accents, and the
# whole road runs: new, census, import, group, run, export, sql.
# Run as: bash folder_names.sh DEMOVIA_CLI SOURCE_DIR
set -euo pipefail
SRC="$2"
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

APP="$TMP/pasta \"de\" l'Análise São João"
mkdir -p "$APP"
cp "$1" "$APP/"
cp -r "$(dirname "$1")/DBPadrao" "$(dirname "$1")/DBVazio" "$APP/"
CLI=("$APP/$(basename "$1")" --decimal-separator ,)
SAMPLE="$SRC/samples"

fail() { echo "FALHA: $*" >&2; exit 1; }
run() {
    "${CLI[@]}" "$@" >"$TMP/out" 2>"$TMP/err" || { cat "$TMP/out" "$TMP/err" >&2; fail "$*"; }
}

run check-reference
run new T1 --uf AC --desc "Pasta com aspas"
run census T1 1 "$SAMPLE/censo1.txt" --year 2000 --month 8
run census T1 2 "$SAMPLE/censo2.txt" --year 2010 --month 8
grep -q "22 municípios, 1782 registros" "$TMP/out" || fail "contagem do censo 2"
run import T1 pop_proj "$SAMPLE/pop_proj.txt"
run import T1 tx_fec "$SAMPLE/tx_fec.txt"
run import T1 rel_nas "$SAMPLE/rel_nas.txt"
run group T1
grep -q "Tot_UF.dbf: 17 linhas; Tot_UFM.dbf: 374 linhas" "$TMP/out" || fail "agrupamento"
run run T1 --steps 7
grep -q "Processo concluído" "$TMP/err" || fail "mensagem final"
[ -f "$APP/Trabalho/T1/2040.dbf" ] || fail "falta 2040.dbf"
run export T1 2040.dbf "$TMP/2040.csv"
[ "$(wc -l < "$TMP/2040.csv")" -eq 1783 ] || fail "exportação de 2040.dbf"
run sql T1 'select count(*) as n from "{project folder}2040.dbf" as a, "{application folder}DBPadrao/faixas.dbf" as b where a.faixa = b.faixa'
[ "$(sed -n 2p "$TMP/out")" = "1782;" ] || fail "instrução com as duas pastas: $(sed -n 2p "$TMP/out")"
echo "ok"
