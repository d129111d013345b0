#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for $1 seconds (60 by default).
# Exits non-zero when a target crashes; the input that did it is kept under
# build-fuzz/fuzz-work/<target>/artifacts. The checked-in seed corpus is never written to.
set -euo pipefail

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || (( seconds == 0 )); then
    echo "usage: $0 [seconds per target]" >&2
    exit 2
fi

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TIRELON_FUZZ_BUILD_DIR:-$root/build-fuzz}"
targets=(fuzz_regfile fuzz_serverlist fuzz_errorrules fuzz_commandline fuzz_datetext)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DTIRELON_FUZZ=ON -DTIRELON_TESTS=OFF >/dev/null
ninja -C "$build" "${targets[@]}"

status=0
for target in "${targets[@]}"; do
    work="$build/fuzz-work/$target"
    mkdir -p "$work/corpus" "$work/artifacts"
    cp -n "$root/tests/fuzz/corpus/$target/"* "$work/corpus/"
    options=(-max_total_time="$seconds" -artifact_prefix="$work/artifacts/" -print_final_stats=1)
    if [[ -f "$root/tests/fuzz/$target.dict" ]]; then
        options+=(-dict="$root/tests/fuzz/$target.dict")
    fi
    echo "== $target: ${seconds} s"
    if ! "$build/tests/fuzz/$target" "${options[@]}" "$work/corpus"; then
        echo "== $target FAILED; the input is in $work/artifacts" >&2
        status=1
    fi
done
exit "$status"
