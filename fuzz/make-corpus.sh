#!/bin/sh
# Rebuilds the seed corpus of every fuzzer, fuzz/corpus/NAME/ for the target
# NAME: one file per seed, named by its SHA-1 like the files libFuzzer
# writes. Given target names, rebuilds only those.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
catalogue="$here/../tests/data/hostile-urls.txt"

# seed NAME TEXT writes TEXT as it is; bytes NAME ESCAPES writes the bytes
# that printf makes of ESCAPES ("\n", "\342\200\250").
seed() {
    bytes "$1" "$(printf '%s' "$2" | sed 's/[\\%]/&&/g')"
}

bytes() {
    printf "$2" > "$here/corpus/$1/.seed"
    name=$(sha1sum < "$here/corpus/$1/.seed" | cut -d' ' -f1)
    mv "$here/corpus/$1/.seed" "$here/corpus/$1/$name"
}

# The URLs of the hostile URL catalogue and a few plain requests. Generated
# catalogue rows (the "@" lines) are left to the fuzzer.
resolution() {
    for url in \
        "app://demo/" "app://demo/index.html" "app://demo/sub/../index.html" \
        "app://demo/a%20b.js?v=2#top" "app://demo/sub/" "app://demo" \
        "app://demo/../secret.txt" "app://demo/../demo2/x.js" "/" "index.html"; do
        seed resolution "$url"
    done
    # The URL is the second tab-separated field of each row.
    grep -v -e '^#' -e '^@' -e '^$' "$catalogue" | cut -f2 | while IFS= read -r url; do
        seed resolution "$url"
    done
}

# Probe answers: honest ones, and forged ones with line breaks, escapes,
# terminal controls and bytes that are no UTF-8.
report_line() {
    for answer in \
        '{"text":"Velmorin HD\\nPlay","buttons":2,"canvas":null}' \
        '{"text":"","buttons":0,"canvas":[1280,720]}' \
        '{"text":"tab\\there \\"quoted\\" back\\\\slash","buttons":1,"canvas":null}' \
        'two\nlines\r\n' 'line\342\200\250separator\342\200\251' 'del\177 nel\302\205 csi\302\233' \
        'bell\007 escape\033[2J' 'cut \360\237\230' 'lone \355\240\200 surrogate' \
        'over\300\256long' 'already \\n escaped' 'emoji \360\237\216\256 and \303\251'; do
        bytes report_line "$answer"
    done
}

# A bitmap is read from the end of the input: the channel order, alpha mode
# and shape bytes come last, the pixel bytes first (see LitPixelsFuzzer.cpp).
# A fitting shape is, from the end: order, alpha, 0, width + 2, height + 2,
# padding, stride kind (1 adds the padding, 0 takes it off), bytes over
# (+ 8); any shape: order, alpha, 1, then width, height and stride as
# little-endian 64-bit numbers before them.
lit_pixels() {
    bytes lit_pixels '\377\377\377\377\010\001\000\006\006\000\000\000'
    bytes lit_pixels '\020\000\000\200\010\001\014\007\007\000\001\001'
    bytes lit_pixels '\036\000\000\377\037\000\000\377\010\001\004\016\003\000\000\000'
    bytes lit_pixels '\377\377\377\377\007\001\000\007\012\000\000\000'
    bytes lit_pixels '\200\200\200\200\010\000\004\012\012\000\001\000'
    bytes lit_pixels '\000\000\000\377\010\001\000\002\007\000\000\000'
    bytes lit_pixels '\377\000\000\000\000\000\000\000\000\377\377\377\377\377\377\377\377\000\000\000\000\000\000\000\200\001\000\000'
    bytes lit_pixels '\377\377\377\377\004\000\000\000\000\000\000\000\002\000\000\000\000\000\000\200\002\000\000\000\000\000\000\200\001\001\001'
}

# Names of the fuzzer's demo folder, ways out of it, malformed paths and URIs
# of other spellings and schemes; each is also tried after "app://demo/".
media_door() {
    for url in a.js sub/x.ogg a%20b.wav %C3%A1.ogg inside away ../beside.ogg \
        %2e%2e/beside.ogg ..%2Fdemo2/x.ogg sub/../a.js sub/deeper/.hidden sub/ \
        'app://elsewhere/a.js?x#y' 'APP://demo/a.js' 'app:sub/x.ogg' 'file:///etc/hostname' \
        / '' %00 %zz sub//x.ogg; do
        seed media_door "$url"
    done
}

targets=${*:-resolution report_line lit_pixels media_door}
for target in $targets; do
    rm -rf "${here:?}/corpus/$target"
    mkdir -p "$here/corpus/$target"
    "$target"
    echo "$(ls "$here/corpus/$target" | wc -l) seeds in fuzz/corpus/$target"
done
