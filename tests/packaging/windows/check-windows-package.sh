#!/usr/bin/env bash
# Checks the Windows packages that scripts/package-windows makes: what the zip
# holds and how its read-me is written, what the MSI's tables say, and, in a
# Wine prefix of its own, that the MSI installs the program, its Start-menu
# shortcut and its installed-programs entry, that the installed program shows
# its window, that uninstalling leaves nothing behind while ORVETA's settings
# and data stay as they were, that installing it again or installing a
# rebuild of the same version leaves one installed copy, the newer, and that a
# higher version replaces it while a lower one is refused.
#
#     tests/packaging/windows/check-windows-package.sh [ZIP MSI [WINEPREFIX]]
#
# Without arguments it checks the packages in build-windows/package/. The Wine
# prefix (default build-windows/wine-test) is made when missing, and made anew
# when an earlier run stopped half-way; a folder this check did not make is
# never used. Needs wine, msitools, unzip, Xvfb, xdotool and MinGW-w64's
# binutils; the rebuild is made with scripts/package-windows. Stops at the
# first failed check and exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/../../.."

product='KORVEL(ORVETA) 勤務ﾃﾞｰﾀの削除'
caption=" $product"
manufacturer='㈱ソルカナ'
msi_version=1.00.0
exe_version=1.0.0.0
upgrade_code='{82879630-57BF-44CE-B889-ABEF5A6CCEBF}'
folder='ORVETA Workdata Delete'
exe_name=orveta-workdata-delete.exe
orveta_key='HKCU\Software\VB and VBA Program Settings\KORVEL\Orveta'

