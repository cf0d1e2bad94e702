#!/bin/sh
# The tests on a machine where the tools were used for another host: runs
# ctest (every test but this one, or those the arguments select) in private
# mount and network namespaces where /var/lib/quenta holds that host and
# /etc/quenta/hostnet.conf says
#   host = sqlite:/nonexistent/x.db
#   ovn-nb = tcp:127.0.0.1:1
# and whose environment names such a host and settings too. /etc and
# /var/lib are overlays there, so whatever a test writes into them goes to
# this script's folder. Fails when a test fails, or when anything under
# /etc/quenta, /var/lib/quenta, /var/run/quenta or /nonexistent differs
# after the run from what was there before it: what existed is not the
# tests' doing, whatever they made, changed or removed is.
#
# Usage: foreign_conf_test.sh BUILD_DIR [CTEST_ARGUMENT...]
# Exits 0 when all is well, 1 when not, 77 when the namespaces cannot be made
# (needs root).
set -u
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [CTEST_ARGUMENT...]" >&2; exit 2; }
. "$(dirname "$(readlink -f "$0")")/private_namespaces.sh"
run_unshared "--mount --net" "$0" "$@"
build=$(cd "$1" && pwd)
shift
# A loopback of its own: the test servers here meet no one else's.
PATH=$PATH:/usr/sbin:/sbin ip link set lo up || exit 1
tmp=$(mktemp -d)
trap 'umount /etc/quenta /var/lib/quenta /etc /var/lib 2>/dev/null; rm -rf "$tmp"' EXIT
mount --make-rprivate / || exit 1
for dir in etc var/lib; do
  mkdir -p "$tmp/$dir/upper" "$tmp/$dir/work"
  mount -t overlay overlay \
    -o "lowerdir=/$dir,upperdir=$tmp/$dir/upper,workdir=$tmp/$dir/work" "/$dir" || exit 1
done
# The quenta folders are filesystems of their own, which whatever happens
# to the machine's folders under the overlays meanwhile cannot reach. In
# them, another host's files, made by the tools as its operator would.
for dir in /etc/quenta /var/lib/quenta; do
  mkdir -p "$dir" && mount -t tmpfs -o mode=0755 quenta "$dir" || exit 1
done
: >"$tmp/empty.conf"
env -i PATH="$PATH" QUENTA_HOSTNET_CONF="$tmp/empty.conf" \
  QUENTA_HOSTNET=sqlite:/var/lib/quenta/hostnet.db "$build/ploncfg-vswitch" -a otherHost0 || exit 1
printf 'another host\n' >/etc/quenta/dvsdata.db
printf 'host = sqlite:/nonexistent/x.db\novn-nb = tcp:127.0.0.1:1\n' >/etc/quenta/hostnet.conf
# The caller's environment may name a host and settings too; so does this one.
export QUENTA_HOSTNET=sqlite:/nonexistent/y.db QUENTA_OVN_NB=tcp:127.0.0.1:1 \
  QUENTA_OVS_PNICS=ghost0 QUENTA_HOSTNET_WAIT=0 QUENTA_OVN_TIMEOUT=1
unset QUENTA_HOSTNET_DB QUENTA_HOSTNET_CONF
# Each file and folder there, with its type, mode, size and time of change.
state() {
  find /etc/quenta /var/lib/quenta /var/run/quenta /nonexistent -printf '%p %y %m %s %T@\n' \
    2>/dev/null | sort
}
state >"$tmp/before"

# ctest keeps its logs beside the test files it reads: a copy of those, so
# that this run leaves the logs of the ctest that runs it alone.
mkdir "$tmp/tests"
(cd "$build" && find . -name CTestTestfile.cmake -exec cp --parents {} "$tmp/tests" \;) || exit 1
ctest --test-dir "$tmp/tests" --output-on-failure -E '^foreign_conf$' "$@"
status=$?

state >"$tmp/after"
if ! diff "$tmp/before" "$tmp/after" >"$tmp/changed"; then
  echo "FAIL: the tests changed what is not theirs (< before, > after):"
  cat "$tmp/changed"
  status=1
fi
exit $status
