#!/usr/bin/env bash
# Configures (once) and builds one build folder incrementally.
#   scripts/build.sh DIR [--target T] [-- cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."

dir=$1; shift
targets=()
if [ "${1:-}" = "--target" ]; then targets=(--target "$2"); shift 2; fi
[ "${1:-}" = "--" ] && shift

werror=OFF
[ -n "${CI:-}" ] && werror=ON
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -DQM_WERROR=$werror "$@" >/dev/null
fi
cmake --build "$dir" -j"${JOBS:-2}" "${targets[@]}"
