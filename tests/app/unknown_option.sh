#!/bin/bash
# An unknown option is refused with the usage on standard error and status 2, while Qt's own
# options (-platform, -style) are still taken; without a display the window's start says so.
#   usage: unknown_option.sh QUILLMAP
set -u
quillmap=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "unknown_option: $*" >&2; exit 1; }

"$quillmap" --bogus > "$scratch/out" 2> "$scratch/err"
status=$?
[ "$status" = 2 ] || fail "--bogus exited $status, not 2"
[ ! -s "$scratch/out" ] || fail "--bogus wrote to standard output"
grep -q "unknown option 'bogus'" "$scratch/err" || fail "--bogus did not name the option"
grep -q -- '--import <file>' "$scratch/err" || fail "--bogus did not print the usage"
grep -q '^Usage: quillmap ' "$scratch/err" || fail "the usage does not name quillmap: $(grep Usage "$scratch/err")"

# Qt's own options among them are left for the window: only the unknown one is named.
"$quillmap" -platform offscreen -style Fusion --bogus > /dev/null 2> "$scratch/err"
status=$?
[ "$status" = 2 ] || fail "-platform offscreen -style Fusion --bogus exited $status, not 2"
grep -q "unknown option 'bogus'" "$scratch/err" || fail "Qt's own options were not left to the window: $(head -1 "$scratch/err")"

# Without a display the window's start says so in one line and exits 2, not with Qt's abort.
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$quillmap" > /dev/null 2> "$scratch/err"
status=$?
[ "$status" = 2 ] && [ "$(wc -l < "$scratch/err")" = 1 ] && grep -q '^quillmap: .*no display' "$scratch/err" \
    || fail "without a display: exit $status, $(cat "$scratch/err")"
