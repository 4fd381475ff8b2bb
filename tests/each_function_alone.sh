#!/usr/bin/env bash
# Runs every test function of a Qt Test executable in a process of its own, so a test that
# passes only after another one has run is caught. Usage: each_function_alone.sh TEST [WRAPPER...]
set -uo pipefail
test=$1
shift
failed=()
for function in $("$test" -functions | sed 's/()$//'); do
    if ! "$@" "$test" "$function" > /tmp/each_alone.$$.log 2>&1; then
        failed+=("$function")
        cat /tmp/each_alone.$$.log
    fi
done
rm -f /tmp/each_alone.$$.log
if [ ${#failed[@]} -gt 0 ]; then
    echo "Failed when run alone: ${failed[*]}" >&2
    exit 1
fi
