#!/bin/sh
# DVSwitches that carry traffic: two OVN hosts (chassis), each with its own
# ovs-vswitchd on the userspace datapath and ovn-controller, Geneve between
# them over a veth underlay, and one northbound and southbound database with
# ovn-northd in the middle; a third Open vSwitch stands in for the physical
# network that the hosts' pnics reach, with a server on it. The DVSwitch, its
# DVPorts and their uplinks are made with the tools; VMs are network
# namespaces bound to the DVPorts the way OVN binds them. Everything runs in
# private network and mount namespaces, so every device and daemon made here
# dies with the test.
#
# Usage: ovn_traffic_test.sh BUILD_DIR
# Exits 0 when every check passes, 1 when one fails, 77 when it cannot run
# (needs root, Open vSwitch, OVN's central part and host part, and ping).
set -u

. "$(dirname "$(readlink -f "$0")")/private_namespaces.sh"
. "$(dirname "$(readlink -f "$0")")/private_ovs.sh"
# Packages: openvswitch-switch ovn-central ovn-host iputils-ping.
enter_private_namespaces "$0" "$1" ovsdb-server ovsdb-tool ovs-vswitchd ovs-vsctl ovn-northd \
  ovn-controller ovn-nbctl ovn-sbctl ip ping

O=$(mktemp -d /tmp/ovn-traffic.XXXXXX)
# ip netns and the daemons write under /var/run: keep the host's out of reach.
mount -t tmpfs tmpfs /var/run
stop() {
  stop_daemons "$O"/ch*/controller.pid "$O"/*/vswitchd.pid "$O"/northd.pid "$O"/*/db.pid \
    "$O"/nb.pid "$O"/sb.pid
  for ns in vm1 vm2 srv ch1 ch2 phys; do ip netns del $ns 2>/dev/null; done
  if [ $failures -ne 0 ]; then
    for log in "$O"/*.log "$O"/*/*.log; do echo "--- $log"; tail -n 15 "$log"; done
  fi
  rm -rf "$O"
}
trap stop EXIT
quiet="-vconsole:off"

# Central: northbound and southbound databases, and ovn-northd between them.
# Unix sockets reach every network namespace.
for db in nb sb; do serve_database "$O" $db /usr/share/ovn/ovn-$db.ovsschema; done
NB=unix:$O/nb.sock
ovn-nbctl --db=$NB init
ovn-sbctl --db=unix:"$O/sb.sock" init
OVN_RUNDIR=$O ovn-northd --ovnnb-db=$NB --ovnsb-db=unix:"$O/sb.sock" --pidfile="$O/northd.pid" \
  --detach --log-file="$O/northd.log" --unixctl="$O/northd.ctl" $quiet
nbctl() { ovn-nbctl --db=$NB --timeout=20 "$@"; }

# An Open vSwitch of its own in network namespace NS, its files in folder DIR.
start_switch() {  # start_switch NS DIR
  mkdir -p "$2"
  serve_database "$2" db "$vswitch_schema"
  ovs-vsctl --db=unix:"$2/db.sock" --no-wait init
  ip netns exec "$1" env OVS_RUNDIR="$2" ovs-vswitchd unix:"$2/db.sock" \
    --pidfile="$2/vswitchd.pid" --detach --disable-system --log-file="$2/vswitchd.log" \
    --unixctl="$2/vswitchd.ctl" $quiet
}
# A veth pair with end A in namespace NA and end B in namespace NB, both up.
link() {  # link A NA B NB
  ip link add "$1" netns "$2" type veth peer name "$3" netns "$4"
  ip -n "$2" link set "$1" up
  ip -n "$4" link set "$3" up
}

for ns in ch1 ch2 phys srv vm1 vm2; do ip netns add $ns; ip -n $ns link set lo up; done
link ul1 ch1 ul2 ch2          # the underlay between the hosts
link pn1 ch1 px1 phys         # each host's pnic, on the physical network
link pn2 ch2 px2 phys
link pa1 ch1 pz1 phys         # a second pnic of host 1, for another DVSwitch
link sv0 srv px0 phys         # the server on the physical network
ip -n srv addr add 10.0.0.100/24 dev sv0

