#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz (apart from the
# normal build) and runs each for the given number of seconds, one after
# the other, on one core. New inputs go to build-fuzz/corpus/<target>;
# inputs that fail land in build-fuzz/artifacts/<target>/: copy them to
# tests/fuzz/cases/<target>/ so the normal tests replay them from then on.
#
#   tests/fuzz/run-fuzzers.sh [seconds per target] [target...]
#   targets: theme bmp icons connection hive profile (default: all)
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SECONDS_EACH=${1:-60}
shift || true
TARGETS=${*:-"theme bmp icons connection hive profile"}
BUILD=${DIALTOP_FUZZ_BUILD_DIR:-$ROOT/build-fuzz}

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DDIALTOP_FUZZ=ON -DDIALTOP_BENCHMARKS=OFF \
    ${CMAKE_EXTRA:-} || exit 1
fi
for t in $TARGETS; do
  cmake --build "$BUILD" -j2 --target "fuzz_$t" || exit 1
done

export QT_QPA_PLATFORM=offscreen
status=0
for t in $TARGETS; do
  corpus="$BUILD/corpus/$t"
  artifacts="$BUILD/artifacts/$t"
  mkdir -p "$corpus" "$artifacts"
  starts=("$ROOT/tests/fuzz/corpus/$t")
  [ -d "$ROOT/tests/fuzz/cases/$t" ] && starts+=("$ROOT/tests/fuzz/cases/$t")
  echo "== fuzz_$t for ${SECONDS_EACH}s"
  (cd "$BUILD" && "$BUILD/bin/fuzz_$t" -max_total_time="$SECONDS_EACH" -jobs=1 -workers=1 \
      -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$artifacts/" -print_final_stats=1 \
      "$corpus" "${starts[@]}" > "$BUILD/fuzz_$t.log" 2>&1)
  # With -jobs the worker logs to fuzz-0.log; keep it beside the target's.
  log="$BUILD/fuzz_$t.log"
  if [ -f "$BUILD/fuzz-0.log" ]; then
    mv "$BUILD/fuzz-0.log" "$BUILD/fuzz_$t.worker.log"
    log="$BUILD/fuzz_$t.worker.log"
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb|ERROR|SUMMARY" "$log"
  if ls "$artifacts"/* > /dev/null 2>&1; then
    echo "fuzz_$t: failing inputs in $artifacts"
    status=1
  fi
done
exit $status
