#!/usr/bin/env bash
# Package timings (see bench/packages.cpp): a lookup in a 40,000-line missing-file
# database after its first load (limit 20 ms), installing a 200-file archive (limit
# 1 s) and listing 500 installed manifests (limit 200 ms), in the core; then the same
# install and list through quirn-cli, start-up included, on a fresh data root.
#
#   bench/packages.sh [BUILD_DIR] [ROUNDS]   (defaults: build/default, 7)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
rounds=${2:-7}
program="$(pwd)/$build/bin/bench_packages"
cli="$(pwd)/$build/bin/quirn-cli"
[ -x "$program" ] || { echo "no $program (build bench_packages)" >&2; exit 2; }
[ -x "$cli" ] || { echo "no $cli (build quirn-cli)" >&2; exit 2; }
"$program" "$rounds"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export QUIRN_CONFIG_DIR="$scratch/config" XDG_DATA_HOME="$scratch/data" TMPDIR="$scratch"
for i in $(seq 1 200); do
  mkdir -p "$scratch/tree/tex/latex/big"
  head -c 2048 /dev/zero | tr '\0' 'a' > "$scratch/tree/tex/latex/big/part$i.sty"
done
"$cli" tpm pack "$scratch/tree" big -o "$scratch/big.zip" >/dev/null
"$cli" tpm list >/dev/null 2>&1  # the data root is set up once
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for r in $(seq 1 "$rounds"); do
  start=$(date +%s%N)
  "$cli" tpm install "$scratch/big.zip" --answer yes >/dev/null 2>&1
  echo $(( ($(date +%s%N) - start) / 1000000 ))
done | median | xargs printf "quirn-cli tpm install (200 files, over the last): %s ms (limit 1000)\n"
mkdir -p "$scratch/data/quirn/texmf/tpm/package"
for i in $(seq 1 500); do
  printf '<!DOCTYPE rdf:RDF SYSTEM "tpm.dtd">\n<TPM:Name>pkg%s</TPM:Name>\n<TPM:Version>1.%s</TPM:Version>\n<TPM:RunFiles>texmf/tex/latex/pkg%s/pkg%s.sty</TPM:RunFiles>\n' \
    "$i" "$i" "$i" "$i" > "$scratch/data/quirn/texmf/tpm/package/pkg$i.tpm"
done
for r in $(seq 1 "$rounds"); do
  start=$(date +%s%N)
  "$cli" tpm list >/dev/null 2>&1
  echo $(( ($(date +%s%N) - start) / 1000000 ))
done | median | xargs printf "quirn-cli tpm list (500 manifests): %s ms (limit 200)\n"