# The physical network: a switch that forwards between the pnics and the server.
start_switch phys "$O/phys"
ovs-vsctl --db=unix:"$O/phys/db.sock" add-br wire -- set bridge wire datapath_type=netdev \
  -- add-port wire px0 -- add-port wire px1 -- add-port wire px2

for i in 1 2; do
  C=$O/ch$i
  start_switch ch$i "$C"
  V="ovs-vsctl --db=unix:$C/db.sock"
  # The underlay: its address on a bridge, which the userspace datapath
  # routes tunnels through.
  $V add-br br-phy -- set bridge br-phy datapath_type=netdev -- add-port br-phy ul$i
  ip -n ch$i addr add 192.168.50.$i/24 dev br-phy
  ip -n ch$i link set br-phy up
  $V add-br br-int -- set bridge br-int datapath_type=netdev fail_mode=secure \
    other_config:disable-in-band=true
  # The tools, as ovn-controller, take the southbound remote without blanks.
  $V set open . external_ids:system-id=ch$i external_ids:ovn-remote="\" unix:$O/sb.sock\"" \
    external_ids:ovn-encap-type=geneve external_ids:ovn-encap-ip=192.168.50.$i \
    external_ids:ovn-bridge-datapath-type=netdev
  ip netns exec ch$i env OVS_RUNDIR="$C" OVN_RUNDIR="$C" ovn-controller unix:"$C/db.sock" \
    --pidfile="$C/controller.pid" --detach --log-file="$C/controller.log" $quiet
  # A VM: a namespace whose eth0 is a port of br-int.
  link vm$i ch$i eth0 vm$i
  ip -n vm$i addr add 10.0.0.$i/24 dev eth0
done

# The tools on host I, in its namespace, with settings of their own.
: > "$O/hostnet.conf"
on() {  # on I COMMAND...
  host=$1
  shift
  pnics=pn$host
  [ "$host" = 1 ] && pnics="pn1 pa1"
  ip netns exec ch$host env QUENTA_HOSTNET_CONF="$O/hostnet.conf" \
    QUENTA_HOSTNET=ovsdb:unix:"$O/ch$host/db.sock" QUENTA_OVS_DATAPATH=netdev \
    QUENTA_OVS_PNICS="$pnics" QUENTA_OVN_NB=$NB "$@"
}
bind() {  # bind I PORT: VM I's interface becomes the DVPort's
  ovs-vsctl --db=unix:"$O/ch$1/db.sock" add-port br-int vm$1 \
    -- set interface vm$1 external_ids:iface-id="$2"
}
# Pings from VM I to ADDRESS until one is answered, for 10 s at the most.
reaches() {  # reaches I ADDRESS
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    if ip netns exec vm$1 ping -c 1 -W 1 "$2" >/dev/null 2>&1; then echo yes; return; fi
  done
  echo no
}
port_uuid() { nbctl --bare --columns=_uuid find logical_switch_port name="$1"; }

on 1 ploncfg-vswitch -a -W dvs1
on 1 ploncfg-host dvport add dvs1 1
on 2 ploncfg-host dvport add dvs1 2
bind 1 dvs1/1
bind 2 dvs1/2
nbctl --wait=hv sync
check "DVPort dvs1/1 carries any VM's frames" '[unknown]' \
  "$(nbctl --format=json get logical_switch_port dvs1/1 addresses | tr -d ' ')"
check "VMs on two hosts ping each other through the tunnel" yes "$(reaches 1 10.0.0.2)"
check "a VM does not reach the server without uplinks" no "$(ip netns exec vm1 ping -c 1 -W 1 \
  10.0.0.100 >/dev/null 2>&1 && echo yes || echo no)"

