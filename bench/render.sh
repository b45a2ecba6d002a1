#!/usr/bin/env bash
# Page rendering against dvipng, and opening small against large documents.
#
#   render:  a 50-page LaTeX article (Computer Modern text and mathematics, AMS
#            symbols) rendered at 150 dpi with smoothing by one `quirn-cli render`
#            process and by one `dvipng -D 150` process, the same pages, alternately;
#            process start and font loading count in both. Quirn should need at most
#            half of dvipng's time.
#   book:    the same on a 300-page article, every font cached (fewer rounds);
#            Quirn should need at most 0.35 of dvipng's time.
#   first:   a one-page T1 document (fonts with only METAFONT sources) rendered with an
#            empty font cache, so that its bitmap fonts are made: the time a first
#            view of such a document takes, against the same render once they exist.
#   pages:   bench_render_pages on the same article and on a 3-page and a 300-page
#            document with the same fonts: re-drawing an interpreted page against its
#            first drawing (limit 1/4), opening 300 pages against 3 (limit 2), and the
#            memory that opening and drawing pages take.
#
#   bench/render.sh [BUILD_DIR] [ROUNDS]      (defaults: build/default, 7)
#
# Settings and output live in a scratch directory that is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build/default}
rounds=${2:-7}
cli="$(pwd)/$build/bin/quirn-cli"
pages_bench="$(pwd)/$build/bin/bench_render_pages"
for program in "$cli" "$pages_bench"; do
    [ -x "$program" ] || { echo "no $program (build quirn-cli and bench_render_pages)" >&2; exit 2; }
done
for tool in latex dvipng; do
    command -v $tool >/dev/null || { echo "no $tool on PATH" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quirn-bench-render-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/quirn" "$work/dvipng"
export QUIRN_CONFIG_DIR="$work/config"

# An article of about PAGES pages: sections of paragraphs with inline mathematics and
# a displayed equation after every two paragraphs.
generate() {
    local pages=$1
    local words=(typesetting engine output window format source special page font metric
        document section paragraph reference contents list figure table index glyph
        previewer project package macro token register box glue penalty kerning ligature)
    echo '\documentclass[10pt]{article}'
    echo '\usepackage{amsmath,amssymb}'
    echo '\begin{document}'
    local s p w seed=7 line
    for s in $(seq 1 $((pages * 2))); do
        if [ $((s % 4)) = 1 ]; then
            echo "\\section{Section $s on ${words[$((s % ${#words[@]}))]}}"
        fi
        for p in 1 2; do
            word_line 90
            echo "$line \\emph{emphasis} and \$x_{$s}^2+\\alpha\\beta\\le\\sum_{i=1}^{n} a_i\$."
            echo
        done
        echo "\\begin{equation} \\int_0^{$s} f(x)\\,dx = \\frac{\\sqrt{$s}}{2}" \
             "\\sum_{k=1}^{\\infty}\\frac{1}{k^2} \\in \\mathbb{R} \\end{equation}"
    done
    echo '\end{document}'
}

for n in 3 50 300; do
    generate $((n * 49 / 50)) > "$work/article$n.tex"
    (cd "$work" && latex -interaction=batchmode "article$n.tex" >/dev/null)
done
count=$("$cli" dvi-info "$work/article50.dvi" 2>/dev/null | sed -n 's/^pages //p')
echo "render: article of $count pages at 150 dpi, $rounds rounds"

now() { date +%s.%N; }
quirn_times=() dvipng_times=()
for round in $(seq 1 "$rounds"); do
    rm -f "$work"/quirn/* "$work"/dvipng/*
    t0=$(now)
    "$cli" render "$work/article50.dvi" --dpi 150 --aa always -o "$work/quirn/page%d.png" 2>/dev/null
    t1=$(now)
    dvipng -q -D 150 -o "$work/dvipng/page%d.png" "$work/article50.dvi" >/dev/null 2>&1
    t2=$(now)
    quirn_times+=("$(echo "$t1 - $t0" | bc -l)")
    dvipng_times+=("$(echo "$t2 - $t1" | bc -l)")
done
median() { printf '%s\n' "$@" | sort -g | sed -n "$((($# + 1) / 2))p"; }
q=$(median "${quirn_times[@]}")
d=$(median "${dvipng_times[@]}")
[ "$(ls "$work/quirn" | wc -l)" = "$count" ] || { echo "quirn-cli wrote $(ls "$work/quirn" | wc -l) of $count pages" >&2; exit 1; }
printf 'render: quirn-cli %.3f s, dvipng %.3f s (medians), ratio %.3f (limit 0.5)\n' \
    "$q" "$d" "$(echo "$q / $d" | bc -l)"

book_rounds=$(( (rounds + 1) / 2 ))
quirn_times=() dvipng_times=()
for round in $(seq 1 "$book_rounds"); do
    rm -f "$work"/quirn/* "$work"/dvipng/*
    t0=$(now)
    "$cli" render "$work/article300.dvi" --dpi 150 --aa always -o "$work/quirn/page%d.png" 2>/dev/null
    t1=$(now)
    dvipng -q -D 150 -o "$work/dvipng/page%d.png" "$work/article300.dvi" >/dev/null 2>&1
    t2=$(now)
    quirn_times+=("$(echo "$t1 - $t0" | bc -l)")
    dvipng_times+=("$(echo "$t2 - $t1" | bc -l)")
done
rm -f "$work"/quirn/* "$work"/dvipng/*
q=$(median "${quirn_times[@]}")
d=$(median "${dvipng_times[@]}")
printf 'book: %s pages, quirn-cli %.3f s, dvipng %.3f s (medians of %d), ratio %.3f (limit 0.35)\n' \
    "$("$cli" dvi-info "$work/article300.dvi" 2>/dev/null | sed -n 's/^pages //p')" \
    "$q" "$d" "$book_rounds" "$(echo "$q / $d" | bc -l)"

printf '%s\n' '\documentclass{article}\usepackage[T1]{fontenc}\begin{document}' \
    '\section{Fran\c{c}ais} Stra\ss e, \textbf{bold}, \textit{italic}, \texttt{typewriter}.' \
    '\begin{itemize}\item A bullet.\end{itemize}\end{document}' > "$work/t1.tex"
(cd "$work" && latex -interaction=batchmode t1.tex >/dev/null)
cache=(env TEXMFVAR="$work/var" VARTEXFONTS="$work/fonts")
t0=$(now)
"${cache[@]}" "$cli" render "$work/t1.dvi" --dpi 150 --aa always -o "$work/quirn/t1.png" 2>/dev/null
t1=$(now)
"${cache[@]}" "$cli" render "$work/t1.dvi" --dpi 150 --aa always -o "$work/quirn/t1.png" 2>/dev/null
t2=$(now)
printf 'first: T1 page with its bitmap fonts made %.3f s, with them cached %.3f s\n' \
    "$(echo "$t1 - $t0" | bc -l)" "$(echo "$t2 - $t1" | bc -l)"

"$pages_bench" "$work/article50.dvi" "$work/article3.dvi" "$work/article300.dvi" 150 "$rounds"
