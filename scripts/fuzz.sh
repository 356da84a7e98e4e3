#!/usr/bin/env bash
# Runs each fuzzer for SECONDS on its committed corpus (fuzz/corpus/<target>).
# New interesting inputs go to BUILD/corpus/<target>, never into the repository;
# an input that breaks a promise is written to BUILD/findings/<target>-crash-....
#   scripts/fuzz.sh BUILD SECONDS [TARGET...]     (targets: program_file assembler dispatch)
# Exit status 1 when any target found something.
set -uo pipefail
build=$1
seconds=$2
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(program_file assembler dispatch)
cd "$(dirname "$0")/.."

status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/findings"
  echo "== fuzz_$t for $seconds s"
  if ! "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build/findings/$t-" "$build/corpus/$t" "fuzz/corpus/$t"; then
    status=1
    echo "== fuzz_$t: FINDING, input in $build/findings/ (see README, Fuzzing)"
  fi
done
exit $status
