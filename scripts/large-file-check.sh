#!/usr/bin/env bash
# Runs zelmar2 on a sparse input just over 2 GiB (2^31 + three half blocks + 100 bytes) and checks
# that it succeeds and that the output has the input's length and the input's first and last 512
# bytes. Offsets past 2^31 must survive every seek, read, write and length computation.
# Needs about 2.1 GB of free disk under $TMPDIR (or /tmp) for the output; takes under a minute.
# Usage: scripts/large-file-check.sh <path to zelmar2> [settings...]
# Exit status: 0 passed, 1 failed, 77 skipped for lack of disk space.
set -euo pipefail

program=$(realpath "${1:?usage: $0 <path to zelmar2> [settings...]}")
shift

size=$(((1 << 31) + 32768 * 3 + 100))
end_copy=512
work=$(mktemp -d "${TMPDIR:-/tmp}/zelmar-large-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

free_kib=$(df -Pk . | awk 'NR == 2 { print $4 }')
if ((free_kib < size / 1024 + 65536)); then
  # Not a fault of the program: report it as skipped (CTest's SKIP_RETURN_CODE) rather than failed.
  echo "SKIP: $work has ${free_kib} KiB free, the output needs $((size / 1024)) KiB" >&2
  exit 77
fi

# A sparse input: zeros except for marks inside the bytes copied at either end.
truncate -s "$size" input.raw
start_mark='start of a large input'
end_mark='end of a large input'
printf '%s' "$start_mark" | dd of=input.raw conv=notrunc status=none
printf '%s' "$end_mark" | dd of=input.raw bs=1 seek=$((size - ${#end_mark})) conv=notrunc status=none

status=0
"$program" input.raw output.raw "$@" >console.txt || status=$?
if ((status != 0)); then
  echo "FAIL: zelmar2 exited with status $status; console ends with:" >&2
  tail -c 400 console.txt | tr '\r' '\n' | tail -n 5 >&2
  exit 1
fi

output_size=$(stat -c %s output.raw)
if ((output_size != size)); then
  echo "FAIL: output has $output_size bytes, input $size" >&2
  exit 1
fi
if ! cmp -s <(head -c "$end_copy" input.raw) <(head -c "$end_copy" output.raw); then
  echo "FAIL: output's first $end_copy bytes differ from the input's" >&2
  exit 1
fi
if ! cmp -s <(tail -c "$end_copy" input.raw) <(tail -c "$end_copy" output.raw); then
  echo "FAIL: output's last $end_copy bytes differ from the input's" >&2
  exit 1
fi
echo "PASS: $size-byte input, output of equal length with equal ends, in ${SECONDS} s"
