# bash completion for ploncfg-vswitch and ploncfg-host            -*- shell-script -*-
#
# Completes option names, and the names of switches, port groups, pnics and
# DVPorts where an option or the switch argument takes one. Names come from one
# `ploncfg-host dump` per Tab press, read with awk from its one-key-per-line
# layout. A host database that does not exist yet is left alone: pressing Tab
# never creates one.

# Prints the names in a host dump read on standard input that are of one of
# the kinds in $1 (blank-separated: pnic, switch (standard), portgroup,
# dvswitch, dvport, opaque) and start with $2, one per line.
_ploncfg_dump_names() {
    awk -v kinds=" $1 " -v prefix="$2" '
    function emit(kind, name) {
        if (index(kinds, " " kind " ") && index(name, prefix) == 1) print name
    }
    # The JSON string that starts at position i of the line (just after its
    # opening quote), with \" and \\ undone; sets END_AT past its closing quote.
    function json_string(line, i,    out, c) {
        out = ""
        for (; i <= length(line); i++) {
            c = substr(line, i, 1)
            if (c == "\\") { i++; c = substr(line, i, 1); if (c == "n") c = " " }
            else if (c == "\"") break
            out = out c
        }
        END_AT = i + 1
        return out
    }
    function value_of(key, kind,    at) {
        at = index($0, "\"" key "\": \"")
        if (at) emit(kind, json_string($0, at + length(key) + 5))
    }
    /^  "[A-Za-z]+": / { section = substr($1, 2, length($1) - 3) }
    section == "pnics" && /^  "pnics": / {
        rest = substr($0, index($0, "[") + 1)
        while ((at = index(rest, "\"")) > 0) {
            emit("pnic", json_string(rest, at + 1))
            rest = substr(rest, END_AT)
        }
    }
    section == "switches" && /^ *"name": "/       { value_of("name", "switch") }
    section == "switches" && /^ *\{"name": "/     { value_of("name", "portgroup") }
    section == "dvswitches" && /^ *"name": "/     { value_of("name", "dvswitch") }
    section == "dvswitches" && /^ *\{"id": "/     { value_of("id", "dvport") }
    section == "opaqueSwitches" && /^ *\{"name": "/ { value_of("name", "opaque") }
    '
}

# Sets COMPREPLY to the names of the given kinds that start with the current
# word, quoted for the shell. $1: the ploncfg-host to run; $2: the database
# path or empty for the default; $3...: kinds.
_ploncfg_names() {
    local host=$1 db=$2
    shift 2
    local path=${db:-${QUENTA_HOSTNET_DB:-/var/lib/quenta/hostnet.db}}
    [[ -e ${path/#\~/$HOME} ]] || return 0
    local -a args=()
    [[ -n $db ]] && args=(--db "${db/#\~/$HOME}")
    local typed=${cur//\\/}
    typed=${typed#[\"\']}
    local name
    while IFS= read -r name; do
        [[ $name =~ [^A-Za-z0-9._:/@+-] ]] && printf -v name '%q' "$name"
        COMPREPLY+=("$name")
    done < <("$host" "${args[@]}" dump 2>/dev/null | _ploncfg_dump_names "$*" "$typed")
}

# The word being completed and the option it belongs to, also for
# "--opt=value", which readline splits at the "=".
_ploncfg_words() {
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    if [[ $cur == "=" ]]; then
        cur=
    elif [[ $prev == "=" ]] && ((COMP_CWORD > 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi
}

_ploncfg_vswitch() {
    local cur prev
    _ploncfg_words
    COMPREPLY=()
    local host=ploncfg-host
    [[ $1 == */* ]] && host=${1%/*}/ploncfg-host

    case $prev in
        -L | --link | -U | --unlink | -M | --add-pg-uplink | -N | --del-pg-uplink | \
            -P | --add-dvp-uplink | -Q | --del-dvp-uplink | -k | --uplink)
            _ploncfg_names "$host" "" pnic
            return ;;
        -p | --pg)
            [[ ALL == "$cur"* ]] && COMPREPLY=(ALL)
            _ploncfg_names "$host" "" portgroup
            return ;;
        -D | --del-pg | -C | --check-pg)
            _ploncfg_names "$host" "" portgroup
            return ;;
        -V | --dvp)
            _ploncfg_names "$host" "" dvport
            return ;;
        -s | --portset)
            _ploncfg_names "$host" "" switch dvswitch
            return ;;
        -B | --set-cdp)
            mapfile -t COMPREPLY < <(compgen -W "down listen advertise both print" -- "$cur")
            return ;;
        -I | --impl-class)
            mapfile -t COMPREPLY < <(compgen -W "cswitch etherswitch" -- "$cur")
            return ;;
        -A | --add-pg | -u | --uuid | -n | --version | -v | --vlan | -m | --mtu | \
            -X | --set-maxactive | -j | --lagid)
            return ;;
    esac

    if [[ $cur == -* ]]; then
        local options="-a -W -u -I -n -d -l -S -L -U -R -r -A -D -C -c -p -v -B -b -X -x -m
            -M -N -P -Q -V -T -y -i -F -Y -z -f -Z -o -O -g -G -s -j -k -h
            --add --dvswitch --uuid --impl-class --version --delete --list --system
            --link --unlink --restore-uplinks --restore --add-pg --del-pg --check-pg
            --check --pg --vlan --set-cdp --get-cdp --set-maxactive --get-maxactive
            --mtu --add-pg-uplink --del-pg-uplink --add-dvp-uplink --del-dvp-uplink
            --dvp --test-sync-zet --activate-ens --intr --fast-switch --deactivate-ens
            --reassociate-ens --force-reassociate-ens --ens-ready --get-lacp-timeout
            --load-lacp-timeout --get-lag-timeout --load-lag-timeout --portset --lagid
            --uplink --help"
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi

    # The switch argument: what kind of switch depends on the command.
    local word kinds='' dvswitch=''
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        case $word in
            -a | --add | -l | --list | -r | --restore | -R | --restore-uplinks | \
                -C* | --check-pg | -Z | --ens-ready | -o | --get-lacp-timeout | \
                -O | --load-lacp-timeout | -g | --get-lag-timeout | -G | --load-lag-timeout)
                return ;;
            -W | --dvswitch) dvswitch=1 ;;
            -d | --delete) kinds=${kinds:-delete} ;;
            -P* | --add-dvp-uplink | -Q* | --del-dvp-uplink | -T | --test-sync-zet)
                kinds=${kinds:-dvswitch} ;;
            -c | --check | -m* | --mtu | -y | --activate-ens | -Y | --deactivate-ens | \
                -z | --reassociate-ens | -f | --force-reassociate-ens)
                kinds=${kinds:-"switch dvswitch"} ;;
            -L* | --link | -U* | --unlink | -A* | --add-pg | -D* | --del-pg | -v* | --vlan | \
                -B* | --set-cdp | -b | --get-cdp | -X* | --set-maxactive | -x | --get-maxactive | \
                -M* | --add-pg-uplink | -N* | --del-pg-uplink)
                kinds=${kinds:-switch} ;;
        esac
    done
    case $kinds in
        delete) kinds=switch; [[ $dvswitch ]] && kinds=dvswitch ;;
        "") kinds="switch dvswitch" ;;
    esac
    # shellcheck disable=SC2086  # the kinds are separate words
    _ploncfg_names "$host" "" $kinds
}

_ploncfg_host() {
    local cur prev
    _ploncfg_words
    COMPREPLY=()
    if [[ $prev == --db ]]; then
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return
    fi

    local i=1 db='' command=''
    while ((i < COMP_CWORD)); do
        case ${COMP_WORDS[i]} in
            --db) db=${COMP_WORDS[i + 1]}; ((i += 2)); continue ;;
            -*) ;;
            *) command=${COMP_WORDS[i]}; break ;;
        esac
        ((i++))
    done

    case $command in
        "")
            if [[ $cur == -* ]]; then
                mapfile -t COMPREPLY < <(compgen -W "--db --help" -- "$cur")
            else
                mapfile -t COMPREPLY < <(compgen -W "dump load reset reboot fault faults graph" -- "$cur")
            fi ;;
        load)
            ((COMP_CWORD == i + 1)) && mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
        reset)
            ((COMP_CWORD == i + 1)) && mapfile -t COMPREPLY < <(compgen -W "--empty" -- "$cur") ;;
        faults)
            ((COMP_CWORD == i + 1)) && mapfile -t COMPREPLY < <(compgen -W "clear" -- "$cur") ;;
        fault)
            case $prev in
                --target) _ploncfg_names "$1" "$db" switch portgroup dvswitch dvport opaque pnic ;;
                --message | --times | --status) ;;
                *) ((COMP_CWORD > i + 1)) &&
                    mapfile -t COMPREPLY < <(compgen -W "--message --target --times --status" -- "$cur") ;;
            esac ;;
    esac
}

complete -F _ploncfg_vswitch ploncfg-vswitch
complete -F _ploncfg_host ploncfg-host
