# Sourced by the shell tests that must run in namespaces of their own, so
# that what they make (network devices, mounts, signals) stays there.

# run_unshared FLAGS SCRIPT ARG...: returns at once inside the namespaces
# that unshare makes with FLAGS; outside, ends with status 77 when it cannot
# make them (it needs root), else runs SCRIPT ARG... again inside them and
# ends with its status.
run_unshared() {
  inside=$(basename "$2")
  [ "${PLONCFG_UNSHARED:-}" = "$inside" ] && return 0
  flags=$1
  script=$(readlink -f "$2")
  shift 2
  # shellcheck disable=SC2086  # the flags' words
  if ! unshare $flags true 2>/dev/null; then
    echo "SKIP: cannot create private namespaces with unshare $flags (needs root)"
    exit 77
  fi
  # shellcheck disable=SC2086
  exec env PLONCFG_UNSHARED="$inside" unshare $flags sh "$script" "$@"
}

# enter_private_namespaces SCRIPT BUILD_DIR PROGRAM...: as run_unshared in
# private network and mount namespaces, with BUILD_DIR first on PATH; ends
# with status 77 when one of the programs is missing.
enter_private_namespaces() {
  script=$1
  build=$2
  shift 2
  for program in "$@"; do
    if ! PATH=$PATH:/usr/sbin:/sbin command -v "$program" >/dev/null; then
      echo "SKIP: $program is not installed"
      exit 77
    fi
  done
  PATH="$(readlink -f "$build"):$PATH:/usr/sbin:/sbin"
  run_unshared "--net --mount" "$script" "$build"
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
