# Sourced by the shell tests that run Open vSwitch or OVN daemons of their
# own, each with its files in a folder of the test's, stopped by pid. The
# switch daemon of private_ovs_start runs with every datapath and network
# device replaced by dummies, so bridges of any datapath type and uplinks of
# any name make no network device: no root, no namespace, nothing left behind.

vswitch_schema=/usr/share/openvswitch/vswitch.ovsschema

# ovs-vsctl, ovs-appctl and ovn-nbctl give up after this many seconds when
# they are given no --timeout: a test whose daemon died fails instead of
# waiting for it.
export OVS_CTL_TIMEOUT=30

# missing_of NAME...: prints the programs (on PATH or in the sbin folders)
# and the files (names starting with /) of the list that this machine lacks;
# nothing when it has them all.
missing_of() {
    missing=
    for name; do
        case $name in
            /*) [ -r "$name" ] ;;
            *) PATH=$PATH:/usr/sbin:/sbin command -v "$name" >/dev/null ;;
        esac || missing="$missing $name"
    done
    echo "${missing# }"
}

# Prints what a private Open vSwitch needs and this machine lacks.
private_ovs_missing() { missing_of ovsdb-tool ovsdb-server ovs-vsctl ovs-vswitchd $vswitch_schema; }

# serve_database DIR NAME SCHEMA: creates DIR/NAME.db from SCHEMA and serves
# it on the unix socket DIR/NAME.sock; the server's pidfile, log and control
# socket are DIR/NAME.pid, DIR/NAME.log and DIR/NAME.ctl.
serve_database() {
    ovsdb-tool create "$1/$2.db" "$3" &&
        ovsdb-server "$1/$2.db" --remote=punix:"$1/$2.sock" --pidfile="$1/$2.pid" --detach \
            --log-file="$1/$2.log" --unixctl="$1/$2.ctl" -vconsole:off
}

# stop_daemons PIDFILE...: ends the daemon of each pidfile there is, in turn,
# and waits up to 2 s for it to remove its pidfile.
stop_daemons() {
    for pidfile; do
        [ -f "$pidfile" ] || continue
        kill "$(cat "$pidfile")" 2>/dev/null
        for _ in 1 2 3 4 5 6 7 8 9 10; do [ -f "$pidfile" ] || break; sleep 0.2; done
    done
}

# Starts the daemons with everything of theirs in folder $1 (the switch
# database's socket is $1/db.sock). Exports OVS_RUNDIR=$1, so ovs-vsctl and
# ovs-appctl without --db or -t reach them. Returns 1 when a daemon does not
# start.
private_ovs_start() {
    export OVS_RUNDIR=$1 OVS_LOGDIR=$1 OVS_DBDIR=$1 PATH=$PATH:/usr/sbin:/sbin
    serve_database "$1" db $vswitch_schema 2>/dev/null &&
        ovs-vsctl --no-wait init &&
        ovs-vswitchd unix:"$1/db.sock" --enable-dummy=override --disable-system \
            --disable-system-route --pidfile="$1/vswitchd.pid" --detach \
            --log-file="$1/vswitchd.log" --unixctl="$1/vswitchd.ctl" -vconsole:off 2>/dev/null
}

# Starts the daemons with everything of theirs in folder $1, as
# private_ovs_start does, but with the real userspace datapath: run it only
# in private network and mount namespaces (private_namespaces.sh), whose
# devices are the only ones it can reach. Defines vsctl and appctl, which
# reach them, and points the tools at them with QUENTA_HOSTNET and
# QUENTA_OVS_DATAPATH.
private_datapath_start() {
    serve_database "$1" db $vswitch_schema &&
        ovs-vsctl --db=unix:"$1/db.sock" --no-wait init &&
        ovs-vswitchd unix:"$1/db.sock" --pidfile="$1/vswitchd.pid" --detach --disable-system \
            --log-file="$1/vswitchd.log" --unixctl="$1/vswitchd.ctl" -vconsole:off || return 1
    export QUENTA_HOSTNET=ovsdb:unix:$1/db.sock QUENTA_OVS_DATAPATH=netdev
    private_datapath_dir=$1
    vsctl() { ovs-vsctl --db=unix:"$private_datapath_dir/db.sock" "$@"; }
    appctl() { ovs-appctl -t "$private_datapath_dir/vswitchd.ctl" "$@"; }
}

# Stops the daemons started in folder $1 and waits until each has gone.
private_ovs_stop() { stop_daemons "$1/vswitchd.pid" "$1/db.pid"; }
