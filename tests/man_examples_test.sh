#!/usr/bin/env bash
# Runs every example of the manual pages as written, page by page on a fresh
# host, in order, and checks what each command prints. In an example, a line
# starting with "# " or "$ " is a command (a trailing backslash joins the next
# line); the lines up to the next command are what it prints, standard output
# and error together. A command shown without output must exit 0 and print
# nothing on standard error. The package's example folder is read from doc/.
#
# An example whose .EX is preceded by a comment saying "needs ovsdb" runs on
# a private Open vSwitch (QUENTA_HOSTNET pointing at it, pnics eth1 and
# eth2); "needs ovn" runs with QUENTA_OVN_NB pointing at a private northbound
# database. Where those cannot be started, each of their commands is
# reported as skipped, by name, and the rest still runs.
#
# Also checks that the pages name every QUENTA_ variable the sources read.
#   Usage: man_examples_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd) source=$(cd "$2" && pwd)
for tool in jq dot; do
    command -v $tool >/dev/null || { echo "SKIP: the examples use $tool"; exit 77; }
done
tmp=$(mktemp -d)
ovs=$tmp/ovs nb=$tmp/nb nb_schema=/usr/share/ovn/ovn-nb.ovsschema
# shellcheck source=tests/own_settings.sh
source "$source/tests/own_settings.sh"
own_host_settings "$tmp" || exit 1
# shellcheck source=tests/private_ovs.sh
source "$source/tests/private_ovs.sh"
stop() {
    private_ovs_stop "$ovs"
    stop_daemons "$nb/nb.pid"
    rm -rf "$tmp"
}
trap stop EXIT

passed=0 failed=0 skipped=0

# The environment of examples that need a service, one file each, made on
# first use; a file holding "SKIP reason" when the service cannot be had.
environment_for() {
    local needs=$1 file=$tmp/env.$1
    if [[ ! -f $file ]]; then
        local missing=
        case $needs in
            ovsdb)
                missing=$(private_ovs_missing)
                if [[ -z $missing ]]; then
                    mkdir -p "$ovs"
                    if private_ovs_start "$ovs"; then
                        printf 'export %s\n' "QUENTA_HOSTNET=ovsdb:unix:$ovs/db.sock" \
                            "QUENTA_OVS_PNICS='eth1 eth2'" "OVS_RUNDIR=$ovs" >"$file"
                    else
                        missing="an Open vSwitch that starts (see $ovs)"
                    fi
                fi ;;
            ovn)
                missing=$(missing_of ovsdb-tool ovsdb-server ovn-nbctl "$nb_schema")
                if [[ -z $missing ]]; then
                    mkdir -p "$nb"
                    if PATH=$PATH:/usr/sbin serve_database "$nb" nb "$nb_schema" 2>/dev/null; then
                        echo "export QUENTA_OVN_NB=unix:$nb/nb.sock" >"$file"
                    else
                        missing="a northbound database that starts (see $nb)"
                    fi
                fi ;;
        esac
        [[ -z $missing ]] || echo "SKIP needs ${missing# }" >"$file"
    fi
    echo "$file"
}

