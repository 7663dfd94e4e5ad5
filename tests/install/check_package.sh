#!/usr/bin/env bash
# Checks a built .deb in scratch roots, never changing the host: its layout (dpkg-deb -x), control
# files and dependencies, the unit under systemd-analyze verify, an install, reinstall, remove and
# purge cycle with dpkg --root, and lintian with no error (its warnings are printed).
# Usage: check_package.sh PACKAGE.deb
set -euo pipefail
deb=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
control=$scratch/control
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

echo "== contents"
dpkg-deb -c "$deb" | tee "$scratch/contents"
dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$control"

programs=$root/usr/libexec/touchscreen
for exe in "$programs/touchscreen" "$programs/touchreader"; do
    [ -f "$exe" ] && [ -x "$exe" ] || fail "not an executable file: $exe"
done
[ "$(readlink -f "$root/usr/bin/touchscreen")" = "$(readlink -f "$programs/touchscreen")" ] ||
    fail "/usr/bin/touchscreen does not lead to the dashboard"
for file in etc/touchscreen/config.toml usr/lib/systemd/system/touchscreen.service \
    usr/lib/udev/rules.d/70-touchscreen.rules usr/share/doc/touchscreen/copyright \
    usr/share/doc/touchscreen/changelog.gz; do
    [ -f "$root/$file" ] || fail "missing /$file"
done
# Only the system's own folders: nothing under /usr/local, /opt, /tmp or a build path.
while read -r _ owner _ _ _ path _; do
    case $path in ./etc/* | ./usr/bin/* | ./usr/libexec/* | ./usr/lib/* | ./usr/share/* | ./ | ./etc/ | ./usr/) ;;
    *) fail "unexpected path in the package: $path" ;;
    esac
    [ "$owner" = root/root ] || fail "$path belongs to $owner, not root/root"
done <"$scratch/contents"
file "$programs/touchscreen" "$programs/touchreader" | grep -v 'stripped$' | grep -q . &&
    fail "a program is not stripped: $(file "$programs/touchscreen" "$programs/touchreader")"

echo "== control"
cat "$control/control"
# Every file under /etc is a conffile, so an upgrade never overwrites the administrator's.
(cd "$root" && find etc -type f | sed 's|^|/|' | sort) >"$scratch/etc-files"
sort "$control/conffiles" | diff -u "$scratch/etc-files" - || fail "conffiles do not list exactly the files under /etc"
for script in postinst prerm postrm; do
    [ -x "$control/$script" ] || fail "no executable $script"
done
depends=$(sed -n 's/^Depends: //p' "$control/control")
# Computed by dpkg-shlibdeps from the dashboard's libraries; adduser for postinst; the fonts,
# without which no page can be drawn (a fresh Debian has none).
for needed in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libc6 adduser fonts-dejavu-core; do
    grep -q "\(^\|, \)$needed\( \|,\|$\)" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

echo "== systemd-analyze verify --root"
mkdir -p "$root/usr/lib/systemd/system"
cp -an /usr/lib/systemd/system/. "$root/usr/lib/systemd/system/"
MANPATH=$root/usr/share/man systemd-analyze verify --root="$root" "$root/usr/lib/systemd/system/touchscreen.service" >"$scratch/verify.log" 2>&1 ||
    fail "systemd-analyze verify failed"
if [ -s "$scratch/verify.log" ]; then
    fail "systemd-analyze verify reported:"
    cat "$scratch/verify.log" >&2
fi

echo "== install, reinstall, remove and purge with dpkg in a scratch root"
# dpkg runs the maintainer scripts without chroot (DPKG_ROOT set), with stand-ins for the account
# and service tools first on PATH: no user, group or unit of the host changes.
dpkg_root=$scratch/dpkg-root
shims=$scratch/shims
calls=$scratch/calls
mkdir -p "$dpkg_root/var/lib/dpkg/info" "$dpkg_root/var/lib/dpkg/updates" "$shims"
touch "$dpkg_root/var/lib/dpkg/status" "$dpkg_root/var/lib/dpkg/available"
for tool in addgroup adduser systemctl udevadm deb-systemd-helper deb-systemd-invoke; do
    printf '#!/bin/sh\necho "%s $*" >>"%s"\n' "$tool" "$calls" >"$shims/$tool"
done
printf '#!/bin/sh\nexit 2\n' >"$shims/getent" # no account exists yet
chmod +x "$shims"/*
dpkg_run() {
    : >"$calls"
    PATH="$shims:$PATH" dpkg --root="$dpkg_root" --force-script-chrootless --force-depends "$@" \
        >>"$scratch/dpkg.log" 2>&1 || fail "dpkg $* failed: $(tail -5 "$scratch/dpkg.log")"
}
installed_files() { (cd "$dpkg_root" && find . -path ./var/lib/dpkg -prune -o ! -type d -print | sort); }
dpkg_run -i "$deb"
grep -q "^adduser .* touchscreen\$" "$calls" || fail "installing created no user touchscreen"
[ "$(installed_files)" = "$(awk '$1 !~ /^d/ { print $6 }' "$scratch/contents" | sort)" ] ||
    fail "dpkg installed other files than the package lists: $(installed_files)"
# What the service and the administrator leave behind.
mkdir -p "$dpkg_root/var/lib/touchscreen" "$dpkg_root/var/cache/touchscreen"
touch "$dpkg_root/var/lib/touchscreen/settings.conf"
echo '# edited on the board' >>"$dpkg_root/etc/touchscreen/config.toml"
dpkg_run -i "$deb"
grep -q '# edited on the board' "$dpkg_root/etc/touchscreen/config.toml" || fail "reinstalling replaced the edited configuration"
dpkg_run -r touchscreen
[ "$(installed_files)" = "$(printf '%s\n' ./etc/touchscreen/config.toml ./var/lib/touchscreen/settings.conf)" ] ||
    fail "after remove, expected only the configuration and the state; found: $(installed_files)"
dpkg_run -P touchscreen
[ -z "$(installed_files)" ] || fail "purge left files behind: $(installed_files)"
[ ! -e "$dpkg_root/var/lib/touchscreen" ] && [ ! -e "$dpkg_root/var/cache/touchscreen" ] &&
    [ ! -e "$dpkg_root/etc/touchscreen" ] || fail "purge left folders of the package behind"

echo "== lintian"
# Status 1: an error-level tag (--fail-on=error); 2: lintian itself failed.
status=0
lintian --tag-display-limit 0 --fail-on=error "$deb" >"$scratch/lintian.log" 2>&1 || status=$?
cat "$scratch/lintian.log"
case $status in
0) ;;
1) fail "lintian reports errors" ;;
*) fail "lintian did not run (status $status)" ;;
esac
grep -q '^E: ' "$scratch/lintian.log" && fail "lintian printed an error tag"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all package checks passed"
