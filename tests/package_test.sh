#!/usr/bin/env bash
# Checks the Debian package: the files it installs, its control fields, and
# what an installation of it gives. Without DEB it packs BUILD_DIR in a
# scratch folder first; with DEB (a package built by the README's commands)
# it checks that one.   Usage: package_test.sh BUILD_DIR [DEB]
set -u
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# shellcheck source=tests/own_settings.sh
source "$(dirname "$0")/own_settings.sh"
own_host_settings "$tmp" || exit 1
if [[ $# -ge 2 ]]; then
    deb=$2
else
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
        { cat "$tmp/cpack.log"; exit 1; }
    debs=("$tmp"/ploncfg-vswitch_*.deb)
    [[ -f ${debs[0]} && ${#debs[@]} -eq 1 ]] || { echo "FAIL: no single package in $tmp"; exit 1; }
    deb=${debs[0]}
fi
[[ -f $deb ]] || { echo "FAIL: no package $deb"; exit 1; }

passed=0 failed=0
check() {  # check DESCRIPTION COMMAND...: the command must succeed
    if "${@:2}"; then ((passed++)); else ((failed++)); echo "FAIL: $1"; fi
}

contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
completions=$(pkg-config --variable=completionsdir bash-completion 2>/dev/null ||
              echo /usr/share/bash-completion/completions)
for file in /usr/sbin/ploncfg-vswitch /usr/sbin/ploncfg-host \
            /usr/share/man/man8/ploncfg-vswitch.8.gz /usr/share/man/man8/ploncfg-host.8.gz \
            "$completions/ploncfg-vswitch" "$completions/ploncfg-host" \
            /usr/share/doc/ploncfg-vswitch/copyright /usr/share/doc/ploncfg-vswitch/changelog.gz \
            /usr/share/doc/ploncfg-vswitch/README.md.gz \
            /usr/share/doc/ploncfg-vswitch/examples/host-example.json \
            /usr/share/doc/ploncfg-vswitch/examples/hostnet.conf; do
    check "$file is in the package" grep -qx "\.$file" <<<"$contents"
done
# Nothing else: no test programs, headers or libraries.
check "only the tools, their manual pages, completion and documents" \
    test -z "$(grep -v '/$' <<<"$contents" |
               grep -vE '^\./usr/(sbin|share/man/man8|share/bash-completion/completions|share/doc/ploncfg-vswitch(/examples)?)/[^/]+$')"

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
# In a git checkout the version names the commit, its time first, so that a
# later commit's package is newer: the one a commit a second later would
# get, repacked from this one, is what apt-get must upgrade to below.
if [[ $version =~ ^(.*\+git)([0-9]{14})\.[0-9a-f]+$ ]]; then
    later="${BASH_REMATCH[1]}$((BASH_REMATCH[2] + 1)).0000000"
    dpkg-deb -R "$deb" "$tmp/later" && sed -i "s/^Version: .*/Version: $later/" "$tmp/later/DEBIAN/control" &&
        echo later >"$tmp/later/usr/share/doc/ploncfg-vswitch/later" &&
        dpkg-deb -b "$tmp/later" "$tmp/later.deb" >/dev/null || exit 1
    check "$later is newer than $version" dpkg --compare-versions "$later" gt "$version"
elif git -C "$(dirname "$0")" rev-parse 2>/dev/null; then
    check "the version $version of a git checkout names its commit" false
fi
check "Package" test "$(dpkg-deb -f "$deb" Package)" = ploncfg-vswitch
check "Version $version" test "$(dpkg-deb -f "$deb" Version)" = "$version"
check "Architecture" test "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)"
check "Depends names libsqlite3-0" grep -qw 'libsqlite3-0' <<<"$(dpkg-deb -f "$deb" Depends)"
check "Depends names libssl3" grep -qw 'libssl3' <<<"$(dpkg-deb -f "$deb" Depends)"
check "Description" test -n "$(dpkg-deb -f "$deb" Description)"
for suggested in bash-completion graphviz openvswitch-switch ovn-central; do
    check "Suggests $suggested" grep -qw "$suggested" <<<"$(dpkg-deb -f "$deb" Suggests)"
done

# The packaged manual pages render without a warning.
dpkg-deb -x "$deb" "$tmp/root"
for page in "$tmp"/root/usr/share/man/man8/*.8.gz; do
    check "$(basename "$page") renders cleanly" \
        test -z "$(zcat "$page" | groff -man -Tutf8 -ww 2>&1 >/dev/null)"
done

# OpenSSL is loaded by the runs that use an ssl: remote and SQLite by those
# on the simulated host, never at start: linking them costs every run their
# mapping and relocation.
for tool in ploncfg-vswitch ploncfg-host; do
    check "$tool is linked without OpenSSL and SQLite" \
        test -z "$(grep -E 'libssl|libcrypto|libsqlite3' <<<"$(ldd "$tmp/root/usr/sbin/$tool")")"
done

check "the changelog unpacks" zcat "$tmp/root/usr/share/doc/ploncfg-vswitch/changelog.gz" >/dev/null
# The README the manual pages cite is there, with every section they name
# (each "section \(lqTITLE\(rq" in the pages' source, one a line).
readme=$(zcat "$tmp/root/usr/share/doc/ploncfg-vswitch/README.md.gz")
cited=$(zcat "$tmp"/root/usr/share/man/man8/*.8.gz |
        sed -n 's/.*section \\(lq\(.*\)\\(rq.*/\1/p' | sort -u)
check "the manual pages cite README sections" test -n "$cited"
while IFS= read -r section; do
    check "the README has the section $section" grep -qx "##* $section" <<<"$readme"
done <<<"$cited"
# Copied to /etc/quenta/hostnet.conf, the example configuration changes
# nothing: every line is a comment or blank.
check "the example configuration is all comments" test -z "$(grep -v '^#' \
    "$tmp/root/usr/share/doc/ploncfg-vswitch/examples/hostnet.conf" | grep -v '^$')"
# The example host loads, and holds DVPorts and timeout records.
check "the example host loads" env QUENTA_HOSTNET_DB="$tmp/example.db" "$build/ploncfg-host" load \
    "$tmp/root/usr/share/doc/ploncfg-vswitch/examples/host-example.json"
check "the example host has DVPorts and timeouts" test "$(QUENTA_HOSTNET_DB="$tmp/example.db" \
    "$build/ploncfg-vswitch" --get-lacp-timeout --portset dvs0)" = "dvs0,nic4,5,1"

# postrm purge removes the host database and nothing else; it runs in a
# private mount namespace whose /var/lib is a tmpfs, so the machine's own
# /var/lib is never touched. Without the rights for that, this part is skipped.
dpkg-deb -e "$deb" "$tmp/control"
check "postrm is executable" test -x "$tmp/control/postrm"
if unshare --mount true 2>/dev/null; then
    purged=$(unshare --mount sh -c '
        mount --make-rprivate / && mount -t tmpfs ploncfg-package-test /var/lib || exit 1
        mkdir /var/lib/quenta && touch /var/lib/quenta/hostnet.db /var/lib/quenta/hostnet.db-wal \
            /var/lib/quenta/hostnet.db-shm
        sh "$1" remove && ls /var/lib/quenta | tr "\n" " "
        sh "$1" purge && ls /var/lib
        mkdir /var/lib/quenta && touch /var/lib/quenta/mine /var/lib/quenta/hostnet.db
        sh "$1" purge && ls /var/lib/quenta' sh "$tmp/control/postrm")
    check "postrm keeps the host on remove and removes it on purge, keeping other files" \
        test "$purged" = "hostnet.db hostnet.db-shm hostnet.db-wal mine"
fi

# `apt-get install ./PACKAGE`, as an operator would run it, in a private mount
# namespace whose /usr, /etc and /var are overlays on scratch folders, so the
# machine's own files are never touched. There, both tools run from PATH, man
# finds both pages, bash-completion loads the completion of both tools, and
# the example configuration is in place. Skipped without the rights for it.
if unshare --mount true 2>/dev/null && command -v apt-get >/dev/null; then
    installed=$(unshare --mount bash -c '
        tmp=$1 deb=$2
        mount --make-rprivate / || exit 1
        for dir in usr etc var; do
            mkdir -p "$tmp/overlay/$dir/upper" "$tmp/overlay/$dir/work"
            mount -t overlay overlay -o "lowerdir=/$dir,upperdir=$tmp/overlay/$dir/upper,workdir=$tmp/overlay/$dir/work" "/$dir" || exit 1
        done
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" \
            >"$tmp/apt.log" 2>&1 </dev/null || { cat "$tmp/apt.log" >&2; exit 1; }
        export PATH=/usr/sbin:/usr/bin:/sbin:/bin
        command -v ploncfg-vswitch ploncfg-host
        ploncfg-host --version
        ploncfg-vswitch -h >/dev/null && echo "ploncfg-vswitch -h: 0"
        man -w ploncfg-vswitch ploncfg-host
        MANWIDTH=80 man ploncfg-host 2>/dev/null | grep -m 1 -o "^ *QUENTA_HOSTNET_CONF"
        bash -c ". /usr/share/bash-completion/bash_completion
                 _completion_loader ploncfg-vswitch; complete -p ploncfg-vswitch ploncfg-host"
        ls /usr/share/doc/ploncfg-vswitch/examples
        if [ -f "$tmp/later.deb" ]; then
            apt-get install -y -q "$tmp/later.deb" >"$tmp/apt.log" 2>&1 </dev/null || cat "$tmp/apt.log" >&2
            [ -f /usr/share/doc/ploncfg-vswitch/later ] && echo upgraded
        fi
    ' sh "$tmp" "$(readlink -f "$deb")")
    check "apt-get install gives the tools, manual pages, completion and example configuration" \
        test "$installed" = "/usr/sbin/ploncfg-vswitch
/usr/sbin/ploncfg-host
ploncfg-vswitch $version
ploncfg-vswitch -h: 0
/usr/share/man/man8/ploncfg-vswitch.8.gz
/usr/share/man/man8/ploncfg-host.8.gz
       QUENTA_HOSTNET_CONF
complete -F _ploncfg_vswitch ploncfg-vswitch
complete -F _ploncfg_host ploncfg-host
host-example.json
hostnet.conf${later:+
upgraded}"
    [[ $failed -eq 0 ]] || printf '%s\n' "$installed"
fi

echo "$passed passed, $failed failed"
((failed == 0))
