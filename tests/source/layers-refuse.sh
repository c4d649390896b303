#!/usr/bin/env bash
# The layer check must refuse, one line each, what breaks the layering: acquisition/ or
# display/ reaching the front panel, the instrument or ui/, the programs reaching into a port
# library, and Qt where none belongs.
set -uo pipefail
src=$1
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cp -r "$src"/{control,acquisition,display,port,ui} "$copy"/

echo '#include "control/frontpanel.h"' >>"$copy/acquisition/vcdwriter.cpp"
echo '#include "control/instrument.h"' >>"$copy/display/scoperenderer.cpp"
echo '#include "ui/mainwindow.h"' >>"$copy/display/screen.h"
echo '#include "display/scoperenderer.h"' >>"$copy/acquisition/samplingloop.cpp"
echo '#include "acquisition/capture.h"' >>"$copy/display/viewcontrols.cpp"
echo '#include "acquisition/portlibs/hardwareport.h"' >>"$copy/control/commandline.cpp"
echo '#include <QString>' >>"$copy/acquisition/capture.h"
echo '#include <QWidget>' >>"$copy/display/screenimage.cpp"

out=$(bash "$src/scripts/check-layers.sh" "$copy" 2>&1)
status=$?
fail=0
if (( status != 1 )); then
  echo "expected exit status 1, got $status"
  fail=1
fi
for expected in 'acquisition/vcdwriter.cpp:.*control/frontpanel.h' \
                'display/scoperenderer.cpp:.*control/instrument.h' \
                'display/screen.h:.*ui/mainwindow.h' \
                'acquisition/samplingloop.cpp:.*display/scoperenderer.h' \
                'display/viewcontrols.cpp:.*acquisition/capture.h' \
                'control/commandline.cpp:.*acquisition/portlibs/hardwareport.h' \
                'acquisition/capture.h:.*QString' \
                'display/screenimage.cpp:.*widget'; do
  grep -q -E "$expected" <<<"$out" || { echo "not refused: $expected"; fail=1; }
done
(( $(wc -l <<<"$out") == 8 )) || { echo "expected 8 lines, got:"; echo "$out"; fail=1; }
exit $fail
