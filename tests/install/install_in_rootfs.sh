#!/usr/bin/env bash
# Installs a board's .deb with apt into a Debian 12 root filesystem of its architecture, as on a
# user's board (its dependencies resolved from the machine's own apt sources), then runs the
# installed dashboard there under QEMU's user-mode emulator to draw its pages.
# The base root filesystem is cached under $XDG_CACHE_HOME/touchscreen/, keyed by what made it.
# Usage: install_in_rootfs.sh ARCH PACKAGE.deb. Needs root and the emulator in binfmt_misc;
# prints one line and succeeds without them.
set -euo pipefail
arch=$1
deb=$(readlink -f "$2")
case $arch in arm64) qemu=aarch64 ;; armhf) qemu=arm ;; *) qemu=$arch ;; esac
skip() { echo "install in an $arch root filesystem: skipped: $*"; exit 0; }
[ "$(id -u)" -eq 0 ] || skip "needs root (mmdebstrap, chroot)"
command -v mmdebstrap >/dev/null || skip "mmdebstrap is not installed"
[ "$arch" = "$(dpkg --print-architecture)" ] || [ -e "/proc/sys/fs/binfmt_misc/qemu-$qemu" ] ||
    skip "binfmt_misc does not run $arch programs (scripts/cross registers qemu-$qemu)"

# The Debian suites of the machine's own sources (the build machines reach no other mirror).
sources=()
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && grep -qE '^(Suites:.*\<bookworm\>|deb\s+(\[[^]]*\]\s+)?\S+\s+bookworm\>)' "$f" && sources+=("$f")
done
[ ${#sources[@]} -gt 0 ] || skip "no bookworm entry in /etc/apt/sources.list{,.d}"

cache=${XDG_CACHE_HOME:-$HOME/.cache}/touchscreen/rootfs
recipe="mmdebstrap --mode=root --variant=apt --arch=$arch bookworm $(mmdebstrap --version)"
key=$(cat <(echo "$recipe") "${sources[@]}" | sha256sum | cut -c1-16)
base=$cache/bookworm-$arch-$key.tar
archives=$cache/archives-$arch
mkdir -p "$cache" "$archives/partial"
if [ ! -f "$base" ]; then
    echo "== making the $arch root filesystem (cached as $base)"
    # The package lists stay, so that apt can install from them later without an update.
    mmdebstrap --mode=root --variant=apt --arch="$arch" --skip=cleanup/apt/lists --quiet \
        bookworm "$cache/making-$arch.tar" "${sources[@]}"  # a tar by its name
    mv "$cache/making-$arch.tar" "$base"
fi

scratch=$(mktemp -d)
rootfs=$scratch/root
mounted=()
cleanup() {
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap cleanup EXIT
mkdir -p "$rootfs"
tar -C "$rootfs" -xf "$base"
mount_in() { mount "$@" && mounted+=("${!#}"); }
mount_in -t proc proc "$rootfs/proc"
mount_in --bind /dev "$rootfs/dev"
# The downloaded packages are kept between runs: only the first run fetches them.
mount_in --bind "$archives" "$rootfs/var/cache/apt/archives"
cp "$deb" "$rootfs/tmp/"
name=$(basename "$deb")
in_root() { chroot "$rootfs" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

echo "== apt install ./$name in the $arch root filesystem"
start=$SECONDS
in_root apt-get update -qq -o Acquire::Check-Valid-Until=false >/dev/null 2>&1 || true
if ! in_root env DEBIAN_FRONTEND=noninteractive apt install -y -q --no-install-recommends \
    -o APT::Keep-Downloaded-Packages=true "/tmp/$name" >"$scratch/apt.log" 2>&1; then
    tail -20 "$scratch/apt.log"
    echo "FAIL: apt could not install $name in the $arch root filesystem" >&2
    exit 1
fi
grep -E '^(Setting up|Unpacking) touchscreen' "$scratch/apt.log" || true
status=$(in_root dpkg-query -W -f='${Status} ${Architecture} ${Version}' touchscreen)
echo "installed: $status ($((SECONDS - start)) s)"
case $status in "install ok installed $arch "*) ;; *) echo "FAIL: touchscreen is not installed for $arch: $status" >&2; exit 1 ;; esac

echo "== the installed dashboard draws its pages in the $arch root filesystem"
mkdir -p "$rootfs/tmp/pages"
in_root env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy /usr/bin/touchscreen --snapshot /tmp/pages >"$scratch/snapshot.log" 2>&1 ||
    { cat "$scratch/snapshot.log"; echo "FAIL: the installed touchscreen --snapshot failed" >&2; exit 1; }
for page in page1 page2 page3 page4; do
    info=$(file -b "$rootfs/tmp/pages/$page.png" 2>&1)
    case $info in "PNG image data, 376 x 960,"*) ;; *) echo "FAIL: $page.png: $info" >&2; exit 1 ;; esac
done
echo "all install checks passed: $name on $arch, pages drawn at 376 x 960"
