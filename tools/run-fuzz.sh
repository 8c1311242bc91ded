#!/bin/sh
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz and runs each on a scratch copy of its seed corpus for ORVIX_FUZZ_SECONDS seconds
# (default 60). Prints how many inputs each target tried and fails on any crash, sanitizer
# report, timeout or running out of memory. Inputs the fuzzers generate stay in the scratch
# folder; the input behind a failure is written to build-fuzz/crashes/<target>/.
set -e
cd "$(dirname "$0")/.."
# Installs clang and libclang-rt-14-dev (the fuzzer runtime) among the rest when missing.
tools/install-deps.sh fuzz

seconds="${ORVIX_FUZZ_SECONDS:-60}"
targets="fuzz_settings fuzz_language fuzz_parameters fuzz_picture"
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVIX_FUZZ=ON >/dev/null
cmake --build "$build" --target $targets -j"$(nproc)"

# Qt keeps global state until exit, which the leak checker would report.
export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for target in $targets; do
    corpus="$scratch/$target"
    mkdir -p "$corpus" "$build/crashes/$target"
    cp tests/fuzz/corpus/"$target"/* "$corpus"/
    dictionary=""
    case $target in
        fuzz_settings) dictionary="-dict=tests/fuzz/settings.dict" ;;
        fuzz_language) dictionary="-dict=tests/fuzz/language.dict" ;;
        fuzz_parameters) dictionary="-dict=tests/fuzz/parameters.dict" ;;
    esac
    log="$build/$target.log"
    if "$build/tests/fuzz/$target" $dictionary -max_total_time="$seconds" -rss_limit_mb=2048 \
        -timeout=30 -artifact_prefix="$build/crashes/$target/" -print_final_stats=1 \
        "$corpus" >"$log" 2>&1; then
        result=ok
    else
        result=FAILED
        status=1
    fi
    runs=$(grep -E '^Done [0-9]+ runs' "$log" | tail -1)
    coverage=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+')
    echo "$target: $result: ${runs:-no runs finished} ($coverage)"
    if [ $result = FAILED ]; then
        grep -E 'ERROR|SUMMARY|runtime error|fuzz target:|fatal:|Test unit written' "$log" | head -20
    fi
done
exit $status
