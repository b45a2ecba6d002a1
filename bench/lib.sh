# Shared by the benchmark scripts: the generator of pseudo-random text lines.

# Sets `line` to COUNT words drawn from the caller's array `words`, advancing the
# caller's `seed` (a linear congruential sequence, the same in every benchmark).
word_line() {
    local count=$1 w
    line=""
    for w in $(seq 1 "$count"); do
        seed=$(((seed * 1103515245 + 12345) % 2147483648))
        line+="${words[$((seed / 65536 % ${#words[@]}))]} "
    done
}
