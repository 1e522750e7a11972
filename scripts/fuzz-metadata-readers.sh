#!/bin/sh
# Runs the binary property list reader and the HEIC box reader under libFuzzer with ASan and UBSan.
# Usage: scripts/fuzz-metadata-readers.sh [RUNS] [JOBS]   (defaults: ten million runs, one job)
# Needs clang and its libFuzzer runtime (Debian: clang, libclang-rt-14-dev).
set -eu
runs=${1:-10000000}
jobs=${2:-1}
root=$(cd "$(dirname "$0")/.." && pwd)
work=${FUZZ_DIR:-"$root/build/fuzz"}
mkdir -p "$work/corpus"
command -v clang++ >/dev/null || { echo "clang++ is not installed" >&2; exit 1; }
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" "$root/tests/fuzz/MetadataReadersFuzzer.cpp" "$root/engine/BinaryPropertyListReader.cpp" \
    "$root/engine/desktop/DynamicHeicReaderBoxes.cpp" -o "$work/metadata-readers-fuzzer"
# Seeds: a small plist and HEIC box layout, so the fuzzer starts past the magic bytes.
printf 'bplist00\241\001\020\007\000\000\000\000\000\000\001\001\000\000\000\000\000\000\000\002\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\013' \
    >"$work/corpus/plist"
printf '\000\000\000\030ftypheic\000\000\000\000heic\000\000\000\074meta\000\000\000\000\000\000\000\016pitm\000\000\000\000\000\001\000\000\000\036iinf\000\000\000\000\000\001\000\000\000\022infe\002\000\000\000\000\001\000\000mime' \
    >"$work/corpus/heic"
cd "$work"
if [ "$jobs" -gt 1 ]; then
    exec ./metadata-readers-fuzzer -runs="$runs" -jobs="$jobs" -workers="$jobs" -max_len=4096 corpus
fi
exec ./metadata-readers-fuzzer -runs="$runs" -max_len=4096 -print_final_stats=1 corpus
