# Sourced by the upgrade test: the tools as an earlier commit of this
# repository built them, made once and kept in a cache folder.

# history_missing SOURCE_DIR COMMIT...: prints why this checkout cannot give
# the commits; nothing when it can.
history_missing() {
    local src=$1 commit
    shift
    git -C "$src" rev-parse --git-dir >/dev/null 2>&1 || { echo "$src is not a git checkout"; return; }
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
# CACHE_DIR/COMMIT unless they are there, keeping only the two tools; prints
# that folder. Runs at the same time take turns on the cache.
earlier_build() {
    local cache=$2 full work
    full=$(git -C "$1" rev-parse --verify "$3^{commit}") && mkdir -p "$cache" || return 1
    work=$cache/$full.building
    (
        flock 9
        [ -x "$cache/$full/ploncfg-vswitch" ] && [ -x "$cache/$full/ploncfg-host" ] && exit 0
        rm -rf "$work" "$cache/$full" && mkdir -p "$work/src" "$work/tools" || exit 1
        started=$(date +%s)
        if ! { git -C "$1" archive "$full" | tar -x -C "$work/src" &&
            cmake -S "$work/src" -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DPLONCFG_TESTS=OFF &&
            cmake --build "$work/build" --parallel 2 --target ploncfg-vswitch ploncfg-host; } \
            >"$work/build.log" 2>&1; then
            echo "building $full failed; its log:" >&2
            tail -n 30 "$work/build.log" >&2
            exit 1
        fi
        cp "$work/build/ploncfg-vswitch" "$work/build/ploncfg-host" "$work/tools/" &&
            mv "$work/tools" "$cache/$full" && rm -rf "$work" || exit 1
        echo "built $full in $(($(date +%s) - started)) s" >&2
    ) 9>"$cache/.lock" || return 1
    echo "$cache/$full"
}
