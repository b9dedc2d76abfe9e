#!/bin/sh
# Boots Debian's own kernel in qemu and runs both programs' scenarios on its
# real USB stack, with virtual boards on the USB/IP host controller. The
# host's root is shared read-only into the VM, so the programs run as built.
# Ends with "N passed, M failed, K known differences of Wine"; exit 0 only
# when nothing failed (a KNOWN line is a difference of Wine 8 from Windows
# whose shape the check verified; see vm/hidp-compare.sh).
# VM_ACCEL=kvm uses KVM where the host has it; VM_CPUS sets the guest's
# virtual CPUs (1; under TCG each more runs on a host thread of its own:
# on a 2-core host with builds beside it two were no faster and the guest's
# stamps of a pulse strayed by up to 22 ms, against 3 ms with one);
# VM_TIMEOUT bounds the VM run.
# VM_STAGES=hidp runs only the comparison of the hidraw backend's HidP_*
# answers with hid.dll's under Wine (tools/vm/hidp-compare.sh), and builds
# only what it needs; the default, all, runs every stage.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
VM=$ROOT/build/vm
EXTRA_PACKAGES="qemu-system-x86 busybox-static kmod xz-utils cpio xdotool x11-utils imagemagick \
systemd udev python3-minimal ${EXTRA_PACKAGES:-}" tools/deps.sh
. tools/lib/ccache.sh

STAGES=${VM_STAGES:-all}
cmake --preset default >/dev/null
if [ "$STAGES" = hidp ]; then
  cmake --build --preset default --target tq5271_vboard tq_hidp_dump
  WINE_TARGETS=tq_hidp_dump tools/vm/wine-stage.sh
else
  cmake --build --preset default --target vm_scenarios tq5271_vboard TQ5271_encoders TQ5271_config \
    TQ5271_monitor TQ5271_demo tq5271ctl tq_hidp_dump
  tools/vm/wine-stage.sh
fi

# The kernel: Debian's package, unpacked under build/vm and never installed.
mkdir -p "$VM/dl" "$VM/out"
if ! ls "$VM"/dl/linux-image-*.deb >/dev/null 2>&1; then
  package=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-/ {print $2; exit}')
  (cd "$VM/dl" && apt-get download "$package")
fi
deb=$(ls "$VM"/dl/linux-image-*.deb | head -n 1)
if [ ! -f "$VM/kernel/.unpacked" ] || [ "$VM/kernel/.unpacked" -ot "$deb" ]; then
  rm -rf "$VM/kernel"
  dpkg-deb -x "$deb" "$VM/kernel"
  touch "$VM/kernel/.unpacked"
fi
KVER=$(ls "$VM/kernel/lib/modules" | head -n 1)
[ -f "$VM/kernel/lib/modules/$KVER/modules.dep" ] || depmod -b "$VM/kernel" "$KVER"

# The initramfs: static busybox, the modules in load order, and the init.
INITRD=$VM/initrd
rm -rf "$INITRD"
mkdir -p "$INITRD/bin" "$INITRD/modules" "$INITRD/proc" "$INITRD/sys" "$INITRD/dev" "$INITRD/host"
cp /bin/busybox "$INITRD/bin/busybox"
: >"$INITRD/modules/order"
add_module() {  # $1: module name; its dependencies go first
  path=$(modinfo -b "$VM/kernel" -k "$KVER" -F filename "$1" 2>/dev/null || true)
  case "$path" in ""|"(builtin)") return 0 ;; esac
  grep -qx "$(basename "$path")" "$INITRD/modules/order" && return 0
  for dep in $(modinfo -b "$VM/kernel" -k "$KVER" -F depends "$1" | tr ',' ' '); do
    add_module "$dep"
  done
  # The recursion above reuses the shell's one set of variables.
  path=$(modinfo -b "$VM/kernel" -k "$KVER" -F filename "$1")
  cp "$path" "$INITRD/modules/"
  basename "$path" >>"$INITRD/modules/order"
}
for module in virtio_pci 9pnet_virtio 9p usbhid hid-generic vhci-hcd evdev joydev; do add_module "$module"; done
sed -e "s|@ROOT@|$ROOT|g" -e "s|@STAGES@|$STAGES|g" tools/vm/init >"$INITRD/init"
chmod +x "$INITRD/init"
(cd "$INITRD" && find . | cpio -o -H newc --quiet | gzip -1 >"$VM/initrd.img")

