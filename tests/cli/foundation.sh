#!/usr/bin/env bash
# The first commands end to end: import a small text file, exit codes of a
# bad file and of wrong usage. Run as: bash foundation.sh DEMOVIA_CLI SOURCE_DIR
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
grep -q "Linha 2, coluna 1" "$TMP/err"
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

echo ok
