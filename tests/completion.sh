#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The bash completion of q7ctl and q7-bridge as bash runs it on a TAB: the words typed in COMP_WORDS, the offers
# in COMPREPLY. The built programs come first on PATH, as the completion asks q7ctl for the names.
# Usage: completion.sh COMPLETION_FILE PROGRAMS_DIRECTORY
source "$1"
PATH=$2:$PATH
cd "$(mktemp -d)" && trap 'rm -rf "$PWD"' EXIT && touch venue.log bridge.toml
failures=0

# expect OFFERED WORD...: completing the last WORD of q7ctl (or of $program) offers OFFERED, in that order.
expect() {
    local wanted=$1 program=${program:-q7ctl}
    shift
    COMP_WORDS=("$program" "$@") COMP_CWORD=$# COMPREPLY=()
    "_${program//-/_}"
    if [[ ${COMPREPLY[*]} != "$wanted" ]]; then
        echo "FAIL: $program $* <TAB> offers '${COMPREPLY[*]}', not '$wanted'"
        failures=$((failures + 1))
    fi
}
# same WHAT EXCEPT <TEXT: the options offered, but EXCEPT, are those that TEXT, from WHAT, lists.
same() {
    [[ $(printf '%s\n' "${COMPREPLY[@]}" | grep -vx -- "$2" | sort) == "$(grep -o -- '--[a-z0-9-]*' | sort -u)" ]] ||
        { echo "FAIL: $1 lists other options than '${COMPREPLY[*]}'"; failures=$((failures + 1)); }
}

expect "zoom" hold zo
expect "" hold po
expect "+ -" hold zoom ""
expect "up down" hold lens shift ""
expect "power" pow
expect "lamp" --json lamp select 2 l
expect "picture_reversal pressure" status power p
expect "001 002 003 004" --projector 0
expect "9600" --speed 9
expect "" status power mute power
expect "venue.log" --log ve
expect "" --log-size ""
expect "hold" --log-size 1M --log venue.log hol
expect "--log --log-size" --lo
expect "--port --speed --projector --json --timeout --verbose --log --log-size --help --version" --
same "q7ctl --help" "" < <(q7ctl --help)
expect "bridge" bri
expect "" --json bri
expect "--broker --line --poll --id --ca-file --discovery-prefix --pjlink --passthrough --pjlink-udp-port --pjlink-notify --config --help --version" bridge --
same "the usage of q7ctl bridge --help" "" < <(q7ctl bridge --help | awk 'NR > 1 && /^[^ ]/ { exit } 1')
program=q7-bridge expect "--broker --line --poll --id --ca-file --discovery-prefix --pjlink --passthrough --pjlink-udp-port --pjlink-notify --config --help --version" --
same "the usage of q7-bridge --help" "" < <(q7-bridge --help | awk 'NR > 1 && /^[^ ]/ { exit } 1')
program=q7-bridge expect "--broker --line --poll --id --ca-file --discovery-prefix --pjlink --passthrough --pjlink-udp-port --pjlink-notify" --line x=y --
program=q7-bridge expect "" --config bridge.toml --
program=q7-bridge expect "mqtt:// mqtts://" --broker ""
expect "--broker --line --poll --id --ca-file --discovery-prefix --pjlink --passthrough --pjlink-udp-port --pjlink-notify" bridge --broker mqtt://broker --line x=y --
expect "" bridge --config bridge.toml --
expect "bridge.toml" bridge --config b
expect "bridge.toml" bridge --ca-file b
expect "" bridge ""

((failures == 0)) && echo "every completion as expected"
