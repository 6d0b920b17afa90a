#!/bin/sh
# Rebuilds fuzz/corpus/ from the hostile URL catalogue and a few plain
# requests: one file per seed, named by its SHA-1 like the files libFuzzer
# writes. Generated catalogue rows (the "@" lines) are left to the fuzzer.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
catalogue="$here/../tests/data/hostile-urls.txt"
corpus="$here/corpus"

rm -rf "$corpus"
mkdir -p "$corpus"

seed() {
    name=$(printf '%s' "$1" | sha1sum | cut -d' ' -f1)
    printf '%s' "$1" > "$corpus/$name"
}

for url in \
    "app://demo/" "app://demo/index.html" "app://demo/sub/../index.html" \
    "app://demo/a%20b.js?v=2#top" "app://demo/sub/" "app://demo" \
    "app://demo/../secret.txt" "app://demo/../demo2/x.js" "/" "index.html"; do
    seed "$url"
done

# The URL is the second tab-separated field of each row.
grep -v -e '^#' -e '^@' -e '^$' "$catalogue" | cut -f2 | while IFS= read -r url; do
    seed "$url"
done

echo "$(ls "$corpus" | wc -l) seeds in $corpus"
