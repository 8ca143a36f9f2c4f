#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a number of seconds each, from its seed
# corpus and the crash inputs kept as regressions. A finding fails the run and is left
# in fuzz/findings/ to be turned into a regression test.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1 seconds=$2

for target in "$build"/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  work=$(mktemp -d)
  mkdir -p fuzz/findings
  seeds=(fuzz/corpus/"$name")
  [ -d fuzz/regressions/"$name" ] && seeds+=(fuzz/regressions/"$name")
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 \
       -artifact_prefix=fuzz/findings/"$name"- "$work" "${seeds[@]}" >"$work.log" 2>&1; then
    tail -n 40 "$work.log"
    echo "fuzz: $name found a failure; input kept in fuzz/findings/" >&2
    exit 1
  fi
  grep -E '^stat::number_of_executed_units|^Done' "$work.log" || true
  rm -rf "$work" "$work.log"
done
