#!/usr/bin/env bash
# The page view without a display (bench_view): a 300-page LaTeX article with colour
# specials that span pages (\color switches that hold across page breaks and
# \textcolor words), shown at 150 dpi. A page shown again should take at most a quarter
# of its first showing, and the first showing of page 290 at most twice that of page 2.
#
#   bench/view.sh [BUILD_DIR] [ROUNDS]      (defaults: build/default, 7)
#
# The document is typeset once into a scratch directory that is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build/default}
rounds=${2:-7}
bench="$(pwd)/$build/bin/bench_view"
[ -x "$bench" ] || { echo "no $bench (build bench_view)" >&2; exit 2; }
command -v latex >/dev/null || { echo "no latex on PATH" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quirn-bench-view-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config"
export QUIRN_CONFIG_DIR="$work/config"

generate() {
    local words=(typesetting engine output window format source special page font metric
        document section paragraph reference contents list figure table index glyph
        previewer project package macro token register box glue penalty kerning ligature)
    local colours=(red blue teal violet olive black)
    echo '\documentclass[10pt]{article}'
    echo '\usepackage{amsmath,xcolor}'
    echo '\begin{document}'
    local s p w seed=11 line
    for s in $(seq 1 600); do
        if [ $((s % 4)) = 1 ]; then
            echo "\\section{Section $s on ${words[$((s % ${#words[@]}))]}}"
        fi
        # A colour switch that holds across the following page breaks.
        if [ $((s % 7)) = 3 ]; then
            echo "\\color{${colours[$((s % ${#colours[@]}))]}}"
        fi
        for p in 1 2; do
            word_line 90
            echo "$line \\textcolor{red}{red $s} and \$x_{$s}^2+\\alpha\\le\\sum_{i=1}^{n} a_i\$."
            echo
        done
        echo "\\begin{equation} \\int_0^{$s} f(x)\\,dx = \\frac{\\sqrt{$s}}{2} \\end{equation}"
    done
    echo '\end{document}'
}

generate > "$work/colour300.tex"
(cd "$work" && latex -interaction=batchmode colour300.tex >/dev/null) || true
[ -f "$work/colour300.dvi" ] || { echo "latex made no DVI" >&2; exit 1; }
"$bench" "$work/colour300.dvi" "$rounds"
