#!/bin/sh
# usage_check.sh TOOL: -h and --help print the usage and exit 0 without
# writing a file; arguments the tool does not take print the usage on
# standard error and exit 2, again without writing a file. A capture is
# written alone: its index comes when it is first opened, as the help says.
set -u
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
for args in "-h" "--help" "out.pcap --help" "--help out.pcap 2"; do
  out=$("$tool" $args 2>/dev/null)
  code=$?
  [ "$code" -eq 0 ] || fail "'$args' exits $code"
  case $out in usage:*) ;; *) fail "'$args' prints no usage" ;; esac
done
for args in "" "--bogus" "-x 2" "out.pcap 2 3" "out.pcap ten" "out.pcap 0"; do
  err=$("$tool" $args 2>&1 >/dev/null)
  code=$?
  [ "$code" -eq 2 ] || fail "'$args' exits $code"
  case $err in *usage:*) ;; *) fail "'$args' prints no usage" ;; esac
done
[ -z "$(ls -A)" ] || fail "files written: $(ls -A)"
# The help says where the index comes from, and it is so: a capture alone.
case $("$tool" --help) in *"index"*"first opened"*) ;; *) fail "the help does not say when the index is written" ;; esac
"$tool" out.pcap 0.2 >/dev/null 2>&1 || fail "no capture written"
[ "$(ls -A)" = "out.pcap" ] || fail "files written beside the capture: $(ls -A)"
echo "usage checked"
