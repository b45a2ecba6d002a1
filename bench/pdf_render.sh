#!/usr/bin/env bash
# A PDF page at 150 dpi: `quirn-cli render` (which hands PDF files to quirn-pdf, drawing
# with poppler) against `pdftoppm -r 150` on the same page of a pdfLaTeX article, both
# writing PNG, alternately; process start counts in both. The limit is 1.5 times
# pdftoppm's time. pdftoppm writing uncompressed PPM (no PNG encoding at all) is timed
# too, as the stricter comparison of the drawing itself.
#
#   bench/pdf_render.sh [BUILD_DIR] [ROUNDS]      (defaults: build/default, 9)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build/default}
rounds=${2:-9}
cli="$(pwd)/$build/bin/quirn-cli"
[ -x "$cli" ] && [ -x "$(pwd)/$build/bin/quirn-pdf" ] || {
    echo "no quirn-cli or quirn-pdf in $build/bin" >&2; exit 2; }
for tool in pdflatex pdftoppm; do
    command -v $tool >/dev/null || { echo "no $tool on PATH" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quirn-bench-pdf-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config"
export QUIRN_CONFIG_DIR="$work/config"

words=(typesetting engine output window format source special page font metric
    document section paragraph reference contents list figure table index glyph)
seed=11
{
    echo '\documentclass[10pt]{article}\usepackage{amsmath,amssymb,xcolor}\begin{document}'
    for s in 1 2 3 4 5 6; do
        echo "\\section{Part $s}"
        for p in 1 2 3; do
            word_line 80
            echo "$line \\textcolor{blue}{coloured} \$\\sum_{i=1}^n x_i^2\$."
            echo
        done
        echo '\begin{equation}\int_0^1 f(x)\,dx=\frac{\pi}{4}\end{equation}'
    done
    echo '\end{document}'
} > "$work/article.tex"
(cd "$work" && pdflatex -interaction=batchmode article.tex >/dev/null)
page=2

now() { date +%s.%N; }
quirn_times=() poppler_times=() ppm_times=()
for round in $(seq 1 "$rounds"); do
    t0=$(now)
    "$cli" render "$work/article.pdf" --dpi 150 --page $page --bits 24 --aa always \
        -o "$work/quirn.png"
    t1=$(now)
    pdftoppm -r 150 -f $page -l $page -singlefile -png "$work/article.pdf" "$work/poppler"
    t2=$(now)
    pdftoppm -r 150 -f $page -l $page -singlefile "$work/article.pdf" "$work/poppler"
    t3=$(now)
    ppm_times+=("$(echo "$t3 - $t2" | bc -l)")
    quirn_times+=("$(echo "$t1 - $t0" | bc -l)")
    poppler_times+=("$(echo "$t2 - $t1" | bc -l)")
done
median() { printf '%s\n' "$@" | sort -g | sed -n "$((($# + 1) / 2))p"; }
q=$(median "${quirn_times[@]}")
p=$(median "${poppler_times[@]}")
m=$(median "${ppm_times[@]}")
size=$(file "$work/quirn.png" | grep -o '[0-9]* x [0-9]*')
printf 'pdf page %d at 150 dpi (%s): quirn-cli %.3f s, pdftoppm %.3f s (medians of %d), ratio %.2f (limit 1.5)\n' \
    "$page" "$size" "$q" "$p" "$rounds" "$(echo "$q / $p" | bc -l)"
printf 'pdf page %d at 150 dpi: pdftoppm writing PPM %.3f s, ratio %.2f\n' "$page" "$m" \
    "$(echo "$q / $m" | bc -l)"
