#!/usr/bin/env bash
# Builds the Debian package of Quenmire: what it holds is built in DIR (default build),
# then CPack writes DIR/package/quenmire_<version>_<arch>.deb.
#   scripts/package.sh [DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

dir=${1:-build}
scripts/setup.sh
scripts/build.sh "$dir" --target quenmire_runtime
scripts/build.sh "$dir" --target desktop_data
(cd "$dir" && cpack --config CPackConfig.cmake >/dev/null)
ls "$dir"/package/quenmire_*.deb
