#!/usr/bin/env bash
# Runs every test function of a Qt Test executable in a process of its own, so a test that
# passes only after another one has run is caught. Usage: each_function_alone.sh TEST [WRAPPER...]
set -uo pipefail
test=$1
shift
listing=$("$@" "$test" -functions) || { echo "cannot list the functions of $test" >&2; exit 1; }
functions=$(printf '%s\n' "$listing" | sed -n 's/^\([A-Za-z_0-9]*\)()$/\1/p')
[ -n "$functions" ] || { echo "no test functions listed by $test" >&2; exit 1; }
log=$(mktemp)
failed=()
for function in $functions; do
    if ! "$@" "$test" "$function" > "$log" 2>&1; then
        failed+=("$function")
        cat "$log"
    fi
done
rm -f "$log"
if [ ${#failed[@]} -gt 0 ]; then
    echo "Failed when run alone: ${failed[*]}" >&2
    exit 1
fi
echo "$(wc -w <<< "$functions") functions passed, each alone"
