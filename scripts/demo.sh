#!/usr/bin/env bash
# The main job: install what is missing, build, and let restova-cli restore
# a demo recording that it synthesises itself.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
# Only what the demo runs: the tests and benchmarks wait for scripts/test.sh.
"$root/scripts/build.sh" "$root/build" --target restova-cli
work=${RESTOVA_DEMO_DIR:-$(mktemp -d)}
"$root/build/app/restova-cli" demo "$work"
