#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, starting from the committed seed corpus in
# fuzz/corpus/<target>/, which is only read. New inputs and findings go to a work folder: the one
# given, which is kept, or a temporary one, which is removed when nothing was found.
# Usage: scripts/run-fuzzers.sh <build dir configured with ZELMAR_FUZZ> [seconds per target] [work folder]
set -euo pipefail
# Every path handed to a target is absolute: the targets work in a private folder of their own.
source_dir=$(realpath "$(dirname "$0")/..")

build=$(realpath "${1:?usage: $0 <fuzz build dir> [seconds per target] [work folder]}")
seconds=${2:-30}
if [[ -n ${3:-} ]]; then
  mkdir -p "$3"
  work=$(realpath "$3")
  keep_work=1
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/zelmar-fuzz-run-XXXXXX")
  keep_work=0
fi

# Longest input per target: a command line, or a header plus a few half blocks of sound.
declare -A max_len=([fuzz_command_line]=1024 [fuzz_stream]=200000)

findings=0
for target in fuzz_command_line fuzz_stream; do
  mkdir -p "$work/$target/new"
  options=(
    -max_total_time="$seconds"
    -runs=$((seconds * 2000))
    -timeout=60
    -max_len="${max_len[$target]}"
    -artifact_prefix="$work/$target/"
    -print_final_stats=1
  )
  dictionary=$source_dir/fuzz/$target.dict
  [[ -f $dictionary ]] && options+=(-dict="$dictionary")
  if "$build/fuzz/$target" "${options[@]}" "$work/$target/new" "$source_dir/fuzz/corpus/$target" \
      2>"$work/$target/log"; then
    echo "$target: $(grep -m1 '^Done' "$work/$target/log"), no finding"
  else
    findings=1
    echo "$target: FINDING (log and input in $work/$target)" >&2
    grep -E -A30 'ERROR|runtime error|zelmar fuzz finding|deadly signal' "$work/$target/log" | head -n 60 >&2
  fi
done

if ((findings)); then
  echo "keep each finding as a regression input in fuzz/corpus/<target>/" >&2
  exit 1
fi
if ((keep_work)); then
  echo "new inputs kept in $work/<target>/new"
else
  rm -rf "$work"
fi
