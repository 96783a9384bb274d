#!/usr/bin/env bash
# Builds the virtual switch and runs a short demonstration against it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target driver_proc drvctl
export DRIVER_PROC_INSTANCE=${DRIVER_PROC_INSTANCE:-1}
bin=build/bin
show() { printf '\n\033[1m$ %s\033[0m\n' "$*"; "$@"; }

"$bin/drvctl" stop >/dev/null 2>&1 || true
printf '\033[1mStarting driver_proc in instance %s: main returns once the drivers are ready.\033[0m\n' \
  "$DRIVER_PROC_INSTANCE"
"$bin/driver_proc" >/dev/null
sleep 0.5
show "$bin/drvctl" threads
show "$bin/drvctl" log DRIVER_PROC
show "$bin/drvctl" --queue 25 raw 1000
show "$bin/drvctl" raw 119 0 1 2
show "$bin/drvctl" log SWCTRL
printf '1\nq\n' | show "$bin/drvctl" menu dev_nicdrv
show "$bin/drvctl" ports
show "$bin/drvctl" vlan create 10
show "$bin/drvctl" vlan add 10 1
show "$bin/drvctl" vlan add 10 2 untagged
show "$bin/drvctl" vlan add 10 cpu
show "$bin/drvctl" vlan pvid 2 10
show "$bin/drvctl" raw 119 45 1 3 10
show "$bin/drvctl" vlan show
show "$bin/drvctl" vlan ports
show "$bin/drvctl" stp mode multiple
show "$bin/drvctl" stp state 1 1 forwarding
show "$bin/drvctl" stp show 1
show "$bin/drvctl" stp vlan 10 1
show "$bin/drvctl" stp state 1 2 forwarding
show "$bin/drvctl" port enable 1
show "$bin/drvctl" port enable 2
"$bin/drvctl" capture 1,cpu --out build/demo.pcapng --count 2 --seconds 5 &
sleep 0.3
show "$bin/drvctl" inject 2 ffffffffffff 020000000002 0806 0001080006040001
show "$bin/drvctl" inject 1 020000000002 020000000001 8100000a 0800 45
wait
show "$bin/drvctl" frames
show "$bin/drvctl" fdb
printf '\nbuild/demo.pcapng holds the captured frames (tcpdump -r or Wireshark opens it).\n'
show "$bin/drvctl" reload warm
printf '\nThe switch reloaded; start it again with %s/driver_proc, stop it with %s/drvctl stop.\n' \
  "$bin" "$bin"
