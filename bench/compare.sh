#!/usr/bin/env bash
# Whole-file speed comparison, all commands in one hyperfine run on the same file:
# zelmar2 with defaults and with the ZedeRU preset, SoX's 2-band mcompand, and an FFmpeg chain
# (crossover at 232 Hz, a compressor per band, mix, limiter). Prints each median and the ratios
# zelmar2 / SoX.
#
# usage: bench/compare.sh [ZELMAR2 [INPUT.wav [ZELMAR2_PORTABLE]]]
#   ZELMAR2           the binary to time (default: build/zelmar2)
#   INPUT.wav         a 60-second 16-bit stereo 44.1 kHz file (default: ../shared/bench/music-60s.wav)
#   ZELMAR2_PORTABLE  optional second binary (a -DZELMAR_PORTABLE=ON build), timed in the same run
# Environment: RUNS (default 10), WARMUP (default 2), RESULTS (JSON export, default
# compare-results.json in a temporary directory that is kept and named at the end).
set -euo pipefail
cd "$(dirname "$0")/.."

zelmar=$(realpath "${1:-build/zelmar2}")
input=$(realpath "${2:-../shared/bench/music-60s.wav}")
portable=${3:-}
[[ -n $portable ]] && portable=$(realpath "$portable")
runs=${RUNS:-10}
warmup=${WARMUP:-2}

for tool in hyperfine sox ffmpeg python3; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install $tool)" >&2; exit 1; }
done
[[ -x $zelmar ]] || { echo "no zelmar2 binary at $zelmar" >&2; exit 1; }
[[ -r $input ]] || { echo "input $input not readable" >&2; exit 1; }

work=$(mktemp -d)
results=${RESULTS:-$work/compare-results.json}
band="0.0107,0.0953 6:-36,-36,0 -6"
commands=(
  -n "zelmar2 defaults" "$zelmar $input $work/zelmar-defaults.wav"
  -n "zelmar2 ZedeRU" "$zelmar $input $work/zelmar-preset.wav ZedeRU"
)
if [[ -n $portable ]]; then
  commands+=(
    -n "zelmar2 portable defaults" "$portable $input $work/portable-defaults.wav"
    -n "zelmar2 portable ZedeRU" "$portable $input $work/portable-preset.wav ZedeRU"
  )
fi
commands+=(
  -n "sox mcompand" "sox $input $work/sox.wav mcompand \"$band\" 232 \"$band\""
  -n "ffmpeg chain" "ffmpeg -y -v error -i $input -filter_complex [0:a]acrossover=split=232[lo][hi];[lo]acompressor[l];[hi]acompressor[h];[l][h]amix=inputs=2,alimiter $work/ffmpeg.wav"
)

echo "load before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
# -N: no shell in between, so the times are the programs' own.
hyperfine -N --warmup "$warmup" --runs "$runs" --export-json "$results" "${commands[@]}" >&2

python3 - "$results" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
sox = results["sox mcompand"]["median"]
print(f"{'command':28} {'median ms':>10} {'ratio to sox':>13}")
for name, r in results.items():
    print(f"{name:28} {r['median'] * 1000:10.1f} {r['median'] / sox:13.3f}")
PY
echo "load after the run: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "results: $results"
