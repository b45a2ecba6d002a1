#!/usr/bin/env bash
# A page with one EPS figure at 150 dpi (see bench/eps_figure.cpp): the page complete,
# figure included, within 400 ms of opening; its repaint from the cache within a tenth
# of that.
#
#   bench/eps_figure.sh [BUILD_DIR] [ROUNDS]      (defaults: build/default, 7)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
program="$(pwd)/$build/bin/bench_eps_figure"
[ -x "$program" ] || { echo "no $program (build bench_eps_figure)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/figs"
cat > "$work/figs/plot.eps" <<'EPS'
%!PS-Adobe-3.0 EPSF-3.0
%%BoundingBox: 0 0 288 180
%%EndComments
0.5 setlinewidth
0 18 180 { dup 0 moveto 288 exch 1.6 mul lineto stroke } for
0 0 1 setrgbcolor 10 10 moveto 100 { rand 268 mod 10 add rand 160 mod 10 add lineto } repeat stroke
/Times-Roman findfont 14 scalefont setfont 20 160 moveto (A figure) show
showpage
%%EOF
EPS
cat > "$work/paper.tex" <<'TEX'
\documentclass{article}
\usepackage{graphicx}
\begin{document}
\section{Results}
The figure below shows the measurements of the first series.

\begin{center}\includegraphics{figs/plot.eps}\end{center}

Text after the figure, with some mathematics: $\int_0^1 x^2\,dx = \frac13$.
\end{document}
TEX
(cd "$work" && latex -interaction=nonstopmode paper.tex >/dev/null)
exec "$program" "$work/paper.dvi" 150 "${2:-7}"
