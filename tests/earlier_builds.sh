# Sourced by the upgrade test: the tools as an earlier commit of this
# repository built them, made once and kept in a cache folder, so that a
# second run builds nothing.

# history_missing SOURCE_DIR COMMIT...: prints why this checkout cannot give
# the commits (not a git checkout, a shallow clone, a commit it lacks);
# nothing when it can.
history_missing() {
    src=$1
    shift
    command -v git >/dev/null || { echo "git is not installed"; return; }
    git -C "$src" rev-parse --git-dir >/dev/null 2>&1 ||
        { echo "$src is not a git checkout"; return; }
    for commit; do
        git -C "$src" cat-file -e "$commit^{commit}" 2>/dev/null && continue
        if [ "$(git -C "$src" rev-parse --is-shallow-repository)" = true ]; then
            echo "this clone is shallow and lacks commit $commit (clone without --depth)"
        else
            echo "this checkout lacks commit $commit"
        fi
        return
    done
}

# earlier_build SOURCE_DIR CACHE_DIR COMMIT: builds ploncfg-vswitch and
# ploncfg-host of COMMIT (Release, tests off) from git archive into
# CACHE_DIR/COMMIT, unless they are there already; prints that folder. The
# sources and objects are thrown away once the two tools are in place. Runs
# of the test at the same time take turns on the cache.
earlier_build() {
    src=$1 cache=$2
    full=$(git -C "$src" rev-parse --verify "$3^{commit}") || return 1
    mkdir -p "$cache" || return 1
    (
        flock 9
        [ -x "$cache/$full/ploncfg-vswitch" ] && [ -x "$cache/$full/ploncfg-host" ] && exit 0
        work=$cache/$full.building
        rm -rf "$work" "$cache/$full" && mkdir -p "$work/src" || exit 1
        started=$(date +%s)
        git -C "$src" archive --format=tar "$full" | tar -x -C "$work/src" &&
            cmake -S "$work/src" -B "$work/build" -DCMAKE_BUILD_TYPE=Release \
                -DPLONCFG_TESTS=OFF >"$work/build.log" 2>&1 &&
            cmake --build "$work/build" --parallel 2 --target ploncfg-vswitch ploncfg-host \
                >>"$work/build.log" 2>&1 || {
            echo "building $full failed; its log:" >&2
            tail -n 30 "$work/build.log" >&2
            exit 1
        }
        mkdir -p "$work/tools" &&
            cp "$work/build/ploncfg-vswitch" "$work/build/ploncfg-host" "$work/tools/" &&
            mv "$work/tools" "$cache/$full" && rm -rf "$work" || exit 1
        echo "built $full in $(($(date +%s) - started)) s" >&2
    ) 9>"$cache/.lock" || return 1
    echo "$cache/$full"
}
