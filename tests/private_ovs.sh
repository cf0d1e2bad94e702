# Sourced by the shell tests that need Open vSwitch: a private ovsdb-server
# and ovs-vswitchd in a folder of the test's own, stopped by pid. The switch
# daemon runs with every datapath and network device replaced by dummies, so
# bridges of any datapath type and uplinks of any name make no network
# device: no root, no namespace, nothing left behind.

# Prints the programs missing for a private Open vSwitch; nothing when none is.
private_ovs_missing() {
    local program missing=
    for program in ovsdb-tool ovsdb-server ovs-vsctl ovs-vswitchd; do
        PATH=$PATH:/usr/sbin:/sbin command -v $program >/dev/null || missing+=" $program"
    done
    [[ -r /usr/share/openvswitch/vswitch.ovsschema ]] ||
        missing+=" /usr/share/openvswitch/vswitch.ovsschema"
    echo "${missing# }"
}

# Starts the daemons with everything of theirs in folder $1 (the switch
# database's socket is $1/db.sock). Exports OVS_RUNDIR=$1, so ovs-vsctl and
# ovs-appctl without --db or -t reach them. Returns 1 when a daemon does not
# start.
private_ovs_start() {
    local dir=$1
    export OVS_RUNDIR=$dir OVS_LOGDIR=$dir OVS_DBDIR=$dir PATH=$PATH:/usr/sbin:/sbin
    ovsdb-tool create "$dir/conf.db" /usr/share/openvswitch/vswitch.ovsschema &&
        ovsdb-server "$dir/conf.db" --remote=punix:"$dir/db.sock" --pidfile="$dir/ovsdb.pid" \
            --detach --log-file="$dir/ovsdb.log" --unixctl="$dir/ovsdb.ctl" -vconsole:off \
            2>/dev/null &&
        ovs-vsctl --no-wait init &&
        ovs-vswitchd unix:"$dir/db.sock" --enable-dummy=override --disable-system \
            --disable-system-route --pidfile="$dir/vswitchd.pid" --detach \
            --log-file="$dir/vswitchd.log" --unixctl="$dir/vswitchd.ctl" -vconsole:off 2>/dev/null
}

# Stops the daemons started in folder $1 and waits until each has gone.
private_ovs_stop() {
    local dir=$1 daemon
    for daemon in vswitchd ovsdb; do
        [[ -f $dir/$daemon.pid ]] || continue
        kill "$(cat "$dir/$daemon.pid")" 2>/dev/null
        for _ in 1 2 3 4 5 6 7 8 9 10; do [[ -f $dir/$daemon.pid ]] || break; sleep 0.2; done
    done
}
