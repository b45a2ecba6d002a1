#!/usr/bin/env bash
# Background spell checking of a 5,000-line document as the editor window runs it (see
# bench/spelling.cpp): the time until every line is checked (limit 2 s) and the longest
# slice a keystroke can wait for (limit 3 times the slice budget).
#
#   bench/spelling.sh [BUILD_DIR] [LINES] [ROUNDS]   (defaults: build/default, 5000, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
program="$(pwd)/$build/bin/bench_spelling"
[ -x "$program" ] || { echo "no $program (build bench_spelling)" >&2; exit 2; }
exec "$program" "${2:-5000}" "${3:-5}"
