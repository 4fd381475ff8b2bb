#!/bin/sh
# Starts Quillmap from its program folder, where its shipped database and cursor lie beside it.
set -e
bin=$(dirname "$(readlink -f "$0")")
exec "$bin/../lib/quillmap/quillmap" "$@"
