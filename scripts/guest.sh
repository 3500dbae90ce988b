# The emulated 32-bit Windows machine: where the kernel refuses 32-bit programs, the 32-bit DLL and its
# programs run under 32-bit Wine inside a virtual x86_64 machine that QEMU emulates in software. Sourced by
# lib.sh, not run.
#
# The machine is Debian's own: its amd64 kernel (whose 32-bit layer is on), a root made by debootstrap from
# the archive this machine's apt reads, with wine and wine32:i386 from the same archive; nothing comes from
# anywhere else. Everything lives in build/guest32/:
#   image/root.img, vmlinuz, initrd.img   the machine, made once (about 6 min) and booted once to make its
#                                          Wine prefix (/root/wineprefix, about 4 min), then kept
#   run/overlay.qcow2                      what one run writes to the disk, thrown away after the run
#   job/                                   the script a run executes and what it leaves: rc, output.log
#   console.log                            the machine's console of the last run
# The checkout is shared with the machine (virtio-9p) at its own path, so the build trees, CTest files and
# scripts/wine-run work there unchanged, and what the programs write lands in the build tree.

QVO_GUEST=$QVO_BUILD/guest32
QVO_GUEST_SUITE=bookworm
# Packages of the machine; a change here (or to the init below) makes the image anew.
QVO_GUEST_PACKAGES="linux-image-amd64 kmod iproute2 procps cmake wine wine32:i386"
QVO_GUEST_MEMORY=${QVO_GUEST_MEMORY:-4096}
QVO_GUEST_CPUS=${QVO_GUEST_CPUS:-2}

# The init of the machine: mounts what programs need, brings the loopback interface up (a minimal machine
# starts with it down, and socket tests need it), mounts the checkout, runs build/guest32/job/run.sh, keeps
# its exit code in job/rc and powers off.
guest_init_text() {
  cat <<'EOF'
#!/bin/sh
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 TERM=dumb
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sys /sys
mountpoint -q /dev || mount -t devtmpfs dev /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
echo 1 >/proc/sys/kernel/sysrq
hostname qvo-guest32
ip link set lo up
share=$(sed -n 's/.*qvo\.share=\([^ ]*\).*/\1/p' /proc/cmdline)
cache=$(sed -n 's/.*qvo\.cache=\([^ ]*\).*/\1/p' /proc/cmdline)
modprobe 9pnet_virtio
modprobe 9p
mkdir -p "$share"
if mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=${cache:-loose} qvo "$share"; then
  job=$share/build/guest32/job
  echo "qvo-guest: running $job/run.sh"
  touch "$job/started"
  (cd "$job" && /bin/bash ./run.sh >"$job/output.log" 2>&1 </dev/null)
  echo $? >"$job/rc"
  sync
  umount "$share"
else
  echo "qvo-guest: cannot mount the checkout"
fi
sync
mount -o remount,ro / 2>/dev/null
echo o >/proc/sysrq-trigger
exec sleep 60 2>/dev/null
EOF
}

# The archives this machine's apt reads for the suite (its main component, amd64), one "URI SUITE" a line.
guest_archives() {
  LC_ALL=C apt-cache policy 2>/dev/null |
    awk -v s="$QVO_GUEST_SUITE" '$2 ~ /^https?:\/\// && $3 ~ ("^" s "(-updates|-security)?/main$") && $4 == "amd64" {
      sub(/\/main$/, "", $3); print $2, $3 }' | sort -u
}

# What the image is made from; the image is made anew when it changes.
guest_recipe() { { echo "$QVO_GUEST_SUITE $QVO_GUEST_PACKAGES"; guest_init_text; } | sha256sum | cut -c1-16; }

