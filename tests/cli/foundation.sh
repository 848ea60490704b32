#!/usr/bin/env bash
# The first commands end to end: import a small text file, export it back,
# run a statement, and the exit codes of bad input and of wrong usage. Run as: bash foundation.sh DEMOVIA_CLI SOURCE_DIR
set -euo pipefail
CLI="$1"
APP="$(dirname "$CLI")"
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

# expect_rc CODE COMMAND...: the command must end with that exit code.
expect_rc() {
    local want="$1"; shift
    local rc=0
    "$@" >"$TMP/out" 2>"$TMP/err" || rc=$?
    if [ "$rc" -ne "$want" ]; then
        echo "expected exit $want, got $rc: $*" >&2
        cat "$TMP/err" >&2
        exit 1
    fi
}

# A Windows-1252 file with CR LF line ends.
printf '35;SP;S\xe3o Paulo\r\n12;AC;Acre\r\n' > "$TMP/ufs.txt"
expect_rc 0 "$CLI" import "$TMP/ufs.txt" "$TMP/uf.dbf" "$APP/DBVazio/uf.dbf"
test -s "$TMP/uf.dbf"

# A bad line: exit 1, the read message naming the line, the table unchanged.
cp "$TMP/uf.dbf" "$TMP/before.dbf"
printf '35;SP;x\r\nXX;AC;Acre\r\n' > "$TMP/bad.txt"
expect_rc 1 "$CLI" import "$TMP/bad.txt" "$TMP/uf.dbf" "$APP/DBVazio/uf.dbf"
grep -q "linha 2, campo 1 (id_uf)" "$TMP/err"
cmp "$TMP/uf.dbf" "$TMP/before.dbf"

# A heading line skipped.
printf 'id_uf;sigla;ds_uf\n53;DF;Distrito Federal\n' > "$TMP/head.txt"
expect_rc 0 "$CLI" import "$TMP/head.txt" "$TMP/uf2.dbf" "$APP/DBVazio/uf.dbf" --skip 1
expect_rc 1 "$CLI" import "$TMP/head.txt" "$TMP/uf3.dbf" "$APP/DBVazio/uf.dbf"
test ! -e "$TMP/uf3.dbf"

# Wrong usage.
expect_rc 2 "$CLI" import "$TMP/ufs.txt" "$TMP/uf.dbf"
expect_rc 2 "$CLI" import "$TMP/ufs.txt" "$TMP/uf.dbf" "$APP/DBVazio/uf.dbf" --skip x
expect_rc 2 "$CLI" export "select 1"
expect_rc 2 "$CLI" sql
cmp "$TMP/uf.dbf" "$TMP/before.dbf"

# Export back: Windows-1252, CR LF, every value followed by ";".
expect_rc 0 "$CLI" export "select * from \"$TMP/uf.dbf\" order by id_uf" "$TMP/out.csv"
printf '35;SP;S\xe3o Paulo;\r\n' > "$TMP/want"
sed -n 3p "$TMP/out.csv" | cmp - "$TMP/want"
expect_rc 1 "$CLI" export "select * from \"$TMP/nada.dbf\"" "$TMP/none.csv"
test ! -e "$TMP/none.csv"

# A number with the regional decimal comma goes in and comes out as written.
printf '35;1,05;0,95\n' > "$TMP/rel.txt"
expect_rc 0 "$CLI" --decimal-separator , import "$TMP/rel.txt" "$TMP/rel_nas.dbf" "$APP/DBVazio/rel_nas.dbf"
expect_rc 0 "$CLI" --decimal-separator , sql "select HOM, MUL from \"$TMP/rel_nas.dbf\""
[ "$(sed -n 2p "$TMP/out")" = "1,05;0,95;" ]

# A changing statement reports the rows changed; a failing one exits with 1.
expect_rc 0 "$CLI" sql "delete from \"$TMP/uf.dbf\" where id_uf = 12"
grep -q "^1 registro" "$TMP/err"
expect_rc 1 "$CLI" sql "select * from \"$TMP/nada.dbf\""

echo ok
