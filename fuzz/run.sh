#!/usr/bin/env bash
# Builds the libFuzzer targets with clang-14 in build-fuzz and runs each for
# DURATION seconds, starting from the seeds in fuzz/corpus. Prints the
# executions and findings of each; a finding (a crash input) is kept in
# build-fuzz/findings and makes the exit status 1.
#
# Usage: fuzz/run.sh DURATION_SECONDS
set -euo pipefail
duration=${1:?usage: fuzz/run.sh DURATION_SECONDS}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
if ! command -v clang++-14 >/dev/null; then
  echo "fuzz/run.sh needs clang-14 and libclang-rt-14-dev: .ci/install-deps fuzz" >&2
  exit 2
fi

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPLONCFG_FUZZ=ON -DPLONCFG_TESTS=OFF -DPLONCFG_STATIC_CXX_RUNTIME=OFF >/dev/null
cmake --build "$build" --parallel 2 --target command_line_fuzz host_json_fuzz rpc_reader_fuzz \
  >/dev/null

# The command-line target's usage texts and diagnostics go to the descriptors
# libFuzzer closes for it; its own report still reaches the log.
declare -A options=(
  [command_line]="-max_len=512 -close_fd_mask=3"
  [host_json]="-max_len=8192"
  [rpc_reader]="-max_len=65536 -timeout=10"
)
declare -A asan_options=(
  [command_line]="detect_leaks=1"
  [host_json]="detect_leaks=1"
  [rpc_reader]="detect_leaks=1"
)
total_findings=0
for target in command_line host_json rpc_reader; do
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  mkdir -p "$corpus" "$findings"
  log=$build/$target.log
  # shellcheck disable=SC2086
  ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/${target}_fuzz" ${options[$target]} -dict="$root/fuzz/$target.dict" \
    -max_total_time="$duration" -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1 || true
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  found=$(find "$findings" -type f | wc -l)
  total_findings=$((total_findings + found))
  echo "$target: ${executions:-0} executions in ${duration} s, $found findings (log: $log)"
  find "$findings" -type f -printf '  %p\n'
done
[ "$total_findings" -eq 0 ]
