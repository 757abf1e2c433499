#!/usr/bin/env bash
# Builds the codec benchmark's corpus from files every Debian machine has:
#   gbk-chinese.txt  the Chinese message catalogues (zh_CN), as text, converted to GBK
#   english.txt      English prose (the licence texts)
#   c-source.txt     C source (system headers)
#   binary.bin       a program
# usage: make-codec-corpus.sh DIR    (each file 4 MiB at most)
set -euo pipefail
out=${1:?corpus dir}
mkdir -p "$out"
limit=$((4 << 20))
for mo in /usr/share/locale/zh_CN/LC_MESSAGES/*.mo; do
    msgunfmt "$mo" 2>/dev/null || true
done | grep '^msgstr' | iconv -c -f UTF-8 -t GBK | head -c $limit >"$out/gbk-chinese.txt"
cat /usr/share/common-licenses/* 2>/dev/null |
    head -c $limit >"$out/english.txt"
cat /usr/include/*.h | head -c $limit >"$out/c-source.txt"
head -c $limit "$(command -v cmake)" >"$out/binary.bin"
ls -l "$out"
