#!/bin/sh
# Runs kestrove on the bundled example, then shows for one instance its cell
# as read, its cell as written and the audit log's paragraphs about it, and
# says where the whole output and log are.
# Usage: sh examples/run-demo.sh <kestrove> [<output-dir> [<instance>]]
# Without an output folder a fresh one is made; the instance defaults to r1.
set -u
if [ $# -lt 1 ] || [ $# -gt 3 ]; then
    echo "usage: sh examples/run-demo.sh <path-to-kestrove> [<output-dir> [<instance>]]" >&2
    exit 2
fi
case $1 in
/*) program=$1 ;;
*) program=$(pwd)/$1 ;;
esac
if [ $# -ge 2 ]; then
    mkdir -p "$2" || exit 1
    work=$(cd "$2" && pwd) || exit 1
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/kestrove-demo.XXXXXX") || exit 1
fi
instance=${3:-r1}
examples=$(cd "$(dirname "$0")" && pwd)
output=$work/design_remapped.sdf
log=$work/kestrove.log
# kestrove never overwrites its output; these two are the demo's own.
rm -f "$output" "$log"

# Cell names are path prefixes, so run beside the templates.
cd "$examples" || exit 1
set -x
"$program" -l"$log" \
    -pdffr.prefs -cell dffr \
    -cell reg4 \
    -pmux2.prefs -cell mux2 \
    design.sdf "$output"
{ status=$?; set +x; } 2>/dev/null

# The CELL of the given instance, from its '(' through the matching ')'. With
# trails set, a remapped instance is named <instance>/<template instance>;
# remapped cells come after the copied ones, so the last match is shown.
show_cell() {
    awk -v want="$instance" '
    { text = text $0 "\n" }
    END {
        n = length(text); depth = 0; found = ""
        for (i = 1; i <= n; i++) {
            c = substr(text, i, 1)
            if (c == "\"") {
                i += index(substr(text, i + 1), "\"")
            } else if (c == "(") {
                depth++
                if (depth == 2 && substr(text, i + 1, 4) == "CELL")
                    start = i
            } else if (c == ")") {
                if (depth == 2 && start) {
                    cell = substr(text, start, i - start + 1)
                    if (match(cell, /\(INSTANCE[ \t\r\n]+[^ \t\r\n)]+/)) {
                        name = substr(cell, RSTART, RLENGTH)
                        sub(/^\(INSTANCE[ \t\r\n]+/, "", name)
                        if (name == want || index(name, want "/") == 1) {
                            indent = substr(text, 1, start - 1)
                            sub(/^(.*\n)?/, "", indent)
                            found = (indent ~ /^[ \t]*$/ ? indent : "") cell
                        }
                    }
                    start = 0
                }
                depth--
            }
        }
        if (found == "")
            exit 1
        print found
    }' "$1"
}

# The log paragraphs from the instance's banner up to the next banner.
show_paragraphs() {
    awk -v want="* Instance \"$instance\"" '
    { line[++n] = $0 }
    END {
        stars = "************************************************************"
        for (i = 1; i <= n; i++) {
            if (line[i] != stars || line[i + 1] != "*")
                continue
            if (shown)
                break
            if (line[i + 4] == want)
                shown = i
        }
        if (!shown)
            exit 1
        for (last = i - 1; last > shown && line[last] == ""; last--)
            ;
        for (k = shown; k <= last; k++)
            print line[k]
    }' "$1"
}

printf '\n======== instance %s as read from examples/design.sdf ========\n' "$instance"
show_cell design.sdf || echo "(no CELL with INSTANCE $instance in the input)"
if [ -f "$output" ]; then
    printf '\n======== instance %s as written by kestrove ========\n' "$instance"
    show_cell "$output" || echo "(no CELL with INSTANCE $instance in the output)"
fi
if [ -f "$log" ]; then
    printf '\n======== what the audit log says about it ========\n'
    show_paragraphs "$log" || echo "(instance $instance was not remapped)"
fi
printf '\nIn the whole output the cells left as they were come first, in input order;\n'
printf 'the remapped cells follow them.\n'
printf 'The whole output:    %s\n' "$output"
printf 'The whole audit log: %s\n' "$log"
printf 'kestrove exit status: %d\n' "$status"
exit "$status"
