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

for module in parport parport_pc ppdev; do
  insmod /modules/$module.ko || echo "VMCHECK modules: FAIL insmod $module"
done
# Group lp (7) may use the port, as on a Debian system.
[ -e /dev/parport0 ] || mknod /dev/parport0 c 99 0
chown 0:7 /dev/parport0
chmod 0660 /dev/parport0

check=/opt/la/bin/vmcheck
library=/opt/la/lib/logic-analyzer/libport-hardware.so
$check port
$check user-ppdev $library
if [ -x /opt/la/bin/logic-capture ]; then
  $check capture /opt/la/bin/logic-capture
fi

# Without ppdev only direct port access is left, and only root may have it.
rmmod ppdev || echo "VMCHECK modules: FAIL rmmod ppdev"
$check root-direct $library
$check user-none $library

echo "VMCHECK finished"
poweroff -f
