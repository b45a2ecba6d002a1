#!/usr/bin/env bash
# Forward search accuracy on a 30-page LaTeX document (text, lists, tables, footnotes,
# displayed and inline maths) typeset by latex with source specials: bench_forward_search
# searches 500 random text lines and checks that the marked box holds text of each.
# The words are pseudo-random letter strings, so a word of six letters or more names
# its line; hyphenation is off so that every word stays whole on one line.
#
#   bench/forward_search.sh [BUILD_DIR] [LINES]    (defaults: build/default, 500)
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."
build=${1:-build/default}
count=${2:-500}
bench="$(pwd)/$build/bin/bench_forward_search"
[ -x "$bench" ] || { echo "no $bench (build bench_forward_search first)" >&2; exit 2; }
command -v latex >/dev/null || { echo "no latex on PATH" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quirn-bench-forward-XXXXXX")
trap 'rm -rf "$work"' EXIT

awk 'BEGIN {
    srand(7)
    letters = "abcdefghijklmnopqrstuvwxyz"
    print "\\documentclass[11pt]{article}"
    print "\\hyphenpenalty=10000 \\exhyphenpenalty=10000 \\emergencystretch=3em"
    print "\\begin{document}"
    for (s = 1; s <= 30; s++) {
        printf "\\section{%s %s}\n", word(), word()
        for (p = 1; p <= 4; p++) {
            for (l = 1; l <= 5; l++) {
                line = ""
                for (w = 1; w <= 9; w++) line = line word() " "
                if (l == 3 && p == 2) line = line "\\footnote{" word() " " word() " " word() "}"
                if (l == 4 && p == 3) line = line "$x_" s "^2+" word() "$ "
                print line
            }
            print ""
        }
        print "\\begin{itemize}"
        for (i = 1; i <= 3; i++) printf "\\item %s %s %s %s\n", word(), word(), word(), word()
        print "\\end{itemize}"
        print "\\begin{tabular}{ll}"
        for (i = 1; i <= 3; i++) printf "%s & %s \\\\\n", word(), word()
        print "\\end{tabular}"
        print "\\begin{equation}"
        print "\\int_0^1 f(x)\\,dx = \\sum_{k=1}^{n} a_k"
        print "\\end{equation}"
        print ""
    }
    print "\\end{document}"
}
function word(   n, s, i) {
    n = 4 + int(rand() * 7)
    s = ""
    for (i = 0; i < n; i++) s = s substr(letters, 1 + int(rand() * 26), 1)
    return s
}' > "$work/doc.tex"
(cd "$work" && latex -interaction=batchmode -src-specials doc.tex >/dev/null) || true
[ -f "$work/doc.dvi" ] || { echo "latex made no DVI" >&2; exit 1; }
pages=$(grep -o 'Output written on doc.dvi ([0-9]* pages' "$work/doc.log" | grep -o '[0-9]* pages')
echo "document: $pages"
"$bench" "$work/doc.dvi" "$work/doc.tex" "$count"