if [ $# -eq 0 ]; then
    set -- build-windows/package/orveta-workdata-delete-1.00-win64.zip \
        build-windows/package/orveta-workdata-delete-1.00-win64.msi
fi
[ $# -eq 2 ] || [ $# -eq 3 ] || { echo "usage: $0 [ZIP MSI [WINEPREFIX]]" >&2; exit 2; }
zip=$(realpath "$1")
msi=$(realpath "$2")
prefix=$(realpath -m "${3:-build-windows/wine-test}")

checks=0
ok() { checks=$((checks + 1)); echo "ok: $*"; }
fail() {
    echo "check-windows-package: FAILED: $*" >&2
    echo "$checks passed, 1 failed"
    exit 1
}

for tool in wine wineserver wineboot msiinfo msiextract msibuild unzip iconv Xvfb xdotool \
    x86_64-w64-mingw32-objdump; do
    command -v "$tool" >/dev/null \
        || fail "$tool is missing (packages wine, msitools, unzip, xvfb, xdotool, binutils-mingw-w64-x86-64)"
done
[ -f "$zip" ] || fail "no zip $zip"
[ -f "$msi" ] || fail "no MSI $msi"

work=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    if [ -d "$prefix/drive_c" ]; then
        WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    fi
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Byte $2 (and following, $3 of them) of file $1 as one hexadecimal string.
bytes() { od -An -tx1 -j "$2" -N "$3" "$1" | tr -d ' \n'; }
# A little-endian number of $3 bytes at offset $2 of file $1.
number() {
    local hex
    hex=$(od -An -tu1 -j "$2" -N "$3" "$1")
    local value=0 shift=0 byte
    for byte in $hex; do
        value=$((value + (byte << shift)))
        shift=$((shift + 8))
    done
    echo "$value"
}

echo "== the zip: $zip"
listing=$(unzip -Z1 "$zip" | LC_ALL=C sort)
[ "$listing" = "README-windows.txt
$exe_name" ] || fail "the zip holds:
$listing
instead of README-windows.txt and $exe_name"
ok "it holds exactly $exe_name and README-windows.txt"
unzip -q -d "$work/zip" "$zip"
exe=$work/zip/$exe_name
readme=$work/zip/README-windows.txt

[ "$(bytes "$exe" 0 2)" = 4d5a ] || fail "$exe_name does not start with MZ"
pe=$(number "$exe" 60 4)
[ "$(bytes "$exe" "$pe" 4)" = 50450000 ] || fail "$exe_name has no PE header"
[ "$(number "$exe" $((pe + 4)) 2)" -eq $((0x8664)) ] || fail "$exe_name is not an x86-64 program"
# The optional header's Subsystem field: 2 is a window program, 3 a console one.
[ "$(number "$exe" $((pe + 92)) 2)" -eq 2 ] || fail "$exe_name is not a Windows GUI program"
ok "$exe_name is a 64-bit Windows GUI program"

headers=$(x86_64-w64-mingw32-objdump -h "$exe")
if grep -qE ' \.debug_' <<<"$headers"; then
    fail "$exe_name carries debug information: $(grep -oE '\.debug_[a-z_]+' <<<"$headers" | tr '\n' ' ')"
fi
grep -q ' \.gnu_debuglink ' <<<"$headers" || fail "$exe_name has no debug link to its .debug file"
symbols=$(x86_64-w64-mingw32-objdump -t "$exe" | grep -c '^\[' || true)
[ "$symbols" -eq 0 ] || fail "$exe_name has a symbol table of $symbols entries"
# The folder this check runs from, and the one the packages were built in.
for build_folder in "$PWD" "$(dirname "$zip")"; do
    if grep -qaF -- "$build_folder" "$exe"; then
        fail "$exe_name names the build folder $build_folder"
    fi
done
ok "$exe_name is stripped, links to its debug file and names no build folder"

[ "$(bytes "$readme" 0 3)" = efbbbf ] || fail "README-windows.txt does not start with a UTF-8 byte-order mark"
iconv -f UTF-8 -t UTF-8 "$readme" >/dev/null 2>&1 || fail "README-windows.txt is not UTF-8"
lines=$(wc -l <"$readme")
crlf_lines=$(LC_ALL=C grep -c $'\r$' "$readme" || true)
[ "$lines" -gt 20 ] && [ "$crlf_lines" -eq "$lines" ] && [ -z "$(tail -c 2 "$readme" | tr -d '\r\n')" ] \
    || fail "README-windows.txt: $crlf_lines of $lines lines end in CRLF, or the last line has no line end"
ok "README-windows.txt is UTF-8 with a byte-order mark and $lines CRLF lines"
for text in 'HKEY_CURRENT_USER\Software\VB and VBA Program Settings\KORVEL\Orveta' \
    'Key_Path' '<Key_Path>\data\YYYYMMorveta.mdb' '元に戻せません' 'バックアップ' \
    'cannot be restored' 'backup' "$product" "$manufacturer"; do
    grep -qF -- "$text" "$readme" || fail "README-windows.txt does not say '$text'"
done
ok "it names ORVETA's settings key, Key_Path, the data files and the warning, in Japanese and English"

echo "== the MSI's tables: $msi"
# Run in the scratch folder: exporting a table with streams (Icon, Binary)
# writes them as files into the current folder.
table() { (cd "$work" && msiinfo export "$msi" "$1") | tr -d '\r'; }
# The value of column $3 in the row of table $1 whose first column is $2.
cell() { table "$1" | awk -F '\t' -v key="$2" -v column="$3" 'NR > 3 && $1 == key { print $column }'; }

[ "$(table _ForceCodepage | sed -n 3p)" = $'932\t_ForceCodepage' ] \
    || fail "the database codepage is not 932: $(table _ForceCodepage | sed -n 3p)"
ok "the database codepage is 932"
for pair in "ProductName=$product" "Manufacturer=$manufacturer" "ProductVersion=$msi_version" \
    "UpgradeCode=$upgrade_code" "ProductLanguage=1041" "ALLUSERS=1" "ARPPRODUCTICON=icon.ico"; do
    name=${pair%%=*}
    value=$(cell Property "$name" 2)
    [ "$value" = "${pair#*=}" ] || fail "the property $name is '$value', not '${pair#*=}'"
done
ok "ProductName '$product', Manufacturer '$manufacturer', version $msi_version, per-machine"

leftovers=$(for name in $(msiinfo tables "$msi"); do
    table "$name" | grep -E '@[A-Za-z0-9]+@' | sed "s/^/$name: /" || true
done)
[ -z "$leftovers" ] || fail "placeholders are left in the MSI:
$leftovers"
ok "no placeholder is left in any table"

[ "$(cell Directory INSTALLDIR 2)" = ProgramFiles64Folder ] || fail "INSTALLDIR is not under ProgramFiles64Folder"
install_name=$(cell Directory INSTALLDIR 3)
[ "${install_name#*|}" = "$folder" ] || fail "INSTALLDIR is named '$install_name'"
[ "$(cell File ProgramExe 3 | sed 's/^.*|//')" = "$exe_name" ] || fail "the program's file is not $exe_name"
ok "the program goes to ProgramFiles64Folder\\$folder\\$exe_name"

shortcut=$(table Shortcut | awk -F '\t' 'NR > 3')
[ "$(wc -l <<<"$shortcut")" -eq 1 ] || fail "the MSI has not exactly one shortcut: $shortcut"
# Tab is whitespace to read, which would merge the empty columns: cut instead.
field() { cut -f "$1" <<<"$shortcut"; }
directory=$(field 2) name=$(field 3) target=$(field 5) description=$(field 7) icon=$(field 9)
[ "$directory" = ProgramMenuFolder ] && [ "${name#*|}" = "$product" ] && [ "$target" = '[#ProgramExe]' ] \
    && [ "$icon" = icon.ico ] && [ -n "$description" ] || fail "the shortcut is: $shortcut"
ok "one Start-menu shortcut '$product' to the program, with the icon and a description"

upgrades=$(table Upgrade | awk -F '\t' -v code="$upgrade_code" 'NR > 3 && $1 == code')
# Attributes: 513 finds versions up to this one, this one included (512,
# VersionMaxInclusive), 2 only detects newer ones (OnlyDetect, the minimum
# left out).
grep -qP "^\Q$upgrade_code\E\t\t$msi_version\t\t513\t\tWIX_UPGRADE_DETECTED$" <<<"$upgrades" \
    && grep -qP "^\Q$upgrade_code\E\t$msi_version\t\t\t2\t\tWIX_DOWNGRADE_DETECTED$" <<<"$upgrades" \
    || fail "the Upgrade table does not find older and same versions and newer ones apart: $upgrades"
table InstallExecuteSequence | grep -q '^RemoveExistingProducts' || fail "RemoveExistingProducts is not sequenced"
ok "a major upgrade removes older versions and rebuilds of this one, and refuses to replace newer ones"

[ "$(cell File ProgramExe 5)" = "$exe_version" ] \
    || fail "the File table gives $exe_name the version '$(cell File ProgramExe 5)', not $exe_version"
ok "the File table gives $exe_name its version $exe_version"

# msibuild writes the summary's strings as UTF-8, which Windows would read in
# the summary's own code page: they are ASCII.
summary=$(msiinfo suminfo "$msi")
grep -qxF "Subject: KORVEL (ORVETA) Work Data Deletion" <<<"$summary" \
    && grep -qxF "Author: Solcana Co., Ltd." <<<"$summary" \
    && grep -qx 'Template: x64;1041' <<<"$summary" || fail "the summary information reads:
$summary"
LC_ALL=C grep -q '[^ -~]' <<<"$summary" && fail "the summary information is not all ASCII:
$summary"
ok "the summary information names the product and the maker in ASCII, for x64 and Japanese"

msiinfo extract "$msi" Icon.icon.ico >"$work/icon.ico" || fail "the MSI has no icon.ico"
[ "$(bytes "$work/icon.ico" 0 4)" = 00000100 ] || fail "icon.ico is not an icon file"
images=$(number "$work/icon.ico" 4 2)
[ "$images" -ge 1 ] || fail "icon.ico holds no image"
size=$(stat -c %s "$work/icon.ico")
for ((i = 0; i < images; i++)); do
    length=$(number "$work/icon.ico" $((6 + 16 * i + 8)) 4)
    offset=$(number "$work/icon.ico" $((6 + 16 * i + 12)) 4)
    [ $((offset + length)) -le "$size" ] || fail "icon.ico: image $i lies past the end of the file"
    header=$(bytes "$work/icon.ico" "$offset" 4)
    [ "$header" = 28000000 ] || [ "$header" = 89504e47 ] || fail "icon.ico: image $i is neither a DIB nor a PNG"
done
ok "icon.ico is a well-formed icon file with $images image(s)"

msiextract -C "$work/msi" "$msi" >/dev/null
packed=$(find "$work/msi" -name "$exe_name")
[ -n "$packed" ] && cmp -s "$packed" "$exe" || fail "the MSI's $exe_name differs from the zip's"
ok "the MSI carries the same $exe_name as the zip"

echo "== installing under Wine, in $prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=C.UTF-8
# No Mono or Gecko prompts, and no desktop entries in the user's own menus.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
made_here=$prefix/.made-by-check-windows-package
left_clean=$prefix/.left-clean
if [ -e "$prefix" ] && [ ! -e "$made_here" ]; then
    fail "$prefix was not made by this check; give another WINEPREFIX"
fi
if [ -e "$made_here" ] && [ ! -e "$left_clean" ]; then
    echo "an earlier run stopped half-way: making $prefix anew"
    rm -rf "$prefix"
fi

# A screen of our own, so that no window reaches the user's display.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(cat "$work/display")"

# One server for every Wine command here; its output must not hold ours open.
mkdir -p "$prefix"
wineserver -p60 >/dev/null 2>&1 || true
if [ ! -e "$made_here" ]; then
    wineboot -i >"$work/wineboot.log" 2>&1 || fail "wineboot: $(cat "$work/wineboot.log")"
    touch "$made_here"
    ok "made the Wine prefix"
fi
rm -f "$left_clean"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

drive_c=$prefix/drive_c
program_dir="$drive_c/Program Files/$folder"
common_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
user_menu="$drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
products_key='HKLM\Software\Classes\Installer\Products'

# reg export writes UTF-16; "reg query" would print the Japanese as "?".
export_key() {
    rm -f "$work/export.reg"
    wine reg export "$1" "$(windows_path "$work/export.reg")" /y >/dev/null 2>&1 || return 0
    iconv -f UTF-16 -t UTF-8 "$work/export.reg" | tr -d '\r'
}
# The sections of a .reg text (on stdin) that hold the line $1.
sections_with() { awk -v line="$1" 'BEGIN { RS = ""; FS = "\n" } { for (i = 2; i <= NF; i++) if ($i == line) print $0 "\n" }'; }
orveta_value() { wine reg query "$orveta_key" /v Key_Path 2>/dev/null | tr -d '\r' | grep Key_Path || true; }
# The Windows Installer's own bookkeeping stays once made, empty, as on any
# Windows: the folder C:\windows\Installer and registry keys without values.
file_list() { (cd "$drive_c" && find . | grep -vx './windows/Installer' | LC_ALL=C sort); }
registry() {
    {
        # Wine lists the machine's network cards there when a program first
        # asks for them, whenever that is.
        export_key 'HKLM\Software' | awk 'BEGIN { RS = ""; ORS = "\n\n" }
            !(NF == 1 && /^\[HKEY_LOCAL_MACHINE\\Software\\(Classes|Microsoft\\Windows\\CurrentVersion)\\Installer[]\\]/) \
            && !/^\[HKEY_LOCAL_MACHINE\\Software\\(Wow6432Node\\)?Microsoft\\Windows NT\\CurrentVersion\\NetworkCards[]\\]/'
        # Wine keeps scratch values of its own under HKCU\Software\Wine.
        export_key 'HKCU\Software' | awk 'BEGIN { RS = ""; ORS = "\n\n" } !/^\[HKEY_CURRENT_USER\\Software\\Wine[]\\]/'
    }
}

wine reg add "$orveta_key" /v Key_Path /t REG_SZ /d 'C:\ORVETA' /f >/dev/null 2>&1 || fail "reg add $orveta_key"
mkdir -p "$drive_c/ORVETA/data"
echo "June 2004" >"$drive_c/ORVETA/data/200406orveta.mdb"
orveta_before=$(orveta_value)
[[ "$orveta_before" == *'REG_SZ'*'C:\ORVETA' ]] || fail "ORVETA's Key_Path reads back as '$orveta_before'"
ok "ORVETA's settings hold Key_Path = C:\\ORVETA, and C:\\ORVETA\\data holds 200406orveta.mdb"
file_list >"$work/files-before"
registry >"$work/registry-before"

wine msiexec /i "$(windows_path "$msi")" /qn >"$work/install.log" 2>&1 \
    || fail "msiexec /i exited with $?: $(cat "$work/install.log")"
ok "msiexec /i $(basename "$msi") /qn exited with 0"

[ -f "$program_dir/$exe_name" ] || fail "no $program_dir/$exe_name"
[ "$(ls -A "$program_dir")" = "$exe_name" ] || fail "$program_dir holds: $(ls -A "$program_dir")"
cmp -s "$program_dir/$exe_name" "$exe" || fail "the installed $exe_name differs from the packaged one"
ok "C:\\Program Files\\$folder holds only $exe_name, the packaged one"

# Windows puts a per-machine ProgramMenuFolder under ProgramData; Wine 8 puts
# it in the user's own Start menu whatever ALLUSERS says. Either is the MSI's
# ProgramMenuFolder.
links=()
for menu in "$common_menu" "$user_menu"; do
    [ -f "$menu/$product.lnk" ] && links+=("$menu/$product.lnk")
done
[ ${#links[@]} -eq 1 ] || fail "found ${#links[@]} shortcuts named '$product.lnk' in the Start menus"
link=${links[0]}
link_text=$(tr -d '\000' <"$link")
[[ "$link_text" == *"C:\\Program Files\\$folder\\$exe_name"* ]] || fail "the shortcut does not start the installed program"
link_icon=$(grep -aoE 'C:\\windows\\Installer\\\{[0-9A-F-]+\}\\icon\.ico' <<<"$link_text" | head -1)
[ -n "$link_icon" ] || fail "the shortcut has no icon from the package"
installed_icon=$drive_c/$(tr '\\' / <<<"${link_icon#C:\\}")
cmp -s "$installed_icon" "$work/icon.ico" || fail "the shortcut's icon $link_icon is not the package's icon.ico"
ok "the shortcut ${link#"$drive_c"/} starts the program and shows icon.ico"

entries=$(export_key "$uninstall_key" | sections_with "\"DisplayName\"=\"$product\"")
[ "$(grep -c '^\[' <<<"$entries")" -eq 1 ] || fail "not exactly one installed-programs entry is named '$product':
$entries"
for line in "\"Publisher\"=\"$manufacturer\"" "\"DisplayVersion\"=\"$msi_version\"" '"NoModify"=dword:00000001'; do
    grep -qxF -- "$line" <<<"$entries" || fail "the installed-programs entry lacks $line:
$entries"
done
# An expandable string: reg export writes it as hex(2), UTF-16 bytes.
grep -q '^"UninstallString"=hex(2):' <<<"$entries" || fail "the entry has no uninstall command:
$entries"
ok "the installed-programs entry reads '$product' by '$manufacturer', version $msi_version"
product_entry=$(export_key "$products_key" | sections_with "\"ProductName\"=\"$product\"")
product_icon=$(sed -n 's/^"ProductIcon"="\(.*\)"$/\1/p' <<<"$product_entry" | sed 's/\\\\/\\/g')
[ -n "$product_icon" ] || fail "the installed product has no ProductIcon: $product_entry"
cmp -s "$drive_c/$(tr '\\' / <<<"${product_icon#C:\\}")" "$work/icon.ico" \
    || fail "the installed-programs icon $product_icon is not the package's icon.ico"
ok "the installed-programs entry shows icon.ico ($product_icon)"
[ "$(orveta_value)" = "$orveta_before" ] || fail "installing changed ORVETA's Key_Path: $(orveta_value)"
ok "ORVETA's Key_Path is untouched by installing"

echo "== starting the installed program"
wine "C:\\Program Files\\$folder\\$exe_name" >"$work/program.log" 2>&1 &
program_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name KORVEL 2>/dev/null | head -1) || true
[ -n "$window" ] || fail "no window named KORVEL appeared within 30 s: $(cat "$work/program.log")"
title=$(xdotool getwindowname "$window")
[ "$title" = "$caption" ] || fail "the window's caption is '$title', not '$caption'"
ok "its window '$title' appeared"
# taskkill without /f asks the program's windows to close, as the close box does.
wine taskkill /im "$exe_name" >/dev/null 2>&1 || fail "taskkill /im $exe_name"
for _ in $(seq 300); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program_pid" 2>/dev/null && fail "the program did not end within 30 s of being asked to close"
wait "$program_pid" && code=0 || code=$?
program_pid=
[ "$code" -eq 0 ] || fail "the program ended with exit code $code"
ok "it closed when asked, with exit code 0"

# The files under drive_c and the registry's software branches are as they
# were before the first install; when: the step just done, for the message.
expect_as_before()
{
    file_list >"$work/files-after"
    diff "$work/files-before" "$work/files-after" >"$work/files.diff" \
        || fail "$1, the files under drive_c differ from before installing:
$(cat "$work/files.diff")"
    registry >"$work/registry-after"
    diff "$work/registry-before" "$work/registry-after" >"$work/registry.diff" \
        || fail "$1, HKLM\\Software or HKCU\\Software differ from before installing:
$(head -40 "$work/registry.diff")"
}

echo "== uninstalling"
wine msiexec /x "$(windows_path "$msi")" /qn >"$work/uninstall.log" 2>&1 \
    || fail "msiexec /x exited with $?: $(cat "$work/uninstall.log")"
ok "msiexec /x $(basename "$msi") /qn exited with 0"
[ ! -e "$program_dir" ] || fail "$program_dir is still there: $(ls -A "$program_dir")"
[ ! -e "$link" ] || fail "the shortcut is still there"
[ ! -e "$installed_icon" ] || fail "the icon $link_icon is still there"
ok "the program, its folder, the shortcut and the icon are gone"
[ -z "$(export_key "$uninstall_key" | sections_with "\"DisplayName\"=\"$product\"")" ] \
    || fail "the installed-programs entry is still there"
[ -z "$(export_key "$products_key" | sections_with "\"ProductName\"=\"$product\"")" ] \
    || fail "the installer still lists the product"
ok "the installed-programs entry is gone"

expect_as_before "after uninstalling"
ok "every file and folder under drive_c, HKLM\\Software and HKCU\\Software are as before installing"
[ "$(orveta_value)" = "$orveta_before" ] || fail "uninstalling changed ORVETA's Key_Path: '$(orveta_value)'"
[ "$(cat "$drive_c/ORVETA/data/200406orveta.mdb")" = "June 2004" ] || fail "ORVETA's data file changed"
ok "ORVETA's Key_Path and its data file are untouched"

echo "== installing again, and a rebuild of the same version"
versions() {
    export_key "$uninstall_key" | sections_with "\"DisplayName\"=\"$product\"" \
        | sed -n 's/^"DisplayVersion"="\(.*\)"$/\1/p' | tr '\n' ' '
}
# The installed-programs entries' keys are the product codes.
installed_codes() {
    export_key "$uninstall_key" | sections_with "\"DisplayName\"=\"$product\"" \
        | sed -n 's/^\[.*\\\({[0-9A-F-]*}\)\]$/\1/p' | tr '\n' ' '
}
# The same program packaged a day later, as a later commit of the same
# version would be: the exe's time stamp and the files' times differ, so the
# package has a product code of its own.
rebuild=$work/rebuild
SOURCE_DATE_EPOCH=$(($(scripts/source-date-epoch) + 86400)) EXE=$exe BUILD_DIR=$rebuild \
    PACKAGE_DIR=$rebuild/package scripts/package-windows >"$work/rebuild.log" 2>&1 \
    || fail "scripts/package-windows could not package the rebuild: $(cat "$work/rebuild.log")"
rebuilt=$rebuild/package/$(basename "$msi")
code=$(cell Property ProductCode 2)
rebuilt_code=$(msiinfo export "$rebuilt" Property | tr -d '\r' | awk -F '\t' '$1 == "ProductCode" { print $2 }')
[ -n "$rebuilt_code" ] && [ "$rebuilt_code" != "$code" ] \
    || fail "the rebuild's product code is '$rebuilt_code', the package's $code"
msiextract -C "$work/rebuilt" "$rebuilt" >/dev/null
rebuilt_exe=$(find "$work/rebuilt" -name "$exe_name")
cmp -s "$rebuilt_exe" "$exe" && fail "the rebuild carries the very same $exe_name"
ok "a rebuild of version $msi_version has a product code of its own, $rebuilt_code"

for round in first second; do
    wine msiexec /i "$(windows_path "$msi")" /qn >"$work/install.log" 2>&1 \
        || fail "installing $(basename "$msi") a $round time exited with $?: $(cat "$work/install.log")"
done
[ "$(installed_codes)" = "$code " ] || fail "after installing the package twice the entries are: $(installed_codes)"
cmp -s "$program_dir/$exe_name" "$exe" || fail "after installing the package twice $exe_name is not the packaged one"
ok "installing the package twice leaves one installed-programs entry and the program"
for round in first second; do
    wine msiexec /i "$(windows_path "$rebuilt")" /qn >"$work/install.log" 2>&1 \
        || fail "installing the rebuild a $round time exited with $?: $(cat "$work/install.log")"
    [ "$(installed_codes)" = "$rebuilt_code " ] \
        || fail "after installing the rebuild a $round time the entries are: $(installed_codes)"
done
[ "$(versions)" = "$msi_version " ] || fail "the installed versions are: $(versions)"
cmp -s "$program_dir/$exe_name" "$rebuilt_exe" || fail "the rebuild did not replace the installed $exe_name"
[ "$(ls -A "$program_dir")" = "$exe_name" ] || fail "$program_dir holds: $(ls -A "$program_dir")"
ok "the rebuild replaces the installed package: one entry, its own $exe_name; installing it again changes nothing"
wine msiexec /x "$(windows_path "$rebuilt")" /qn >"$work/uninstall.log" 2>&1 \
    || fail "msiexec /x of the rebuild exited with $?"
expect_as_before "after uninstalling the rebuild"
ok "uninstalling the rebuild leaves drive_c and the registry as before"

echo "== upgrading"
# The next version's package as a build would make it: a new ProductCode and
# version, and Upgrade rows that bracket the new version. (It keeps the package
# code, which Wine does not look at.)
next_version=1.00.1
next=$work/next.msi
cp "$msi" "$next"
msibuild "$next" \
    -q "UPDATE Property SET Value = '$next_version' WHERE Property = 'ProductVersion'" \
    -q "UPDATE Property SET Value = '{6F1E0D57-3C2B-4A19-8E07-D5C4B3A29180}' WHERE Property = 'ProductCode'" \
    -q "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'" \
    -q "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_DOWNGRADE_DETECTED'" \
    -q "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty) VALUES ('$upgrade_code', '$next_version', 1, 'WIX_UPGRADE_DETECTED')" \
    -q "INSERT INTO Upgrade (UpgradeCode, VersionMin, Attributes, ActionProperty) VALUES ('$upgrade_code', '$next_version', 2, 'WIX_DOWNGRADE_DETECTED')" \
    || fail "msibuild could not make the next version's package"
wine msiexec /i "$(windows_path "$msi")" /qn >"$work/install.log" 2>&1 || fail "msiexec /i $msi exited with $?"
wine msiexec /i "$(windows_path "$next")" /qn >"$work/upgrade.log" 2>&1 \
    || fail "installing version $next_version over $msi_version exited with $?"
[ "$(versions)" = "$next_version " ] || fail "after the upgrade the installed versions are: $(versions)"
[ -f "$program_dir/$exe_name" ] || fail "the upgrade left no $exe_name"
ok "version $next_version replaces $msi_version: one installed-programs entry, the program in place"
if wine msiexec /i "$(windows_path "$msi")" /qn >"$work/downgrade.log" 2>&1; then
    fail "version $msi_version installed over $next_version"
fi
[ "$(versions)" = "$next_version " ] || fail "after the refused downgrade the installed versions are: $(versions)"
ok "version $msi_version is refused over $next_version"
wine msiexec /x "$(windows_path "$next")" /qn >"$work/uninstall.log" 2>&1 \
    || fail "msiexec /x of version $next_version exited with $?"
expect_as_before "after uninstalling the upgrade"
[ "$(orveta_value)" = "$orveta_before" ] || fail "upgrading changed ORVETA's Key_Path: '$(orveta_value)'"
ok "uninstalling the upgrade leaves drive_c and the registry as before, ORVETA's Key_Path untouched"

wineserver -k 2>/dev/null || true
touch "$left_clean"
echo "$checks passed, 0 failed"
