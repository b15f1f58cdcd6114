#!/usr/bin/env bash
# Finds how many scenes of the example story's kind fit into the player's
# handler before javac refuses it ("code too large": a Java method holds at
# most 64 KB of bytecode). The story is repeated with its scene numbers
# shifted, and the number of copies is searched by halving.
#
#   bench/java_method_limit.sh    (needs a built build/scene2java and a JDK)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
s2j=${SCENE2JAVA:-$root/build/scene2java}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

lines_per_copy=$(wc -l <"$root/examples/story.tsv")

# Writes COPIES copies of the example story, each with its scene numbers
# shifted by 1000, to standard output.
story() {
  LC_ALL=C awk -v copies="$1" 'BEGIN { FS = OFS = "\t" }
    { line[NR] = $0 }
    END {
      for (c = 0; c < copies; c++) {
        for (i = 1; i <= NR; i++) {
          n = split(line[i], f, "\t")
          f[1] += 1000 * c
          if (f[2] == "C") {
            k = split(f[3], item, ",")
            f[3] = ""
            for (j = 1; j <= k; j++) f[3] = f[3] (j > 1 ? "," : "") (item[j] + 1000 * c)
          } else {
            f[3] += 1000 * c
          }
          out = f[1]
          for (j = 2; j <= n; j++) out = out OFS f[j]
          print out
        }
      }
    }' "$root/examples/story.tsv"
}

compiles() {
  story "$1" >"$work/story.tsv"
  cmake -DSCENE2JAVA="$s2j" -DSTORY="$work/story.tsv" -DTEMPLATE="$root/examples/java/SceneLogic.java.in" \
    -DOUTPUT="$work/src/SceneLogic.java" -P "$root/cmake/embed_blocks.cmake"
  javac -encoding UTF-8 -d "$work/classes" "$work/src/SceneLogic.java" 2>"$work/javac.log"
}

low=1
high=2
while compiles "$high"; do
  low=$high
  high=$((high * 2))
done
grep -q "code too large" "$work/javac.log" || { cat "$work/javac.log" >&2; exit 1; }
while ((high - low > 1)); do
  mid=$(((low + high) / 2))
  if compiles "$mid"; then low=$mid; else high=$mid; fi
done
compiles "$low"
bytes=$(story "$low" | wc -c)
echo "$low copies of the example story compile ($((low * lines_per_copy)) scenes, $bytes bytes of script); $high do not (code too large)."
