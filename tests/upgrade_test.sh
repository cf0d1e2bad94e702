#!/usr/bin/env bash
# Upgrades in place, from the build of each earlier format's commit (cached in
# CACHE_DIR, default BUILD_DIR/upgrade-builds); tests/README.md says what is
# checked. Skipped (77) without Open vSwitch and OVN, or without the commits.
#   Usage: upgrade_test.sh BUILD_DIR SOURCE_DIR [CACHE_DIR]
set -u
build=$1 source=$2 cache=${3:-$1/upgrade-builds}
runs=${UPGRADE_RUNS:-"7e7def2 60c6376 7e7def2:migrate"}  # formats 1, 2, and 1 migrated
tmp=$(mktemp -d)
trap '[[ -n ${UPGRADE_KEEP:-} ]] || rm -rf "$tmp"' EXIT
for helper in own_settings private_ovs earlier_builds; do
    # shellcheck source=/dev/null
    source "$source/tests/$helper.sh"
done
own_host_settings "$tmp" || exit 1
export QUENTA_HOSTNET=sqlite:$tmp/stray.db  # what a command that names no host finds
nb_schema=/usr/share/ovn/ovn-nb.ovsschema
missing=$(missing_of ovsdb-tool ovsdb-server ovs-vsctl ovs-vswitchd ovn-nbctl sqlite3 \
    $vswitch_schema $nb_schema)
