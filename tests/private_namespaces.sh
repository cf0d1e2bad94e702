# Sourced by the shell tests that make network devices, which must die with
# the test: they run again inside private network and mount namespaces.

# enter_private_namespaces SCRIPT BUILD_DIR PROGRAM...: returns at once inside
# the namespaces; outside, ends with status 77 naming what is missing (one of
# the programs, or root), else runs SCRIPT BUILD_DIR again inside them, with
# BUILD_DIR first on PATH, and ends with its status.
enter_private_namespaces() {
  [ "${PLONCFG_PRIVATE_NAMESPACES:-}" = 1 ] && return 0
  script=$1
  build=$2
  shift 2
  for program in "$@"; do
    if ! PATH=$PATH:/usr/sbin:/sbin command -v "$program" >/dev/null; then
      echo "SKIP: $program is not installed"
      exit 77
    fi
  done
  if ! unshare --net --mount true 2>/dev/null; then
    echo "SKIP: cannot create private network and mount namespaces (needs root)"
    exit 77
  fi
  exec env PLONCFG_PRIVATE_NAMESPACES=1 PATH="$(readlink -f "$build"):$PATH:/usr/sbin:/sbin" \
    unshare --net --mount sh "$(readlink -f "$script")" "$build"
}

failures=0
# check WHAT EXPECTED ACTUAL: one line, ok or FAIL, counted in failures.
check() {
  if [ "$2" = "$3" ]; then
    echo "ok: $1"
  else
    echo "FAIL: $1: expected [$2], got [$3]"
    failures=$((failures + 1))
  fi
}
