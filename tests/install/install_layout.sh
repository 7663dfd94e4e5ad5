#!/usr/bin/env bash
# `cmake --install` into a scratch root: the layout, the kept configuration, a start through the
# command link, the unit under `systemd-analyze verify`, and the udev rules' commands on a fixture
# sysfs tree. Nothing is written outside the scratch root.
# Usage: install_layout.sh BUILD_DIR SOURCE_DIR PREFIX BINDIR LIBEXECDIR SYSCONFDIR (full paths)
set -euo pipefail
build=$1 source=$2 prefix=$3 bindir=$4 libexecdir=$5 sysconfdir=$6

scratch=$(mktemp -d)
dashboard_pid=
cleanup() {
    [ -n "$dashboard_pid" ] && kill "$dashboard_pid" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
root=$scratch/root
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

echo "== install into $root"
DESTDIR=$root cmake --install "$build" >"$scratch/install.log"
# CMake records each file it installed without DESTDIR: every one must have landed in the root.
while read -r file; do
    [ -e "$root$file" ] || [ -L "$root$file" ] || fail "installed, but not into the scratch root: $file"
done <"$build/install_manifest.txt"
[ -s "$build/install_manifest.txt" ] || fail "empty install manifest"

programs=$root$libexecdir/touchscreen
unit=$root$prefix/lib/systemd/system/touchscreen.service
rules=$root$prefix/lib/udev/rules.d/70-touchscreen.rules
config=$root$sysconfdir/touchscreen/config.toml
for exe in "$programs/touchscreen" "$programs/touchreader"; do
    [ -f "$exe" ] && [ -x "$exe" ] || fail "not an executable file: $exe"
done
link=$root$bindir/touchscreen
[ -L "$link" ] || fail "not a link: $link"
[ "$(readlink -f "$link")" = "$(readlink -f "$programs/touchscreen")" ] || fail "$link does not lead to the dashboard"
case $(readlink "$link") in /*) fail "absolute link, wrong outside this root: $(readlink "$link")" ;; esac
cmp -s "$config" "$source/config/touchscreen.toml" || fail "$config is not the sample configuration"
[ -f "$unit" ] || fail "no unit at $unit"
[ -f "$rules" ] || fail "no udev rules at $rules"

echo "== a second install keeps the administrator's configuration"
echo '# edited on the board' >"$config"
DESTDIR=$root cmake --install "$build" >"$scratch/install2.log"
[ "$(cat "$config")" = '# edited on the board' ] || fail "the second install replaced $config"
grep -q "Keeping: $config" "$scratch/install2.log" || fail "the second install did not say it kept $config"

echo "== an install to another prefix is refused"
if DESTDIR=$root cmake --install "$build" --prefix "$prefix/elsewhere" >"$scratch/install3.log" 2>&1; then
    fail "an install to another prefix than the configured one succeeded"
fi
[ ! -e "$root$prefix/elsewhere" ] || fail "the refused install wrote $root$prefix/elsewhere"

# A cross build's dashboard runs here only through the emulator's binfmt_misc entry.
if [ -n "${TS_TEST_BINFMT:-}" ] && ! head -1 "/proc/sys/fs/binfmt_misc/$TS_TEST_BINFMT" 2>/dev/null | grep -qx enabled; then
    echo "== skipped: starting the installed dashboard needs binfmt_misc's $TS_TEST_BINFMT (scripts/cross registers it as root)"
else
    echo "== started through the command link, the dashboard starts the reader from its own folder"
    home=$scratch/home
    mkdir -p "$home"
    (cd "$home" && exec env HOME="$home" XDG_RUNTIME_DIR="$home" XDG_CACHE_HOME="$home/cache" \
        XDG_CONFIG_HOME="$home/config" TOUCHSCREEN_SETTINGS="$home/settings.conf" \
        "$link" >"$scratch/dashboard.log" 2>&1) &
    dashboard_pid=$!
    for _ in $(seq 100); do
        grep -q '触摸屏监听进程已启动' "$scratch/dashboard.log" && break
        kill -0 "$dashboard_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -TERM "$dashboard_pid" 2>/dev/null || true
    status=0
    wait "$dashboard_pid" || status=$?
    dashboard_pid=
    grep -q "触摸屏工具路径: $programs/touchreader\$" "$scratch/dashboard.log" ||
        fail "the dashboard looked for the reader elsewhere than $programs"
    grep -q '触摸屏监听进程已启动' "$scratch/dashboard.log" || fail "the reader was not started"
    [ "$status" -eq 0 ] || fail "the dashboard ended with status $status after SIGTERM"
    [ "$failures" -eq 0 ] || cat "$scratch/dashboard.log" >&2
fi

echo "== systemd-analyze verify --root"
# verify resolves the unit's dependencies (sysinit.target, getty@.service, ...) inside the root,
# so the root gets the host's own unit files; ours is not replaced. It checks that ExecStart
# exists in the root. It needs neither the user nor the groups.
mkdir -p "$root/usr/lib/systemd/system"
cp -an /usr/lib/systemd/system/. "$root/usr/lib/systemd/system/"
# Documentation= is checked with man, which must look in the root too.
if ! MANPATH=$root$prefix/share/man systemd-analyze verify --root="$root" "$unit" >"$scratch/verify.log" 2>&1; then
    fail "systemd-analyze verify failed"
fi
# Unknown keys and bad values are only warnings there, with status 0: any output is a fault.
if [ -s "$scratch/verify.log" ]; then
    fail "systemd-analyze verify reported:"
    cat "$scratch/verify.log" >&2
fi

echo "== the unit's writable folders and the paths it gives the dashboard agree"
unit_value() { sed -n "s/^$1=//p" "$unit"; }
state_dir=/var/lib/$(unit_value StateDirectory)
cache_dir=/var/cache/$(unit_value CacheDirectory)
environment=$(unit_value Environment)
settings=$(sed -n 's/.*TOUCHSCREEN_SETTINGS=\([^ ]*\).*/\1/p' <<<"$environment")
cache_home=$(sed -n 's/.*XDG_CACHE_HOME=\([^ ]*\).*/\1/p' <<<"$environment")
[ "$(dirname "$settings")" = "$state_dir" ] || fail "settings $settings lie outside the state folder $state_dir"
[ "$cache_home/touchscreen" = "$cache_dir" ] || fail "XDG_CACHE_HOME=$cache_home misses the cache folder $cache_dir"
[ "$(unit_value ExecStart)" = "$libexecdir/touchscreen/touchscreen" ] || fail "ExecStart is not the installed dashboard"

echo "== every group the udev rules hand out is one the service runs in"
unit_groups=" $(unit_value Group) $(unit_value SupplementaryGroups) "
for group in $(grep -o 'GROUP="[^"]*"\|chgrp [a-z0-9_-]*' "$rules" | sed 's/GROUP="\(.*\)"/\1/; s/chgrp //' | sort -u); do
    case $unit_groups in *" $group "*) ;; *) fail "the rules give access to group $group, which the service is not in" ;; esac
