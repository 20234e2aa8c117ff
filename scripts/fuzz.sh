#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset, clang) and runs each on its seed corpus
# in fuzz/corpus/<target>/; new inputs go to build-fuzz/corpus/<target>/, crashes to
# build-fuzz/findings/. SECONDS_EACH (default 5) bounds each run; any further arguments
# go to every target, e.g. -runs=100000.
#   scripts/fuzz.sh                          # every target, 5 s each
#   SECONDS_EACH=600 scripts/fuzz.sh fuzz_sim_engine
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${SECONDS_EACH:-5}"
targets=()
extra=()
for arg in "$@"; do
  case "$arg" in
    -*) extra+=("$arg") ;;
    *) targets+=("$arg") ;;
  esac
done
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"
mkdir -p build-fuzz/findings
passed=0
for t in "${targets[@]}"; do
  echo "== $t: ${seconds} s"
  work="build-fuzz/corpus/$t"
  log="build-fuzz/$t.log"
  mkdir -p "$work"
  seeds=()
  [ -d "fuzz/corpus/$t" ] && seeds=("fuzz/corpus/$t")
  set +e
  "build-fuzz/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="build-fuzz/findings/$t-" -print_final_stats=1 "${extra[@]}" \
    "$work" "${seeds[@]}" >"$log" 2>&1
  rc=$?
  set -e
  grep -E "^(Done|stat::number_of_executed_units)" "$log" || true
  if [ $rc -ne 0 ]; then
    tail -n 40 "$log" >&2
    echo "fuzz: $t failed (exit $rc); its log is $log, failing inputs are in build-fuzz/findings/" >&2
    exit 1
  fi
  passed=$((passed + 1))
done
echo "fuzz: $passed passed, 0 failed"
