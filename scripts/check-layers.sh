#!/usr/bin/env bash
# Checks that every source file includes only what its layer may include, as the folders'
# README.md files state it. Prints each include that breaks the rule and exits 1; exits 0
# when all hold.
#   scripts/check-layers.sh [ROOT]     ROOT: the source tree (default: this one)
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2

# The project headers each folder may include, as path prefixes; a folder's own files are
# always allowed. A file takes the rule of the deepest folder that holds it, whatever the
# order of the rows. The layers, bottom up: state, acquisition (its port libraries below
# it), output, display and port, control, cli, ui; then the two programs' main files.
rules=(
  "state/|state/"
  "acquisition/portlibs/|acquisition/portlibs/ acquisition/parallelport.h acquisition/channels.h acquisition/readclock.h"
  "acquisition/|acquisition/ state/"
  "output/|output/ acquisition/ state/ version.h"
  "display/|display/ state/"
  "port/|port/ state/ acquisition/parallelport.h"
  "control/|control/ acquisition/ display/ port/ state/"
  "cli/|cli/ output/ acquisition/ state/ version.h"
  "ui/|ui/ control/ output/ acquisition/ display/ port/ state/ version.h"
)
# The port libraries stand alone and are loaded at run time; of their code the programs
# link only the list of the machine's ports.
portlibs_shared="acquisition/portlibs/parportdevices.h"
# Folders whose code needs no Qt at all, and the one that may use Qt's images but no widgets.
no_qt="state/ acquisition/ output/ port/ control/ cli/"
no_widgets="display/"

status=0
complain() {
  echo "$1" >&2
  status=1
}

# The rule of the deepest folder in the table that holds the file, and that folder.
rule_for() {
  local file=$1 row folder best='' allowed=''
  for row in "${rules[@]}"; do
    folder=${row%%|*}
    if [[ $file == "$folder"* ]] && (( ${#folder} > ${#best} )); then
      best=$folder
      allowed=${row#*|}
    fi
  done
  [[ -n $best ]] && echo "$best|$allowed"
}

folders=()
for row in "${rules[@]}"; do
  folder=${row%%|*}
  [[ -d $folder ]] && folders+=("$folder")
done

while IFS= read -r file; do
  rule=$(rule_for "$file")
  [[ -n $rule ]] || continue
  folder=${rule%%|*} allowed=${rule#*|}
  while IFS=: read -r line text; do
    header=$(sed -E 's/^#include "([^"]+)".*/\1/' <<<"$text")
    ok=0
    for prefix in $allowed; do
      [[ $header == "$prefix"* ]] && ok=1
    done
    # A header beside the file (a test's own helpers) is its own business.
    [[ $header != */* ]] && ok=1
    (( ok )) || complain "$file:$line: includes \"$header\"; $folder may include only: $allowed"
    if (( ok )) && [[ $folder != acquisition/portlibs/ && $header == acquisition/portlibs/* &&
                      $header != "$portlibs_shared" ]]; then
      complain "$file:$line: includes \"$header\"; of acquisition/portlibs/ only $portlibs_shared is linked into the programs"
    fi
  done < <(grep -n -E '^#include "' "$file" || true)

  for qtfree in $no_qt; do
    [[ $folder == "$qtfree"* ]] || continue
    while IFS=: read -r line text; do
      complain "$file:$line: $text; ${qtfree} uses no Qt"
    done < <(grep -n -E '^#include <Q' "$file")
  done
  if [[ $folder == "$no_widgets"* ]] && grep -q -E '^#include <(QtWidgets/|QWidget|QApplication)' "$file"; then
    complain "$file: includes a Qt widget header; ${no_widgets} draws onto images, never widgets"
  fi
done < <(find "${folders[@]}" -name '*.h' -o -name '*.cpp' -o -name '*.c' | sort -u)

exit $status