done

echo "== the rules' sysfs commands on a fixture tree"
# udev runs each RUN+= after replacing \$devpath and turning \$\$ into \$; the same is done here,
# with /sys moved into the scratch tree and chgrp and chmod recorded instead of run.
shims=$scratch/shims
mkdir -p "$shims"
for tool in chgrp chmod; do
    printf '#!/bin/sh\necho "%s $*" >>"%s"\n' "$tool" "$scratch/calls" >"$shims/$tool"
    chmod +x "$shims/$tool"
done
sys=$scratch/sys
run_rule() { # subsystem devpath
    local command
    command=$(grep "^SUBSYSTEM==\"$1\".*RUN+=" "$rules" | sed "s/.*RUN+=\"\/bin\/sh -c '\(.*\)'\"\$/\1/")
    [ -n "$command" ] || { fail "no RUN rule for $1"; return; }
    command=${command//'$$'/$'\001'}
    command=${command//'/sys$devpath'/$sys$2}
    case $command in *'$'*) fail "the $1 rule has a \$ that udev would take for its own substitution" ;; esac
    command=${command//$'\001'/'$'}
    : >"$scratch/calls"
    PATH=$shims:$PATH sh -c "$command" || fail "the $1 rule's command failed"
}
mkdir -p "$sys/class/backlight/panel" "$sys/class/leds/rgb" "$sys/class/leds/status"
touch "$sys/class/backlight/panel/"{brightness,bl_power,max_brightness}
touch "$sys/class/leds/rgb/"{brightness,multi_intensity,trigger,max_brightness}
touch "$sys/class/leds/status/"{brightness,trigger}

check_calls() { # device expected-attributes...
    local device=$1 expected=
    shift
    for a in "$@"; do
        expected+="chgrp touchscreen $sys/class/$device/$a"$'\n'"chmod g+w $sys/class/$device/$a"$'\n'
    done
    [ "$(cat "$scratch/calls")"$'\n' = "$expected" ] ||
        fail "$device: expected
$expected got
$(cat "$scratch/calls")"
}
run_rule backlight /class/backlight/panel
check_calls backlight/panel brightness bl_power
run_rule leds /class/leds/rgb
check_calls leds/rgb brightness multi_intensity trigger
# A single-colour LED has no multi_intensity: skipped, and the rule still succeeds.
run_rule leds /class/leds/status
check_calls leds/status brightness trigger

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all install checks passed"
