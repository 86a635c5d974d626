#!/usr/bin/env bash
# Builds the Debian package and validates it; with ZANDREL2_INSTALL_TEST=1, and only where no
# zandrel2 package is installed, also installs it on this machine, starts the installed
# programs and removes the package again.
# Usage: package_test.sh CPACK BUILD_DIR VERSION BUILT_ZANDREL2_DIMS
set -euo pipefail

cpack=$1
build=$2
version=$3-1
built_dims=$4

work=$(mktemp -d /tmp/zandrel2-package.XXXXXX)
chmod 755 "$work"  # apt reads the local package as its unprivileged user
xvfb_pid=""
program_pid=""
install_started=0

stop() {
    local pid=$1
    kill -0 "$pid" 2>/dev/null || return 0
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

cleanup() {
    local status=$?
    trap - EXIT INT TERM HUP
    set +e
    [[ -n "$program_pid" ]] && stop "$program_pid"
    [[ -n "$xvfb_pid" ]] && stop "$xvfb_pid"
    if ((install_started)) && dpkg-query -W zandrel2 >/dev/null 2>&1 &&
        [[ "$(dpkg-query -W -f='${db:Status-Status}' zandrel2)" != not-installed ]]; then
        echo "cleanup: removing the package zandrel2"
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -q --purge zandrel2 >/dev/null 2>&1 ||
            dpkg --purge zandrel2 >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

need() {
    command -v "$1" >/dev/null || fail "$1 is not installed (package $2)"
}

need lintian lintian
need desktop-file-validate desktop-file-utils
need appstreamcli appstream
need jq jq
need dpkg-deb dpkg
need dpkg-architecture dpkg-dev

# Package.
"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack could not build the package"; }
debs=("$work"/zandrel2_*.deb)
if ((${#debs[@]} != 1)) || [[ ! -f "${debs[0]}" ]]; then
    fail "cpack made no single zandrel2_*.deb"
fi
deb=${debs[0]}
[[ "$(basename "$deb")" == "zandrel2_${version}_$(dpkg --print-architecture).deb" ]] ||
    fail "unexpected package file name $(basename "$deb")"
echo "package: $(basename "$deb"), Installed-Size: $(dpkg-deb -f "$deb" Installed-Size) KiB"

[[ "$(dpkg-deb -f "$deb" Package)" == zandrel2 ]] || fail "wrong Package field"
[[ "$(dpkg-deb -f "$deb" Version)" == "$version" ]] || fail "Version is not $version"
[[ "$(dpkg-deb -f "$deb" Section)" == hamradio ]] || fail "Section is not hamradio"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6printsupport6; do
    [[ ", $depends," == *", $library ("* ]] ||
        fail "Depends lacks the library dependency $library: $depends"
done
[[ "$depends" == *fonts-liberation* ]] || fail "Depends lacks fonts-liberation: $depends"
[[ ", $depends," == *", nec2c,"* ]] || fail "Depends lacks nec2c: $depends"
for library in libcups2 libqt6charts6; do
    [[ ", $depends," == *", $library"[\ ,]* ]] || fail "Depends lacks $library: $depends"
done
[[ "$(dpkg-deb -f "$deb" Suggests)" == *xnec2c* ]] || fail "Suggests lacks xnec2c"

installed_files=(
    /usr/bin/zandrel2
    /usr/bin/zandrel2-dims
    "/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/zandrel2/model-window.so"
    "/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/zandrel2/sheet-window.so"
    /usr/share/bash-completion/completions/zandrel2-dims
    /usr/share/applications/zandrel2.desktop
    /usr/share/icons/hicolor/16x16/apps/zandrel2.png
    /usr/share/icons/hicolor/32x32/apps/zandrel2.png
    /usr/share/metainfo/org.example.zandrel2.metainfo.xml
    /usr/share/man/man1/zandrel2.1.gz
    /usr/share/man/man1/zandrel2-dims.1.gz
    /usr/share/doc/zandrel2/copyright
    /usr/share/doc/zandrel2/changelog.gz
    /usr/share/doc/zandrel2/changelog.Debian.gz
)
dpkg-deb -x "$deb" "$work/root"
for path in "${installed_files[@]}"; do
    [[ -f "$work/root$path" ]] || fail "the package lacks $path"
done

# Validators.
lintian_status=0
lintian "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
echo "--- lintian"
cat "$work/lintian.log"
! grep -q '^E: ' "$work/lintian.log" || fail "lintian reports errors"
((lintian_status == 0)) || fail "lintian exited with status $lintian_status"

echo "--- desktop-file-validate"
report=$(desktop-file-validate "$work/root/usr/share/applications/zandrel2.desktop" 2>&1) ||
    { echo "$report"; fail "desktop-file-validate rejects the desktop entry"; }
echo "$report"
! grep -q 'error:' <<<"$report" || fail "desktop-file-validate reports errors"

echo "--- appstreamcli validate"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.example.zandrel2.metainfo.xml" ||
    fail "appstreamcli rejects the metainfo"
appstreamcli validate-tree --no-net "$work/root" || fail "appstreamcli rejects the installed tree"

# Installation on this machine: only when asked, and never over a copy the machine already has.
if [[ "${ZANDREL2_INSTALL_TEST:-}" != 1 ]]; then
    echo "SKIP: installing the package on this machine runs only with ZANDREL2_INSTALL_TEST=1"
    exit 77
fi
if [[ "$(dpkg-query -W -f='${db:Status-Status}' zandrel2 2>/dev/null || true)" == installed ]]; then
    echo "SKIP: a zandrel2 package is already installed here; the test leaves it alone"
    exit 77
fi
if [[ $(id -u) -ne 0 ]]; then
    echo "SKIP: installing the package needs root"
    exit 77
fi
if ! command -v apt-get >/dev/null; then
    echo "SKIP: apt-get is not available"
    exit 77
fi
need Xvfb xvfb
need xwininfo x11-utils

install_started=1
echo "--- apt-get install"
(cd "$work" && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "./$(basename "$deb")") || fail "apt-get could not install the package"
[[ "$(dpkg-query -W -f='${db:Status-Status} ${Version}' zandrel2)" == "installed $version" ]] ||
    fail "zandrel2 $version is not installed after apt-get install"
for path in "${installed_files[@]}"; do
    [[ -f "$path" ]] || fail "$path is missing after the installation"
done

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
    [[ -s "$work/display" ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
    sleep 0.1
done
[[ -s "$work/display" ]] || fail "Xvfb gave no display number"
display=":$(head -n 1 "$work/display")"
echo "Xvfb on display $display"

env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY="$display" /usr/bin/zandrel2 >"$work/program.log" 2>&1 &
program_pid=$!
mapped=""
for _ in $(seq 100); do
    kill -0 "$program_pid" 2>/dev/null ||
        { cat "$work/program.log"; fail "the installed zandrel2 exited before showing its window"; }
    for id in $(xwininfo -display "$display" -root -tree 2>/dev/null |
        awk '$2 == "\"Zandrel\":" { print $1 }'); do
        if xwininfo -display "$display" -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            mapped=$id
        fi
    done
    [[ -n "$mapped" ]] && break
    sleep 0.1
done
[[ -n "$mapped" ]] || { cat "$work/program.log"; fail "no window named Zandrel was mapped"; }
echo "the installed zandrel2 mapped the window $mapped named Zandrel"

json=$(/usr/bin/zandrel2-dims --json 137.50) || fail "the installed zandrel2-dims failed"
jq -e '.frequency == "137.50"
       and (.styles | length) == 6
       and ([.styles[].style] | unique | length) == 6
       and all(.styles[]; has("error") | not)
       and all(.styles[]; (.dimensions | length) == 11
                          and all(.dimensions[]; tonumber > 0))' <<<"$json" >/dev/null ||
    { echo "$json"; fail "zandrel2-dims --json 137.50 did not give 11 dimensions of 6 styles"; }
built=$("$built_dims" --json 137.50) || fail "the built zandrel2-dims failed"
[[ "$json" == "$built" ]] || fail "the installed zandrel2-dims differs from the built one"
echo "the installed zandrel2-dims printed the dimensions of 6 styles"

kill -0 "$program_pid" 2>/dev/null ||
    { cat "$work/program.log"; fail "the installed zandrel2 ended on its own"; }
stop "$program_pid"
program_pid=""

# Removal.
echo "--- apt-get remove --purge"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -q --purge zandrel2 ||
    fail "apt-get could not remove the package"
install_started=0
status=$(dpkg-query -W -f='${db:Status-Status}' zandrel2 2>/dev/null || true)
[[ -z "$status" || "$status" == not-installed ]] || fail "zandrel2 is still $status"
for path in "${installed_files[@]}"; do
    [[ ! -e "$path" ]] || fail "$path is left after the removal"
done
[[ ! -e /usr/share/doc/zandrel2 ]] || fail "/usr/share/doc/zandrel2 is left after the removal"
echo "PASS"
