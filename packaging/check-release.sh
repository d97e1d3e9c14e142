#!/usr/bin/env bash
# Fails unless every file that names the release names the same one: the
# version the program reports (the argument, APP_VERSION_TEXT), the newest
# entry of the Debian changelog, the AppStream release and both manual pages,
# and the same date in the last three.
#     packaging/check-release.sh 1.00
set -euo pipefail
cd "$(dirname "$0")"
version=$1

fail() { echo "check-release: $*" >&2; exit 1; }

changelog_version=$(sed -n '1s/^orveta-workdata-delete (\([^)]*\)).*/\1/p' debian/changelog)
[ "$changelog_version" = "$version" ] \
    || fail "debian/changelog's newest entry is '$changelog_version', the program's version $version"
# " -- Name <address>  Tue, 08 Dec 2026 09:00:00 +0900": the day where it was written.
changelog_stamp=$(sed -n 's/^ -- .*>  \(.*\)$/\1/p' debian/changelog | head -n 1)
[[ "$changelog_stamp" =~ ^[A-Z][a-z]{2},\ ([0-9]{2})\ ([A-Z][a-z]{2})\ ([0-9]{4})\ [0-9:]{8}\ [-+][0-9]{4}$ ]] \
    || fail "debian/changelog's newest entry has no date in the form 'Tue, 08 Dec 2026 09:00:00 +0900': '$changelog_stamp'"
date=$(date -d "${BASH_REMATCH[1]} ${BASH_REMATCH[2]} ${BASH_REMATCH[3]}" +%F)

metainfo=jp.solcana.OrvetaWorkdataDelete.metainfo.xml
releases=$(grep -o '<release [^>]*>' "$metainfo")
newest=$(head -n 1 <<<"$releases")
[ "$newest" = "<release version=\"$version\" date=\"$date\"/>" ] \
    || fail "$metainfo's newest release is $newest, not version $version of $date"

for page in man/orveta-workdata-delete.1 man/orveta-workdata-delete.ja.1; do
    header=$(grep '^\.TH ' "$page")
    expected=".TH ORVETA\\-WORKDATA\\-DELETE 1 ${date//-/\\-} \"orveta\\-workdata\\-delete $version\""
    [[ "$header" == "$expected"* ]] || fail "$page's header is '$header', not '$expected ...'"
done
echo "version $version of $date in the changelog, the metainfo and both manual pages"
