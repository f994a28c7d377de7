#!/usr/bin/env bash
# Fails when a source includes an area above its own, or lies in an area that
# has no place in the order. Areas are the folders of SRC_DIR; LAYERS name them
# lowest first, and areas of one layer are joined by commas ("render,widgets").
set -euo pipefail
src="${1:?usage: layering_check.sh SRC_DIR LAYER...}"
shift
declare -A rank=()
level=0
for layer in "$@"; do
  for area in ${layer//,/ }; do rank[$area]=$level; done
  level=$((level + 1))
done
status=0
for file in "$src"/*/*; do
  area=$(basename "$(dirname "$file")")
  if [ -z "${rank[$area]+set}" ]; then
    echo "${file#"$src"/}: $area/ has no place in the layer order" >&2
    status=1
    continue
  fi
  while IFS= read -r reached; do
    if [ -n "${rank[$reached]+set}" ] && [ "${rank[$reached]}" -gt "${rank[$area]}" ]; then
      echo "${file#"$src"/}: $area includes $reached/" >&2
      status=1
    fi
  done < <(sed -n 's/^#include "\([a-z_]*\)\/.*/\1/p' "$file" | sort -u)
done
exit $status
