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
# Real traffic: two hosts in network namespaces of our own, on TAP interfaces bound to ports 2
# and 3 (VLAN 10), ping each other across the switch. Only where the machine allows it.
if [ -c /dev/net/tun ] && command -v ping >/dev/null && ip netns add "dpdemo$DRIVER_PROC_INSTANCE" 2>/dev/null; then
  ns=dpdemo$DRIVER_PROC_INSTANCE
  ip netns add "${ns}b"
  trap 'ip netns del "$ns" 2>/dev/null; ip netns del "${ns}b" 2>/dev/null' EXIT
  show "$bin/drvctl" port attach 2 tap --netns "$ns"
  show "$bin/drvctl" port attach 3 tap --netns "${ns}b"
  show "$bin/drvctl" vlan add 10 3 untagged
  show "$bin/drvctl" vlan pvid 3 10
  show "$bin/drvctl" stp state 1 3 forwarding
  show "$bin/drvctl" port enable 3
  ip -n "$ns" link set "dp${DRIVER_PROC_INSTANCE}p2" up
  ip -n "$ns" addr add 10.77.0.2/24 dev "dp${DRIVER_PROC_INSTANCE}p2"
  ip -n "${ns}b" link set "dp${DRIVER_PROC_INSTANCE}p3" up
  ip -n "${ns}b" addr add 10.77.0.3/24 dev "dp${DRIVER_PROC_INSTANCE}p3"
  sleep 0.3
  show ip netns exec "$ns" ping -c 3 -i 0.3 -W 1 10.77.0.3 || true
  show "$bin/drvctl" port attached
  show "$bin/drvctl" port detach 3
else
  printf '\n(No TAP interfaces or network namespaces here: the ping across the switch is skipped.)\n'
fi
show "$bin/drvctl" reload warm
printf '\nThe switch reloaded; start it again with %s/driver_proc, stop it with %s/drvctl stop.\n' \
  "$bin" "$bin"
