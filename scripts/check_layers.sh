#!/usr/bin/env bash
# Fails when a source folder includes a header from a folder above it.
# Usage: check_layers.sh ROOT LAYER... (lowest first; src/ folders, then "app")
# Folders of src/ not named are refused too, so that a new folder takes a place.
set -euo pipefail
root=$1; shift
layers=("$@")
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

status=0
for dir in "$root"/src/*/; do
  name=$(basename "$dir")
  if [ -z "${rank[$name]+x}" ]; then
    echo "src/$name: not in the layer list" >&2
    status=1
  fi
done

check() {  # folder-name files...
  local name=$1; shift
  local own=${rank[$name]}
  local file inc target
  for file in "$@"; do
    while IFS= read -r inc; do
      target=${inc%%/*}
      [ -n "${rank[$target]+x}" ] || continue
      if [ "${rank[$target]}" -gt "$own" ]; then
        echo "${file#"$root"/}: includes $inc, a folder above $name" >&2
        status=1
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  done
}

for name in "${layers[@]}"; do
  if [ "$name" = app ]; then dir=$root/app; else dir=$root/src/$name; fi
  [ -d "$dir" ] || continue
  mapfile -t files < <(find "$dir" -name '*.h' -o -name '*.cpp')
  [ ${#files[@]} -eq 0 ] || check "$name" "${files[@]}"
done
[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