# Bound DVPorts are in use, by this host's VM or another host's.
check "bound DVPorts are in use, with their VMs as clients" "dvs1 128 2
1 1 ch1/vm1
2 1 ch2" "$(on 1 ploncfg-vswitch -l | awk '$1 == "dvs1" { print $1, $2, $3 }
  $1 ~ /^[12]$/ { print $1, $2, $3 }')"
check "a document and the picture show the binding" '{"host":"ch2","interface":"vm2"} 1' \
  "$(on 2 ploncfg-host get dvswitches.dvs1.dvports.1.boundTo) $(on 2 ploncfg-host graph |
  grep -c '<B>ch2/vm2</B>')"
check "a DVSwitch VMs use is not removed" "Failed to remove vswitch: dvs1, Error: DVSwitch dvs1 is in use by VMs (DVPorts 1 on ch1, 2 on ch2 as vm2): removing it would cut their traffic; \`ovs-vsctl del-port INTERFACE\` on a VM's host unbinds it
1" "$(on 2 ploncfg-vswitch -d -W dvs1 2>&1; echo $?)"
check "nor a DVPort one uses" 1 "$(on 1 ploncfg-host dvport remove dvs1 1 2>/dev/null; echo $?)"
check "and the VMs still reach each other" yes "$(reaches 1 10.0.0.2)"
# The tunnel's MTU: 1500 on the underlay, 58 bytes for Geneve.
check "status warns of an MTU the tunnel cannot carry" 1 \
  "$(on 1 ploncfg-host status | grep -c 'DVSwitch dvs1 has MTU 1500, but the tunnel from this host carries frames of 1442 bytes at most (br-phy has MTU 1500, less 58)')"

# Uplinks: each host wires its own pnic to the DVSwitch.
before1=$(port_uuid dvs1/1)
on 1 ploncfg-vswitch -P pn1 -V 1 dvs1
check "-P on host 1" 0 $?
on 2 ploncfg-vswitch -P pn2 -V 2 dvs1
check "-P on host 2" 0 $?
check "one localnet port for the DVSwitch" 1 \
  "$(nbctl --bare --columns=name find logical_switch_port type=localnet | grep -c .)"
check "host 1 maps the network to its bridge" yes "$(ovs-vsctl --db=unix:"$O/ch1/db.sock" get \
  open . external_ids:ovn-bridge-mappings | grep -q '^"quenta-[0-9a-f]*:qdv' && echo yes)"
nbctl --wait=hv sync
check "a VM on host 1 reaches the server through its pnic" yes "$(reaches 1 10.0.0.100)"
check "a VM on host 2 reaches the server through its pnic" yes "$(reaches 2 10.0.0.100)"
check "the VMs still reach each other" yes "$(reaches 1 10.0.0.2)"
check "with uplinks on every host, the status of each is clean" "0 0" \
  "$(on 1 ploncfg-host status >&2; echo $?) $(on 2 ploncfg-host status >&2; echo $?)"
check "each host's document holds its own uplinks only" '["pn1"]' \
  "$(on 1 ploncfg-host get dvswitches.dvs1.uplinks)"
check "a pnic wired to a DVSwitch is refused to a standard switch, naming what frees it" \
  "Failed to add uplink pn1 to vswitch vsw1, Error: pnic pn1 is an uplink of DVSwitch dvs1 on this host (DVPort 1): \`ploncfg-vswitch -Q pn1 -V 1 dvs1\` takes it out" \
  "$(on 1 ploncfg-vswitch -a vsw1; on 1 ploncfg-vswitch -L pn1 vsw1 2>&1)"

# A host's own document loads, and its backup restores, onto the same rows.
on 1 ploncfg-host dump > "$O/host1.json"
on 1 ploncfg-host load "$O/host1.json"
check "a load of host 1's document keeps the DVPort row" "$before1" "$(port_uuid dvs1/1)"
on 1 ploncfg-host backup "$O/backup1.json" && on 1 ploncfg-host restore "$O/backup1.json"
check "a restore of its backup succeeds" 0 $?
check "keeps it too" "$before1" "$(port_uuid dvs1/1)"
check "and host 2's uplink" '["pn2"]' "$(on 2 ploncfg-host get dvswitches.dvs1.uplinks)"
nbctl --wait=hv sync
check "and the traffic" yes "$(reaches 2 10.0.0.100)"

