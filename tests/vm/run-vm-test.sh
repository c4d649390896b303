#!/usr/bin/env bash
# Checks libport-hardware.so against the kernel's real parallel-port driver: boots Debian's
# kernel under qemu (software emulation), with two parallel ports (0x378, and 0xD010 where a
# PCI or PCIe card would sit), and an initramfs of busybox, the parport,
# parport_pc and ppdev modules, vmcheck, the library and, when given, logic-capture; init.sh
# runs the checks and each reports a "VMCHECK <check>: PASS|FAIL ..." line on the serial
# console. The kernel package is fetched with apt-get download (never installed) and kept in
# WORKDIR/cache, so only the first run downloads it.
#
# Usage: run-vm-test.sh WORKDIR VMCHECK LIBRARY [LOGIC-CAPTURE]
# Exit status: 0 every check passed, 77 skipped (qemu missing, or no kernel package to be
# had), 1 anything else.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
work=$1 vmcheck=$2 library=$3 capture=${4:-}
cache=$work/cache
# Long enough for a slow boot on a busy machine; a VM that hangs fails in this time.
vm_seconds=300

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

command -v qemu-system-x86_64 >/dev/null ||
  skip "qemu-system-x86_64 is not installed (scripts/install-deps.sh test installs it)"
for tool in apt-get apt-cache dpkg-deb; do
  command -v $tool >/dev/null || skip "$tool is missing: no Debian package registry to fetch a kernel from"
done
for tool in cpio gzip ldd timeout; do
  command -v $tool >/dev/null || fail "$tool is missing (scripts/install-deps.sh test installs it)"
done
[[ -x /bin/busybox ]] && ! ldd /bin/busybox >/dev/null 2>&1 ||
  fail "/bin/busybox is missing or not static (package busybox-static)"
for file in "$vmcheck" "$library" ${capture:+"$capture"}; do
  [[ -f $file ]] || fail "$file is not built"
done

# --- The kernel package ---

mkdir -p "$cache"
apt_options=()
private_lists=0
# apt hands downloads to an unprivileged user of its own, who may not write to the build tree.
sandbox=()
(( EUID == 0 )) && sandbox=(-o APT::Sandbox::User=root)
kernel_package() {
  apt-cache "${apt_options[@]}" depends linux-image-amd64 2>/dev/null |
    awk '/Depends: linux-image/ { print $2; exit }'
}
# Package lists of our own in the cache, for a machine that has none, or stale ones that name
# a kernel the registry no longer holds. The system's lists stay as they are.
use_private_lists() {
  (( private_lists )) && return 1
  private_lists=1
  mkdir -p "$cache/apt/lists/partial" "$cache/apt/archives/partial"
  apt_options=(-o "Dir::State::Lists=$cache/apt/lists" -o "Dir::Cache=$cache/apt"
               -o "Dir::Cache::archives=$cache/apt/archives")
  timeout 120 apt-get "${apt_options[@]}" "${sandbox[@]}" update -qq >"$cache/apt.log" 2>&1 || return 1
  package=$(kernel_package || true)
  [[ -n $package ]]
}
# Puts $package in the cache, whole or not at all, unless it is there already; drops older
# kernels.
fetch() {
  compgen -G "$cache/${package}_*.deb" >/dev/null && return 0
  echo "Downloading $package (about 70 MB, once) ..."
  rm -rf "$cache/download"
  mkdir -p "$cache/download"
  (cd "$cache/download" && timeout 180 apt-get "${apt_options[@]}" "${sandbox[@]}" -q download "$package") \
    >>"$cache/apt.log" 2>&1 || return 1
  rm -rf "$cache"/linux-image-*
  mv "$cache"/download/*.deb "$cache/"
  rm -rf "$cache/download"
}

: >"$cache/apt.log"
package=$(kernel_package || true)
[[ -n $package ]] || use_private_lists || true
if [[ -n $package ]] && ! { fetch || { use_private_lists && fetch; }; }; then
  echo "Cannot download $package: $(tail -n 1 "$cache/apt.log")"
  package=
fi
if [[ -n $package ]]; then
  deb=$(compgen -G "$cache/${package}_*.deb" | head -n 1 || true)
  [[ -n $deb ]] || fail "apt-get download $package left no .deb in $cache"
else
  # No registry within reach: a kernel an earlier run fetched will do.
  deb=$(compgen -G "$cache/linux-image-*.deb" | tail -n 1 || true)
  [[ -n $deb ]] || skip "no package registry within reach to fetch the kernel package" \
    "named by linux-image-amd64 ($(tail -n 1 "$cache/apt.log")), and no kernel is cached"
fi

# Only the kernel and the three modules are taken out of the package, not its 400 MB.
kernel=${deb%.deb}
if [[ ! -e $kernel/complete ]]; then
  rm -rf "$kernel"
  mkdir -p "$kernel"
  if ! dpkg-deb --fsys-tarfile "$deb" |
    tar -x -C "$kernel" --wildcards './boot/vmlinuz-*' '*/drivers/parport/parport.ko*' \
      '*/drivers/parport/parport_pc.ko*' '*/drivers/char/ppdev.ko*'; then
    # A damaged download: the next run fetches it again.
    rm -rf "$deb" "$kernel"
    fail "cannot unpack $deb"
  fi
  touch "$kernel/complete"
fi
vmlinuz=$(compgen -G "$kernel/boot/vmlinuz-*" | head -n 1 || true)
[[ -n $vmlinuz ]] || fail "$deb holds no boot/vmlinuz-*"

# --- The initramfs ---

root=$work/initramfs
rm -rf "$root"
mkdir -p "$root"/{bin,dev,proc,sys,tmp,modules,opt/la/bin,opt/la/lib/logic-analyzer}
cp /bin/busybox "$root/bin/"
cp "$here/init.sh" "$root/init"
chmod 0755 "$root/init"

for module in parport parport_pc ppdev; do
  file=$(find "$kernel/lib" -name "$module.ko*" | head -n 1)
  [[ -n $file ]] || fail "$deb holds no $module module"
  case $file in
    *.ko) cp "$file" "$root/modules/" ;;
    *.ko.xz) xz -dc "$file" >"$root/modules/$module.ko" ;;
    *.ko.zst) zstd -qdc "$file" >"$root/modules/$module.ko" ;;
    *) fail "cannot unpack $file" ;;
  esac
