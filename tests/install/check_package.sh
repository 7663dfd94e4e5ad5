#!/usr/bin/env bash
# Checks a built .deb: unpacked into a scratch root (dpkg-deb -x, nothing runs and nothing of the
# host changes), its layout, control files and dependencies, the unit under systemd-analyze
# verify there, and lintian with no error (its warnings are printed).
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
# Computed by dpkg-shlibdeps from the dashboard's libraries; adduser for postinst.
for needed in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libc6 adduser; do
    grep -q "\(^\|, \)$needed\( \|,\|$\)" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

echo "== systemd-analyze verify --root"
mkdir -p "$root/usr/lib/systemd/system"
cp -an /usr/lib/systemd/system/. "$root/usr/lib/systemd/system/"
systemd-analyze verify --root="$root" "$root/usr/lib/systemd/system/touchscreen.service" >"$scratch/verify.log" 2>&1 ||
    fail "systemd-analyze verify failed"
if [ -s "$scratch/verify.log" ]; then
    fail "systemd-analyze verify reported:"
    cat "$scratch/verify.log" >&2
fi

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
