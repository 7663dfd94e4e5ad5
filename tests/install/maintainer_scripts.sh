#!/usr/bin/env bash
# The package's maintainer scripts, run as dpkg runs them, against recorded stand-ins for the
# account and service tools and a scratch DPKG_ROOT: no user, group or unit of the host changes.
# Usage: maintainer_scripts.sh PACKAGING_DIR
set -euo pipefail
packaging=$1
scripts=$packaging/debian
unit=$packaging/systemd/touchscreen.service.in

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

shims=$scratch/shims
calls=$scratch/calls
mkdir -p "$shims"
for tool in addgroup adduser systemctl udevadm deb-systemd-helper deb-systemd-invoke; do
    printf '#!/bin/sh\necho "%s $*" >>"%s"\n' "$tool" "$calls" >"$shims/$tool"
done
# getent knows the accounts named in $EXISTING ("group:video passwd:touchscreen ...").
cat >"$shims/getent" <<'EOF'
#!/bin/sh
case " $EXISTING " in *" $1:$2 "*) echo "$2:x:1:"; exit 0 ;; esac
exit 2
EOF
chmod +x "$shims"/*

root=$scratch/root
# run SCRIPT ARGS...: the calls it made, one a line, with the options that do not matter cut.
run() {
    : >"$calls"
    if ! env PATH="$shims:$PATH" DPKG_ROOT="$root" EXISTING="${EXISTING:-}" "$scripts/$@" >"$scratch/out" 2>&1; then
        fail "$* failed: $(cat "$scratch/out")"
    fi
}
expect() { # name expected-calls
    if [ "$(cat "$calls")" != "$2" ]; then
        fail "$1: expected
$2
got
$(cat "$calls")"
    fi
}
systemd_runs() { mkdir -p "$root/run/systemd/system"; }
systemd_absent() { rm -rf "$root/run/systemd"; }

all_accounts="group:touchscreen group:video group:input group:render group:i2c passwd:touchscreen"
create_user="adduser --quiet --system --ingroup touchscreen --no-create-home --home /var/lib/touchscreen --shell /usr/sbin/nologin touchscreen"
reload_udev="udevadm control --reload-rules
udevadm trigger --action=add --subsystem-match=i2c-dev --subsystem-match=backlight --subsystem-match=leds"

echo "== first installation where systemd does not run: accounts only"
systemd_absent
EXISTING="group:video" run postinst configure ""
expect "postinst, no systemd" "addgroup --quiet --system touchscreen
addgroup --quiet --system input
addgroup --quiet --system render
addgroup --quiet --system i2c
$create_user"

echo "== first installation under systemd: udev reloaded, service enabled"
systemd_runs
EXISTING="$all_accounts" run postinst configure ""
expect "postinst, first installation" "$reload_udev
systemctl daemon-reload
deb-systemd-helper enable touchscreen.service"

echo "== upgrade: the administrator's choice is kept, a running service restarts"
EXISTING="$all_accounts" run postinst configure 0.0.9
expect "postinst, upgrade" "$reload_udev
systemctl daemon-reload
deb-systemd-invoke try-restart touchscreen.service"

echo "== every group of the unit exists after postinst"
EXISTING="" run postinst configure ""
created=" $(sed -n 's/^addgroup .* \([^ ]*\)$/\1/p' "$calls" | tr '\n' ' ') "
for group in $(sed -n 's/^\(Group\|SupplementaryGroups\)=//p' "$unit"); do
    case $created in *" $group "*) ;; *) fail "the unit runs in group $group, which postinst never creates" ;; esac
done

echo "== removal stops the service and then disables it; an upgrade leaves it running"
run prerm remove
expect "prerm remove" "deb-systemd-invoke stop touchscreen.service"
run prerm upgrade 0.2.0
expect "prerm upgrade" ""
systemd_absent
run prerm remove
expect "prerm remove, no systemd" ""

echo "== state and cache go on purge only; the configuration is dpkg's to keep or drop"
mkdir -p "$root/var/lib/touchscreen" "$root/var/cache/touchscreen" "$root/etc/touchscreen"
touch "$root/var/lib/touchscreen/settings.conf" "$root/etc/touchscreen/config.toml"
systemd_runs
run postrm remove
expect "postrm remove" "deb-systemd-helper disable touchscreen.service
systemctl daemon-reload
udevadm control --reload-rules"
[ -e "$root/var/lib/touchscreen/settings.conf" ] || fail "postrm remove deleted the state"
[ -d "$root/var/cache/touchscreen" ] || fail "postrm remove deleted the cache"
run postrm purge
grep -qx "deb-systemd-helper purge touchscreen.service" "$calls" || fail "postrm purge left the enablement state"
[ ! -e "$root/var/lib/touchscreen" ] || fail "postrm purge kept the state"
[ ! -e "$root/var/cache/touchscreen" ] || fail "postrm purge kept the cache"
[ -e "$root/etc/touchscreen/config.toml" ] || fail "postrm purge deleted the configuration itself"
grep -q "userdel\|deluser\|delgroup" "$calls" && fail "postrm purge deleted the account"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all maintainer script checks passed"
