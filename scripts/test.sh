#!/usr/bin/env bash
# The test command: installs what is missing, builds everything in ./build, starts the
# loopback Firebird server for the log-in and network tests (unless one listens
# already), runs the whole suite and exits with its status.
#
#   TIRELON_BUILD_TYPE  RelWithDebInfo (default) or Debug
#   TIRELON_TEST_JOBS   tests run at once (default 2; each test has its own database)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

build_dir=build
build_type=${TIRELON_BUILD_TYPE:-RelWithDebInfo}
jobs=${TIRELON_TEST_JOBS:-2}

step() { printf '\n==> %s\n' "$*"; }
listening() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }

step "Dependencies"
bash scripts/deps.sh

step "Configure ($build_type)"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type"

step "Build"
ninja -C "$build_dir"

step "Firebird server"
started_server=0
stop_server() {
    if [ "$started_server" -eq 1 ]; then
        bash scripts/stop-firebird.sh || true
    fi
}
trap stop_server EXIT
if listening; then
    echo "A Firebird server listens on 127.0.0.1:3050 already; using it"
else
    started_server=1
    bash scripts/start-firebird.sh
fi

status=0

step "Tests"
summary=$(mktemp)
TIRELON_REQUIRE_SERVER=1 QT_QPA_PLATFORM=offscreen \
    ctest --test-dir "$build_dir" --output-on-failure --timeout 300 -j "$jobs" </dev/null \
    | tee "$summary" || status=$?
main_line=$(grep -E '^[0-9]+% tests passed' "$summary" | tail -n 1)

# File permissions do not bind root, so the tests of read-only files and folders skip
# in a root run; they run here once more as the unprivileged user nobody.
step "Permission tests as an unprivileged user"
permission_tests=(
    "tests/export/photofile_tests:*ReadOnly*"
    "tests/platform/platform_tests:*Unreadable*"
)
if [ "$(id -u)" -ne 0 ]; then
    echo "not root: they ran with the suite"
elif ! command -v setpriv >/dev/null; then
    echo "skipped: setpriv is not installed"
else
    as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp TMPDIR=/tmp \
        QT_QPA_PLATFORM=offscreen "$@"; }
    for entry in "${permission_tests[@]}"; do
        binary=$PWD/$build_dir/${entry%%:*}
        if ! as_nobody test -x "$binary"; then
            echo "skipped: nobody cannot run $binary (a folder above it is closed)"
            break
        fi
        as_nobody "$binary" --gtest_filter="${entry#*:}" </dev/null || status=$?
    done
fi

# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer, in a build of
# its own. Leak reports from the Firebird client's and Qt's own process-wide data are
# suppressed (tests/sanitizer/lsan.supp); a report about our code fails the run.
# use_tls=0: the leak checker's walk of dynamic thread-local storage crashes on the
# storage of the Firebird plugins the client loads and unloads, so TLS is not scanned.
sanitizer_line=""
if [ "${TIRELON_SKIP_SANITIZERS:-0}" != 1 ]; then
    step "Sanitizer build"
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIRELON_SANITIZE=ON
    ninja -C build-asan
    step "Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=0 \
    LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0:use_tls=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    TIRELON_REQUIRE_SERVER=1 QT_QPA_PLATFORM=offscreen \
        ctest --test-dir build-asan --output-on-failure --timeout 600 -j "$jobs" </dev/null \
        | tee "$summary" || status=$?
    sanitizer_line=$(grep -E '^[0-9]+% tests passed' "$summary" | tail -n 1)
fi

# Fuzzers of the readers of outside input, each for a fixed time.
if [ "${TIRELON_SKIP_FUZZ:-0}" != 1 ]; then
    step "Fuzzing (${TIRELON_FUZZ_SECONDS:-60} s per target)"
    bash scripts/fuzz.sh "${TIRELON_FUZZ_SECONDS:-60}" </dev/null || status=$?
fi
rm -f "$summary"

step "Summary"
echo "tests:           ${main_line:-no summary}"
[ -z "$sanitizer_line" ] || echo "under sanitizers: $sanitizer_line"
[ "$status" -eq 0 ] && echo "all stages passed" || echo "a stage failed (status $status)"
echo "${main_line:-0 tests passed}"
exit "$status"
