#!/bin/sh
# Runs kestrove on the bundled example into a fresh output file, then shows
# the remapped SDF and the audit log. Usage: sh examples/run-demo.sh <kestrove>
set -u
if [ $# -ne 1 ]; then
    echo "usage: sh examples/run-demo.sh <path-to-kestrove>" >&2
    exit 2
fi
case $1 in
/*) program=$1 ;;
*) program=$(pwd)/$1 ;;
esac
examples=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrove-demo.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

# Cell names are path prefixes, so run beside the templates.
cd "$examples" || exit 1
set -x
"$program" -l"$work/kestrove.log" \
    -pdffr.prefs -cell dffr \
    -cell reg4 \
    -pmux2.prefs -cell mux2 \
    design.sdf "$work/design_remapped.sdf"
status=$?
set +x

for file in design_remapped.sdf kestrove.log; do
    if [ -f "$work/$file" ]; then
        printf '\n======== %s ========\n' "$file"
        cat "$work/$file"
    fi
done
printf '\nkestrove exit status: %d\n' "$status"
exit "$status"