done

# The programs sit as in the build tree: the library in ../lib/logic-analyzer beside them.
cp "$vmcheck" "$root/opt/la/bin/vmcheck"
cp "$library" "$root/opt/la/lib/logic-analyzer/libport-hardware.so"
[[ -n $capture ]] && cp "$capture" "$root/opt/la/bin/logic-capture"

# And every shared object they need, at the path the host has it.
for file in "$vmcheck" "$library" ${capture:+"$capture"}; do
  ldd "$file" | awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }'
done | sort -u | while read -r needed; do
  mkdir -p "$root$(dirname "$needed")"
  cp -L "$needed" "$root$needed"
done

# The checks run partly as an ordinary user, who must be able to read all of it.
chmod -R a+rX "$root"
(cd "$root" && find . | cpio -o -H newc -R 0:0 --quiet) | gzip -1 >"$work/initrd.gz"

# --- The VM ---

console=$work/console.log
echo "Booting $(basename "$vmlinuz") under qemu ..."
status=0
timeout $vm_seconds qemu-system-x86_64 -accel tcg -m 512 -nographic -no-reboot -nic none \
  -kernel "$vmlinuz" -initrd "$work/initrd.gz" \
  -append "console=ttyS0 quiet panic=-1" -parallel null \
  -chardev null,id=p2 -device isa-parallel,iobase=0xd010,irq=5,chardev=p2 \
  </dev/null >"$console" 2>&1 ||
  status=$?

# The console carries terminal escape codes and carriage returns: no anchors here.
results=$(tr -d '\r' <"$console" | grep -ao 'VMCHECK .*' || true)
[[ -n $results ]] && echo "$results"

expected=("port" "card port" "user-ppdev reads" "user-ppdev writes" "card-ppdev reads"
          "card-ppdev writes" "root-direct reads" "root-direct writes" "card-direct refused"
          "card-direct untouched" "user-none error" "user-none untouched"
          "user-ppdev lines refused" "user-ppdev lines" "user-ppdev lines restored"
          "root-direct lines" "root-direct lines restored")
[[ -n $capture ]] && expected+=("list-ports" "capture" "card capture" "capture lines"
                                "capture lines restored")
problems=()
(( status == 124 )) && problems+=("the VM did not power off within $vm_seconds s")
(( status != 0 && status != 124 )) && problems+=("qemu exited with status $status")
for check in "${expected[@]}"; do
  grep -qF "VMCHECK $check: PASS" <<<"$results" || problems+=("no PASS for \"$check\"")
done
grep -q ': FAIL' <<<"$results" && problems+=("a check failed")
grep -q 'VMCHECK finished' <<<"$results" || problems+=("the checks did not run to the end")

if (( ${#problems[@]} )); then
  echo "--- last lines of the VM's console ($console):"
  tr -d '\r' <"$console" | tail -n 40
  printf 'FAIL: %s\n' "${problems[@]}"
  exit 1
fi
[[ -n $capture ]] || echo "NOTE: logic-capture was not given: no capture was checked"
echo "PASS: all ${#expected[@]} checks"
