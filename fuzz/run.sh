#!/usr/bin/env bash
# Builds a libFuzzer harness outside the CMake build and runs it.
#   bash fuzz/run.sh [harness] [seconds]     e.g.  bash fuzz/run.sh program_texts 120
# Without a harness name every harness listed below runs in turn. Corpora grow in fuzz/corpus_<harness>/,
# binaries and crash files land in fuzz/out/.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$ROOT/fuzz/out"
CXX="${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++)}"
SECONDS_PER_RUN="${2:-${FUZZ_SECONDS:-60}}"

# The sources each harness links, besides fuzz/fuzz_<harness>.cpp. Add a line for a new harness.
sources_for() {
    case "$1" in
    program_texts) echo "src/platform/filekit/ProgramTextParser.cpp" ;;
    # The whole engine, what it takes from the system layer, and the test writer of cipher files.
    decrypt) (cd "$ROOT" && echo src/platform/engine/*.cpp src/platform/os/{DiskTrace,NativeName,UnnamedFile}.cpp \
        tests/support/CipherFileWriter.cpp) ;;
    setup_file) echo "src/app/SetupFile.cpp" ;;
    *) return 1 ;;
    esac
}
# Extra link flags a harness needs (OpenSSL for the engine, say).
libs_for() {
    case "$1" in
    decrypt) echo "-lcrypto" ;;
    *) echo "" ;;
    esac
}
# Extra libFuzzer options of a harness.
options_for() {
    case "$1" in
    program_texts) echo "-max_len=16384" ;; # room for an over-long text and a file of too many lines
    decrypt) echo "-max_len=20000 -rss_limit_mb=4096" ;; # several 4 KiB segments; scrypt and ASan need room
    setup_file) echo "-max_len=4096 -timeout=10" ;; # nine short lines and some to spare
    *) echo "" ;;
    esac
}
ALL_HARNESSES="program_texts decrypt setup_file"

run_one() {
    local name="$1"
    local sources
    if ! sources="$(sources_for "$name")"; then
        echo "unknown harness: $name (known: $ALL_HARNESSES)" >&2
        exit 2
    fi
    mkdir -p "$OUT" "$ROOT/fuzz/corpus_$name"
    local bin="$OUT/fuzz_$name"
    local flags=(-std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
        -I"$ROOT/src")
    local src_paths=()
    echo "== building $bin"
    for s in $sources; do
        # A file of one instruction set (chosen at run time) is compiled for it on its own, as CMakeLists.txt does.
        if [[ "$s" == *Avx512.cpp ]]; then
            local obj="$OUT/$(basename "$s" .cpp).o"
            "$CXX" "${flags[@]}" -fsanitize=fuzzer-no-link -mavx512f -mavx512vl -c "$ROOT/$s" -o "$obj"
            src_paths+=("$obj")
        else
            src_paths+=("$ROOT/$s")
        fi
    done
    # shellcheck disable=SC2046
    "$CXX" "${flags[@]}" $(pkg-config --cflags Qt6Core) \
        "$ROOT/fuzz/fuzz_$name.cpp" "${src_paths[@]}" \
        $(pkg-config --libs Qt6Core) $(libs_for "$name") -o "$bin"

    # Seed an empty corpus from the shipped data, where there is any.
    if [ -z "$(ls -A "$ROOT/fuzz/corpus_$name")" ] && [ "$name" = program_texts ]; then
        cp "$ROOT/data/zq4_text.dat" "$ROOT/fuzz/corpus_$name/"
    fi
    if [ -z "$(ls -A "$ROOT/fuzz/corpus_$name")" ] && [ "$name" = setup_file ]; then
        printf '7.77\r\n 1 \r\n 0 \r\n 0 \r\n 1 \r\n/home/user/in/\r\n*.txt\r\n/home/user/out/\r\n*.enc\r\n' \
            >"$ROOT/fuzz/corpus_$name/seed.opn"
    fi
    local dict=()
    [ -f "$ROOT/fuzz/$name.dict" ] && dict=(-dict="$ROOT/fuzz/$name.dict")
    echo "== running $name for ${SECONDS_PER_RUN}s"
    (cd "$OUT" && "$bin" "${dict[@]}" $(options_for "$name") -max_total_time="$SECONDS_PER_RUN" -print_final_stats=1 \
        -artifact_prefix="$OUT/${name}-" "$ROOT/fuzz/corpus_$name")
}

if [ $# -ge 1 ] && [ -n "$1" ]; then
    run_one "$1"
else
    for h in $ALL_HARNESSES; do run_one "$h"; done
fi
