#!/usr/bin/env bash
# Packs the build tree into a Debian package in a scratch folder and checks the
# files it installs and its control fields.   Usage: package_test.sh BUILD_DIR
set -u
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; exit 1; }
debs=("$tmp"/ploncfg-vswitch_*.deb)
[[ -f ${debs[0]} && ${#debs[@]} -eq 1 ]] || { echo "FAIL: no single package in $tmp"; exit 1; }
deb=${debs[0]}

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
            /usr/share/doc/ploncfg-vswitch/examples/host-example.json; do
    check "$file is in the package" grep -qx "\.$file" <<<"$contents"
done
# Nothing else: no test programs, headers or libraries.
check "only the tools, their manual pages, completion and documents" \
    test -z "$(grep -v '/$' <<<"$contents" |
               grep -vE '^\./usr/(sbin|share/man/man8|share/bash-completion/completions|share/doc/ploncfg-vswitch(/examples)?)/[^/]+$')"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
check "Package" test "$(dpkg-deb -f "$deb" Package)" = ploncfg-vswitch
check "Version $version" test "$(dpkg-deb -f "$deb" Version)" = "$version"
check "Architecture" test "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)"
check "Depends names libsqlite3" grep -q 'libsqlite3' <<<"$(dpkg-deb -f "$deb" Depends)"
check "Description" test -n "$(dpkg-deb -f "$deb" Description)"

# The packaged manual pages render without a warning.
dpkg-deb -x "$deb" "$tmp/root"
for page in "$tmp"/root/usr/share/man/man8/*.8.gz; do
    check "$(basename "$page") renders cleanly" \
        test -z "$(zcat "$page" | groff -man -Tutf8 -ww 2>&1 >/dev/null)"
done

check "the changelog unpacks" zcat "$tmp/root/usr/share/doc/ploncfg-vswitch/changelog.gz" >/dev/null
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

echo "$passed passed, $failed failed"
((failed == 0))
