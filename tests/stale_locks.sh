#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The bridge unit's cleaning of the lock folder before the start, run as systemd would run it but on a folder of
# the test's own: it removes the lock files whose owner has ended on this host, and nothing else.
# Usage: stale_locks.sh UNIT_FILE
set -u
unit=$1
folder=$(mktemp -d) && trap 'rm -rf "$folder"' EXIT
failures=0

# The command as systemd takes it: continued lines joined, $$ for $, the "-+" prefix (ignore its failure, run
# as root) dropped; the folder it is given is the test's.
command=$(sed -e ':a' -e '/\\$/{N;s/\\\n/ /;ba}' "$unit" | sed -n 's/^ExecStartPre=-+//p' | grep ' sh /run/lock$')
[[ -n $command ]] || { echo "FAIL: no ExecStartPre=-+... sh /run/lock in $unit"; exit 1; }
command=${command//\$\$/\$}
command="${command% /run/lock} $folder"

if command -v systemd-analyze >/dev/null; then
    verdict=$(cd "$(dirname "$unit")" && systemd-analyze verify "./$(basename "$unit")" 2>&1 | grep -i -e ignoring -e invalid)
    [[ -z $verdict ]] || { echo "FAIL: systemd does not take the unit as it is: $verdict"; failures=$((failures + 1)); }
fi

ended=$(sh -c 'echo $$')
host=$(uname -n)
printf '%s\nq7panel\n%s\n{machine id}\n{boot id}\n' "$ended" "$host" >"$folder/LCK..ttyUSB0"
printf '%s\nq7panel\n%s\n' $$ "$host" >"$folder/LCK..ttyUSB1"
printf '%10d\n' "$ended" >"$folder/LCK..ttyS0"
printf '%s\nq7panel\nanother-host.example\n' "$ended" >"$folder/LCK..ttyS1"
printf '%10d minicom venue\n' "$ended" >"$folder/LCK..ttyACM0"
printf 'q7panel\n%s\n' "$ended" >"$folder/LCK..ttyACM1"
printf '0\n' >"$folder/LCK..ttyACM2"
printf '2147483648\n' >"$folder/LCK..ttyACM3"
printf '%s\n' "$ended" >"$folder/not-a-lock"
mkdir "$folder/elsewhere" && printf '%s\n' "$ended" >"$folder/elsewhere/LCK..ttyUSB9"
ln -s elsewhere/LCK..ttyUSB9 "$folder/LCK..ttyUSB2"
mkfifo "$folder/LCK..ttyUSB3"

SECONDS=0
eval "$command"
left=$(cd "$folder" && echo * elsewhere/*)
expected="LCK..ttyACM1 LCK..ttyACM2 LCK..ttyACM3 LCK..ttyS1 LCK..ttyUSB1 LCK..ttyUSB2 LCK..ttyUSB3 elsewhere "
expected+="not-a-lock elsewhere/LCK..ttyUSB9"
if [[ $left != "$expected" ]]; then
    echo "FAIL: left '$left', not '$expected'"
    failures=$((failures + 1))
fi
((SECONDS < 10)) || { echo "FAIL: the command took $SECONDS s"; failures=$((failures + 1)); }
echo "$failures failures"
((failures == 0))
