#!/usr/bin/env bash
# The program's processor use while it runs the built-in test camera at the 30 ms tick
# with Intercepter on, unattended and without a window: user + system time from
# /proc/PID/stat over a stretch of the run after start-up, as a share of one core, for
# the whole process and for each of its threads.
#   bench/cpu_use.sh [BUILD_FOLDER] [SECONDS] [PROGRAM OPTIONS...]   defaults: build 20
# Program options are added to the run, for example --record out.mkv.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
seconds=${2:-20}
shift $(( $# < 2 ? $# : 2 ))
warm_up=3

run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
cp -r "$build/bin/images" "$build/bin/vosk.cfg" "$run/"
ticks=$(( (warm_up + seconds + 5) * 1000 / 30 ))
(cd "$run" && exec "$build/bin/quenmire" --headless --answer yes --press 0:intercept --ticks "$ticks" "$@") \
  >"$run/output.txt" 2>&1 &
pid=$!

# Clock ticks of user and system time (fields 14 and 15; the name in field 2 has no blanks).
cpu_ticks() { awk '{ print $14 + $15 }' "$1/stat" 2>/dev/null || echo 0; }
declare -A before
snapshot_threads() {
  for task in /proc/$pid/task/*; do before[$(basename "$task")]=$(cpu_ticks "$task"); done
}

sleep "$warm_up"
snapshot_threads
start_total=$(cpu_ticks /proc/$pid)
start_time=$(date +%s.%N)
sleep "$seconds"
end_total=$(cpu_ticks /proc/$pid)
end_time=$(date +%s.%N)
per_second=$(getconf CLK_TCK)

echo "quenmire with the test camera and Intercepter on${*:+, $*}, ${seconds} s after ${warm_up} s of start-up:"
awk -v t="$((end_total - start_total))" -v hz="$per_second" -v s0="$start_time" -v s1="$end_time" \
  'BEGIN { printf "  whole process: %.1f %% of one core\n", 100 * t / hz / (s1 - s0) }'
for task in /proc/$pid/task/*; do
  tid=$(basename "$task")
  used=$(( $(cpu_ticks "$task") - ${before[$tid]:-0} ))
  [ "$used" -gt 0 ] || continue
  awk -v t="$used" -v hz="$per_second" -v s0="$start_time" -v s1="$end_time" -v name="$(cat "$task/comm")" \
    'BEGIN { printf "  thread %-16s %.1f %%\n", name, 100 * t / hz / (s1 - s0) }'
done

kill -TERM "$pid"  # ends the run as Exit does
wait "$pid"
tail -n 1 "$run/output.txt"
