#!/usr/bin/env bash
# Runs the content generator into a scratch folder and compares what it
# writes with the files committed under data/, so the two cannot drift apart.
# The contact sheet of every picture is kept as an artefact.
#
#   check_content.sh <source dir> <scratch dir> <artefact dir>
set -euo pipefail
source=$1
scratch=$2
artifacts=$3
rm -rf "$scratch"
mkdir -p "$scratch" "$artifacts"
"$source/tools/content/build-content.sh" "$scratch/data" "$artifacts/content_contact_sheet.png"
count=0
while IFS= read -r file; do
  relative=${file#"$scratch/data/"}
  if ! cmp -s "$file" "$source/data/$relative"; then
    echo "data/$relative differs from what tools/content writes; run tools/content/build-content.sh" >&2
    exit 1
  fi
  count=$((count + 1))
done < <(find "$scratch/data" -type f | sort)
echo "$count generated files match data/"
[ "$count" -ge 30 ]
