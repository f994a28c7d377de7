#!/usr/bin/env bash
# Exactly the listed names may leave the SDK library.
set -euo pipefail
library=$1
expected=$2
# Sanitizer runtimes add their own markers; they are not part of the API.
actual=$(nm -D --defined-only "$library" | awk '{print $3}' | grep -v -E '^(__odr_asan|__asan|__ubsan|__tsan|__sanitizer)' | c++filt | sort)
if ! diff -u "$expected" <(printf '%s\n' "$actual"); then
  echo "exported symbols differ from $expected" >&2
  exit 1
fi
echo "exported symbols: $(printf '%s\n' "$actual" | wc -l) as listed"
