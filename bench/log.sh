#!/usr/bin/env bash
# The errors-and-warnings list of a 300-page book: a generated book (chapters,
# sections, lists, tables, cross-references, some undefined, and paragraphs with
# overfull and underfull lines) typeset by latex in nonstop mode, then its log read and
# analysed by bench_log_analysis. The list must be ready within 50 ms of the run's end.
#
#   bench/log.sh [BUILD_DIR] [ROUNDS]    (defaults: build/default, 21)
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build/default}
rounds=${2:-21}
bench="$(pwd)/$build/bin/bench_log_analysis"
[ -x "$bench" ] || { echo "no $bench (build bench_log_analysis first)" >&2; exit 2; }
command -v latex >/dev/null || { echo "no latex on PATH" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quirn-bench-log-XXXXXX")
trap 'rm -rf "$work"' EXIT

generate() {
    local words=(typesetting engine output window format source special page font metric
        document section paragraph reference contents list figure table index glyph
        previewer project package macro token register box glue penalty kerning ligature)
    local seed=7 line c s p
    echo '\documentclass[11pt]{book}'
    echo '\begin{document}'
    echo '\tableofcontents'
    for c in $(seq 1 40); do
        echo "\\chapter{Chapter $c}\\label{ch$c}"
        for s in $(seq 1 5); do
            echo "\\section{Section $c.$s}\\label{s$c-$s}"
            for p in $(seq 1 6); do
                word_line 70
                echo "$line"
                echo
            done
            echo "See section~\\ref{s$c-$s}, and \\ref{missing$c-$s} too."
            echo "\\hbox to 20pt{An overfull box in chapter $c section $s}"
            echo
            echo "\\begin{itemize}\\item one \\item two (three)\\end{itemize}"
            echo "\\begin{tabular}{ll}a & b\\\\ c & d\\end{tabular}"
            echo "\\mbox{averyveryveryveryveryverylongunbreakablewordthatsticksout} word"
            echo
        done
    done
    echo '\end{document}'
}
generate > "$work/book.tex"
(cd "$work" && for i in 1 2; do latex -interaction=nonstopmode book.tex >/dev/null || true; done)
pages=$(grep -o 'Output written on book.dvi ([0-9]* pages' "$work/book.log" | grep -o '[0-9]* pages')
echo "book: $pages"
"$bench" "$work/book.log" "$rounds"
