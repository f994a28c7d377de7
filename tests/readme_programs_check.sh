#!/usr/bin/env bash
# Fails when a program the README tells the reader to run from the build
# folder ("build/...") is not there or does not start: the README's commands
# must run as written.
set -euo pipefail
build="${1:?usage: readme_programs_check.sh BUILD_DIR README}"
readme="${2:?usage: readme_programs_check.sh BUILD_DIR README}"
status=0
checked=0
while read -r program; do
  path="$build/${program#build/}"
  checked=$((checked + 1))
  if [ ! -x "$path" ] || [ -d "$path" ]; then
    echo "README names $program, which the build does not make" >&2
    status=1
  elif [[ "$program" == build/bench/* ]] && ! "$path" --benchmark_list_tests=true >/dev/null; then
    echo "README names $program, which does not start" >&2
    status=1
  fi
done < <(grep -o '`build/[^`/ ]*/[^` ]*[^`/ ]' "$readme" | tr -d '`' | sort -u)
[ "$checked" -gt 0 ] || { echo "no program of the build found in $readme" >&2; exit 1; }
exit $status