# guest_image: makes the machine unless build/guest32/image holds one made from the same recipe.
guest_image() {
  local img=$QVO_GUEST/image recipe
  recipe=$(guest_recipe)
  if [ -e "$img/ready" ] && [ "$(cat "$img/ready")" = "$recipe" ]; then
    say "emulated machine: made before (build/guest32/image)"
    return 0
  fi
  need_packages qemu-system-x86 qemu-utils debootstrap e2fsprogs
  local archives first uri suite
  archives=$(guest_archives)
  first=$(awk -v s="$QVO_GUEST_SUITE" '$2 == s { print $1; exit }' <<<"$archives")
  if [ -z "$first" ]; then
    say "FAILED: apt here reads no archive of Debian $QVO_GUEST_SUITE (main, amd64): apt-cache policy" >&2
    return 1
  fi
  rm -rf "$img"
  mkdir -p "$img"
  local root=$img/root
  step guest-debootstrap "emulated machine: a Debian $QVO_GUEST_SUITE root with debootstrap (about 3 min, once)" \
    debootstrap --variant=minbase --arch=amd64 --components=main "$QVO_GUEST_SUITE" "$root" "$first"
  : >"$root/etc/apt/sources.list"
  while read -r uri suite; do
    echo "deb $uri $suite main" >>"$root/etc/apt/sources.list"
  done <<<"$archives"
  printf 'APT::Install-Recommends "false";\nAPT::Install-Suggests "false";\n' >"$root/etc/apt/apt.conf.d/90qvo"
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d" && chmod +x "$root/usr/sbin/policy-rc.d"
  # Packages are installed in a private mount namespace, so the /proc mounted for them ends with it.
  step guest-packages "emulated machine: its kernel, Wine (32-bit) and ctest (about 4 min, once)" \
    unshare --mount --fork bash -c '
      set -e
      mount -t proc proc "$1/proc"
      chroot "$1" dpkg --add-architecture i386
      chroot "$1" env DEBIAN_FRONTEND=noninteractive apt-get -q update
      chroot "$1" env DEBIAN_FRONTEND=noninteractive apt-get -q -y -o Dpkg::Use-Pty=0 install $2 ||
        chroot "$1" env DEBIAN_FRONTEND=noninteractive dpkg --configure -a || true
      chroot "$1" apt-get clean
      # (a 32-bit package whose configuration runs a 32-bit program is finished by the first boot; what
      # must be there is there)
      test -x "$1/usr/lib/wine/wine" && test -x "$1/usr/bin/ctest" && ls "$1"/boot/vmlinuz-* >/dev/null' \
    _ "$root" "$QVO_GUEST_PACKAGES"
  guest_init_text >"$root/sbin/qvo-init"
  chmod +x "$root/sbin/qvo-init"
  cp -L "$root/vmlinuz" "$img/vmlinuz"
  cp -L "$root/initrd.img" "$img/initrd.img"
  rm -rf "$root"/usr/share/doc/* "$root"/usr/share/man/* "$root"/var/lib/apt/lists/*
  local size
  size=$(($(du -sm "$root" | cut -f1) + 2048))
  step guest-mkfs "emulated machine: its disk (ext4, ${size} MB, sparse)" \
    mkfs.ext4 -q -F -L qvoroot -E root_owner=0:0 -d "$root" "$img/root.img" "${size}M"
  rm -rf "$root"
  # The first boot finishes what could not be configured without the machine's own 32-bit layer and
  # makes the Wine prefix, written to the image itself.
  guest_job <<'EOF'
set -e
export DEBIAN_FRONTEND=noninteractive
dpkg --configure -a
export WINEPREFIX=/root/wineprefix WINEARCH=win32 WINEDEBUG=-all
wineboot -i
wineserver -w
/usr/lib/wine/wine --version
EOF
  guest_boot writable 1200 "emulated machine: the first boot makes its Wine prefix (about 8 min, once)" || return 1
  # (e2fsck's exit code 1 says it corrected something: the disk is sound)
  logged guest-fsck bash -c 'e2fsck -f -p "$1"; [ $? -le 1 ]' _ "$img/root.img" || return 1
  echo "$recipe" >"$img/ready"
}

# guest_boot MODE SECONDS TEXT: boots the machine, which runs build/guest32/job/run.sh (written by the
# caller), and waits for it to power off, at most SECONDS. MODE "writable" writes to the image itself,
# "overlay" to a throw-away overlay. Returns the job's exit code (1 when it did not finish). The job's
# output is in job/output.log, the console in console.log; QEMU is ended however the wait ends.
guest_boot() {
  local mode=$1 limit=$2 text=$3 img=$QVO_GUEST/image job=$QVO_GUEST/job
  local disk=$img/root.img format=raw
  rm -f "$job/rc" "$job/started" "$job/output.log"
  chmod +x "$job/run.sh"
  if [ "$mode" = overlay ]; then
    rm -rf "$QVO_GUEST/run" && mkdir -p "$QVO_GUEST/run"
    disk=$QVO_GUEST/run/overlay.qcow2 format=qcow2
    logged guest-overlay qemu-img create -q -f qcow2 -F raw -b "$img/root.img" "$disk" || return 1
  fi
  say "$text"
  local start=$SECONDS
  qemu-system-x86_64 -nodefaults -no-user-config -display none -no-reboot \
    -machine q35 -accel tcg,thread=multi -cpu max,smap=off -smp "$QVO_GUEST_CPUS" -m "$QVO_GUEST_MEMORY" \
    -kernel "$img/vmlinuz" -initrd "$img/initrd.img" \
    -append "console=ttyS0 root=/dev/vda rw init=/sbin/qvo-init panic=-1 quiet qvo.share=$QVO_ROOT qvo.cache=${QVO_GUEST_CACHE:-loose}" \
    -drive "file=$disk,if=virtio,format=$format,cache=unsafe" \
    -virtfs "local,path=$QVO_ROOT,mount_tag=qvo,security_model=none" \
    -device virtio-rng-pci -serial "file:$QVO_GUEST/console.log" </dev/null >"$QVO_LOGS/guest-qemu.log" 2>&1 &
  QVO_GUEST_PID=$!
  trap guest_kill EXIT
  local said_boot=0
  while kill -0 "$QVO_GUEST_PID" 2>/dev/null; do
    if [ "$said_boot" -eq 0 ] && [ -e "$job/started" ]; then
      say "  booted in $((SECONDS - start)) s"
      said_boot=1
    fi
    guest_progress
    if [ $((SECONDS - start)) -ge "$limit" ]; then
      say "FAILED: the machine did not finish in $limit s; it is stopped (build/guest32/console.log)" >&2
      guest_kill
      break
    fi
    sleep 2
  done
  wait "$QVO_GUEST_PID" 2>/dev/null || true
  QVO_GUEST_PID=
  guest_progress
  rm -rf "$QVO_GUEST/run"
  if [ ! -e "$job/rc" ]; then
    say "FAILED: the job did not finish; the console's last lines (build/guest32/console.log):" >&2
    tail -n 20 "$QVO_GUEST/console.log" 2>/dev/null | sed 's/^/    /' >&2
    return 1
  fi
  local rc
  rc=$(cat "$job/rc")
  say "  the machine powered off after $((SECONDS - start)) s (job exit code $rc)"
  if [ "$rc" -ne 0 ]; then
    say "the job's last lines (build/guest32/job/output.log):" >&2
    tail -n "${QVO_TAIL:-40}" "$job/output.log" | sed 's/^/    /' >&2
  fi
  return "$rc"
}

# guest_job: the job of the next boot, read from standard input. It runs as root in the machine, in the
# checkout, with the Wine prefix of the image.
guest_job() {
  mkdir -p "$QVO_GUEST/job"
  {
    echo "# written by scripts/guest.sh: the job of one boot of the emulated machine"
    echo "cd ${QVO_ROOT@Q} || exit 1"
    echo "export QVO_WINEPREFIX=/root/wineprefix"
    cat
  } >"$QVO_GUEST/job/run.sh"
}

# Prints the lines of QVO_PROGRESS_LOG (a ctest log the job writes) that say a test program has ended,
# those not printed before; QVO_PROGRESS_SEEN counts them.
guest_progress() {
  [ -n "${QVO_PROGRESS_LOG:-}" ] && [ -e "$QVO_PROGRESS_LOG" ] || return 0
  local lines n
  lines=$(grep -E '^ *[0-9]+/[0-9]+ Test +#' "$QVO_PROGRESS_LOG" 2>/dev/null || true)
  [ -n "$lines" ] || return 0
  n=$(wc -l <<<"$lines")
  if [ "$n" -gt "${QVO_PROGRESS_SEEN:-0}" ]; then
    tail -n "$((n - ${QVO_PROGRESS_SEEN:-0}))" <<<"$lines" | sed -E 's/ +/ /g; s/ \.+ / /; s/^ ?/[qvo]   /'
    QVO_PROGRESS_SEEN=$n
  fi
}

# In the machine: local_copy DIR... puts a copy of each folder of the checkout on the machine's own memory
# (tmpfs) in its place, so that programs load and write there rather than through the shared folder,
# whose every call crosses to the host; local_copy_back puts what they hold back into the checkout.
local_copy() {
  local d n=0
  for d in "$@"; do
    n=$((n + 1))
    mkdir -p "/tmp/qvo-local/$n" && cp -a "$d/." "/tmp/qvo-local/$n/" && mount --bind "/tmp/qvo-local/$n" "$d" || return 1
    QVO_LOCAL_COPIES+=("$d")
  done
}
local_copy_back() {
  local d n=0
  for d in "${QVO_LOCAL_COPIES[@]}"; do
    n=$((n + 1))
    umount "$d" && cp -a "/tmp/qvo-local/$n/." "$d/"
  done
  QVO_LOCAL_COPIES=()
}
QVO_LOCAL_COPIES=()

# Ends QEMU if it still runs (the trap of a script that booted the machine).
guest_kill() {
  if [ -n "${QVO_GUEST_PID:-}" ] && kill -0 "$QVO_GUEST_PID" 2>/dev/null; then
    kill "$QVO_GUEST_PID" 2>/dev/null || true
    sleep 1
    kill -9 "$QVO_GUEST_PID" 2>/dev/null || true
  fi
  QVO_GUEST_PID=
}
