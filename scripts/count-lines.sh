#!/bin/sh
# Counts code and test lines (no blank lines, no comments) and prints their
# ratio: tests/ and tools/xsdgen/tests against the library, the generator,
# the schema files and the build and CI scripts.
set -eu
cd "$(dirname "$0")/.."

count() {
    find "$@" -type f ! -name '*.md' -print0 | xargs -0 awk '
        FNR == 1 { block = 0; xml = 0; hash = (FILENAME ~ /(\.sh|\.cmake|\.in|CMakeLists\.txt|\.ci\/run)$/) }
        {
            line = $0
            if (xml) { if (sub(/.*-->/, "", line)) xml = 0; else next }
            if (block) { if (sub(/.*\*\//, "", line)) block = 0; else next }
            while (match(line, /<!--/)) {
                rest = substr(line, RSTART + 4)
                if (match(rest, /-->/)) line = substr(line, 1, index(line, "<!--") - 1) substr(rest, RSTART + 3)
                else { line = substr(line, 1, index(line, "<!--") - 1); xml = 1; break }
            }
            if (match(line, /^[ \t]*\/\*/)) { if (!sub(/.*\*\//, "", line)) { block = 1; next } }
            sub(/^[ \t]*\/\/.*/, "", line)
            if (hash) sub(/^[ \t]*#.*/, "", line)
            if (line ~ /[^ \t\r]/) n++
        }
        END { print n + 0 }'
}

code=$(count core cad tools/xsdgen/src cmake scripts .ci CMakeLists.txt \
             tools/xsdgen/CMakeLists.txt bench/CMakeLists.txt examples/CMakeLists.txt)
tests=$(count tests tools/xsdgen/tests)
echo "code  $code"
echo "tests $tests"
awk -v t="$tests" -v c="$code" 'BEGIN { printf "ratio %.3f\n", t / c }'
