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
# --timeout caps a test that sets no time limit of its own, so a window left waiting
# for input cannot hold the run.
TIRELON_REQUIRE_SERVER=1 QT_QPA_PLATFORM=offscreen \
    ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" --timeout 300 </dev/null ||
    status=$?

# Further stages go here, each in its own build directory and each adding to the
# status rather than stopping the run:
#   - sanitizer build: -DTIRELON_SANITIZE=ON, the same suite under ASan/UBSan
#   - fuzzers: scripts/fuzz.sh for a fixed time per target

exit "$status"
