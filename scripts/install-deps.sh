#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build and test tools is missing.
# Usage: scripts/install-deps.sh [run|test]
#   run   what building and starting the analyzer needs
#   test  that plus what the test suite needs (Xvfb, xdotool, sigrok-cli, qemu, ...)
set -euo pipefail
what=${1:-test}

pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
      libgl-dev imagemagick xvfb)
if [[ $what == test ]]; then
  pkgs+=(libbenchmark-dev libxcb1-dev clang-format xdotool x11-utils openbox sigrok-cli gtkwave
         qemu-system-x86 busybox-static cpio desktop-file-utils groff-base pulseview)
fi

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
