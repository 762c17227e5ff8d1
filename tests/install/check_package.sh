#!/bin/sh
# Builds the Debian package, unpacks it into a temporary root and runs the programs from there,
# so a missing install rule, a wrong data path or an invalid desktop file shows up here.
# Usage: check_package.sh BUILD_DIR VERSION
set -eu
build=$1
version=$2
tmp=$(mktemp -d)
sim=
cleanup() {
    [ -z "$sim" ] || kill "$sim" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$tmp"/out/*.deb)
dpkg-deb -x "$deb" "$tmp/root"
root=$tmp/root/usr

# Libraries come from the library scan; plugins, the SQLite driver and translations are named.
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6core6 libqt6widgets6 libqt6sql6-sqlite qt6-qpa-plugins qt6-translations-l10n; do
    echo "$depends" | grep -q "$dep" || fail "Depends lacks $dep: $depends"
done

id=org.zevanta.Zevanta
for f in bin/zevanta bin/zevanta-cli bin/zevanta-sim share/zevanta/mcu.xml \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg \
         share/man/man1/zevanta.1.gz share/man/man1/zevanta-cli.1.gz share/man/man1/zevanta-sim.1.gz; do
    [ -f "$root/$f" ] || fail "not in the package: /usr/$f"
done
for p in zevanta zevanta-cli zevanta-sim; do
    gzip -dc "$root/share/man/man1/$p.1.gz" | grep -q "^\.TH" || fail "man page of $p"
done

desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
grep -q "version=\"$version\"" "$root/share/metainfo/$id.metainfo.xml" || fail "metainfo release version"

out=$("$root/bin/zevanta-cli" --version) || fail "zevanta-cli --version"
[ "$out" = "zevanta-cli $version" ] || fail "zevanta-cli --version printed: $out"
"$root/bin/zevanta-sim" --help | grep -q -- "--device" || fail "zevanta-sim --help"

# The installed programs talk to each other, and the CLI finds the catalogue in share/zevanta.
"$root/bin/zevanta-sim" --link "$tmp/zeva" >"$tmp/sim.out" 2>&1 &
sim=$!
i=0
while [ ! -e "$tmp/zeva" ]; do
    i=$((i + 1))
    [ $i -lt 100 ] || fail "zevanta-sim did not start: $(cat "$tmp/sim.out")"
    sleep 0.1
done
"$root/bin/zevanta-cli" identify --port "$tmp/zeva" --addr 4 >"$tmp/id.out" 2>"$tmp/id.err" ||
    fail "identify through the installed programs: $(cat "$tmp/id.err")"
if grep -q mcu.xml "$tmp/id.err"; then fail "catalogue not found: $(cat "$tmp/id.err")"; fi
cat "$tmp/id.out"
echo "package $(basename "$deb") checked"
