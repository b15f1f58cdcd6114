#!/usr/bin/env bash
# Draws the map of the example story, docs/story_map.svg, with scenecheck
# and Graphviz (Debian: graphviz).
#
#   docs/make_story_map.sh    (needs a built build/scenecheck)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# Run from the root, so that the graph is named examples/story.tsv.
"${SCENECHECK:-build/scenecheck}" --map examples/story.tsv | dot -Tsvg -o docs/story_map.svg
echo "wrote docs/story_map.svg"
