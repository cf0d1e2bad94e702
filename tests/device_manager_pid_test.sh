#!/bin/sh
# How a forced ENS reassociation (-f) reads the device manager's PID file and
# whom it signals. The PID file has a fixed path on the host, so the script
# runs itself again in private mount and PID namespaces: a tmpfs hides the
# real run directory, and a stray signal (a PID read as -1 addresses every
# process) reaches only this test's own processes, where it shows as a failure.
#
# Usage: device_manager_pid_test.sh PLONCFG_VSWITCH PLONCFG_HOST
# Exits 0 when every case passes, 1 when one fails, 77 when the namespaces
# cannot be made (unshare needs root or CAP_SYS_ADMIN).
set -u

[ $# -eq 2 ] || { echo "usage: $0 PLONCFG_VSWITCH PLONCFG_HOST" >&2; exit 2; }
. "$(dirname "$(readlink -f "$0")")/private_namespaces.sh"
run_unshared "--mount --pid --fork --mount-proc" "$0" "$(readlink -f "$1")" "$(readlink -f "$2")"

vswitch=$1
host=$2
# /var/run is normally a link to /run: hide whatever it resolves to.
run_dir=$(readlink -f /var/run)
if ! mount -t tmpfs ploncfg-pid-test "$run_dir"; then
  echo "SKIP: cannot mount a tmpfs on $run_dir"
  exit 77
fi
mkdir "$run_dir/quenta"
pid_file=/var/run/quenta/dreldevmgr.pid
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/own_settings.sh"
own_host_settings "$work" || exit 1
export QUENTA_HOSTNET_DB="$work/hostnet.db"
failures=0
# This shell is process 1 of the namespace: it notes every SIGHUP it gets, so
# that a signal meant for no one, or for process 1, shows.
trap ': > "$work/init_got"' HUP

# A process that records a SIGHUP in $work/got; its PID goes to $child.
start_child() {
  rm -f "$work/got" "$work/ready"
  sh -c 'trap "echo HUP > \"$1\"; kill \$! 2>/dev/null; exit 0" HUP; : > "$2"; sleep 60 & wait' \
    child "$work/got" "$work/ready" &
  child=$!
  n=0
  while [ ! -e "$work/ready" ]; do
    n=$((n + 1))
    if [ "$n" -gt 100 ]; then
      echo "not ok - the signal catcher did not start"
      exit 1
    fi
    sleep 0.05
  done
}

stop_child() {
  kill "$child" 2>/dev/null
  wait "$child" 2>/dev/null
}

# True when the child got SIGHUP within about wait_tenths tenths of a second.
child_got_hup() {
  n=0
  while [ "$n" -lt "$1" ]; do
    [ -e "$work/got" ] && return 0
    sleep 0.1
    n=$((n + 1))
  done
  [ -e "$work/got" ]
}

fail() {
  echo "not ok - $name: $1"
  passed=no
}

# check NAME CONTENT STATUS SIGNALLED STDOUT [PLANT]
# CONTENT is printf text written to the PID file ("<missing>": no file), with
# CHILD standing for the child's PID and GONE for the PID of an ended process.
# PLANT, when given, is shell code run next, to make the file or its folder
# into something root must not trust.
# SIGNALLED is yes, no, or init (process 1, this shell, and not the child);
# STDOUT is the one expected line of standard output, or empty. The
# reassociation must happen exactly when the status is 0.
check() {
  name=$1
  passed=yes
  rm -f "$QUENTA_HOSTNET_DB" "$pid_file" "$work/init_got" "$work/real"
  chmod 755 "$run_dir/quenta"
  start_child
  sh -c 'exit 0' &
  gone=$!
  wait "$gone"
  if [ "$2" != "<missing>" ]; then
    # shellcheck disable=SC2059
    printf -- "$(printf '%s' "$2" | sed "s/CHILD/$child/; s/GONE/$gone/")" > "$pid_file"
  fi
  [ -n "${6:-}" ] && eval "$6"
  # A run that blocks on the file would hold the host: it must not hang.
  timeout 10 "$vswitch" -f vSwitch0 > "$work/stdout" 2> "$work/stderr"
  status=$?
  if [ "$4" = yes ]; then tenths=30; else tenths=3; fi
  if child_got_hup "$tenths"; then got=yes; else got=no; fi
  if [ -e "$work/init_got" ]; then
    [ "$got" = yes ] && got=both || got=init
  fi
  stop_child
  if [ -n "$5" ]; then printf '%s\n' "$5"; fi > "$work/expected"
  if [ "$3" = 0 ]; then forced=1; else forced=0; fi

  [ "$status" = "$3" ] || fail "exit status $status, expected $3"
  [ "$got" = "$4" ] || fail "child signalled: $got, expected $4"
  cmp -s "$work/expected" "$work/stdout" || fail "standard output: $(cat "$work/stdout")"
  [ -s "$work/stderr" ] && fail "standard error: $(cat "$work/stderr")"
  [ "$("$host" get switches.vSwitch0.ens.forcedReassociations)" = "$forced" ] ||
    fail "expected $forced forced reassociations"
  if [ "$passed" = yes ]; then
    echo "ok - $name"
  else
    failures=$((failures + 1))
  fi
}

unreadable="Failed to read device manager PID"
check "the device manager's PID"         'CHILD\n'       0 yes ""
check "its PID followed by letters"      'CHILDabc'      0 yes ""
check "the PID of an ended process"      'GONE\n'        0 no  ""
check "PID 0"                            '0\n'           1 no  "$unreadable"
check "blank text"                       '  \n\t\n'      1 no  "$unreadable"
check "no digits"                        'none\n'        1 no  "$unreadable"
check "2^32-1, which reads as -1"        '4294967295\n'  1 no  "$unreadable"
check "2^31, the first negative pid_t"   '2147483648\n'  1 no  "$unreadable"
check "2^32+1, which wraps round to 1"   '4294967297\n'  1 no  "$unreadable"
check "2^64+1, which wraps round to 1"   '18446744073709551617\n' 1 no "$unreadable"
check "2^31-1, the largest pid_t"        '2147483647\n'  0 no  ""
check "a leading 0, read as decimal"     '0CHILD\n'      0 yes ""
check "a negative number"                '-1\n'          1 no  "$unreadable"
check "process 1, named by the file"     '1\n'           0 init ""
check "no PID file"                      '<missing>'     1 no  "Failed to open $pid_file"

# Files and folders that someone other than root could have planted: each is
# refused as if the file could not be opened, and nothing is signalled.
opened="Failed to open $pid_file"
check "a symlink to a PID file"          'CHILD\n'       1 no  "$opened" \
  'mv "$pid_file" "$work/real"; ln -s "$work/real" "$pid_file"'
check "a symlink to /proc/1/stat"        '<missing>'     1 no  "$opened" \
  'ln -s /proc/1/stat "$pid_file"'
check "a PID file others may write"      'CHILD\n'       1 no  "$opened" 'chmod 666 "$pid_file"'
check "a PID file its group may write"   'CHILD\n'       1 no  "$opened" 'chmod 664 "$pid_file"'
check "a PID file another user owns"     'CHILD\n'       1 no  "$opened" 'chown 65534 "$pid_file"'
check "a FIFO"                           '<missing>'     1 no  "$opened" 'mkfifo "$pid_file"'
check "a folder anyone may write"        'CHILD\n'       1 no  "$opened" 'chmod 777 "$run_dir/quenta"'
check "a folder anyone may write, sticky" 'CHILD\n'      0 yes ""        'chmod 1777 "$run_dir/quenta"'

[ "$failures" = 0 ]
