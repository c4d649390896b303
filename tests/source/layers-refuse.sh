#!/usr/bin/env bash
# The layer check must refuse, one line each, what breaks the layering: a folder reaching a
# folder above it (acquisition/ or display/ reaching the front panel, the instrument or
# ui/, output/ reaching the command line), the programs reaching into a port library, and
# Qt where none belongs; and it must do so whatever the order of its table's rows.
set -uo pipefail
src=$1
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cp -r "$src"/{state,acquisition,output,display,port,control,cli,ui,scripts} "$copy"/

# FILE INCLUDE [NAMED]: the include added to FILE, and what the refusal names (the header
# unless told).
expected=()
while read -r file include named; do
  echo "#include $include" >>"$copy/$file"
  include=${include//[\"<>]/}
  expected+=("$file:.*${named:-$include}")
done <<'EOF'
acquisition/trigger.cpp "control/frontpanel.h"
display/scoperenderer.cpp "control/instrument.h"
display/screen.h "ui/mainwindow.h"
acquisition/samplingloop.cpp "display/scoperenderer.h"
display/viewcontrols.cpp "acquisition/capture.h"
output/vcdwriter.cpp "cli/commandline.h"
acquisition/portlibs/simulatedport.cpp "acquisition/samplingloop.h"
cli/commandline.cpp "acquisition/portlibs/hardwareport.h"
acquisition/capture.h <QString>
display/screenimage.cpp <QWidget> widget
EOF

# The check as it stands, and with the rows of its table in the opposite order.
awk '/^rules=\(/ {print; inside = 1; next}
     inside && /^\)/ {for (i = n; i >= 1; --i) print rows[i]; inside = 0}
     inside {rows[++n] = $0; next}
     {print}' "$copy/scripts/check-layers.sh" >"$copy/scripts/check-layers-reversed.sh"
cmp -s "$copy/scripts/check-layers.sh" "$copy/scripts/check-layers-reversed.sh" &&
  { echo "the table's rows were not reversed"; exit 1; }

fail=0
for check in check-layers.sh check-layers-reversed.sh; do
  out=$(bash "$copy/scripts/$check" "$copy" 2>&1)
  status=$?
  (( status == 1 )) || { echo "$check: expected exit status 1, got $status"; fail=1; }
  for pattern in "${expected[@]}"; do
    grep -q -E "$pattern" <<<"$out" || { echo "$check: not refused: $pattern"; fail=1; }
  done
  (( $(wc -l <<<"$out") == ${#expected[@]} )) ||
    { echo "$check: expected ${#expected[@]} lines, got:"; echo "$out"; fail=1; }
done
exit $fail
