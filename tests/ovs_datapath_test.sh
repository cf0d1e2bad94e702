#!/bin/sh
# What the tool's changes do to frames on a real Open vSwitch datapath: the
# userspace datapath with veth pairs as pnics, in private network and mount
# namespaces so that every device made here dies with the test.
#
# Usage: ovs_datapath_test.sh BUILD_DIR
# Exits 0 when every check passes, 1 when one fails, 77 when it cannot run
# (needs root for the namespaces, and Open vSwitch installed).
set -u

. "$(dirname "$(readlink -f "$0")")/private_namespaces.sh"
enter_private_namespaces "$0" "$1" ovsdb-server ovs-vswitchd ovs-vsctl ovs-appctl ip

dir=$(mktemp -d /tmp/ovs-datapath.XXXXXX)
. "$(dirname "$0")/own_settings.sh"
own_host_settings "$dir" || exit 1
# The pnics are the network devices this namespace has.
unset QUENTA_OVS_PNICS
# Open vSwitch writes beside its pidfiles by default: keep the host's own
# run folder out of reach.
mount -t tmpfs tmpfs /var/run 2>/dev/null || true
# The network devices of this namespace, not the host's.
mount -t sysfs sysfs /sys
. "$(dirname "$(readlink -f "$0")")/private_ovs.sh"
trap 'private_ovs_stop "$dir"; rm -rf "$dir"' EXIT

ip link set lo up
for n in 1 2; do
  ip link add eth$n type veth peer name peer$n
  ip link set eth$n up
  ip link set peer$n up
done

private_datapath_start "$dir" || { echo "cannot start Open vSwitch" >&2; exit 1; }
export QUENTA_OVS_PNICS="eth1 eth2"

ploncfg-vswitch -a vsw1 && ploncfg-vswitch -A web vsw1 && ploncfg-vswitch -v 10 -p web vsw1 &&
  ploncfg-vswitch -L eth1 vsw1
check "the first four commands succeed" 0 $?
vsctl add-port vsw1 vm1 -- set interface vm1 type=internal \
  -- set port vm1 'external_ids:"quenta:port-group"=web'
ploncfg-vswitch -v 10 -p web vsw1

trace() {
  appctl ofproto/trace vsw1 in_port=vm1,dl_src=02:00:00:00:00:01,dl_dst=ff:ff:ff:ff:ff:ff |
    grep '^Datapath actions'
}
eth1=$(appctl dpif/show | sed -n 's/^[[:space:]]*eth1 [0-9]*\/\([0-9]*\):.*/\1/p')
check "a frame of a VM in web leaves eth1 with VLAN 10" "yes" \
  "$(trace | grep -Eq "push_vlan\(vid=10,pcp=0\)(,[0-9]+)*,$eth1(,|\$)" && echo yes ||
     echo "no: $(trace)")"
ploncfg-vswitch -v 20 -p web vsw1
check "after -v 20 it leaves with VLAN 20" "yes" \
  "$(trace | grep -q 'push_vlan(vid=20' && echo yes || echo "no: $(trace)")"

# Max active 1 makes an active-backup bond whose primary is the first
# linked uplink of the order, which -L and -U change.
active() {
  for _ in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
    member=$(appctl bond/show vsw1-uplink 2>/dev/null | sed -n 's/^active member mac: .*(\(.*\))$/\1/p')
    [ "$member" = "$1" ] && break
    sleep 0.25
  done
  echo "$member"
}
ploncfg-vswitch -L eth2 vsw1 && ploncfg-vswitch -X 1 vsw1
check "the bond's active member is the first of the order" eth1 "$(active eth1)"
ploncfg-vswitch -U eth1 vsw1
check "after -U eth1 the uplink port holds eth2 alone, unbonded" "[] eth2" \
  "$(vsctl get port vsw1-uplink bond_mode) $(vsctl --bare --columns=name list interface \
     "$(vsctl get port vsw1-uplink interfaces | tr -d '[]')")"
ploncfg-vswitch -L eth1 vsw1
check "linked again, eth1 is active: the order decides, not the order of linking" eth1 \
  "$(active eth1)"

ploncfg-vswitch -m 9000 vsw1
check "-m reaches the uplinks" 9000 "$(cat /sys/class/net/eth1/mtu)"
check "-m reaches the bridge" 9000 "$(vsctl get interface vsw1 mtu)"
# The MTU check waits for the datapath's own answer, so no valid change is
# refused for being read before the datapath filled it in.
refused=
for mtu in $(seq 2000 2029); do
  ploncfg-vswitch -m "$mtu" vsw1 2>/dev/null || refused="$refused $mtu"
