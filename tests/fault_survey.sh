#!/bin/sh
# Fault survey: applies each hand-written fault of the table below alone,
# rebuilds, runs ctest, and lists the faults that no test caught. Not part of
# ctest. Run from the top of the source tree:
#   sh tests/fault_survey.sh [BUILD_DIR [CTEST_ARGUMENT...]]
# BUILD_DIR is a configured build folder (default: build); the arguments go to
# ctest, e.g. -LE reliability for a quicker survey without the reliability
# checks. Two variables narrow a run: SURVEY_ROWS, an extended regular
# expression, keeps the rows (file, text and replacement) it matches;
# SURVEY_TARGETS, the build targets, blank-separated (default: all). Every
# file is restored from a plain copy afterwards, also when the survey is
# interrupted, and the build is brought back up to date. A row whose text is
# not in its file is skipped and reported, never counted as caught. Exits 1
# when a fault was missed or a row skipped.
set -u
build=${1:-build}
[ $# -gt 0 ] && shift
[ -f CMakeLists.txt ] && [ -d tests ] || { echo "run from the top of the source tree" >&2; exit 2; }
saved=$(mktemp -d)
trap 'restore; rm -rf "$saved"' EXIT
trap 'exit 130' INT TERM
targets=
for target in ${SURVEY_TARGETS:-}; do targets="$targets --target $target"; done

# One fault a line: file, TAB, text, TAB, what replaces every occurrence of
# the text. Lines starting with # are comments; "# to port" marks rows of
# code that is being rewritten, kept for when it settles. A long option
# renamed to a longer name is no fault: getopt_long takes the old name as its
# prefix.
faults=$(cat <<'EOF'
# Uplinks: persistence and the policy restored after a failed link.
src/commands/uplinks.cc	vswitch.AddUplink(pnic, true);	vswitch.AddUplink(pnic, false);
src/commands/uplinks.cc	if (!e.NoAnswer()) vswitch.SetTeamingPolicy(saved);	if (false) vswitch.SetTeamingPolicy(saved);
# Switches: the version of a DVSwitch added with a class alone; a cell's
# width; a failed lookup that is not "no such switch".
src/commands/switch_lifecycle.cc	implClass == kCSwitch ? kFirstCSwitchVersion : kLastEtherSwitchVersion	kLastEtherSwitchVersion
src/commands/switch_lifecycle.cc	std::string blanks(16, ' ');	std::string blanks(15, ' ');
src/commands/switch_lifecycle.cc	if (e.GetKind() != QuorvicException::Kind::kNotFound) throw;	if (e.NoAnswer()) throw;
src/commands/switch_settings.cc	if (e.GetKind() != QuorvicException::Kind::kNotFound) throw;	if (e.NoAnswer()) throw;
# Options: long names swapped or misspelt, and how arguments are read.
src/cli/option_table.cc	"get-lag-timeout"	"get-lag-tmout"
src/cli/option_table.cc	"load-lacp-timeout"	"load-lacp-tmout"
src/cli/option_table.cc	"test-sync-zet"	"test-sync-set"
src/cli/option_table.cc	"ens-ready"	"ens-rdy"
src/cli/option_table.cc	"force-reassociate-ens"	"force-reassociate"
src/cli/option_table.cc	"load-lag-timeout"	"load-lag-tmout"
src/cli/option_table.cc	"fast-switch"	"fast-swtch"
src/cli/option_table.cc	"get-lacp-timeout"	"get-lacp-tmout"
src/cli/option_table.cc	options.push_back({row.longName, row.argument, nullptr, row.letter});	options.push_back({row.longName, kArg, nullptr, row.letter});
src/cli/option_table.cc	if (row.argument == required_argument) text += ':';	if (row.argument == required_argument && row.letter != 'k') text += ':';
src/cli/numbers.h	&end, 0)	&end, 10)
src/cli/numbers.h	*end == '\0'	true
src/commands/uuid_text.cc	text, 15);	text, 15 + (text[0] != 0));
src/commands/uuid_text.cc	&b[14], &b[15]) == 16;	&b[14], &b[15]) >= 15;
# Order edits: a count clamped to the order, a negative count, a standby
# removed, an order that is not the group's own.
src/commands/uplink_order.cc	std::min(static_cast<std::size_t>(std::max<int32_t>(maxActive, 0)), order.size())	static_cast<std::size_t>(std::max<int32_t>(maxActive, 0))
src/commands/uplink_order.cc	std::max<int32_t>(maxActive, 0)	std::max<int32_t>(maxActive, 1)
src/commands/uplink_order.cc	if (maxActive > position)	if (maxActive >= position)
src/commands/uplink_order.cc	if (!HasOwnOrder(policy)) return false;	
# A refusal that ends the run, turned into one that lets -y run after it.
src/commands/switch_lifecycle.cc	"Not a valid virtual switch or it is a DVSwitch: " << name;	"Not a valid virtual switch or it is a DVSwitch: " << name; run.result = 1; return;
src/commands/dvport_commands.cc	ErrorLine() << "Invalid DVPort params " << dvPortId;	ErrorLine() << "Invalid DVPort params " << dvPortId; return;
src/commands/port_group_uplinks.cc	") does not exist on the switch: " << vswitchName;	") does not exist on the switch: " << vswitchName; return;
# Listing: a port group's own order only; lists joined without extra separators.
src/list/virtual_switch_listing.cc	if (policy.GetMask() & NicTeamingPolicy::UPLINK_ORDER_SET) {	{
src/list/vector_to_string.h	    if (i > 0) text += separator;	    text += separator;
# The simulated host: an order that is not the policy's own, host order,
# a listing's port groups, the writers' lock, and the SQL wrapper.
src/backends/rows/teaming.cc	if (row.orderSet) row.order = policy.GetUplinkOrder();	row.order = policy.GetUplinkOrder();
src/backends/sqlite/port_group_cursor.cc	" ORDER BY s.id, g.id, o.position"	" ORDER BY s.id, g.name, o.position"
src/backends/sqlite/port_group_cursor.cc	if (owner < switchId) continue;	
src/backends/sqlite/store.h	    listing_.reset();	
src/backends/rows/standard_switch_handle.cc	  return std::move(now->portGroups);	  return {};
src/backends/sqlite/writer_lock.cc	  int result = flock(fd_, LOCK_EX | LOCK_NB);	  int result = 0;
src/backends/sqlite/sql.h	Bind(int index, uint32_t value) { return Bind(index, int64_t{value}); }	Bind(int index, uint32_t value) { return Bind(index, int64_t{static_cast<int32_t>(value)}); }
src/backends/sqlite/sql.cc	  sqlite_.sqlite3_clear_bindings(statement_.get());	
src/backends/sqlite/sql.cc	{ return Sqlite().sqlite3_changes64(db_.get()); }	{ return 1; }
# ploncfg-host: get by name, and load's checks.
tools/host_commands.cc	element.value("name", Json()) == step	element.value("name", Json()) != step
src/hostnet/host_json_read.cc	if (!frame.keys.insert(key).second) {	if (!frame.keys.insert(key).second && false) {
# Rows for tests folded into golden cases or dropped.
tools/host_graph.cc	out += "&quot;";	out += "\"";
tools/host_graph.cc	(active ? " active" : " standby")	(active ? " active" : " active")
src/output/output.cc	void OutputStream::EndLine() {	void OutputStream::EndLine() { Append("\n", 1); return;
src/output/output.cc	      buffer_.clear();	      ;
src/cli/option_table.cc	if (row.kind != OptionKind::kRefused) words.push_back(std::string("-") + row.letter);	if (row.kind != OptionKind::kRefused && row.letter != 'S') words.push_back(std::string("-") + row.letter);
src/backends/faults/fault_match.cc	(dot != std::string::npos && fault.op == op.substr(dot + 1))	(dot != std::string::npos && op.find(fault.op) != std::string::npos)
src/backends/faults/fault_match.cc	|| (!arg.empty() && target == arg);	|| (arg.empty() && target == arg);
src/backends/faults/fault_gate.cc	bool mayFire = host_.SpendFault(it->id);	bool mayFire = true;
src/backends/sqlite/host_database.cc	if (version != 0 || HasTables(db)) Refuse	if (version != 0 || (HasTables(db) && false)) Refuse
src/backends/sqlite/store_write.cc	  hostnet::RefuseNewerFormat("host database " + db_.Path(), format);	
src/backends/sqlite/store_history.cc	if (changed && format < hostnet::kRecordsFormat) {	if (changed && format < hostnet::kRecordsFormat && false) {
src/commands/device_manager_pid.cc	if (pid <= kMaxPid) {	if (true) {
src/commands/device_manager_pid.cc	pid = pid * 10 + static_cast<uint64_t>(c - '0');	pid = pid * 8 + static_cast<uint64_t>(c - '0');
src/commands/device_manager_pid.cc	if (!anyDigit || pid == 0 || pid > kMaxPid) {	if (!anyDigit || pid == 0 || pid >= kMaxPid) {
src/backends/faults/fault_gate.cc	return fault->status ? static_cast<int>(*fault->status) : 1;	return 1;
src/backends/faults/fault_gate.cc	if (depth_ == 0 && MayFire())	if (MayFire())
src/backends/faults/fault_injection_backend.cc	if (gate_.KernelFault("SysinfoUtil.GetIntParamList")) return nullptr;	if (false) return nullptr;
# The Open vSwitch host: guards of what was read, VLAN tags, the bond's
# primary, the datapath's refusals and their undoing, a teaming policy
# another run changed since it was read, host order and the ports a group
# counts.
src/backends/ovs/ovs_plan.cc	  change_.Guard("Bridge", before.uuid,	  if (false) change_.Guard("Bridge", before.uuid,
src/backends/ovs/ovs_plan.cc	if (port.tag != TagFor(pg->vlan)) {	if (false) {
src/backends/ovs/ovs_plan.cc	      primary = pnic;	      primary = sw.uplinks[0];
src/backends/ovs/ovs_session.cc	  if (!interface.error.empty()) return	  if (false && !interface.error.empty()) return
src/backends/rows/teaming.cc	  if (current == base) return wanted;	  return wanted;
src/backends/ovs/ovs_store_edits.cc	    datapath.undo = [this, ref, was, what] {	    if (false) datapath.undo = [this, ref, was, what] {
src/backends/ovs/ovs_store_read.cc	    return ca != cb ? ca < cb : a.name < b.name;	    return ca != cb ? a.name < b.name : a.name < b.name;
src/backends/ovs/ovs_bridge_read.cc	        if (pg.name == group) ++pg.ports;	        ++pg.ports;
# LAGs on Open vSwitch: the bond a LAG runs, its rate both ways, the bond
# that goes back when its record is gone, a member outside the bond, and
# members that do not negotiate.
src/backends/ovs/ovs_plan.cc	  if (OurLacp(doc)) return {"balance-tcp", ""};	
src/backends/ovs/ovs_plan.cc	lacp.timeout == 1 ? "fast" : "slow"	lacp.timeout == 0 ? "fast" : "slow"
src/backends/ovs/ovs_bridge_read.cc	Get(port.otherConfig, "lacp-time") == "fast" ? 1 : 0	1
src/backends/rows/lags.cc	      lacp.reset();	
src/backends/rows/lags.cc	 && Linked(sw, member.uplink);	;
src/backends/ovs/ovs_store_health.cc	interface->second.lacpCurrent == true) continue;	true) continue;
# VLAN 4095 (all VLANs) is no tag; pnics are devices with hardware behind
# them; a change others keep beating is tried as often as its message says;
# a VM port ovs-vsctl adds between a removal's read and its write stops it;
# a DVPort uplink must be a pnic of this host, DVSwitches in OVN or not.
src/backends/ovs/ovs_plan.cc	  if (vlan == 4095) return std::nullopt;	
src/backends/ovs/ovs_pnics.cc	fs::exists(device / "device", error)	fs::exists(device, error)
src/backends/ovsdb/guarded_change.cc	std::to_string(attempt) + " tries in "	std::to_string(attempt + 1) + " tries in "
src/backends/ovs/ovs_store_edits.cc	    change.Guard("Bridge", bridge->uuid, {{"ports", ovsdb::Set(ports)}});	
src/backends/rows/dv_switch_handle.cc	    RequirePnic(store_.Pnics(), uplink);	
# One commit path: a lost answer read back, a server given up on, a change
# in the database told as such, a history row written once, a link that
# leaves the teaming policy to SetTeamingPolicy.
src/backends/ovsdb/database.cc	    if (now == token) return {true, ""};	    if (now == token && token.empty()) return {true, ""};
src/backends/ovsdb/database.cc	  if (Clock::now() >= deadline && givenUp_.empty()) {	  if (false) {
src/backends/ovs/ovs_session.cc	    refused = AwaitDatapath(target, datapath.expected);	    refused = AwaitDatapath(target, datapath.expected); } catch (const QuorvicException&) { throw; } try {
src/backends/ovs/ovs_session.cc	  RefuseStaged(undone);	
src/backends/history/history_recorder.cc	  if (host_.UnstageHistory() == hostnet::StagedRow::kNotWritten) Append(row);	  host_.UnstageHistory(); Append(row);
src/backends/rows/uplinks.cc	configUplinks.push_back(pnic);	configUplinks.push_back(pnic); sw.row.teaming.order.push_back(pnic);
# Which host and settings a run takes; hostnet.conf read strictly, without
# blocking, from a file root trusts; every value held to its rule.
src/backends/host_choice.cc	std::getenv(rule.variable) == nullptr) continue;	Environment(rule.variable).empty()) continue;
src/backends/conf_file.cc	if (errno == ENOENT && namedBy.empty()) return std::nullopt;	if (errno == ENOENT) return std::nullopt;
src/backends/conf_file.cc	O_RDONLY | O_NONBLOCK | O_NOCTTY	O_RDONLY | O_NOCTTY
src/backends/conf_file.cc	if (lines.count(key) != 0) {	if (false) {
src/backends/conf_file.cc	if (line.find('\0') != std::string::npos)	if (false)
src/backends/conf_file.cc	"\xef\xbb\xbf", 0) == 0 ? 3 : 0;	"\xef\xbb\xbf", 0) == 0 ? 0 : 0;
src/backends/trust/trusted_file.cc	if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {	if (false) {
src/backends/trust/trusted_file.cc	for (const std::string& file : {named, std::string(real.get())}) {	for (const std::string& file : {std::string(real.get())}) {
src/backends/setting_rules.cc	number < kMin || number > kMax ?	number < kMin || number > kMax + 1 ?
src/backends/setting_rules.cc	return address.empty() ? std::string() : RemoteRefusal(address);	return std::string();
# Documents: the host's longest switch name, strings and inputs too long to read.
src/hostnet/host_json_read.cc	FirstLongString(text, kMaxDocumentString);	FirstLongString(text, kMaxDocumentBytes);
src/hostnet/host_json_read.cc	name.size() >= maxSwitchNameSize_	name.size() > maxSwitchNameSize_
tools/host_commands.cc	while (error == 0 && text.size() <= kMaxDocumentBytes) {	while (error == 0) {
# Names: C1 controls, overlong forms and surrogates taken as printable.
src/hostnet/names.cc	(point >= 0x7f && point <= 0x9f)	(point == 0x7f)
src/hostnet/names.cc	point < kShortest[length] ||	point < kShortest[length] * 0 ||
src/hostnet/names.cc	|| (point >= 0xd800 && point <= 0xdfff)	
# Escaping: every line streamed, getopt_long's diagnostics, ploncfg-host's output.
src/output/output.h	    WriteEscaped(stream_, text);	    stream_ << text;
src/cli/parse_command_line.cc	if (caught != nullptr) stderr = caught;	
# Counted faults spent once across runs; a kernel fault's status.
src/backends/rows/row_backend.cc	  return fires;	  return true;
src/backends/faults/fault_gate.cc	return fault->status ? static_cast<int>(*fault->status) : 1;	return fault->status ? static_cast<int>(*fault->status) : 0;
# History: its limit and fractions of a second in --since.
src/backends/sqlite/store_history.cc	"DELETE FROM history WHERE id <= ?1"	"DELETE FROM history WHERE id < ?1"
tools/host_history.cc	for (size_t n = at - start; n < 6; ++n) micros *= 10;	for (size_t n = at - start; n < 6; ++n) micros *= 1;
# The simulated host's files and lock: modes under any umask, the wait limit.
src/backends/sqlite/host_file.cc	fchmod(fd, 0644);	;
src/backends/sqlite/writer_lock.cc	    Deadline deadline(wait_);	
# Backups: written beside the file and renamed, no leftovers.
tools/durable_file.cc	const std::string tmp = path + ".tmp";	const std::string tmp = path;
tools/durable_file.cc	    unlink(tmp.c_str());	
# DVSwitch records in OVN: every field read back from its own key.
src/backends/ovn/dv_rows.cc	{"interrupt", ens.interrupt},	{"interrupt", ens.active},
# Open vSwitch's one namespace of names: a group named like a pnic or
# another switch is a record; others' VLAN bridges stop a removal; -m
# reaches the VLAN bridges; status names a lost primary, a pnic that is
# down or without carrier and a VLAN bridge others removed.
src/backends/ovs/ovs_store_edits.cc	if (groups.count(pnic) != 0) taken[pnic]	if (false) taken[pnic]
src/backends/ovs/ovs_store_edits.cc	if (holder.role == kRolePortGroup && groups.count(name) != 0) continue;	if (!holder.role.empty()) continue;
src/backends/ovs/ovs_bridge_read.cc	(port->fakeBridge ? bridge.foreignVlanBridges : bridge.memberPorts).push_back(*port);	if (!port->fakeBridge) bridge.memberPorts.push_back(*port);
src/backends/ovs/ovs_plan.cc	if (own != nullptr && own->mtuRequest != static_cast<int64_t>(after.row.mtu)) {	if (false) {
src/backends/ovs/ovs_store_health.cc	uplink->bondMode == mode && actual != primary	false
src/backends/ovs/ovs_store_health.cc	bridge.OwnPort(kRolePortGroup, pg.name) != nullptr) {	true) {
src/backends/ovs/ovs_store_health.cc	if (pnic.adminState == "down") {	if (false) {
src/backends/ovs/ovs_store_health.cc	} else if (pnic.linkState == "down") {	} else if (false) {
# DVSwitches in OVN as the engines see them: a bound DVPort, its VM of
# this host, what VMs use is not removed, wiring others' removals left is
# named, refused to -L, swept by a change of uplinks and by a load, and
# rewired, the tunnel's MTU only while no host leads out, a document of
# this host's own pnics, a member that does not answer, status without
# the northbound database, and southbound members written with blanks.
src/backends/ovn/ovn_store_read.cc	if (IsTrue(read.up)) dvport.binding	if (IsTrue(read.up) && dvport.portId.empty()) dvport.binding
src/backends/ovs/ovs_chassis.cc	bindings[ports[i]] = {Name(), rows[0].at("name")};	elsewhere.push_back(ports[i]);
src/backends/ovs/bridge_mappings.cc	std::string member = Trim(list.substr(start, comma - start));	std::string member = list.substr(start, comma - start);
src/backends/ovn/ovn_store_write.cc	if (!bound[0].dvports.empty()) {	if (false) {
src/backends/ovn/shared_dv_store.cc	if (written && sweep) Sweep(name);	if (written && sweep && name.empty()) Sweep(name);
src/backends/ovs/ovs_chassis.cc	if (mapped.rfind(kNetworkPrefix, 0) == 0 && mapped != network) return true;	if (mapped.rfind(kNetworkPrefix, 0) == 0 && mapped != network) return false;
src/backends/ovn/dv_rows.cc	if (list.generation != GenerationOf(ids)) return std::nullopt;	
src/backends/ovn/ovn_store_write.cc	change.GuardPairs("Logical_Switch_Port", localnet->uuid, "external_ids", {*next});	
src/backends/ovsdb/guarded_change.cc	(before.empty() ? "); nothing was changed"	(true ? "); nothing was changed"
src/backends/ovn/shared_dv_store.cc	  Sweep("");	
src/backends/ovn/shared_dv_store.cc	for (const std::string& pnic : linking) RefuseWired(pnic);	
src/backends/ovn/shared_dv_store.cc	if (needed.count(wiring.network) != 0) continue;	continue;
src/backends/ovn/shared_dv_store.cc	if (wanted.count(wiring.network) == 0) wire(wiring.network, wiring.dvswitch, {});	if (wanted.count(wiring.network) == 0 && wiring.bridge.empty()) wire(wiring.network, wiring.dvswitch, {});
src/backends/ovn/shared_dv_store.cc	wiring.localnet || 	
src/backends/ovn/shared_dv_store.cc	    ownOnly(dvs.row.uplinks);	
src/backends/ovn/leader_link.cc	silent.push_back(message.find(remote)	(void)(message.find(remote)
src/backends/ovn/shared_dv_store.cc	    return Base().ReadHost();	    throw;
# Values built as objects, as brace initialisation makes two-element arrays.
src/backends/ovsdb/values.cc	json pairs = json::array();	json pairs;
src/backends/ovsdb/values.cc	json::array({"set", json(std::move(elements))})	json{{"set", json(std::move(elements))}}
src/backends/ovsdb/values.cc	json::array({"named-uuid", name})	json{{"named-uuid", name}}
# Hostile peers: a transact answered with fewer results than operations; a
# TLS close after the handshake.
src/backends/ovsdb/client.cc	!results.is_array() || results.size() < count	!results.is_array()
src/backends/ovsdb/tls_session.cc	case SSL_ERROR_ZERO_RETURN:	case SSL_ERROR_ZERO_RETURN: io.want = Want::kRead; return io;
src/backends/ovsdb/stream.cc	    if (io.closed) throw QuorvicException("OVSDB server at " + name_ + " closed the connection");	
# Limits at their boundary: a key the world may read, max-message 0, a
# 16-byte port group name.
src/backends/ovsdb/tls_session.cc	(key.st_mode & 077) != 0	(key.st_mode & 070) != 0
src/backends/setting_rules.cc	&NumberRefusal<1, 4096>}	&NumberRefusal<0, 4096>}
src/backends/ovs/ovs_plan.cc	name.empty() || name.size() > 15 ||	name.empty() || name.size() > 16 ||
# A read not tried again once the leader's connection dropped mid-run.
src/backends/ovsdb/database.cc	if (attempt == 2) Unreachable(e.GetMessage(), {}, deadline);	if (attempt == 1) Unreachable(e.GetMessage(), {}, deadline);
# Golden cases: restore --prune-shared, uplinks in link order, a key of the
# DVSwitch records misspelt alike where it is written and read.
tools/host_commands.cc	if ((command == "load" || command == "restore") && !operands.empty() &&	if (command == "load" && !operands.empty() &&
src/backends/ovs/ovs_bridge_read.cc	rank(a) != rank(b) ? rank(a) < rank(b) : a < b	rank(a) != rank(b) && false ? rank(a) < rank(b) : a < b
src/backends/ovn/dv_rows.cc	"quenta:num-ports"	"quenta:num-port"
# A pnic on another program's bond refused by OVSDB's index, not named.
src/backends/ovs/ovs_store_read.cc	ovsdb::Select("Interface", {Condition("name", "==", name)}, columns)	ovsdb::Select("Interface", {Condition("name", "==", "")}, columns)
# Others' fake bridges counted as VM ports.
src/backends/ovs/ovs_bridge_read.cc	(port->fakeBridge ? bridge.foreignVlanBridges : bridge.memberPorts).push_back(*port);	bridge.memberPorts.push_back(*port);
src/backends/ovs/ovs_bridge_read.cc	(port.fakeBridge ? bridge.foreignVlanBridges : bridge.memberPorts).push_back(port);	bridge.memberPorts.push_back(port);
# A network's bridge named by a hash that differs between builds.
src/backends/ovs/bridge_mappings.cc	rows::StableHash(network)	std::hash<std::string>()(network)
# Wiring bridges of a format-2 build name their network but not their role.
src/backends/ovs/ovs_chassis.cc	if (Get(ids, kNetworkKey).empty()) continue;	if (Get(ids, kRoleKey) != kRoleDVSUplinks) continue;
EOF
)

backups=""
restore() {
  for f in $backups; do cp "$saved/$(printf %s "$f" | tr / _)" "$f"; done
  backups=""
}

say() { printf '%s\n' "$*"; }
missed=0 caught=0 skipped=0
tab=$(printf '\t')
printf '%s\n' "$faults" | grep -v '^#' | grep -E -- "${SURVEY_ROWS:-.}" > "$saved/table"
while IFS="$tab" read -r file text replacement; do
  if ! grep -qF -- "$text" "$file" 2>/dev/null; then
    say "SKIPPED $file: text not found: $text"
    skipped=$((skipped + 1))
    continue
  fi
  cp "$file" "$saved/$(printf %s "$file" | tr / _)"
  backups=$file
  FILE=$file TEXT=$text REPLACEMENT=$replacement python3 < /dev/null -c '
import os
path = os.environ["FILE"]
text = open(path).read()
open(path, "w").write(text.replace(os.environ["TEXT"], os.environ["REPLACEMENT"]))'
  # shellcheck disable=SC2086  # the --target words
  if ! cmake --build "$build" --parallel 2 $targets < /dev/null > "$saved/build.log" 2>&1; then
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
echo "faults: $caught caught, $missed missed, $skipped skipped (text not found)"
[ $missed -eq 0 ] && [ $skipped -eq 0 ]
