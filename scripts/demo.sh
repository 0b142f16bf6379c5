#!/usr/bin/env bash
# The main job: install what is missing, build, and let restova-cli restore
# a demo recording that it synthesises itself.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" "$root/build"
work=${RESTOVA_DEMO_DIR:-$(mktemp -d)}
"$root/build/app/restova-cli" demo "$work"