# Another host removes a DVSwitch this host wired: each host takes out its
# own wiring.
wire_and_remove_dvs2() {
  on 2 ploncfg-vswitch -a -W dvs2 && on 1 ploncfg-host dvport add dvs2 1 &&
    on 1 ploncfg-vswitch -P pa1 -V 1 dvs2 && on 2 ploncfg-vswitch -d -W dvs2
}
wire_and_remove_dvs2
check "a DVSwitch without VMs is removed whoever wired it" 0 $?
bridge2=$(ovs-vsctl --db=unix:"$O/ch1/db.sock" iface-to-br pa1)
check "the host that wired it names what is left" "bridge $bridge2 of this host still holds the uplinks of DVSwitch dvs2, which no DVPort has an uplink of this host on any longer (another host removed it, or its DVPort): \`ploncfg-host rewire\` takes it out" \
  "$(on 1 ploncfg-host status)"
check "and refuses its pnic to a standard switch, naming the command that frees it" \
  "Failed to add uplink pa1 to vswitch vsw1, Error: pnic pa1 is still held by this host's bridge for DVSwitch dvs2, which no longer has it as an uplink here: \`ploncfg-host rewire\` frees it" \
  "$(on 1 ploncfg-vswitch -L pa1 vsw1 2>&1)"
on 1 ploncfg-host rewire
check "rewire takes out the bridge and its mapping" "0 1" "$(on 1 ploncfg-host status; echo $? \
  $(ovs-vsctl --db=unix:"$O/ch1/db.sock" get open . external_ids:ovn-bridge-mappings | grep -o qdv | grep -c .))"
wire_and_remove_dvs2
on 1 ploncfg-host dump > "$O/host1.json" && on 1 ploncfg-host load "$O/host1.json"
check "a load takes out what another host's removal left" "" \
  "$(ovs-vsctl --db=unix:"$O/ch1/db.sock" iface-to-br pa1 2>/dev/null)"
wire_and_remove_dvs2

# Taking the uplinks out leads the traffic back through the tunnel.
on 1 ploncfg-vswitch -Q pn1 -V 1 dvs1
check "a host that takes its uplink out leaves the localnet port to the other" 1 \
  "$(nbctl --bare --columns=name find logical_switch_port type=localnet | grep -c .)"
check "... and the wiring another host's removal left" "" \
  "$(ovs-vsctl --db=unix:"$O/ch1/db.sock" list-br | grep qdv)"
nbctl --wait=hv sync
check "a host without a bridge for the network carries nothing of the DVSwitch" no \
  "$(reaches 1 10.0.0.2)"
check "... and its status says so" 1 "$(on 1 ploncfg-host status |
  grep -c '^DVSwitch dvs1 reaches its physical network through uplinks of other hosts only')"
check "... where the wired host's says nothing" "" "$(on 2 ploncfg-host status)"
# A pnic whose far end goes down: up here, without carrier.
on 1 ploncfg-vswitch -L pa1 vsw1 && ip -n phys link set pz1 down
carrier=0
for _ in 1 2 3 4 5 6 7 8 9 10; do
  carrier=$(on 1 ploncfg-host status | grep -c '^pnic pa1, an uplink of vsw1, has no carrier')
  [ "$carrier" = 1 ] && break
  sleep 0.5
done
check "status names a pnic of a standard switch without carrier" 1 "$carrier"
on 2 ploncfg-vswitch -Q pn2 -V 2 dvs1
check "the last uplink out takes the localnet port with it" 0 \
  "$(nbctl --bare --columns=name find logical_switch_port type=localnet | grep -c .)"
check "and host 1's mapping and bridge" "" "$(ovs-vsctl --db=unix:"$O/ch1/db.sock" \
  --if-exists get open . external_ids:ovn-bridge-mappings)$(ovs-vsctl \
  --db=unix:"$O/ch1/db.sock" list-br | grep qdv)"
nbctl --wait=hv sync
check "the VMs reach each other through the tunnel again" yes "$(reaches 1 10.0.0.2)"

[ $failures -eq 0 ] && echo "all checks passed"
[ $failures -eq 0 ]
