#!/usr/bin/env bash
# Editor core timings on a generated 5 MB LaTeX text (see bench/editor.cpp):
#   mismatch: Find Mismatched Brace or $ over the whole text against a plain scan of
#             the same bytes for the same delimiters (limit 3);
#   colour:   painting one screen of a fresh document after a jump to the end against
#             the first screen; only the shown lines are walked (limit 2).
#
#   bench/editor.sh [BUILD_DIR] [MEGABYTES] [ROUNDS]   (defaults: build/default, 5, 15)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
program="$(pwd)/$build/bin/bench_editor"
[ -x "$program" ] || { echo "no $program (build bench_editor)" >&2; exit 2; }
exec "$program" "${2:-5}" "${3:-15}"
