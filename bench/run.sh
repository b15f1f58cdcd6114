#!/usr/bin/env bash
# Measures scene2java side by side with cat and an awk script, and
# scenecheck beside them, in one run.
#
#   bench/run.sh [ROUNDS]   (5 rounds by default; BUILD and DATA may be set)
#
# Builds a release binary in build-bench/, generates deterministic scripts
# (1 MB, 100 MB, and one 50 MB line) and prints the figures as a Markdown
# table. CPU time is user + system seconds, the median of the rounds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench}
data=${DATA:-$build/data}
rounds=${1:-${ROUNDS:-5}}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DSCENE2JAVA_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target scene2java scenecheck generate_script measure >/dev/null
s2j=$build/scene2java
# The generated scripts leave some choices pointing past their end: the
# checker reports them, as it must, and that is not what is measured.
check=("$build/scenecheck" --ignore=undefined-scene)
measure=$build/bench/measure
mkdir -p "$data"

[ -s "$data/1m.tsv" ] || "$build/bench/generate_script" 1000000 >"$data/1m.tsv"
[ -s "$data/100m.tsv" ] || "$build/bench/generate_script" 100000000 >"$data/100m.tsv"
[ -s "$data/100m_long.tsv" ] || "$build/bench/generate_script" --long-texts 100000000 >"$data/100m_long.tsv"
[ -s "$data/line50m.tsv" ] || "$build/bench/generate_script" --one-line 50000000 >"$data/line50m.tsv"
"$s2j" <"$data/100m.tsv" >"$data/100m.java"
"$s2j" <"$data/1m.tsv" >"$data/1m.java"

# The awk script must give the same output, or the comparison means nothing.
for size in 1m 100m; do
  LC_ALL=C awk -f "$root/bench/scene2java.awk" "$data/$size.tsv" | cmp -s - "$data/$size.java" ||
    { echo "bench: the awk script's output differs from scene2java's on $size.tsv" >&2; exit 1; }
done

# cpu SECONDS: user + system of one run, from measure's "user sys wall rss".
cpu() { awk '{ printf "%.6f\n", $1 + $2 }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$data/s2j.cpu"; : >"$data/cat.cpu"; : >"$data/awk.cpu"; : >"$data/check.cpu"
for ((r = 0; r < rounds; r++)); do
  # Rotate the order so that no tool always runs first.
  order=(s2j cat awk check s2j cat awk check)
  for tool in "${order[@]:$((r % 4)):4}"; do
    case $tool in
      check) "$measure" "$data/100m.tsv" /dev/null "${check[@]}" | cpu >>"$data/check.cpu" ;;
      s2j) "$measure" "$data/100m.tsv" /dev/null "$s2j" | cpu >>"$data/s2j.cpu" ;;
      cat) "$measure" "$data/100m.java" /dev/null cat | cpu >>"$data/cat.cpu" ;;
      awk) "$measure" "$data/100m.tsv" /dev/null env LC_ALL=C awk -f "$root/bench/scene2java.awk" | cpu >>"$data/awk.cpu" ;;
    esac
  done
done
s2j_cpu=$(median <"$data/s2j.cpu")
cat_cpu=$(median <"$data/cat.cpu")
awk_cpu=$(median <"$data/awk.cpu")
check_cpu=$(median <"$data/check.cpu")

rss() { local file=$1; shift; "$measure" "$file" /dev/null "${@:-$s2j}" | awk '{ printf "%.2f", $4 / 1024 }'; }
rss_1m=$(rss "$data/1m.tsv")
rss_100m=$(rss "$data/100m.tsv")
rss_line=$(rss "$data/line50m.tsv")
check_rss_100m=$(rss "$data/100m.tsv" "${check[@]}")
check_rss_long=$(rss "$data/100m_long.tsv" "${check[@]}")

# instructions PROGRAM: callgrind's count per input byte on the 1 MB script.
instructions() {
  if ! command -v valgrind >/dev/null; then echo n/a; return; fi
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" <"$data/1m.tsv" >/dev/null 2>"$data/callgrind.log"
  total=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$data/callgrind.log")
  awk -v t="$total" -v b="$(wc -c <"$data/1m.tsv")" 'BEGIN { printf "%.2f", t / b }'
}
per_byte=$(instructions "$s2j")
check_per_byte=$(instructions "${check[@]}")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
cpu_model=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
echo "Machine: ${cpu_model:-unknown CPU}, $(nproc) cores, $(uname -sr); $rounds rounds, medians."
echo
echo "| figure | value |"
echo "|---|---|"
echo "| instructions per input byte (callgrind, 1 MB script) | $per_byte |"
echo "| CPU seconds, 100 MB script: scene2java | $s2j_cpu |"
echo "| CPU seconds, cat copying its output ($(wc -c <"$data/100m.java") bytes) | $cat_cpu |"
echo "| CPU seconds, awk script | $awk_cpu |"
echo "| scene2java / cat | $(ratio "$s2j_cpu" "$cat_cpu") |"
echo "| awk / scene2java | $(ratio "$awk_cpu" "$s2j_cpu") |"
echo "| peak memory, 1 MB script | $rss_1m MiB |"
echo "| peak memory, 100 MB script | $rss_100m MiB |"
echo "| peak memory, one 50 MB line | $rss_line MiB |"
echo "| scenecheck: instructions per input byte (1 MB script) | $check_per_byte |"
echo "| scenecheck: CPU seconds, 100 MB script | $check_cpu |"
echo "| scenecheck: peak memory, 100 MB script ($(grep -c . "$data/100m.tsv") scenes) | $check_rss_100m MiB |"
echo "| scenecheck: peak memory, 100 MB of long texts ($(grep -c . "$data/100m_long.tsv") scenes) | $check_rss_long MiB |"
