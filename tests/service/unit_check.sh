#!/usr/bin/env bash
# The systemd unit of brevantd: its options are the ones the service relies
# on (notify, a user of its own in the dialout group, the hardening), and,
# where systemd-analyze is installed, the unit verifies with the built program
# in place of the installed one and its exposure stays low.
#   tests/service/unit_check.sh UNIT BREVANTD
set -euo pipefail
unit="$1"
program="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

for option in 'Type=notify' 'DynamicUser=yes' 'SupplementaryGroups=dialout' 'ProtectSystem=strict' \
    'NoNewPrivileges=yes' 'PrivateTmp=yes' 'ProtectHome=yes' 'CapabilityBoundingSet=' \
    'ExecReload=/bin/kill -HUP $MAINPID' 'ConditionPathExists=/etc/brevant/brevantd.conf' \
    'ExecStartPre=/usr/bin/brevantd --check-config --config /etc/brevant/brevantd.conf'; do
    grep -qxF -- "$option" "$unit" || fail "the unit lacks $option"
done

if ! command -v systemd-analyze >/dev/null; then
    echo "systemd-analyze is not installed: options checked, the unit not verified"
    exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The built program in place of the installed one; the manual page is not
# installed here.
sed -e "s#/usr/bin/brevantd#$program#g" -e '/^Documentation=/d' "$unit" >"$work/brevantd.service"
out=$(systemd-analyze verify "$work/brevantd.service" 2>&1) || fail "systemd-analyze verify: $out"
[ -z "$out" ] || fail "systemd-analyze verify: $out"
exposure=$(systemd-analyze security --offline=true "$work/brevantd.service" 2>&1 |
    sed -n 's/.*Overall exposure level for brevantd.service: \([0-9.]*\).*/\1/p')
[ -n "$exposure" ] || { echo "no exposure level from this systemd-analyze"; exit 0; }
echo "exposure level $exposure"
awk -v e="$exposure" 'BEGIN { exit !(e <= 2.5) }' || fail "exposure level $exposure is above 2.5"
