#!/usr/bin/env bash
# Configures and builds one build tree:
#   scripts/build.sh DIR [cmake options...] [--target TARGET...]
# Without --target every target is built. A compiler cache is used when one is installed.
set -euo pipefail
dir=$1; shift
options=()
targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--target" ]; then shift; targets=("$@"); break; fi
  options+=("$1"); shift
done
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$(dirname "$0")/.." -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "${options[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)" ${targets[@]+--target "${targets[@]}"}
