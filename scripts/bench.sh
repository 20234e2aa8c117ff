#!/usr/bin/env bash
# Builds the Release preset and runs every benchmark program, each benchmark several times
# over (REPS, 5 by default) with the repetitions of a program's benchmarks interleaved at
# random, so that both sides of a ratio see the same load; prints the medians and the
# ratios. The machine's load is printed before each program.
#   scripts/bench.sh                 # all of them
#   scripts/bench.sh bench_tree      # just the programs named
set -euo pipefail
cd "$(dirname "$0")/.."
reps="${REPS:-5}"
cmake --preset release >/dev/null
cmake --build --preset release
export QT_QPA_PLATFORM=offscreen
programs=("$@")
[ ${#programs[@]} -gt 0 ] ||
  programs=(bench_core bench_tree bench_tree_memory bench_listing bench_params bench_filter bench_editor
            bench_e2e bench_sim bench_ctl bench_round_trips)
for program in "${programs[@]}"; do
  echo "== $program    $(uptime)"
  if [ "$program" = bench_tree_memory ]; then
    # One list per process: a second one would reuse the first one's memory.
    for _ in $(seq "$reps"); do build-rel/bench/bench_tree_memory; done
  else
    build-rel/bench/"$program" --benchmark_repetitions="$reps" \
      --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
  fi
done
