#!/usr/bin/env bash
# Checks that every source file includes only what its layer may include, as the folders'
# README.md files state it. Prints each include that breaks the rule and exits 1; exits 0
# when all hold.
#   scripts/check-layers.sh [ROOT]     ROOT: the source tree (default: this one)
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2

# The project headers each folder may include, as path prefixes. The order of the rows is
# the order of the layers, bottom up; a folder's own files are always allowed.
rules=(
  "control/state/|control/state/"
  "acquisition/portlibs/|acquisition/portlibs/ acquisition/parallelport.h acquisition/channels.h acquisition/readclock.h"
  "acquisition/|acquisition/ control/state/ version.h"
  "display/|display/ control/state/"
  "port/|port/ control/state/ acquisition/parallelport.h"
  "control/|control/ acquisition/ display/ port/ version.h"
  "ui/|ui/ control/ acquisition/ display/ port/ version.h"
)
# The port libraries stand alone and are loaded at run time; of their code the programs
# link only the list of the machine's ports.
portlibs_shared="acquisition/portlibs/parportdevices.h"
# Folders whose code needs no Qt at all, and the one that may use Qt's images but no widgets.
no_qt="control/ acquisition/ port/"
no_widgets="display/"

status=0
complain() {
  echo "$1" >&2
  status=1
}

rule_for() {
  local file=$1 row
  for row in "${rules[@]}"; do
    [[ $file == "${row%%|*}"* ]] && { echo "${row#*|}"; return; }
  done
}

while IFS= read -r file; do
  allowed=$(rule_for "$file")
  [[ -n $allowed ]] || continue
  while IFS=: read -r line text; do
    header=$(sed -E 's/^#include "([^"]+)".*/\1/' <<<"$text")
    ok=0
    for prefix in $allowed; do
      [[ $header == "$prefix"* ]] && ok=1
    done
    # A header beside the file (a test's own helpers) is its own business.
    [[ $header != */* ]] && ok=1
    (( ok )) || complain "$file:$line: includes \"$header\"; ${file%/*}/ may include only: $allowed"
    if (( ok )) && [[ $file != acquisition/portlibs/* && $header == acquisition/portlibs/* &&
                      $header != "$portlibs_shared" ]]; then
      complain "$file:$line: includes \"$header\"; of acquisition/portlibs/ only $portlibs_shared is linked into the programs"
    fi
  done < <(grep -n -E '^#include "' "$file" || true)

  for folder in $no_qt; do
    [[ $file == "$folder"* ]] || continue
    while IFS=: read -r line text; do
      complain "$file:$line: $text; ${folder} uses no Qt"
    done < <(grep -n -E '^#include <Q' "$file")
  done
  if [[ $file == "$no_widgets"* ]] && grep -q -E '^#include <(QtWidgets/|QWidget|QApplication)' "$file"; then
    complain "$file: includes a Qt widget header; ${no_widgets} draws onto images, never widgets"
  fi
done < <(find control acquisition display port ui -name '*.h' -o -name '*.cpp' -o -name '*.c' | sort)

exit $status
