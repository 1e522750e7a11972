#!/usr/bin/env bash
# Builds the whole tree with AddressSanitizer and UndefinedBehaviorSanitizer in its own folder and
# runs every test there. Leaks that only system libraries can free are suppressed by
# tests/sanitizer/leaks.supp; anything else fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${SANITIZE_BUILD_DIR:-build-sanitize}
jobs=${JOBS:-$(nproc)}

bash scripts/install-deps.sh
cmake -S . -B "$build_dir" -DTIDELUMINE_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" -j "$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/leaks.supp:print_suppressions=0"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" "$@"
