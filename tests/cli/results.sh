#!/usr/bin/env bash
# The results on the command line, over the committed sample: the three views
# of a year, the K modifier models and a run that applies one of them.
# Run as: bash results.sh DEMOVIA_CLI SOURCE_DIR
set -euo pipefail
SRC="$2"
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

APP="$TMP/app"
mkdir -p "$APP"
cp "$1" "$APP/"
cp -r "$(dirname "$1")/DBPadrao" "$(dirname "$1")/DBVazio" "$APP/"
CLI=("$APP/$(basename "$1")" --decimal-separator .)
SAMPLE="$SRC/samples"

fail() { echo "FALHA: $*" >&2; exit 1; }
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

# The sample's inputs use the decimal comma.
CLI_COMMA=("$APP/$(basename "$1")" --decimal-separator ,)
q() { "${CLI_COMMA[@]}" "$@" >/dev/null 2>"$TMP/err" || { cat "$TMP/err" >&2; fail "$*"; }; }
q new R --uf 12 --desc "Resultados"
q census R 1 "$SAMPLE/censo1.txt" --year 2000 --month 8
q census R 2 "$SAMPLE/censo2.txt" --year 2010 --month 8
for t in pop_proj tx_fec rel_nas; do q import R "$t" "$SAMPLE/$t.txt"; done
q group R
expect_rc 0 run R --steps 6

# ---- show: the views agree with the statements the window hands to export and print
expect_rc 0 show R 2011 idades
[ "$(wc -l < "$TMP/out")" -eq $((22 * 81 + 1)) ] || fail "idades: $(wc -l < "$TMP/out") linhas"
head -1 "$TMP/out" | grep -qx "ano;mun;faixa;idade;hom_int;mul_int;hom_dec;mul_dec;" || fail "cabeçalho de idades"
for v in faixas municipios; do
    expect_rc 0 show R 2011 $v
    cp "$TMP/out" "$TMP/show_$v"
done
expect_rc 0 sql R 'select ano, mun, faixa, sum (hom_int) as hom_int, sum (mul_int) as mul_int, sum (hom_dec) as hom_dec, sum (mul_dec) as mul_dec from "{project folder}2011.dbf" group by ano, mun, faixa order by ano, mun, faixa;'
cmp -s "$TMP/out" "$TMP/show_faixas" || fail "faixas diferem da consulta"
expect_rc 0 sql R 'select ano, mun, sum (hom_int) as hom_int, sum (mul_int) as mul_int, sum (hom_dec) as hom_dec, sum (mul_dec) as mul_dec from "{project folder}2011.dbf" group by ano, mun order by ano, mun;'
cmp -s "$TMP/out" "$TMP/show_municipios" || fail "totais diferem da consulta"
[ "$(wc -l < "$TMP/show_faixas")" -eq $((22 * 17 + 1)) ] || fail "faixas: número de linhas"
expect_rc 0 show R 2011 faixas --mun 13
[ "$(wc -l < "$TMP/out")" -eq 18 ] || fail "--mun 13: $(wc -l < "$TMP/out") linhas"
[ "$(tail -n +2 "$TMP/out" | cut -d';' -f2 | sort -u)" = "0013" ] || fail "--mun 13 mostra outro município"
"$APP/demovia-cli" --decimal-separator , show R 2011 municipios --mun 13 > "$TMP/comma"
sed -n 2p "$TMP/comma" | grep -Eq '^2011;0013;[0-9]+;[0-9]+;[0-9]+,[0-9]+;[0-9]+,[0-9]+;$' || fail "decimais regionais: $(sed -n 2p "$TMP/comma")"
expect_rc 1 show R 1999 idades
grep -q "Não foi possível acessar o arquivo do ano escolhido" "$TMP/err" || fail "ano inexistente"
expect_rc 2 show R 2011 outra

# ---- report: any of the thirteen layouts to PDF; chart: PNG or SVG
expect_rc 0 report R qr_tef_amen "$TMP/tef.pdf"
grep -q "deitadas" "$TMP/out" || fail "qr_tef_amen não foi deitado: $(cat "$TMP/out")"
head -c 5 "$TMP/tef.pdf" | grep -q "%PDF-" || fail "tef.pdf não é PDF"
expect_rc 0 report R qr_psfin_fx "$TMP/fx.pdf" --year 2040
expect_rc 2 report R qr_nada "$TMP/x.pdf"
expect_rc 1 report R qr_psfinais "$TMP/x.pdf" --year 1999
[ ! -e "$TMP/x.pdf" ] || fail "PDF gravado sem dados"
expect_rc 0 chart R piramide "$TMP/p.png" --mun 13 --compare 2040
head -c 8 "$TMP/p.png" | od -An -c | grep -q "P   N   G" || fail "p.png não é PNG"
expect_rc 0 chart R total "$TMP/t.svg"
grep -q "<svg" "$TMP/t.svg" || fail "t.svg não é SVG"
expect_rc 0 chart R piramide "$TMP/uf.svg" --faixas --percent --compare censo2
grep -q "Censo 2 (2010)" "$TMP/uf.svg" || fail "contorno do censo 2"
expect_rc 0 chart R piramide "$TMP/vazio.png" --mun 9999
grep -q "Sem população projetada" "$TMP/err" || fail "município sem população"
expect_rc 2 chart R piramide "$TMP/p.jpg"