ACCEL=${VM_ACCEL:-tcg}
CPUS=${VM_CPUS:-1}
[ "$ACCEL" = tcg ] && [ "$CPUS" -gt 1 ] && ACCEL=tcg,thread=multi
rm -rf "$VM"/out/*
start=$(date +%s)
timeout "${VM_TIMEOUT:-1800}" qemu-system-x86_64 -accel "$ACCEL" -m 768M -smp "$CPUS" -nodefaults \
  -display none -serial stdio -no-reboot \
  -kernel "$VM/kernel/boot/vmlinuz-$KVER" -initrd "$VM/initrd.img" \
  -append "console=ttyS0 panic=-1 quiet loglevel=4" \
  -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
  -virtfs local,path="$ROOT",mount_tag=project,security_model=none,readonly=on,multidevs=remap \
  -virtfs local,path="$VM/out",mount_tag=out,security_model=none,multidevs=remap \
  </dev/null >"$VM/console.log" 2>&1 || echo "qemu ended with status $?" >>"$VM/console.log"
echo "VM run: $(($(date +%s) - start)) s, $CPUS virtual CPU(s), -accel $ACCEL (see build/vm/console.log)"

# Scenario results from the test program's reports, then the guest's checks.
passed=0
failed=0
reports="scenarios udev wine"
[ "$STAGES" = hidp ] && reports=""
for report in $reports; do
  xml=$VM/out/$report.xml
  if [ ! -f "$xml" ]; then
    echo "no $report report: the VM did not finish it (see build/vm/console.log)"
    failed=$((failed + 1))
    continue
  fi
  total=$(grep -c '<testcase ' "$xml" || true)
  failing=$(awk '/<testcase /{name=$0} /<failure /{if (name != seen) {n++; seen=name}} END{print n+0}' "$xml")
  passed=$((passed + total - failing))
  failed=$((failed + failing))
  # A CI log keeps no files: each failing case says here what it saw.
  awk -v report="$report" '
    /<testcase / { match($0, /name="[^"]*"/); name = substr($0, RSTART + 6, RLENGTH - 7)
                   match($0, /classname="[^"]*"/); suite = substr($0, RSTART + 11, RLENGTH - 12) }
    /<failure / { if (suite "." name != seen) { print "FAIL " report ": " suite "." name; seen = suite "." name }
                  match($0, /message="[^"]*"/); message = substr($0, RSTART + 9, RLENGTH - 10)
                  gsub(/&#x0A;/, "\n    | ", message); gsub(/&quot;/, "\"", message)
                  gsub(/&lt;/, "<", message); gsub(/&gt;/, ">", message); gsub(/&amp;/, "\\&", message)
                  print "    | " message }' "$xml" | head -n 60
done
if [ -f "$VM/out/checks.txt" ]; then
  cat "$VM/out/checks.txt"
  passed=$((passed + $(grep -c '^PASS ' "$VM/out/checks.txt" || true)))
  failed=$((failed + $(grep -c '^FAIL ' "$VM/out/checks.txt" || true)))
  known=$(grep -c '^KNOWN ' "$VM/out/checks.txt" || true)
fi
# Each window photographed in the VM must match the demo's picture of the
# same board (the emulator's factory board, serial TQ-00042).
mkdir -p "$VM/demo"
programs="encoders config"
[ "$STAGES" = hidp ] && programs=""
for program in $programs; do
  shot=$VM/out/$program.png
  demo=$VM/demo/$program.png
  xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" build/default/demo/TQ5271_demo \
    --program "$program" --boards 1 --screenshot "$demo" >/dev/null 2>&1 || true
  differing=$(compare -metric AE "$shot" "$demo" null: 2>&1 || true)
  if [ "$differing" = "0" ]; then
    echo "PASS $program window in the VM matches the demo"
    passed=$((passed + 1))
  else
    echo "FAIL $program window in the VM matches the demo ($differing pixels differ)"
    failed=$((failed + 1))
  fi
done
requests=$(cat "$VM"/out/*.xml "$VM/out/board0.log" 2>/dev/null | awk '
  /board_requests/ { if (match($0, /board_requests"? value="[0-9]+/)) { v = substr($0, RSTART, RLENGTH); sub(/.*"/, "", v); sum += v } }
  /^[A-Z_]+ value=/ { sum++ }
  END { print sum + 0 }')
echo "the virtual boards answered $requests requests"
grep -h '^\[  FAILED  \]' "$VM/console.log" | sort -u || true
echo "$passed passed, $failed failed, ${known:-0} known differences of Wine (KNOWN lines above)"
[ "$failed" -eq 0 ]
