#!/usr/bin/env bash
# Typesetting overhead: the same LaTeX article (about 50 pages with a table of contents)
# typeset by `quirn-cli typeset` and by a bare `latex -src-specials` run, timed in the
# same invocation, and the ratio of the two. Quirn's share (start-up, the child's
# environment, the file-search trace, log analysis and list-file checksums) should add at
# most 5% to the engine's own time.
#
#   bench/typeset.sh [BUILD_DIR] [ROUNDS] [BATCH]    (defaults: build/default, 7, 3)
#
# Each round times BATCH consecutive runs of each command as one block (the processor
# accounting's resolution is 10 ms); the figures are per run, medians over the rounds,
# and the ratios are the medians of the rounds' own ratios.
# Settings, data and temporary files live in a scratch directory, so the user's own
# settings are never touched. Both documents are typeset until their cross-references
# have settled before timing starts, so every timed run is one engine run.
set -euo pipefail
# Decimal points in the clock and in awk, whatever the user's locale.
export LC_ALL=C
cd "$(dirname "$0")/.."
. bench/lib.sh
build=${1:-build/default}
rounds=${2:-7}
batch=${3:-3}
cli="$(pwd)/$build/bin/quirn-cli"
[ -x "$cli" ] || { echo "no $cli (build quirn-cli first)" >&2; exit 2; }
command -v latex >/dev/null || { echo "no latex on PATH" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quirn-bench-typeset-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/data" "$work/tmp" "$work/quirn" "$work/latex"
export QUIRN_CONFIG_DIR="$work/config" XDG_DATA_HOME="$work/data"

# The article: 19 sections of two subsections, each with five paragraphs and an
# equation, numbered lists and a table now and then.
generate() {
    local words=(typesetting engine output window format source special page font metric
        document section paragraph reference contents list figure table index glyph
        previewer project package macro token register box glue penalty kerning ligature)
    echo '\documentclass[10pt]{article}'
    echo '\usepackage{amsmath}'
    echo '\begin{document}'
    echo '\title{A Benchmark Article}\author{Quirn}\maketitle'
    echo '\tableofcontents'
    local s u p line seed=7
    for s in $(seq 1 19); do
        echo "\\section{Section number $s on ${words[$((s % ${#words[@]}))]}}\\label{sec:$s}"
        for u in 1 2; do
            echo "\\subsection{Part $u of section $s}"
            for p in $(seq 1 5); do
                word_line 95
                echo "$line see Section~\\ref{sec:$(((s % 19) + 1))}."
                echo
            done
            echo "\\begin{equation} \\int_0^{$s} x^{$u}\\,dx = \\frac{$s^{$((u + 1))}}{$((u + 1))} \\end{equation}"
            if [ $((s % 3)) -eq 0 ]; then
                echo '\begin{tabular}{lrr} item & value & share \\ \hline'
                echo "alpha & $s & $u \\\\ beta & $((s * 2)) & $((u * 3)) \\\\ \\end{tabular}"
                echo
            fi
        done
    done
    echo '\end{document}'
}
generate > "$work/quirn/doc.tex"
cp "$work/quirn/doc.tex" "$work/latex/doc.tex"

quirn_run() { (cd "$work/quirn" && TMPDIR="$work/tmp" "$cli" typeset doc.tex </dev/null >"$work/q.out" 2>"$work/q.err"); }
latex_run() { (cd "$work/latex" && latex -src-specials doc.tex </dev/null >"$work/l.out" 2>&1); }
# The engine alone, as Quirn starts it (same format, same command line), for the
# breakdown: what Quirn adds beyond the engine it runs.
fmtdir="$work/data/quirn/texmf-var/formats/pdfetex"
engine_run() {
    (cd "$work/quirn" && env -u QUIRN_CONFIG_DIR TEXFORMATS="$fmtdir" \
        pdfetex -8bit -src-specials -progname=latex '&latex' doc.tex </dev/null >"$work/e.out" 2>&1)
}

# Settle: Quirn builds its formats on first use and typesets again until the table of
# contents stops changing; latex runs until its log stops asking.
echo "preparing (formats, cross-references) ..." >&2
quirn_run || { cat "$work/q.err" >&2; tail -20 "$work/q.out" >&2; exit 1; }
quirn_run
for _ in 1 2 3; do latex_run; done
grep -q 'Output written on doc.dvi' "$work/l.out" || { tail -20 "$work/l.out" >&2; exit 1; }
pages=$(sed -n 's/.*Output written on doc.dvi (\([0-9]*\) pages.*/\1/p' "$work/l.out")
if grep -q '^question:' "$work/q.err"; then
    echo "Quirn still asks to typeset again; the timed runs would not be single runs" >&2
    exit 1
fi

# Each timed block: wall-clock seconds from a microsecond clock, and the processor
# seconds of the command and its children (user + system, 10 ms resolution), which a
# busy machine disturbs far less than the wall clock; both per run of the block.
timed() {
    local start end
    start=$EPOCHREALTIME
    /usr/bin/time -f '%U %S' -o "$work/time" bash -c "$1" || true
    end=$EPOCHREALTIME
    awk -v n="$batch" -v s="$start" -v e="$end" '{printf "%.4f %.4f\n", (e - s) / n, ($1 + $2) / n}' \
        "$work/time"
}
block() { echo "$(declare -f "$1"); work='$work' cli='$cli' fmtdir='$fmtdir'; for _ in \$(seq $batch); do $1; done"; }
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
: >"$work/q"
: >"$work/l"
: >"$work/e"
: >"$work/ratios"
# The machine's speed drifts: each round times the three side by side, in an order
# that turns from round to round, and the ratios are taken round by round.
order=(quirn_run latex_run engine_run)
for r in $(seq 1 "$rounds"); do
    for k in 0 1 2; do
        f=${order[$(((r + k) % 3))]}
        read -r w c < <(timed "$(block "$f")")
        case $f in
            quirn_run) qw=$w qc=$c ;;
            latex_run) lw=$w lc=$c ;;
            engine_run) ew=$w ec=$c ;;
        esac
    done
    printf 'round %d: quirn-cli %ss (cpu %ss)  latex %ss (cpu %ss)  engine alone %ss (cpu %ss)\n' \
        "$r" "$qw" "$qc" "$lw" "$lc" "$ew" "$ec"
    echo "$qw $qc" >>"$work/q"
    echo "$lw $lc" >>"$work/l"
    echo "$ew $ec" >>"$work/e"
    awk -v q="$qw" -v l="$lw" -v e="$ew" 'BEGIN {printf "%.4f %.4f\n", q / l, (q - e) / e * 100}' \
        >>"$work/ratios"
done
grep -q '^view: ' "$work/q.err" || { echo "quirn-cli did not finish with the output" >&2; exit 1; }

col() { awk -v c="$2" '{print $c}' "$work/$1" | median; }
qw=$(col q 1) qc=$(col q 2) lw=$(col l 1) lc=$(col l 2) ew=$(col e 1) ec=$(col e 2)
printf 'document: %s pages, %d rounds of %d runs each (per-run medians below)\n' "$pages" "$rounds" "$batch"
printf 'quirn-cli typeset: %.3fs wall, %.3fs cpu; latex -src-specials: %.3fs wall, %.3fs cpu\n' \
    "$qw" "$qc" "$lw" "$lc"
calc() { awk "BEGIN {print $1}"; }
printf 'ratio quirn-cli / latex: %.3f wall (median of the rounds), %.3f cpu (target: at most 1.05)\n' \
    "$(col ratios 1)" "$(calc "$qc / $lc")"
printf "Quirn's share over the engine it runs (same format): %.1f%% wall (median of the rounds), %.1f%% cpu\n" \
    "$(col ratios 2)" "$(calc "($qc - $ec) / $ec * 100")"
