#!/bin/sh
# Fault survey: applies each hand-written fault of the table below alone,
# rebuilds, runs ctest, and lists the faults that no test caught. Not part of
# ctest. Run from the top of the source tree:
#   sh tests/fault_survey.sh [BUILD_DIR [CTEST_ARGUMENT...]]
# BUILD_DIR is a configured build folder (default: build); the arguments go to
# ctest, e.g. -LE reliability for a quicker survey without the reliability
# checks. Every file is restored from a plain copy afterwards, also when the
# survey is interrupted, and the build is brought back up to date.
set -u
build=${1:-build}
[ $# -gt 0 ] && shift
[ -f CMakeLists.txt ] && [ -d tests ] || { echo "run from the top of the source tree" >&2; exit 2; }
saved=$(mktemp -d)
trap 'restore; rm -rf "$saved"' EXIT
trap 'exit 130' INT TERM

# One fault a line: file, TAB, text, TAB, what replaces every occurrence of
# the text. Lines starting with # are comments. A long option renamed to a
# longer name is no fault: getopt_long takes the old name as its prefix.
faults=$(cat <<'EOF'
src/commands/uplinks.cc	vswitch.AddUplink(pnic, true);	vswitch.AddUplink(pnic, false);
src/commands/uplinks.cc	    vswitch.SetTeamingPolicy(saved);	
src/commands/switch_lifecycle.cc	implClass == kCSwitch ? kFirstCSwitchVersion : kLastEtherSwitchVersion	kLastEtherSwitchVersion
src/commands/switch_lifecycle.cc	std::string blanks(16, ' ');	std::string blanks(15, ' ');
src/cli/option_table.cc	"get-lag-timeout"	"get-lag-tmout"
src/cli/option_table.cc	"load-lacp-timeout"	"load-lacp-tmout"
src/cli/option_table.cc	"test-sync-zet"	"test-sync-set"
src/cli/option_table.cc	"ens-ready"	"ens-rdy"
src/cli/option_table.cc	"force-reassociate-ens"	"force-reassociate"
src/list/virtual_switch_listing.cc	if (policy.GetMask() & NicTeamingPolicy::UPLINK_ORDER_SET) {	{
src/cli/numbers.h	&end, 0)	&end, 10)
src/cli/numbers.h	*end == '\0'	true
src/backends/sqlite/teaming.cc	if (row.orderSet) row.order = policy.GetUplinkOrder();	row.order = policy.GetUplinkOrder();
tools/host_commands.cc	element.value("name", Json()) == step	element.value("name", Json()) != step
EOF
)

backups=""
restore() {
  for f in $backups; do cp "$saved/$(printf %s "$f" | tr / _)" "$f"; done
  backups=""
}

say() { printf '%s\n' "$*"; }
missed=0 caught=0 gone=0
tab=$(printf '\t')
printf '%s\n' "$faults" | grep -v '^#' > "$saved/table"
while IFS="$tab" read -r file text replacement; do
  if ! grep -qF -- "$text" "$file" 2>/dev/null; then
    say "GONE    $file: text not found: $text"
    gone=$((gone + 1))
    continue
  fi
  cp "$file" "$saved/$(printf %s "$file" | tr / _)"
  backups=$file
  FILE=$file TEXT=$text REPLACEMENT=$replacement python3 < /dev/null -c '
import os
path = os.environ["FILE"]
text = open(path).read()
open(path, "w").write(text.replace(os.environ["TEXT"], os.environ["REPLACEMENT"]))'
  if ! cmake --build "$build" --parallel 2 < /dev/null > "$saved/build.log" 2>&1; then
    say "CAUGHT  $file: $text (the build fails)"
    caught=$((caught + 1))
  elif ctest --test-dir "$build" --parallel 2 "$@" < /dev/null > "$saved/ctest.log" 2>&1; then
    say "MISSED  $file: $text -> $replacement"
    missed=$((missed + 1))
  else
    say "CAUGHT  $file: $text ($(grep -c '(Failed)' "$saved/ctest.log") tests fail)"
    caught=$((caught + 1))
  fi
  restore
done < "$saved/table"
cmake --build "$build" --parallel 2 > /dev/null 2>&1
echo "faults: $caught caught, $missed missed, $gone no longer apply"
