#!/usr/bin/env bash
# Checks the two helpers of the Windows packaging on small inputs made here:
# xpm-to-ico (built for this machine), byte for byte and on bad XPMs, and
# packaging/windows/put-msi-texts on small MSIs built by wixl, with good and
# bad text files.
#
#     tests/packaging/windows/check-packaging-tools.sh
#
# Needs c++, wixl, msitools and iconv. Stops at the first failed check and
# exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/../../.."

checks=0
ok() { checks=$((checks + 1)); echo "ok: $*"; }
fail() {
    echo "check-packaging-tools: FAILED: $*" >&2
    echo "$checks passed, 1 failed"
    exit 1
}
for tool in c++ wixl msiinfo msibuild iconv; do
    command -v "$tool" >/dev/null || fail "$tool is missing"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== xpm-to-ico"
warnings=(-Wall -Wextra -Wpedantic)
[ "${WARNINGS_AS_ERRORS:-OFF}" = ON ] && warnings+=(-Werror)
c++ -std=c++20 -O2 "${warnings[@]}" -o "$work/xpm-to-ico" \
    shell/win32/xpm-to-ico.cpp || fail "building xpm-to-ico"

# Three by two pixels, two characters a pixel: red, clear, blue / clear, blue, red.
cat >"$work/small.xpm" <<'EOF'
/* XPM */
static const char *const small[] = {
"3 2 3 2",
"   c None",
".a c #FF0000",
".b m white c #0000ff",
".a  .b",
"  .b.a"};
EOF
"$work/xpm-to-ico" "$work/small.xpm" "$work/small.ico" || fail "xpm-to-ico refused a good XPM"
expected=(
    00 00 01 00 01 00                                   # an icon file with one image
    03 02 00 00 01 00 20 00 48 00 00 00 16 00 00 00     # 3x2, 32 bits, 72 bytes at 22
    28 00 00 00 03 00 00 00 04 00 00 00 01 00 20 00     # DIB header: twice the height
    00 00 00 00 20 00 00 00 00 00 00 00 00 00 00 00
    00 00 00 00 00 00 00 00
    00 00 00 00 ff 00 00 ff 00 00 ff ff                 # bottom row: clear, blue, red
    00 00 ff ff 00 00 00 00 ff 00 00 ff                 # top row: red, clear, blue
    80 00 00 00 40 00 00 00                             # AND mask, bottom row first
)
actual=$(od -An -tx1 -v "$work/small.ico" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')
[ "$actual" = "${expected[*]}" ] || fail "small.ico is
$actual
instead of
${expected[*]}"
ok "a 3x2 XPM with a clear pixel and two colours becomes the expected 32-bit icon, byte for byte"

"$work/xpm-to-ico" shell/icon.xpm "$work/icon.ico" || fail "xpm-to-ico refused shell/icon.xpm"
# 6 + 16 header bytes, a 40-byte DIB header, 48x48 pixels of 4 bytes, 48 mask rows of 8.
[ "$(stat -c %s "$work/icon.ico")" -eq $((22 + 40 + 48 * 48 * 4 + 48 * 8)) ] \
    || fail "the tool's icon.ico has $(stat -c %s "$work/icon.ico") bytes"
# The pixel rows are the last 48 quoted strings; "." is the clear colour.
clear_pixels=$(grep -o '"[^"]*"' shell/icon.xpm | tail -n 48 | tr -cd '.' | wc -c)
mask_bits=$(tail -c $((48 * 8)) "$work/icon.ico" | od -An -tu1 -v \
    | awk '{ for (i = 1; i <= NF; i++) for (b = $i; b; b = int(b / 2)) n += b % 2 } END { print n + 0 }')
[ "$clear_pixels" -eq "$mask_bits" ] || fail "shell/icon.xpm has $clear_pixels clear pixels, the mask $mask_bits"
ok "shell/icon.xpm becomes a 48x48 icon whose mask has its $clear_pixels clear pixels"

bad() {
    local what=$1 message=$2
    printf '%s\n' "${@:3}" >"$work/bad.xpm"
    if "$work/xpm-to-ico" "$work/bad.xpm" "$work/bad.ico" 2>"$work/error"; then
        fail "xpm-to-ico took $what"
    fi
    grep -q "$message" "$work/error" || fail "for $what, xpm-to-ico said: $(cat "$work/error")"
}
bad "a short row" "not 2 pixels wide" '"2 1 1 1",' '"a c #000000",' '"a"'
bad "an undefined colour" "does not define" '"2 1 1 1",' '"a c #000000",' '"ab"'
bad "a colour name" "unsupported colour" '"1 1 1 1",' '"a c red",' '"a"'
bad "missing rows" "fewer colour or pixel lines" '"1 2 1 1",' '"a c #000000",' '"a"'
bad "no values" "bad XPM values" '"x y",' '"a"'
"$work/xpm-to-ico" "$work/missing.xpm" "$work/bad.ico" 2>/dev/null && fail "xpm-to-ico read a missing file"
ok "it refuses short rows, undefined colours, colour names, missing rows, bad values and missing files"

echo "== put-msi-texts"
# Placeholders in two tables: whole values, one used twice in a value, one
# inside a longer value; the summary information (Package, and the Product's
# Manufacturer) is ASCII.
small_wxs() { # manufacturer
    cat <<EOF
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="6C1D3E52-7F0B-4C55-9E59-6E9A1E2A4B18" Name="@Name@" Language="1041" Version="2.3.4"
           Manufacturer="$1" UpgradeCode="6C1D3E52-7F0B-4C55-9E59-6E9A1E2A4B17">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"
             Description="Small" Comments="before and after"/>
    <Property Id="TWICE" Value="@Maker@ and @Maker@"/>
    <Property Id="PLAIN" Value="left as it is"/>
    <Property Id="PLACE" Value="@Place@"/>
    <Condition Message="only for @Place@">NOT REMOVE</Condition>
    <Directory Id="TARGETDIR" Name="SourceDir"/>
    <Feature Id="Complete" Level="1"/>
  </Product>
</Wix>
EOF
}
small_wxs Maker >"$work/small.wxs"
(cd "$work" && wixl -a x64 -o clean.msi small.wxs 2>/dev/null) || fail "wixl small.wxs"
small_wxs '@Maker@' >"$work/summary.wxs"
(cd "$work" && wixl -a x64 -o summary.msi summary.wxs 2>/dev/null) || fail "wixl summary.wxs"

# Runs put-msi-texts on a fresh copy of $1 (default clean.msi) with texts from stdin.
run() {
    cp "$work/${1:-clean.msi}" "$work/out.msi"
    cat >"$work/texts.txt"
    packaging/windows/put-msi-texts "$work/out.msi" "$work/texts.txt" >"$work/output" 2>&1
}
cell() { # table key column
    msiinfo export "$work/out.msi" "$1" | tr -d '\r' \
        | awk -F '\t' -v key="$2" -v column="$3" 'NR > 3 && $1 == key { print $column }'
}
property() { cell Property "$1" 2; }
codepage() { msiinfo export "$work/out.msi" _ForceCodepage | tr -d '\r' | sed -n '3s/\t.*//p'; }

# UTF-8 with a byte-order mark and CRLF, a comment and a blank line; a text
# with the characters that are special in awk and sed replacements.
printf '\xef\xbb\xbf# texts\r\n@Name@\tKORVEL(ORVETA) 勤務ﾃﾞｰﾀの削除\r\n\r\n@Maker@\t㈱ソルカナ & 1\\2\r\n@Place@\t東京\r\n' \
    | run || fail "put-msi-texts failed on good texts: $(cat "$work/output")"
ok "it accepts a UTF-8 file with a byte-order mark, CRLF, a comment and a blank line"
[ "$(codepage)" = 932 ] || fail "the codepage is $(codepage), not 932"
[ "$(property ProductName)" = 'KORVEL(ORVETA) 勤務ﾃﾞｰﾀの削除' ] || fail "ProductName is '$(property ProductName)'"
[ "$(property TWICE)" = '㈱ソルカナ & 1\2 and ㈱ソルカナ & 1\2' ] || fail "TWICE is '$(property TWICE)'"
[ "$(property PLAIN)" = 'left as it is' ] || fail "PLAIN is '$(property PLAIN)'"
[ "$(property PLACE)" = '東京' ] || fail "PLACE is '$(property PLACE)'"
[ "$(property Manufacturer)" = Maker ] || fail "Manufacturer is '$(property Manufacturer)'"
[ "$(cell LaunchCondition 'NOT REMOVE' 2)" = 'only for 東京' ] \
    || fail "the launch condition's message is '$(cell LaunchCondition 'NOT REMOVE' 2)'"
ok "codepage 932; whole, repeated and embedded placeholders in two tables are replaced as written, other values kept"
# Stored as code page 932 bytes, as Windows reads them, not as UTF-8.
name_932=$(printf '勤務ﾃﾞｰﾀの削除' | iconv -f UTF-8 -t CP932)
LC_ALL=C grep -qaF -- "$name_932" "$work/out.msi" || fail "the package does not hold '勤務ﾃﾞｰﾀの削除' in code page 932"
LC_ALL=C grep -qaF -- '勤務ﾃﾞｰﾀの削除' "$work/out.msi" && fail "the package holds '勤務ﾃﾞｰﾀの削除' as UTF-8"
ok "the texts are stored as code page 932 bytes"
summary=$(msiinfo suminfo "$work/out.msi")
grep -qxF 'Subject: Small' <<<"$summary" && grep -qxF 'Author: Maker' <<<"$summary" \
    || fail "the summary information changed: $summary"
ok "the summary information is left as it was"

refused() { # what message [package]
    local what=$1 message=$2 package=${3:-clean.msi}
    if run "$package"; then
        fail "put-msi-texts took $what"
    fi
    grep -qF -- "$message" "$work/output" || fail "for $what, put-msi-texts said: $(cat "$work/output")"
    cmp -s "$work/out.msi" "$work/$package" || fail "put-msi-texts changed the package although it took not $what"
}
printf '@Name@\tname\n@Maker@\tmaker\n@Place@\tplace\n@Unused@\tnowhere\n' | refused "a text for no placeholder" "@Unused@ is used nowhere"
printf '@Name@\tname\n@Maker@\tmaker\n@Place@\tplace\n' \
    | refused "a placeholder in the summary information" "the summary information holds a placeholder (@Maker@" summary.msi
printf '@Name@\tname\n@Maker@\tmaker\n' | refused "a placeholder without a text" "a placeholder without a text is left in"
printf '@Name@\tname\n@Maker@\tcafé ☃\n@Place@\tplace\n' | refused "a text beyond codepage 932" "line 2 has a character that code page 932 cannot hold"
printf '@Name@ name\n@Maker@\tmaker\n@Place@\tplace\n' | refused "a line without a tab" 'line 1 is not "@Name@<TAB>text"'
printf '@Name@\tname\n@Name@\tagain\n@Maker@\tmaker\n@Place@\tplace\n' | refused "a placeholder twice" "line 2 repeats @Name@"
printf '# nothing\n' | refused "an empty file" "no texts given"
ok "it refuses unused or missing texts, a placeholder in the summary, texts beyond codepage 932, bad and repeated lines and empty files, leaving the package as it was"

echo "$checks passed, 0 failed"
