#!/usr/bin/env bash
# Inverse search accuracy: a 30-page LaTeX document (paragraphs, lists, tables,
# footnotes, mathematics) typeset twice, as PDF with SyncTeX (pdflatex -synctex=1) and
# as DVI with source specials and SyncTeX (latex -src-specials -synctex=1). The centres
# of 500 words chosen at random on the pages (from the PDF's text layer; both runs lay
# the pages out alike) are clicked with `quirn-cli inverse-search`, and each answer is
# checked against the source:
#   line  the answer's line holds the word (limit 98 %)
#   word  the answer's column is the word itself (limit 90 %)
# Most words of the text are made once only, so their place in the source is known; the
# short words between them ("the", "and", ...) count as found when they lie between the
# places of their neighbours.
#
#   bench/inverse_search.sh [BUILD_DIR] [CLICKS]      (defaults: build/default, 500)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
clicks=${2:-500}
cli="$(pwd)/$build/bin/quirn-cli"
[ -x "$cli" ] && [ -x "$(pwd)/$build/bin/quirn-pdf" ] || {
    echo "no quirn-cli or quirn-pdf in $build/bin" >&2; exit 2; }
for tool in pdflatex latex pdftotext python3; do
    command -v $tool >/dev/null || { echo "no $tool on PATH" >&2; exit 2; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/quirn-bench-inverse-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config"
export QUIRN_CONFIG_DIR="$work/config"

python3 - "$work" <<'PY'
import random, sys
work = sys.argv[1]
rng = random.Random(18)
syll = ["ka", "lo", "mi", "ne", "ru", "ta", "vo", "se", "di", "po", "gu", "fa", "ze", "bi",
        "ho", "ly", "qua", "tre", "sno", "pla"]
used = set()
def token():
    while True:
        w = "".join(rng.choice(syll) for _ in range(rng.randint(2, 4)))
        if w not in used:
            used.add(w)
            return w
common = ["the", "and", "of", "to", "in", "is", "a", "with"]
def line(n):
    out = []
    for _ in range(n):
        out.append(rng.choice(common) if rng.random() < 0.3 else token())
    return " ".join(out)
body = []
for sec in range(1, 41):
    body.append("\\section{%s %s}" % (token().capitalize(), token()))
    for par in range(3):
        for _ in range(4):
            body.append(line(11))
        body.append("with $x_{%d}^2+\\alpha\\le\\sum_{i=1}^{n} c_i$ %s\\footnote{%s}." % (par, token(), line(6)))
        body.append("")
    body.append("\\begin{itemize}")
    for _ in range(3):
        body.append("\\item " + line(7))
    body.append("\\end{itemize}")
    body.append("\\begin{tabular}{lll}")
    for _ in range(3):
        body.append("%s & %s & %s \\\\" % (token(), token(), token()))
    body.append("\\end{tabular}")
    body.append("")
    body.append("\\begin{equation}\\int_0^{%d} f(x)\\,dx=\\frac{\\pi}{4}\\end{equation}" % sec)
    body.append(line(9) + " \\emph{%s} %s." % (token(), line(3)))
    body.append("")
open(work + "/doc.tex", "w").write(
    "\\documentclass{article}\n\\usepackage{amsmath}\n\\begin{document}\n" +
    "\n".join(body) + "\n\\end{document}\n")
PY

# The DVI run under its own job name, so that its SyncTeX file sits beside it.
(cd "$work" &&
    latex -src-specials -synctex=1 -jobname=dvi -interaction=batchmode doc.tex >/dev/null &&
    pdflatex -synctex=1 -interaction=batchmode doc.tex >/dev/null &&
    pdftotext -bbox doc.pdf words.html)

python3 - "$work" "$cli" "$clicks" <<'PY'
import os, random, re, subprocess, sys
work, cli, clicks = sys.argv[1], sys.argv[2], int(sys.argv[3])
source = open(work + "/doc.tex").read().split("\n")
common = {"the", "and", "of", "to", "in", "is", "a", "with"}
where = {}  # a word made once -> (line, column), both from 1
for n, text in enumerate(source, 1):
    for m in re.finditer(r"[A-Za-z]+", text):
        w = m.group(0)
        if w not in common and (m.start() == 0 or text[m.start() - 1] != "\\"):
            where.setdefault(w, []).append((n, m.start() + 1))
pages = []
for page in re.findall(r"<page [^>]*>(.*?)</page>", open(work + "/words.html").read(), re.S):
    words = []
    for x0, y0, x1, y1, t in re.findall(
            r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>',
            page):
        t = (t.replace("\ufb01", "fi").replace("\ufb02", "fl").replace("\ufb00", "ff")
             .replace("\ufb03", "ffi").replace("\ufb04", "ffl"))
        words.append((float(x0), float(y0), float(x1), float(y1), t))
    pages.append(words)
print("inverse search: %d pages" % len(pages))

def form(t):
    return re.sub(r"^[^A-Za-z]+|[^A-Za-z]+$", "", t)

def known(t):
    w = form(t)
    return w if len(where.get(w, [])) == 1 else None

candidates = [(p, i) for p, words in enumerate(pages) for i, w in enumerate(words)
              if re.fullmatch(r"[A-Za-z]+-?", form(words[i][4]) + ("-" if words[i][4].endswith("-") else ""))
              and (form(w[4]) in common or known(w[4]) or w[4].endswith("-"))]
random.Random(500).shuffle(candidates)
chosen = candidates[:clicks]

def neighbour(p, i, step):
    words = pages[p]
    j = i + step
    while 0 <= j < len(words):
        w = known(words[j][4])
        if w:
            return where[w][0]
        j += step
    return None

def truth_ok(p, i, line, column):
    t = pages[p][i][4]
    w = form(t)
    text = source[line - 1] if 0 < line <= len(source) else ""
    holds_line = re.search(r"(?<![A-Za-z\\])" + re.escape(w), text) is not None
    at = column > 0 and text[column - 1:column - 1 + len(w)] == w and (
        column == 1 or not text[column - 2].isalpha())
    if t.endswith("-") or w not in common:
        # A word made once (or the first part of a hyphenated one): its one place.
        places = [pl for word, pls in where.items() for pl in pls
                  if word == w or (t.endswith("-") and word.startswith(w))]
        if len(places) != 1:
            return holds_line, at
        good_line = places[0][0] == line
        return good_line, good_line and places[0][1] == column
    before, after = neighbour(p, i, -1), neighbour(p, i, 1)
    spans = []
    if before:
        spans.append((before[0], before[1], 10**9))
    if after:
        spans.append((after[0], 0, after[1]))
    if not spans:
        return holds_line, at
    good_line = holds_line and any(l == line for l, _, _ in spans)
    good_word = at and any(l == line and lo < column < hi for l, lo, hi in spans)
    return good_line, good_word

for output in ("doc.pdf", "dvi.dvi"):
    lines = words_ok = failed = 0
    for p, i in chosen:
        x0, y0, x1, y1, t = pages[p][i]
        x, y = int((x0 + x1) / 2 * 10), int((y0 + y1) / 2 * 10)
        r = subprocess.run([cli, "inverse-search", work + "/" + output, str(p + 1), str(x), str(y),
                            "--dpi", "720"], capture_output=True, text=True)
        m = re.match(r"goto: .*:(\d+)\n(?:column: (\d+)\n)?", r.stdout)
        if not m:
            failed += 1
            continue
        good_line, good_word = truth_ok(p, i, int(m.group(1)), int(m.group(2) or 0))
        if os.environ.get("BENCH_VERBOSE") and not good_word:
            print("  missed %r on page %d at (%d, %d): %s" % (t, p + 1, x // 10, y // 10,
                                                            r.stdout.strip().replace("\n", " ")))
        lines += good_line
        words_ok += good_word
    n = len(chosen)
    kind = "PDF + SyncTeX" if output.endswith("pdf") else "DVI + source specials + SyncTeX"
    print("inverse search, %s: %d clicks, line %.1f %% (limit 98), word %.1f %% (limit 90), no answer %d"
          % (kind, n, 100.0 * lines / n, 100.0 * words_ok / n, failed))
PY