# ---- kmod: the window's rules and messages
expect_rc 0 kmod R add m1 13 homem 3 raiz 2
expect_rc 1 kmod R add M1 13 ambos todas potencia 3
grep -q "Só pode haver uma modificação de K para uma combinação de" "$TMP/err" || fail "sobreposição aceita"
expect_rc 0 kmod R add M1 13 mulher 3 potencia 3
expect_rc 0 kmod R add M1 5 ambos todas potencia 2
expect_rc 0 kmod R add OUTRO 13 ambos todas potencia 2
expect_rc 1 kmod R add M1 9999 mulher 1 raiz 2
grep -q "9999" "$TMP/err" || fail "município fora do projeto"
expect_rc 2 kmod R add M1 13 homem 18 raiz 2
expect_rc 2 kmod R add M1 13 homem 1 raiz 22
expect_rc 0 kmod R list
[ "$(cat "$TMP/out")" = "$(printf 'M1;3\nOUTRO;1')" ] || fail "lista de modelos: $(cat "$TMP/out")"
expect_rc 0 kmod R list m1
[ "$(sed -n 2p "$TMP/out")" = "1;M1;0013;HOMEM;RAIZ;2;3" ] || fail "linha 1: $(sed -n 2p "$TMP/out")"
[ "$(sed -n 3p "$TMP/out")" = "2;M1;0013;MULHER;POTêNCIA;3;3" ] || fail "linha 2: $(sed -n 3p "$TMP/out")"
# Change refuses a row equal to another in municipality, sex, operation and group.
expect_rc 1 kmod R change M1 2 13 homem 3 raiz 4
grep -q "Já existe uma modificação de K com município," "$TMP/err" || fail "alteração duplicada aceita"
expect_rc 0 kmod R change M1 2 13 mulher 3 potencia 2
expect_rc 0 kmod R remove OUTRO
expect_rc 0 kmod R list
[ "$(cat "$TMP/out")" = "M1;3" ] || fail "modelo não excluído: $(cat "$TMP/out")"
expect_rc 0 kmod R add M1 10 ambos 1 raiz 0
expect_rc 0 kmod R remove M1 4
expect_rc 0 kmod R list M1
[ "$(wc -l < "$TMP/out")" -eq 4 ] || fail "linha não removida"

# ---- run --model: fator_k.dbf changed exactly where the model says
expect_rc 0 export R fator_k.dbf "$TMP/k_before.csv"
for y in 2011 2040; do expect_rc 0 show R $y idades; cp "$TMP/out" "$TMP/y${y}_before"; done
expect_rc 1 run R --steps 6 --model NENHUM
expect_rc 0 run R --steps 6 --model m1
grep -qx "Modificando K (modelo M1)..." "$TMP/out" || fail "linha do passo"
[ "$(grep -n . "$TMP/out" | grep -m1 'Modificando' | cut -d: -f1)" -lt "$(grep -n . "$TMP/out" | grep -m1 'Relação criança' | cut -d: -f1)" ] || fail "modelo aplicado fora do passo 2"
expect_rc 0 export R fator_k.dbf "$TMP/k_after.csv"
# Each line of the export ends with ";", so a pasted pair of lines reads
# MUN IDADE K_HOM K_MUL "" MUN IDADE K_HOM K_MUL.
# Expected: 0013 ages 10-14 men sqrt, women squared; 0005 every age both squared.
paste -d';' "$TMP/k_before.csv" "$TMP/k_after.csv" | tail -n +2 | awk -F';' '
    function near(a, b) { d = a - b; if (d < 0) d = -d; return d <= 1e-9 * (1 + (b < 0 ? -b : b)) }
    {
        mun = $1; age = $2 + 0; h = $3; m = $4; h2 = $8; m2 = $9
        eh = h; em = m
        if (mun == "0013" && age >= 10 && age <= 14) { eh = sqrt(h); em = m * m }
        if (mun == "0005") { eh = h * h; em = m * m }
        if (!near(h2, eh) || !near(m2, em)) { if (bad++ < 5) print "fator_k " mun " " age ": " h2 " " m2 " esperado " eh " " em }
        if (h2 != h || m2 != m) changed++
    }
    END { if (changed != 5 + 81) { print "linhas mudadas: " changed; bad = 1 } exit bad }' || fail "fator_k.dbf"
# Before pro-rating only the municipalities of the model change.
for y in 2011 2040; do
    expect_rc 0 show R $y idades
    { diff "$TMP/y${y}_before" "$TMP/out" || true; } | grep '^[<>]' | cut -d';' -f2 | sort -u > "$TMP/changed"
    [ "$(tr '\n' ' ' < "$TMP/changed")" = "0005 0013 " ] || fail "$y: municípios mudados: $(tr '\n' ' ' < "$TMP/changed")"
done
# A root of order 0 stops the model at the first row it reaches, with the
# summary; the run goes on to its end.
expect_rc 0 kmod R add ZERO 13 ambos 1 raiz 0
expect_rc 0 run R --steps 3 --model ZERO
grep -q "Erro na tentativa de modificação do K." "$TMP/err" || fail "falha do modelo não relatada"
grep -q "Município = 0013" "$TMP/err" || fail "resumo da falha"
grep -q "^Relação criança / mulher...$" "$TMP/out" || fail "a execução parou no modelo"
echo "results: ok"
