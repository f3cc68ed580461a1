#!/usr/bin/env bash
# Builds the Debian package from a build tree (default build/) and checks what an installer gets:
# the programs, the menu entry and its icon, the service unit, the maintainer scripts, run-time
# dependencies found by dpkg-shlibdeps, and lintian without errors.
# Usage: tests/packaging/check-package.sh [build tree]
set -euo pipefail
cd "$(dirname "$0")/../.."
tree="${1:-build}"
failures=0
fail() {
    echo "check-package: FAIL: $*" >&2
    failures=$((failures + 1))
}

deb="$(./scripts/package.sh "$tree")"
[ -f "$deb" ] || { echo "check-package: no package built" >&2; exit 1; }
echo "check-package: $deb"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"

# Contents.
for f in usr/bin/mora usr/bin/mora-sim-telmodem usr/bin/mora-sim-gsmmodem \
    usr/share/applications/brennvik-mora.desktop \
    usr/share/icons/hicolor/scalable/apps/brennvik-mora.svg \
    lib/systemd/system/mora.service \
    usr/share/doc/brennvik-mora/copyright usr/share/doc/brennvik-mora/changelog.gz \
    usr/share/doc/brennvik-mora/install.md usr/share/doc/brennvik-mora/user-guide.md \
    usr/share/doc/brennvik-mora/examples/99-mora-serial.rules; do
    [ -f "$work/root/$f" ] || fail "$f is not in the package"
done
for size in 16 22 24 32 48 64 128 256; do
    png="$work/root/usr/share/icons/hicolor/${size}x${size}/apps/brennvik-mora.png"
    if [ ! -f "$png" ]; then
        fail "no ${size}x${size} icon"
    elif ! file "$png" | grep -q "PNG image data, $size x $size"; then
        fail "the ${size}x${size} icon is $(file -b "$png")"
    fi
done
for prog in mora mora-sim-telmodem mora-sim-gsmmodem; do
    file "$work/root/usr/bin/$prog" | grep -q ", stripped" || fail "$prog is not stripped"
done
# The programs as packaged run (stripping and renaming broke nothing).
"$work/root/usr/bin/mora" --help | grep -q -- "--headless" || fail "mora --help does not run"

# Dependencies: from dpkg-shlibdeps, so the Qt 6, database and XML libraries are named.
depends="$(dpkg-deb -f "$deb" Depends)"
echo "check-package: Depends: $depends"
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6multimedia6 \
    libsqlite3-0 libxerces-c3.2 libssl3 adduser; do
    grep -Eq "(^|, )${lib//+/\\+}( |,|$)" <<<"$depends" || fail "Depends lacks $lib"
done

# The menu entry starts the packaged program with the packaged icon.
desktop="$work/root/usr/share/applications/brennvik-mora.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the menu entry"
grep -qx "Exec=mora" "$desktop" || fail "the menu entry does not start mora"
grep -qx "Icon=brennvik-mora" "$desktop" || fail "the menu entry does not name the icon"

# The service: the station without windows as the user mora, in the Debian folders.
unit="$work/root/lib/systemd/system/mora.service"
for line in "User=mora" "SupplementaryGroups=dialout" "Environment=MORA_CONFIG_DIR=/etc/mora" \
    "WorkingDirectory=/var/lib/mora" "Restart=on-failure" "KillSignal=SIGTERM" \
    "StandardOutput=journal" "StandardError=journal" "WantedBy=multi-user.target"; do
    grep -qx "$line" "$unit" || fail "the unit lacks $line"
done
grep -Eq "^ExecStart=/usr/bin/mora --headless( |$)" "$unit" || fail "the unit does not run mora --headless"
if command -v systemd-analyze >/dev/null 2>&1; then
    # Only the unit's syntax: the user and the program are not installed on the build machine.
    systemd-analyze verify --man=no "$unit" 2>&1 | grep -Ei "unknown|invalid|failed to parse" &&
        fail "systemd-analyze finds errors in the unit"
fi

# Maintainer scripts: present, executable, valid shell; the user is made in the group dialout.
for script in postinst prerm postrm; do
    [ -x "$work/control/$script" ] || fail "$script is missing or not executable"
    sh -n "$work/control/$script" || fail "$script is not valid shell"
done
grep -q "adduser --system" "$work/control/postinst" || fail "postinst makes no system user"
grep -q "adduser mora dialout" "$work/control/postinst" || fail "postinst does not add mora to dialout"

# lintian: warnings may stay, errors may not.
lintian_out="$(lintian --tag-display-limit 0 "$deb" 2>&1 || true)"
echo "$lintian_out" | sed 's/^/check-package: lintian: /'
if grep -q "^E: " <<<"$lintian_out"; then
    fail "lintian reports errors"
fi

if [ "$failures" -ne 0 ]; then
    echo "check-package: $failures check(s) failed" >&2
    exit 1
fi
echo "check-package: the package is complete"