for page in "$source"/doc/*.8; do
    name=$(basename "$page")
    dir=$tmp/$name
    mkdir -p "$dir/home"
    # The examples as "CMD<TAB>NEEDS<TAB>command" and "OUT<TAB>-<TAB>line"
    # records; NEEDS is ovsdb, ovn or "-".
    sed -n '/^\.SH EXAMPLES/,/^\.SH /p' "$page" |
        awk '/^\.\\".*needs ovsdb/ { needs = "ovsdb" }
             /^\.\\".*needs ovn/ { needs = "ovn" }
             /^\.EX/ { inside = 1; if (needs == "") needs = "-"; next }
             /^\.EE/ { inside = 0; needs = ""; next }
             inside { print needs "\t" $0 }' |
        sed -e 's/\\-/-/g' -e 's/\\e/\\/g' -e 's/\\(aq/'"'"'/g' |
        awk -F '\t' '
            { needs = $1; line = substr($0, length($1) + 2) }
            joining { command = substr(command, 1, length(command) - 1) line
                      if (line !~ /\\$/) { print "CMD\t" needs "\t" command; joining = 0 }; next }
            line ~ /^[#$] / { command = substr(line, 3)
                              if (line ~ /\\$/) { joining = 1; next }
                              print "CMD\t" needs "\t" command; next }
            { print "OUT\t-\t" line }' >"$dir/examples"
    # One script runs the commands in one shell, each into files of its own;
    # a command that needs a service runs in a subshell with its environment.
    n=0
    {
        echo 'cd "$1"'
        while IFS=$'\t' read -r kind needs text; do
            [[ $kind == CMD ]] || continue
            n=$((n + 1))
            text=${text//\/usr\/share\/doc\/ploncfg-vswitch\/examples\//$source/doc/}
            if [[ $needs == - ]]; then
                printf '{ %s\n} >out.%d 2>err.%d; echo $? >status.%d\n' "$text" $n $n $n
                continue
            fi
            env=$(environment_for "$needs")
            if grep -q '^SKIP' "$env"; then
                printf 'cp %q skip.%d\n' "$env" $n
            else
                printf '( . %q; %s\n) >out.%d 2>err.%d; echo $? >status.%d\n' "$env" "$text" \
                    $n $n $n
            fi
        done <"$dir/examples"
    } >"$dir/run.sh"
    # A fresh host in the page's folder; HOME there too, for examples that use it.
    (cd "$dir" && HOME=$dir/home QUENTA_HOSTNET_DB=$dir/hostnet.db PATH=$build:$PATH \
        bash "$dir/run.sh" "$dir")
    n=0 want=
    check() {
        [[ $n -eq 0 ]] && return
        if [[ -f $dir/skip.$n ]]; then
            ((skipped++))
            printf 'SKIP: %s: %s (%s)\n' "$name" "$command" "$(cut -c6- "$dir/skip.$n")"
            return
        fi
        local got
        got=$(cat "$dir/out.$n" "$dir/err.$n")
        if [[ -n $want ]]; then
            [[ $got == "${want%$'\n'}" ]] && ok=1 || ok=
        else
            [[ $(cat "$dir/status.$n") == 0 && ! -s $dir/err.$n ]] && ok=1 || ok=
        fi
        if [[ $ok ]]; then
            ((passed++))
        else
            ((failed++))
            printf 'FAIL: %s: %s\n  status %s, printed:\n%s\n  shown:\n%s\n' "$name" "$command" \
                "$(cat "$dir/status.$n")" "$got" "$want"
        fi
    }
    while IFS=$'\t' read -r kind _ text; do
        if [[ $kind == CMD ]]; then
            check
            n=$((n + 1)) command=$text want=
        else
            want+=$text$'\n'
        fi
    done <"$dir/examples"
    check
done

# Every environment variable the tools read, and every key of hostnet.conf
# (host, and the keys the settings table pairs with a variable), is named by
# both pages; a page writes each hyphen of a key as roff's \-.
variables=$(grep -rhoE '"QUENTA_[A-Z0-9_]+"' "$source/src" "$source/tools" --include='*.cc' \
                --exclude='*_test.cc' | tr -d '"' | sort -u)
keys="host $(sed -n 's/^ *{"\([a-z-]*\)", "QUENTA_[A-Z_]*"}.*/\1/p' "$source/src/backends/host_choice.cc")"
for page in "$source"/doc/*.8; do
    for name in $variables $keys; do
        if grep -qwF "${name//-/\\-}" "$page"; then
            ((passed++))
        else
            ((failed++))
            echo "FAIL: $(basename "$page") does not name $name"
        fi
    done
done

echo "$passed passed, $failed failed, $skipped skipped"
((passed > 0 && failed == 0))
