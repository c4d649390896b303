#!/bin/busybox sh
# /init of the test VM (run-vm-test.sh packs it): loads the kernel's parallel-port driver,
# runs the checks of vmcheck in an order that needs one boot only, and powers off. Every
# result goes to the serial console as a "VMCHECK ..." line.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /tmp && chmod 1777 /tmp

# parport_pc probes only the legacy bases by itself: the second port, at 0xD010 where a PCI
# or PCIe card would sit, is named to it.
insmod /modules/parport.ko || echo "VMCHECK modules: FAIL insmod parport"
insmod /modules/parport_pc.ko io=0x378,0xd010 irq=none,none ||
  echo "VMCHECK modules: FAIL insmod parport_pc"
insmod /modules/ppdev.ko || echo "VMCHECK modules: FAIL insmod ppdev"
# Group lp (7) may use the ports, as on a Debian system.
for n in 0 1; do
  [ -e /dev/parport$n ] || mknod /dev/parport$n c 99 $n
  chown 0:7 /dev/parport$n
  chmod 0660 /dev/parport$n
done

check=/opt/la/bin/vmcheck
library=/opt/la/lib/logic-analyzer/libport-hardware.so
capture=/opt/la/bin/logic-capture
$check port
$check user-ppdev $library
$check card-ppdev $library
$check user-ppdev-lines $library
if [ -x $capture ]; then
  $check list-ports $capture
  $check capture $capture
  $check capture-lines $capture
fi

# Without ppdev only direct port access is left, only root may have it, and only at the
# legacy bases.
rmmod ppdev || echo "VMCHECK modules: FAIL rmmod ppdev"
$check root-direct $library
$check card-direct $library
$check user-none $library
$check root-direct-lines $library

echo "VMCHECK finished"
poweroff -f
