#!/usr/bin/env bash
# Fails when a viewer source includes a layer above its own. Layers, lowest
# first: platform; render, widgets and formats; settings; view; app and panels.
set -euo pipefail
src="${1:?usage: layering_check.sh SRC_DIR}"
rank() {
  case "$1" in
    platform) echo 0 ;; render | widgets | formats) echo 1 ;; settings) echo 2 ;; view) echo 3 ;;
    app | panels) echo 4 ;; *) echo -1 ;;
  esac
}
status=0
for file in "$src"/*/*; do
  area=$(basename "$(dirname "$file")")
  own=$(rank "$area")
  while IFS= read -r reached; do
    other=$(rank "$reached")
    if [ "$other" -gt "$own" ]; then
      echo "${file#"$src"/}: $area includes $reached/" >&2
      status=1
    fi
  done < <(sed -n 's/^#include "\([a-z_]*\)\/.*/\1/p' "$file" | sort -u)
done
exit $status
