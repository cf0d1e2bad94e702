#!/bin/sh
# A LAG on a real Open vSwitch datapath: the tool's switch vsw1 and a
# "top-of-rack" bridge tor of one ovs-vswitchd (userspace datapath), joined
# by two veth pairs: vsw1's pnics eth1 and eth2 on one side, the members of
# tor's LACP bond on the other; a VM on vsw1 and a server behind tor, each a
# veth in a namespace of its own. Everything lives in private network and
# mount namespaces and dies with the test.
#
# Usage: ovs_lacp_test.sh BUILD_DIR
# Exits 0 when every check passes, 1 when one fails, 77 when it cannot run
# (needs root for the namespaces, and Open vSwitch installed).
set -u

. "$(dirname "$(readlink -f "$0")")/private_namespaces.sh"
enter_private_namespaces "$0" "$1" ovsdb-server ovs-vswitchd ovs-vsctl ovs-appctl ip ping

dir=$(mktemp -d /tmp/ovs-lacp.XXXXXX)
. "$(dirname "$0")/own_settings.sh"
own_host_settings "$dir" || exit 1
mount -t tmpfs tmpfs /var/run 2>/dev/null || true
mount -t sysfs sysfs /sys
. "$(dirname "$(readlink -f "$0")")/private_ovs.sh"
trap 'private_ovs_stop "$dir"; rm -rf "$dir"' EXIT

ip link set lo up
for n in 1 2; do
  ip link add eth$n type veth peer name tor$n
  ip link set eth$n up
  ip link set tor$n up
done
# attach NAME ADDRESS: a namespace NAME whose eth0 has ADDRESS, its peer NAME
# here.
attach() {
  ip netns add "$1"
  ip link add "$1" type veth peer name eth0 netns "$1"
  ip link set "$1" up
  ip -n "$1" addr add "$2/24" dev eth0
  ip -n "$1" link set eth0 up
}
attach vm 10.7.0.1
attach server 10.7.0.2

private_datapath_start "$dir" || { echo "cannot start Open vSwitch" >&2; exit 1; }
export QUENTA_OVS_PNICS="eth1 eth2"

vsctl add-br tor -- set bridge tor datapath_type=netdev \
  -- add-bond tor tor-bond tor1 tor2 lacp=active bond_mode=balance-tcp \
     other_config:lacp-time=fast -- add-port tor server
ploncfg-vswitch -a vsw1 && ploncfg-vswitch -L eth1 vsw1 && ploncfg-vswitch -L eth2 vsw1
check "the switch and its two uplinks are made" 0 $?
vsctl add-port vsw1 vm

# waits up to 10 s for CONDITION (a command); prints yes, or no and OUTPUT.
await() {
  for _ in $(seq 40); do
    eval "$1" >/dev/null 2>&1 && { echo yes; return; }
    sleep 0.25
  done
  echo "no: $(eval "$2" 2>&1 | tr '\n' ' ')"
}
# A bond has agreed with its partner when a member carries traffic: a bond
# that hears no partner says "negotiated" for its first seconds too.
negotiated='appctl bond/show vsw1-uplink | grep -q "lacp_status: negotiated" &&
  ! appctl bond/show vsw1-uplink | grep -q "active member mac: .*(none)"'
reaches='ip netns exec vm ping -c 1 -W 1 10.7.0.2'

ploncfg-host lag add vsw1 5 --timeout 1 && ploncfg-vswitch -G -s vsw1 -j 5
check "lag add and -G succeed" 0 $?
check "the bond negotiates LACP with the rack" yes \
  "$(await "$negotiated" 'appctl bond/show vsw1-uplink')"
check "the VM reaches the server behind the rack" yes "$(await "$reaches" "$reaches")"
check "-g prints what the bond runs" "vsw1,,5,1" "$(ploncfg-vswitch -g -s vsw1)"
check "status finds nothing amiss" yes "$(await '[ -z "$(ploncfg-host status)" ]' 'ploncfg-host status')"

ip link set tor1 down
check "with one member down the VM still reaches the server" yes "$(await "$reaches" "$reaches")"
check "... and status names the member that does not negotiate" yes \
  "$(await 'ploncfg-host status | grep -q "LAG 5 of vsw1 does not negotiate LACP on eth1:"' \
     'ploncfg-host status')"
ip link set tor1 up

vsctl set port vsw1-uplink other_config:lacp-time=slow
check "a rate set with ovs-vsctl shows in -g at once" "vsw1,,5,0" "$(ploncfg-vswitch -g -s vsw1)"
ploncfg-vswitch -G
check "-G puts the record's rate back" "fast vsw1,,5,1" \
  "$(vsctl get port vsw1-uplink other_config:lacp-time) $(ploncfg-vswitch -g)"

ploncfg-host lag remove vsw1 5 && ploncfg-vswitch -G
check "after lag remove and -G the bond runs without LACP" "off balance-slb" \
  "$(vsctl get port vsw1-uplink lacp bond_mode | tr '\n' ' ' | sed 's/ $//')"
check "... as the datapath shows" yes \
  "$(await 'appctl bond/show vsw1-uplink | grep -q "lacp_status: off"' 'appctl bond/show vsw1-uplink')"

[ $failures -eq 0 ]
