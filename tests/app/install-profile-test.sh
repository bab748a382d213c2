#!/bin/sh
# Installs the build into a fresh prefix, checks the installed tree, then makes
# the prefix's bin folder read-only and checks that the installed program keeps
# its profile in $XDG_CONFIG_HOME instead, and that --help and --version need
# no display and write no profile at all.
#   install-profile-test.sh BUILD_DIR VERSION XVFB_WRAPPER
# Exit status 77 means skipped (CTest's SKIP_RETURN_CODE).
set -u
build=$1
version=$2
xvfb=$3

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIP: $*" >&2; exit 77; }

command -v xvfb-run >/dev/null 2>&1 || skip "xvfb-run is not installed"

# Root writes into read-only folders, so the fallback would never be taken:
# run the installed program as nobody instead, or skip when that is impossible.
run_as=""
if [ "$(id -u)" -eq 0 ]; then
    uid=$(id -u nobody 2>/dev/null) || skip "running as root and there is no user nobody"
    gid=$(id -g nobody)
    run_as="setpriv --reuid=$uid --regid=$gid --clear-groups"
    $run_as true 2>/dev/null || skip "running as root and cannot drop to nobody (setpriv)"
fi

work=$(mktemp -d) || fail "no temporary folder"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install"; }
for f in bin/lintoro bin/lintoro-cli share/applications/lintoro.desktop \
    share/icons/hicolor/scalable/apps/lintoro.svg \
    share/icons/hicolor/48x48/apps/lintoro.png share/icons/hicolor/256x256/apps/lintoro.png \
    share/lintoro/samples/sheet.obj share/lintoro/samples/bent-sheet.obj \
    share/lintoro/samples/slices.qwf; do
    [ -s "$prefix/$f" ] || fail "not installed: $f"
done
grep -q '^Exec=lintoro ' "$prefix/share/applications/lintoro.desktop" || fail "desktop entry Exec"
grep -q '^MimeType=.*model/obj;' "$prefix/share/applications/lintoro.desktop" ||
    fail "desktop entry MimeType"

# Folders the unprivileged program may write: its config, cache and runtime.
for d in xdg cache run home; do
    mkdir "$work/$d"
    [ -n "$run_as" ] && chown "$uid:$gid" "$work/$d"
done
chmod 700 "$work/run"
chmod -R a-w "$prefix/bin"

run() {
    # shellcheck disable=SC2086 # $run_as is a command and its options
    env HOME="$work/home" XDG_CONFIG_HOME="$work/xdg" XDG_CACHE_HOME="$work/cache" \
        XDG_RUNTIME_DIR="$work/run" $run_as "$@"
}

# --help and --version: no display, no profile.
out=$(run env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/lintoro" --version) ||
    fail "lintoro --version failed"
[ "$out" = "lintoro $version" ] || fail "lintoro --version printed '$out'"
run env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/lintoro" --help | grep -q '^Usage: lintoro' ||
    fail "lintoro --help"
out=$(run "$prefix/bin/lintoro-cli" --version) || fail "lintoro-cli --version failed"
[ "$out" = "lintoro-cli $version" ] || fail "lintoro-cli --version printed '$out'"
[ -z "$(ls -A "$work/xdg")" ] || fail "--version or --help wrote a profile"

# A real start under a virtual X server (its own, run by the same user). Once the program catches SIGTERM
# (bit 15 of SigCgt) a TERM closes its window as File > Exit does, which saves
# the window placement to the profile.
cat >"$work/start-and-close.sh" <<'SCRIPT'
set -u
"$@" &
pid=$!
tries=0
while :; do
    mask=$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) || mask=""
    [ -n "$mask" ] && [ $((0x$mask & 0x4000)) -ne 0 ] && break
    tries=$((tries + 1))
    if [ -z "$mask" ] || [ $tries -gt 600 ]; then
        echo "the program did not start" >&2
        kill -KILL $pid 2>/dev/null
        exit 1
    fi
    sleep 0.1
done
kill -TERM $pid
tries=0
while kill -0 $pid 2>/dev/null && [ $tries -lt 600 ]; do
    tries=$((tries + 1))
    sleep 0.1
done
kill -KILL $pid 2>/dev/null && echo "the program did not close on SIGTERM" >&2
wait $pid
SCRIPT
run sh "$xvfb" sh "$work/start-and-close.sh" "$prefix/bin/lintoro" ||
    fail "the installed program did not start and close cleanly"

[ -f "$work/xdg/lintoro/lintoro.ini" ] || fail "no profile in \$XDG_CONFIG_HOME/lintoro"
grep -q 'WindowPos' "$work/xdg/lintoro/lintoro.ini" || fail "the profile has no window placement"
[ ! -e "$prefix/bin/lintoro.ini" ] || fail "a profile appeared in the read-only bin folder"
echo "profile written to \$XDG_CONFIG_HOME/lintoro/lintoro.ini:"
cat "$work/xdg/lintoro/lintoro.ini"
