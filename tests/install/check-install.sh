#!/usr/bin/env bash
# Installs the build tree into a fresh prefix, checks what lands where, moves the prefix
# somewhere else and runs the programs from there: they must find their port libraries
# beside themselves, not in the build tree.
# Usage: check-install.sh CMAKE BUILD_DIR VERSION
set -euo pipefail
cmake=$1 build=$2 version=$3

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

unset DESTDIR
"$cmake" --install "$build" --prefix "$tmp/prefix" >"$tmp/install.log" 2>&1 ||
  { cat "$tmp/install.log" >&2; fail "cmake --install"; }

# Exactly these files, nothing more: no test libraries, no static archives.
sizes=(16 32 48 128 256)
{
  printf '%s\n' bin/logic-analyzer bin/logic-capture \
    lib/logic-analyzer/libport-hardware.so lib/logic-analyzer/libport-simulated.so \
    share/applications/logic-analyzer.desktop \
    share/man/man1/logic-analyzer.1 share/man/man1/logic-capture.1
  for n in "${sizes[@]}"; do echo "share/icons/hicolor/${n}x${n}/apps/logic-analyzer.png"; done
} | sort >"$tmp/expected"
(cd "$tmp/prefix" && find . ! -type d | sed 's|^\./||' | sort) >"$tmp/installed"
diff -u "$tmp/expected" "$tmp/installed" >&2 || fail "installed files differ from the list above"

p=$tmp/prefix
for f in bin/logic-analyzer bin/logic-capture; do
  [[ -x $p/$f ]] || fail "$f is not executable"
  if command -v readelf >/dev/null && readelf -d "$p/$f" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
    fail "$f keeps an RPATH into the build tree"
  fi
done

# Each icon really has the size of the folder it sits in (PNG: width and height at byte 16).
for n in "${sizes[@]}"; do
  read -r w h < <(od -An -tu4 --endian=big -j16 -N8 "$p/share/icons/hicolor/${n}x${n}/apps/logic-analyzer.png")
  [[ $w == "$n" && $h == "$n" ]] || fail "the ${n}x${n} icon is ${w}x${h}"
done

desktop=$p/share/applications/logic-analyzer.desktop
if command -v desktop-file-validate >/dev/null; then
  # Hints too: two main categories, for one, list the program twice in some menus.
  said=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $said"
  [[ -z $said ]] || fail "desktop-file-validate: $said"
else
  echo "desktop-file-validate not installed: entry not validated"
fi
# Every Exec (the entry's and its actions') starts an installed program; Icon is ours.
while read -r exe; do
  [[ -x $p/bin/$exe ]] || fail "the desktop entry runs '$exe', which is not installed"
done < <(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
grep -qx 'Icon=logic-analyzer' "$desktop" || fail "the desktop entry names another icon"

# The man pages format without warnings and describe the options --help lists, no more.
# An option with a short form ("-o, --output FILE") counts by its long name.
help_options() { "$1" --help | sed -n 's/^  \(-[a-zA-Z], \)\{0,1\}\(--[a-z-]*\).*/\2/p' | sort; }
man_options() {
  awk '/^\.SH/ { opts = ($2 == "OPTIONS") } opts && prev == ".TP" { print } { prev = $0 }' "$1" |
    sed 's/\\-/-/g' | grep -oE -- '--[a-z][a-z-]*' | sort
}
for prog in logic-analyzer logic-capture; do
  page=$p/share/man/man1/$prog.1
  ! grep -n '@[A-Z_]*@' "$page" || fail "$prog.1 has an unfilled placeholder"
  if command -v groff >/dev/null; then
    warnings=$(groff -man -ww -z "$page" 2>&1)
    [[ -z $warnings ]] || fail "groff on $prog.1: $warnings"
  fi
  if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "man on $prog.1: $warnings"
  fi
  diff -u <(help_options "$p/bin/$prog") <(man_options "$page") >&2 ||
    fail "the OPTIONS of $prog.1 differ from $prog --help (left --help, right the page)"
done

# Move the whole prefix: nothing in it may point back to where it was installed.
mkdir -p "$tmp/moved"
mv "$tmp/prefix" "$tmp/moved/elsewhere"
p=$(cd "$tmp/moved/elsewhere" && pwd -P) # as the program sees its own path

# --help and --version need no display at all.
for prog in logic-analyzer logic-capture; do
  out=$(cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 "$p/bin/$prog" --version 2>"$tmp/err") ||
    fail "$prog --version failed: $(cat "$tmp/err")"
  [[ $out == "$prog $version" && ! -s $tmp/err ]] || fail "$prog --version printed '$out' $(cat "$tmp/err")"
  (cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 "$p/bin/$prog" --help >/dev/null) ||
    fail "$prog --help failed"
done

# A capture from the moved prefix, started through a symbolic link on PATH from another
# folder, loads the simulated probe from that prefix.
mkdir "$tmp/links"
ln -s "$p/bin/logic-capture" "$tmp/links/logic-capture"
(cd / && PATH=$tmp/links:$PATH LD_DEBUG=files LD_DEBUG_OUTPUT=$tmp/ld \
   timeout 10 logic-capture --simulate --output "$tmp/x.vcd") 2>"$tmp/err" ||
  fail "logic-capture from the moved prefix: $(cat "$tmp/err")"
loaded=$(cat "$tmp"/ld.* | sed -n 's/.*file=\([^ ]*libport-[a-z]*\.so\).*/\1/p' | sort -u)
[[ $loaded == "$p/lib/logic-analyzer/libport-simulated.so" ]] ||
  fail "logic-capture loaded '${loaded:-no port library}' instead of the moved prefix's simulated probe"

wires=$(grep -c '^\$var wire 1 .* ch[1-5] \$end$' "$tmp/x.vcd" || true)
[[ $wires == 5 ]] || fail "the VCD declares $wires channel wires, not 5"
echo "installed layout, desktop entry, man pages and a moved prefix: all fine"