[[ -z $missing ]] || { echo "SKIP: Open vSwitch or OVN is not installed (missing: $missing)"; exit 77; }
# shellcheck disable=SC2086  # the list's words
why=$(history_missing "$source" ${runs//:migrate/})
[[ -z $why ]] || { echo "SKIP: the earlier builds cannot be made: $why"; exit 77; }

passed=0 failed=0
fail() { ((failed++)); echo "FAIL ($run): $1"; }
check() {  # check DESCRIPTION COMMAND...: the command must succeed
    if "${@:2}" >"$tmp/out" 2>&1; then ((passed++)); else fail "$1"; sed 's/^/  /;20q' "$tmp/out"; fi
}
same() { check "$1" diff -u "$2" "$3"; }
not() { ! "$@"; }
is() {  # is DESCRIPTION WANT COMMAND...: what the command prints, as one line, must be WANT
    local got
    got=$("${@:3}" 2>&1 | paste -sd ' ')
    if [[ $got == "$2" ]]; then ((passed++)); else fail "$1: want '$2', got '$got'"; fi
}
# tool vswitch|host a|b ARG...: the tool of the build in $bin on host A (Open
# vSwitch) or B (simulated); both keep DVSwitches in the private nb.
tool() {
    local remote=ovsdb:unix:$dir/db.sock
    [[ $2 == a ]] || remote=sqlite:$dir/b.db
    QUENTA_HOSTNET=$remote "$bin/ploncfg-$1" "${@:3}"
}
on_a() { tool vswitch a "$@"; }; on_b() { tool vswitch b "$@"; }
host_a() { tool host a "$@"; }; host_b() { tool host b "$@"; }

# Bonds in teaming order, MTU 9000, port groups with VLANs and an order, a VM
# attached as libvirt does, one that joined a group by name, DVPort uplinks of
# both hosts, history, a backup.
set_up() {
    host_b load - <<<'{"pnics": ["eth0", "eth1"], "switches": [{"name": "vSwitch0", "uplinks": ["eth0"]}]}' &&
        host_a load - <<'EOF' || return 1
{"pnics": ["nic0", "nic1", "nic2", "nic3", "nic4", "nic5"],
 "switches": [{"name": "vSwitch0", "uplinks": ["nic0"], "portGroups": [{"name": "Management"}],
               "teaming": {"uplinkOrder": ["nic0"], "maxActive": 1}}],
 "dvswitches": [{"name": "dvs0", "dvports": [{"id": "100"}, {"id": "200"}]}]}
EOF
    local command
    while read -r command; do
        # An earlier build read an interface's MTU as soon as ovs-vswitchd
        # caught up with the change, sometimes before ovs-vswitchd wrote the
        # MTU back, and undid the change: such a command is run once more.
        # shellcheck disable=SC2086  # the command's words
        on_a $command || on_a $command || { echo "set-up: $command failed"; return 1; }
    done <<<'-L nic1 vSwitch0
-a vSwitch1
-m 9000 vSwitch1
-L nic2 vSwitch1
-L nic3 vSwitch1
-X 2 vSwitch1
-A web vSwitch1
-v 10 -p web vSwitch1
-A db vSwitch1
-M nic3 -p db vSwitch1
-a vSwitch2
-L nic5 vSwitch2
-P nic4 -V 100 dvs0'
    ovs-vsctl add-port vSwitch1 vnet0 tag=10 -- set interface vnet0 \
        external_ids:iface-id=vm1-net0 external_ids:attached-mac=52:54:00:00:00:01 &&
        ovs-vsctl add-port vSwitch1 vnet1 -- set port vnet1 'external_ids:"quenta:port-group"=db' &&
        on_a -v 20 -p db vSwitch1 && on_b -P eth1 -V 200 dvs0 && host_a backup "$dir/old-backup.json"
}

shows() {  # shows HOST PREFIX: the host's listing, dump, status and history into PREFIX.*
    on_$1 -l >"$2.list" 2>&1; host_$1 dump >"$2.dump" 2>&1
    host_$1 status >"$2.status" 2>&1; host_$1 history --json >"$2.history" 2>&1
}

# Every command on the old objects, each seen where the engines show it.
check_changes() {
    check "-U unlinks an old uplink" on_a -U nic1 vSwitch0
    is "... from the bond" nic0 ovs-vsctl list-ifaces vSwitch0
    check "-L links it again" on_a -L nic1 vSwitch0
    is "... into the bond" "nic0 nic1" ovs-vsctl list-ifaces vSwitch0
    check "-m sets an old switch's MTU" on_a -m 1600 vSwitch1
    is "... on its interfaces" "1600 1600" ovs-vsctl get interface nic2 mtu_request -- \
        get interface vSwitch1 mtu_request
    check "-X sets max active" on_a -X 1 vSwitch1
    is "... as the bond's mode" active-backup ovs-vsctl get port vSwitch1-uplink bond_mode
    check "-v sets an old port group's VLAN" on_a -v 30 -p db vSwitch1
    is "... as its member's tag" 30 ovs-vsctl get port vnet1 tag
    check "-A adds a port group to an old switch" on_a -A pg2 vSwitch1
    check "-D removes it" on_a -D pg2 vSwitch1
    check "-R restores the stored uplinks" on_a -R
    check "-d removes an old switch" on_a -d vSwitch2
    check "... and its bridge" not ovs-vsctl br-exists vSwitch2
    check "-Q removes this host's old DVPort uplink" on_a -Q nic4 -V 100 dvs0
    is "... and leaves the other host's" '["eth1"]' host_b get dvswitches.0.dvports.1.uplinks
    is "old DVPorts carry any VM's frames" unknown \
        ovn-nbctl --db="unix:$dir/nb.sock" lsp-get-addresses dvs0/200
    check "the history keeps the old rows" test "$(host_a history --json | grep -c '"time"')" -gt \
        "$(grep -c '"time"' "$dir/old-a.history")"
}

# The old backup, restored on host A made anew.
check_backup() {
    private_ovs_stop "$dir" && rm "$dir/db.db" && private_ovs_start "$dir" &&
        ovs-vsctl set open . external_ids:system-id=hostA || { fail "a fresh host A"; return; }
    ovs-vsctl add-br others -- add-port others nic4  # which the backup gives DVPort 100
    check "a restore that cannot be done whole is refused" not host_a restore "$dir/old-backup.json"
    is "... and changes nothing here" others ovs-vsctl list-br
    is "... nor in the northbound database" '[] ["eth1"]' dvport_uplinks b
    ovs-vsctl del-br others
    check "the old backup restores" host_a restore "$dir/old-backup.json"
    is "... with this host's DVPort uplinks only" '["nic4"] []' dvport_uplinks a
    is "... leaving the other host its own" '[] ["eth1"]' dvport_uplinks b
    is "... and vSwitch0's bond" '["nic0","nic1"]' host_a get switches.0.uplinks
    is "... and vSwitch1's MTU" 9000 host_a get switches.1.mtu
}
dvport_uplinks() {  # dvport_uplinks HOST: the uplinks of dvs0's two DVPorts that HOST has
    host_$1 get dvswitches.0.dvports.0.uplinks && host_$1 get dvswitches.0.dvports.1.uplinks
}

# Records of a later format: this build reads them and changes nothing.
check_newer() {
    ovs-vsctl set open . 'external_ids:"quenta:format"=4' &&
        ovn-nbctl --db="unix:$dir/nb.sock" set logical_switch dvs0 'external_ids:"quenta:format"=4' &&
        sqlite3 "$dir/b.db" 'PRAGMA user_version = 4' || { fail "records of format 4"; return; }
    local host command refusal="holds records of format 4, and this build knows formats 1 to 3"
    newer_state >"$dir/newer-before"  # what a change of either host would move
    for host in a b; do
        check "host $host of format 4 is read" host_$host dump
        for command in "-m 1600 vSwitch0" "-A pg3 vSwitch0" "-Q nic4 -V 100 dvs0" "-P eth0 -V 100 dvs0"; do
            [[ $host$command == a*eth0* || $host$command == b*nic4* ]] && continue
            # shellcheck disable=SC2086  # the command's words
            is "host $host: $command is refused, naming the formats" "$refusal" \
                grep -o "$refusal" <(on_$host $command 2>&1)
        done
    done
    newer_state >"$dir/newer-after"
    same "records of format 4 are left as they were" "$dir/newer-before" "$dir/newer-after"
}
newer_state() {
    ovs-vsctl --columns=external_ids,other_config list open_vswitch -- \
        --columns=name,external_ids,ports list bridge -- \
        --columns=name,external_ids,interfaces,tag,bond_mode,other_config list port -- \
        --columns=name,external_ids,mtu_request list interface -- --columns=external_ids list queue
    ovn-nbctl --db="unix:$dir/nb.sock" list logical_switch -- list logical_switch_port
    sqlite3 "$dir/b.db" .dump
}

# migrate does at once what the first changes would, saying what.
check_migrate() {
    host_a migrate >"$dir/migrate-a" 2>&1; host_b migrate >"$dir/migrate-b" 2>&1
    local line
    for line in "^standard switch vSwitch1: format 1 records written in format 3; its ports vSwitch1, vSwitch1-uplink marked as ploncfg's$" \
        ": moved [0-9]* history row(s) from the root row" "^DVSwitch dvs0: written in format 3"; do
        is "host a: migrate says $line" 1 grep -c "$line" "$dir/migrate-a"
    done
    is "host b: migrate stamps its database" 1 grep -c "b.db: marked as holding records of format 3" \
        "$dir/migrate-b"
    shows a "$dir/migrated-a"
    # vnet0, on VLAN 10, counts in web now: format 1 made no VLAN bridge for it.
    sed -i 's/^\(  web  *10  *\)0 /\11 /; s/"web", "vlan": 10, "ports": 0/"web", "vlan": 10, "ports": 1/' \
        "$dir/new-a.list" "$dir/new-a.dump"
    for part in list dump status; do same "host a: the same $part after migrate" \
        "$dir/new-a.$part" "$dir/migrated-a.$part"; done
    is "a second migrate has nothing to do" "every record is of format 3 already" host_a migrate
}

for run in $runs; do
    bin=$(earlier_build "$source" "$cache" "${run%:*}") || exit 1
    dir=$tmp/${run/:/-}
    mkdir "$dir" && private_ovs_start "$dir" || { echo "FAIL: Open vSwitch did not start"; exit 1; }
    serve_database "$dir" nb $nb_schema 2>/dev/null || { echo "FAIL: no northbound server"; exit 1; }
    ovs-vsctl set open . external_ids:system-id=hostA
    export QUENTA_OVS_DATAPATH=dummy QUENTA_OVS_PNICS="nic0 nic1 nic2 nic3 nic4 nic5" \
        QUENTA_OVN_NB=unix:$dir/nb.sock QUENTA_OVS_APPLY_WAIT=10
    set_up || { echo "FAIL ($run): the earlier build did not set the host up"; exit 1; }
    shows a "$dir/old-a"; shows b "$dir/old-b"
    bin=$build
    shows a "$dir/new-a"; shows b "$dir/new-b"
    # Each host's uplinks on a DVSwitch are its own now (format 1 shared them).
    sed -i 's/nic4,eth1 /nic4      /; s/"nic4", "eth1"/"nic4"/; s/"uplinks": \["eth1"\]/"uplinks": []/' \
        "$dir/old-a.list" "$dir/old-a.dump"
    sed -i 's/nic4,eth1 /eth1      /; s/"nic4", "eth1"/"eth1"/; s/"uplinks": \["nic4"\]/"uplinks": []/' \
        "$dir/old-b.list" "$dir/old-b.dump"
    # Format 1 made no bridge for a DVSwitch's uplinks: status says what makes it.
    [[ $run == 7e7def2* ]] && echo "DVSwitch dvs0 has uplinks of this host, but this host has no" \
        "bridge for them: \`ploncfg-host rewire\` makes it" >>"$dir/old-a.status"
    for part in {a,b}.{list,dump,status,history}; do
        same "host ${part%.*}: the same ${part#*.}" "$dir/old-$part" "$dir/new-$part"
    done
    if [[ $run == *:migrate ]]; then
        check_migrate; check_changes
    else
        check_changes; check_backup; check_newer
    fi
    private_ovs_stop "$dir"; stop_daemons "$dir/nb.pid"
done
echo "$passed passed, $failed failed"
((failed == 0))