done
check "30 MTU changes in a row, none refused" "" "$refused"
check "... and the last one is on the uplinks" 2029 "$(cat /sys/class/net/eth1/mtu)"
check "-l lists it with its VM port" "vsw1 1" "$(ploncfg-vswitch -l | awk '$1 == "vsw1" {print $1, $3}')"

# A pnic the datapath cannot open: the link is undone and the run says why.
out=$(QUENTA_OVS_PNICS="eth1 eth2 ghost0" ploncfg-vswitch -L ghost0 vsw1 2>&1)
check "a link the datapath refuses fails" 1 $?
check "... naming the interface and the undoing" "yes" \
  "$(echo "$out" | grep -q 'refused linking pnic ghost0 to vsw1 (interface ghost0: .*); it was undone' &&
     echo yes || echo "no: $out")"
check "... and leaves no trace" "eth1 eth2|0" \
  "$(ploncfg-vswitch -l | awk '$1 == "vsw1" {print $6}' | tr , ' ')|$(vsctl find interface name=ghost0 | wc -l)"

# A new switch of a datapath this ovs-vswitchd lacks (it runs without
# --enable-dummy): the bridge goes again and the run says why.
out=$(QUENTA_OVS_DATAPATH=dummy QUENTA_OVS_APPLY_WAIT=1 ploncfg-vswitch -a vsw9 2>&1)
check "a switch the datapath refuses fails" 1 $?
check "... naming the interface and the undoing" "yes" \
  "$(echo "$out" | grep -q 'refused adding standard switch vsw9 (interface vsw9 .*); it was undone' &&
     echo yes || echo "no: $out")"
check "... and leaves no bridge" "0|0" "$(ploncfg-vswitch -c vsw9)|$(vsctl list-br | grep -c vsw9)"

# A load puts nothing back: what the datapath refused of it is said, and
# stays in the database for the next load to mend.
out=$(ploncfg-host dump | jq '.switches += [{"name": "vsw8"}]' |
      QUENTA_OVS_DATAPATH=dummy QUENTA_OVS_APPLY_WAIT=1 ploncfg-host load 2>&1)
check "a load the datapath refuses fails" 1 $?
check "... saying the database keeps it" "yes" \
  "$(echo "$out" | grep -q 'the datapath refused .*; the database keeps the change' &&
     echo yes || echo "no: $out")"

# VMs attach to a port group as to a bridge (as libvirt does with an Open
# vSwitch virtualport): on the group's VLAN from the first frame, they reach
# the VMs of their group and not those of another group.
if command -v ping >/dev/null; then
  ploncfg-vswitch -A db vsw1 && ploncfg-vswitch -v 30 -p db vsw1
  n=0
  for vm in webA:web webB:web dbC:db; do
    n=$((n + 1))
    name=${vm%%:*}
    ip netns add "$name"
    ip link add "$name" type veth peer name eth0 netns "$name"
    ip link set "$name" up
    ip -n "$name" link set lo up
    ip -n "$name" addr add 10.9.0.$n/24 dev eth0
    ip -n "$name" link set eth0 up
    vsctl add-port "${vm#*:}" "$name"
  done
  check "a VM added to a port group carries its VLAN" 30 "$(vsctl get port dbC tag)"
  check "a VM reaches a VM of its group" reached     "$(ip netns exec webA ping -c 1 -W 3 10.9.0.2 >/dev/null 2>&1 && echo reached || echo lost)"
  check "... and not one of another group" lost     "$(ip netns exec webA ping -c 1 -W 1 10.9.0.3 >/dev/null 2>&1 && echo reached || echo lost)"
  for name in webA webB dbC; do ip netns del "$name"; done
else
  echo "SKIP: ping is not installed (iputils-ping): VM traffic between port groups not checked"
fi

# Without the pnics setting the pnics are the devices with hardware behind
# them, and bonds: none of loopback, the veths, a Linux bridge or the
# switch's internal port is one.
ip link add lbr0 type bridge
check "the devices here are lo, veths, a bridge and internal ports" "eth1 eth2 lbr0 lo vsw1" \
  "$(ls /sys/class/net | grep -Ex 'eth[12]|lbr0|lo|vsw1' | tr '\n' ' ' | sed 's/ $//')"
check "none of them is offered as a pnic" "" "$(env -u QUENTA_OVS_PNICS ploncfg-host names pnic)"
ploncfg-vswitch -a vsw2
out=$(env -u QUENTA_OVS_PNICS ploncfg-vswitch -L lo vsw2 2>&1)
check "-L lo is refused, saying what a pnic is" "1 Failed to add uplink lo to vswitch vsw2, Error: pnic lo is not a pnic here: pnics are the machine's physical network devices and bonds, unless the pnics setting (QUENTA_OVS_PNICS, or pnics in hostnet.conf) names them" \
  "$? $out"

[ $failures -eq 0 ]
