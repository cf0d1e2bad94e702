#!/usr/bin/env bash
# Runs every example of the manual pages as written, page by page on a fresh
# host, in order, and checks what each command prints. In an example, a line
# starting with "# " or "$ " is a command (a trailing backslash joins the next
# line); the lines up to the next command are what it prints, standard output
# and error together. A command shown without output must exit 0 and print
# nothing on standard error. The package's example folder is read from doc/.
#   Usage: man_examples_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd) source=$(cd "$2" && pwd)
for tool in jq dot; do
    command -v $tool >/dev/null || { echo "SKIP: the examples use $tool"; exit 77; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

passed=0 failed=0
for page in "$source"/doc/*.8; do
    name=$(basename "$page")
    dir=$tmp/$name
    mkdir -p "$dir/home"
    # The examples as "CMD<TAB>command" and "OUT<TAB>line" records.
    sed -n '/^\.SH EXAMPLES/,/^\.SH /p' "$page" |
        awk '/^\.EX/ { inside = 1; next } /^\.EE/ { inside = 0; next } inside' |
        sed -e 's/\\-/-/g' -e 's/\\e/\\/g' -e 's/\\(aq/'"'"'/g' |
        awk '
            joining { command = substr(command, 1, length(command) - 1) $0
                      if (!/\\$/) { print "CMD\t" command; joining = 0 }; next }
            /^[#$] / { command = substr($0, 3); if (/\\$/) { joining = 1; next }; print "CMD\t" command; next }
            { print "OUT\t" $0 }' >"$dir/examples"
    # One script runs the commands in one shell, each into files of its own.
    n=0
    {
        echo 'cd "$1"'
        while IFS=$'\t' read -r kind text; do
            [[ $kind == CMD ]] || continue
            n=$((n + 1))
            text=${text//\/usr\/share\/doc\/ploncfg-vswitch\/examples\//$source/doc/}
            printf '{ %s\n} >out.%d 2>err.%d; echo $? >status.%d\n' "$text" $n $n $n
        done <"$dir/examples"
    } >"$dir/run.sh"
    # A fresh host in the page's folder; HOME there too, for examples that use it.
    (cd "$dir" && HOME=$dir/home QUENTA_HOSTNET_DB=$dir/hostnet.db PATH=$build:$PATH \
        bash "$dir/run.sh" "$dir")
    n=0 want=
    check() {
        [[ $n -eq 0 ]] && return
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
    while IFS=$'\t' read -r kind text; do
        if [[ $kind == CMD ]]; then
            check
            n=$((n + 1)) command=$text want=
        else
            want+=$text$'\n'
        fi
    done <"$dir/examples"
    check
done
echo "$passed passed, $failed failed"
((passed > 0 && failed == 0))
