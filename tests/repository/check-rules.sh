#!/usr/bin/env bash
# Rules of the source tree that no compiler checks:
#   - platform/ includes no Qt header and holds no text a user reads;
#   - a control is named as a string only in the window table;
#   - -Werror comes only with WARNINGS_AS_ERRORS;
#   - every source path the README and docs/ name in backquotes exists.
#
#   check-rules.sh SOURCE-FOLDER
set -uo pipefail
cd "${1:?usage: check-rules.sh SOURCE-FOLDER}"

failures=0
fail()
{
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Lines of the tracked files, and of the new ones not yet added.
sources() { git ls-files --cached --others --exclude-standard -- "$@" 2>/dev/null; }

hits=$(sources platform | xargs -r grep -n '#include <Q' 2>/dev/null)
[ -z "$hits" ] || fail "platform/ includes Qt:"$'\n'"$hits"

# The user's texts are Japanese or go to standard error: none of either here.
hits=$(sources platform | xargs -r grep -nP '[^\x00-\x7F]|stderr|std::cerr|printf' 2>/dev/null)
[ -z "$hits" ] || fail "platform/ holds texts for the user:"$'\n'"$hits"

table=shell/windowdefinition.h
names=$(grep -oP 'ControlDefinition\{(Control::\w+, )?"\K[^"]+' "$table")
[ -n "$names" ] || fail "no control names found in $table"
for name in $names; do
    hits=$(sources deletion settings shell platform tests bench | grep -v "^$table$" \
        | xargs -r grep -nF "\"$name\"" 2>/dev/null)
    [ -z "$hits" ] || fail "the control $name is named outside the window table:"$'\n'"$hits"
done

hits=$(sources | grep -v '\.md$' | xargs -r grep -n -- '-Werror' 2>/dev/null \
    | grep -v 'WARNINGS_AS_ERRORS' | grep -v '^tests/repository/')
[ -z "$hits" ] || fail "-Werror without WARNINGS_AS_ERRORS:"$'\n'"$hits"

for doc in README.md docs/*.md; do
    while IFS= read -r path; do
        path=${path%%[,.:;)]}
        [[ $path == *'*'* ]] && continue
        [ -e "$path" ] || fail "$doc names $path, which is not there"
    done < <(grep -oP '`\K(shell|platform|deletion|settings|tests|scripts|packaging|bench|cmake|docs)/[^` ]+' "$doc")
done

[ "$failures" -eq 0 ] && echo "all rules hold"
exit $((failures > 0))
