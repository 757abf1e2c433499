#!/usr/bin/env bash
# The Debian package as a user gets it: built with CPack from the build folder given, unpacked
# into a temporary root (never installed on this machine), its program started off screen with a
# home folder of its own. It must pass lintian, start, keep its files in the user's data folder
# and write nothing beside itself.
set -euo pipefail

build=$(cd "$1" && pwd)
work=$(mktemp -d)
pid=""
cleanup() {
    if [[ -n "$pid" ]]; then kill -KILL "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [[ -f "$work/run.log" ]] && sed 's/^/  tessan: /' "$work/run.log" >&2
    exit 1
}

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack"
fi
debs=("$work"/out/*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || fail "one .deb expected in $work/out"
deb=${debs[0]}
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6network6 libqt6svg6 qt6-translations-l10n fonts-wqy-microhei; do
    [[ "$depends" == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done

# Debian's own checks: no error and no warning (copyright, changelog, maintainer, manual page,
# hardening, file layout). `make test-main` installs lintian.
command -v lintian >/dev/null || fail "lintian is not installed (make test-main installs it)"
if ! lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1; then
    cat "$work/lintian.log" >&2
    fail "lintian"
fi

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/tessan usr/lib/tessan/libtessnet.so usr/share/applications/tessan.desktop \
    usr/share/icons/hicolor/scalable/apps/tessan.svg; do
    [[ -e "$root/$f" ]] || fail "$f missing from the package"
done
grep -qx 'Exec=tessan' "$root/usr/share/applications/tessan.desktop" || fail "desktop entry's Exec"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/tessan.desktop" || fail "desktop entry"
fi
before=$(ls -A "$root/usr/bin")

home="$work/home"
mkdir -p "$home" "$work/runtime"
chmod 700 "$work/runtime"
data="$home/.local/share/tessan"
env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/runtime" LANG=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen "$root/usr/bin/tessan" >"$work/run.log" 2>&1 &
pid=$!

# Up to 30 s for the start-up to create the working folders (a loaded machine is slow).
deadline=$((SECONDS + 30))
until [[ -d "$data/cache" && -d "$data/log" ]]; do
    kill -0 "$pid" 2>/dev/null || fail "the program ended during start-up"
    ((SECONDS < deadline)) || fail "no cache/ and log/ in $data after 30 s"
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null || fail "the program ended after start-up"
[[ "$(stat -c %a "$data")" == 700 ]] || fail "$data is not private: $(stat -c %a "$data")"
[[ "$(ls -A "$root/usr/bin")" == "$before" ]] || fail "files written beside the program"

kill -TERM "$pid"
wait "$pid" 2>/dev/null || true
pid=""
echo "package $(basename "$deb"): installed program started and uses $data"
