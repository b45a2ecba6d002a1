#!/usr/bin/env bash
# Projects, search and word count on large inputs.
#
#   find, count:  bench_text_search on a 300-page LaTeX article: a search that wraps
#                 around the whole document (target 150 ms after loading) and the word
#                 count of every page (target 300 ms).
#   tree:         `quirn-cli project tree` of a project of 200 files in sub-folders,
#                 the whole process (target 20 ms).
#
#   bench/projects.sh [BUILD_DIR] [ROUNDS]      (defaults: build/default, 7)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build/default}
rounds=${2:-7}
cli="$(pwd)/$build/bin/quirn-cli"
text_bench="$(pwd)/$build/bin/bench_text_search"
for program in "$cli" "$text_bench"; do
    [ -x "$program" ] || { echo "no $program (build quirn-cli and bench_text_search)" >&2; exit 2; }
done
command -v latex >/dev/null || { echo "no latex on PATH" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quirn-bench-projects-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config"
export QUIRN_CONFIG_DIR="$work/config"

# About 300 pages of paragraphs with some mathematics.
words=(typesetting engine output window format source special page font metric
    document section paragraph reference contents list figure table index glyph
    previewer project package macro token register box glue penalty kerning ligature)
{
    echo '\documentclass[10pt]{article}'
    echo '\begin{document}'
    seed=7
    for s in $(seq 1 720); do
        [ $((s % 4)) = 1 ] && echo "\\section{Section $s}"
        for p in 1 2; do
            word_line 90
            echo "$line office \$x_{$s}^2+\\alpha\$."
            echo
        done
    done
    echo '\end{document}'
} > "$work/article.tex"
(cd "$work" && latex -interaction=batchmode article.tex >/dev/null)
echo "find and count: $("$cli" dvi-info "$work/article.dvi" 2>/dev/null | sed -n 's/^pages //p') pages"
"$text_bench" "$work/article.dvi" "$rounds" || status=$?

# A thesis of 200 files: chapters and figures in sub-folders, a few outputs.
mkdir -p "$work/thesis/chapters" "$work/thesis/figures"
{
    printf '# Quirn Project File, Version 1.1\n\tname: thesis\n\ttexformat: latex\n'
    printf '\ttypesetmode: DVI\n\tspellwordlist: \nthesis.tex\n'
    for i in $(seq 1 122); do printf 'chapters/chap%d.tex\n' "$i"; done
    for i in $(seq 1 70); do printf 'figures/fig%d.pdf\n' "$i"; done
    printf 'thesis.dvi\nthesis.pdf\nthesis.aux\nthesis.log\nnotes.txt\nrefs.bib\n'
    printf 'figures/a.png\nfigures/b.eps\nthesis.ps\n'
} > "$work/thesis/thesis.ptp"
touch "$work/thesis/thesis.tex"
files=$(grep -c -v '^[#\t]' "$work/thesis/thesis.ptp" || true)
times=()
for round in $(seq 1 "$rounds"); do
    t0=$(date +%s.%N)
    "$cli" project tree "$work/thesis/thesis.ptp" >/dev/null
    t1=$(date +%s.%N)
    times+=("$(echo "($t1 - $t0) * 1000" | bc -l)")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (rounds + 1) / 2 ))p")
best=$(printf '%s\n' "${times[@]}" | sort -n | head -1)
printf 'tree: project of %d files: %.1f ms for the whole quirn-cli process (median of %d, best %.1f; target 20 ms)\n' \
    "$files" "$median" "$rounds" "$best"
exit "${status:-0}"
