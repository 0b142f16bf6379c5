#!/usr/bin/env bash
# The whole test suite: install what is missing, build warnings-clean, run all
# tests; then the core tests again under AddressSanitizer and UBSan, and each
# fuzz target briefly from its seed corpus.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
cd "$root"

echo "== build and test"
scripts/build.sh build -DRESTOVA_WERROR=ON
ctest --test-dir build --output-on-failure -j2 --timeout 300

echo "== sanitizers"
scripts/build.sh build-asan -DRESTOVA_WERROR=ON -DRESTOVA_SANITIZE=ON -DRESTOVA_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j2 --timeout 600 -LE cli

echo "== fuzz"
CC=clang CXX=clang++ scripts/build.sh build-fuzz -DRESTOVA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Each target grows a scratch copy of its seed corpus; the copies go however the script ends.
corpora=()
trap 'rm -rf "${corpora[@]}"' EXIT
for f in build-fuzz/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus=$(mktemp -d)
  corpora+=("$corpus")
  cp -r fuzz/corpus/"$name"/. "$corpus"/ 2>/dev/null || true
  "$f" -max_total_time="${RESTOVA_FUZZ_SECONDS:-20}" -rss_limit_mb=2048 "$corpus" 2>"build-fuzz/$name.log" \
    || { tail -40 "build-fuzz/$name.log"; exit 1; }
  echo "$name: $(grep -c . "build-fuzz/$name.log") log lines, no crash"
done
echo "== all green"
