#!/bin/bash
# Builds the Debian package from the build and checks it as a user and Debian's tools would see it: its control
# fields, every file in place once, a stripped executable, desktop files that validate, and no lintian error.
# $1 is the folder of the built executable (build/bin).
set -u
bindir=$(cd "$1" && pwd)
build=$(dirname "$bindir")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
for tool in cpack dpkg-deb dpkg-shlibdeps lintian appstreamcli desktop-file-validate readelf; do
    command -v $tool >/dev/null || fail "$tool is missing (make deps installs it)"
done

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    fail "cpack failed"
}
deb=$(ls "$work"/zq4_*.deb 2>/dev/null)
[ "$(echo "$deb" | wc -w)" = 1 ] || fail "expected one zq4_*.deb, found: $deb"
arch=$(dpkg --print-architecture)
version=$(sed -n 's/^project(zq4 VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
[ "$(basename "$deb")" = "zq4_${version}_${arch}.deb" ] || fail "package named $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zq4 ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is $(field Architecture)"
[ "$(field Section)" = utils ] || fail "Section is $(field Section)"
field Maintainer | grep -q '<.*@.*>' || fail "Maintainer lacks an address"
field Description | head -n 1 | grep -q . || fail "Description lacks its summary"
# The dependencies come from the executable's libraries, so Qt's and OpenSSL's packages must be among them.
for lib in libqt6widgets6 libqt6core6 libssl3 libc6; do
    field Depends | grep -q "\b$lib\b" || fail "Depends lacks $lib: $(field Depends)"
done

dpkg-deb -c "$deb" >"$work/listing" || fail "dpkg-deb cannot list the package"
awk '{print $6}' "$work/listing" | sed 's|^\./|/|' >"$work/contents"
expect() { grep -qx "$1" "$work/contents" || fail "package lacks $1"; }
expect /usr/lib/zq4/zq4
expect /usr/lib/zq4/zq4_text.dat
expect /usr/lib/zq4/manual.html
expect /usr/lib/zq4/report-window.png
expect /usr/share/man/man1/zq4.1.gz
expect /usr/share/applications/zq4.desktop
expect /usr/share/mime/packages/zq4.xml
expect /usr/share/bash-completion/completions/zq4
expect /usr/share/zsh/vendor-completions/_zq4
expect /usr/share/fish/vendor_completions.d/zq4.fish
expect /usr/share/metainfo/org.zq4.zq4.metainfo.xml
expect /usr/share/doc/zq4/copyright
expect /usr/share/doc/zq4/changelog.gz
expect /usr/share/icons/hicolor/scalable/apps/zq4.svg
expect /usr/share/icons/hicolor/scalable/mimetypes/application-x-zq4-encrypted.svg
for size in 16 32 48 64 128 256; do
    expect /usr/share/icons/hicolor/${size}x${size}/apps/zq4.png
    expect /usr/share/icons/hicolor/${size}x${size}/mimetypes/application-x-zq4-encrypted.png
done
grep -q ' ./usr/bin/zq4 -> ../lib/zq4/zq4$' "$work/listing" || fail "/usr/bin/zq4 is not a link to the program"
[ "$(grep -c '/zq4\.1' "$work/contents")" = 1 ] || fail "the manual page is packaged more than once"
# Caches belong to the system that installs the package; its triggers rebuild them.
grep -Eq 'mime\.cache|icon-theme\.cache|mimeinfo\.cache|/mime/(magic|globs)' "$work/contents" &&
    fail "package carries a desktop cache"

dpkg-deb -x "$deb" "$work/root"
root="$work/root"
for size in 16 32 48 64 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/zq4.png"
    # Width and height are the 4-byte numbers at offsets 16 and 20 of a PNG.
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $dims"
done
readelf -S "$root/usr/lib/zq4/zq4" | grep -Eq '\.(debug_info|symtab)\b' && fail "the executable is not stripped"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.zq4.zq4.metainfo.xml" || fail "metainfo does not validate"
desktop-file-validate "$root/usr/share/applications/zq4.desktop" || fail "desktop entry does not validate"
# The packaged program runs from where the package puts it.
[ "$("$root/usr/lib/zq4/zq4" --version)" = "zq4 $version" ] || fail "packaged program does not give its version"

lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
status=$?
cat "$work/lintian.log"
[ $status = 0 ] || fail "lintian finds errors in the package"
echo "PASS: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"
