#!/usr/bin/env bash
# The release packages, as ./test builds them (`--target package` of the release,
# win32 and win64 presets): what each holds, that the Debian package is clean and declares
# dependencies this Debian can satisfy, and that its programs run from where it puts
# them.
#   packages_test.sh DEB WIN32_ZIP WIN64_ZIP WORK_DIR
set -uo pipefail
deb=$1 zip32=$2 zip64=$3 work=$4
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$work" && mkdir -p "$work"

# ---- Debian package
[ -f "$deb" ] || fail "no Debian package at $deb (cmake --build --preset release --target package)"
info=$(dpkg-deb -f "$deb" Package Version Architecture Depends Section) || fail "dpkg-deb cannot read $deb"
for field in "Package: quorvantile" "Architecture: amd64" "libsdl2-2.0" "libc6" "libstdc++6"; do
    grep -F "$field" <<<"$info" >/dev/null || fail "the control file lacks '$field': $info"
done
contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for file in ./usr/bin/quorvantile ./usr/bin/quorvantile-capture ./usr/bin/quorvantile-inspect \
            ./usr/bin/quorvantile-xm ./usr/share/doc/quorvantile/copyright ./usr/share/man/man6/quorvantile.6.gz \
            ./usr/share/applications/quorvantile.desktop ./usr/share/icons/hicolor/48x48/apps/quorvantile.png \
            ./usr/share/icons/hicolor/256x256/apps/quorvantile.png ./usr/share/quorvantile/quorvantile.html; do
    grep -Fx "$file" <<<"$contents" >/dev/null || fail "$file is not in the package"
done
if command -v lintian >/dev/null; then
    # Root is how CI runs; lintian only warns about it.
    complaints=$(lintian --allow-root "$deb" 2>&1 | grep -E '^[EW]: ')
    [ -z "$complaints" ] || fail "lintian: $complaints"
fi
apt-get install --simulate "$(realpath "$deb")" >"$work/apt.log" 2>&1 ||
    fail "its dependencies cannot be installed here: $(tail -3 "$work/apt.log")"

dpkg-deb -x "$deb" "$work/root" || fail "cannot unpack $deb"
# The menu entry starts the packaged demo and names an icon of the size its folder says.
entry=$work/root/usr/share/applications/quorvantile.desktop
grep -Fx "Exec=quorvantile" "$entry" >/dev/null && grep -Fx "Icon=quorvantile" "$entry" >/dev/null ||
    fail "the menu entry does not start quorvantile with its icon"
if command -v desktop-file-validate >/dev/null; then
    complaints=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $complaints"
fi
for size in 48 128 256; do
    icon=$work/root/usr/share/icons/hicolor/${size}x${size}/apps/quorvantile.png
    [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ] || fail "$icon is not ${size}x${size}"
done
bin=$work/root/usr/bin
for tool in quorvantile-capture quorvantile-inspect quorvantile-xm; do
    "$bin/$tool" --version | grep -Fx "$tool $(dpkg-deb -f "$deb" Version)" >/dev/null ||
        fail "$tool --version does not give the package's version"
done
"$bin/quorvantile-inspect" timeline --at 1000 | grep -F "scene" >/dev/null || fail "the packaged inspection tool does not run"
for binary in "$bin"/*; do
    file "$binary" | grep -F "stripped" | grep -vF "not stripped" >/dev/null || fail "$binary is not stripped"
done

# ---- Windows zips
# check_zip ZIP FILE_DESCRIPTION OBJDUMP: the stripped exe, the same program packed,
# the README and the browser demo in one file, nothing else. Prints both exes' sizes.
check_zip() {
    local zip=$1 kind=$2 objdump=$3
    [ -f "$zip" ] || fail "no Windows zip at $zip (cmake --build --preset win32|win64 --target package)"
    local listing name exe
    listing=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
    name=$(basename "$zip" .zip)
    [ "$listing" = "$name/README.txt $name/quorvantile-64k.exe $name/quorvantile.exe $name/quorvantile.html " ] ||
        fail "$zip holds $listing"
    unzip -q -d "$work/zip" "$zip" || fail "cannot unpack $zip"
    exe=$work/zip/$name/quorvantile.exe
    file "$exe" | grep -F "$kind" >/dev/null || fail "not the expected Windows program ($kind): $(file "$exe")"
    "$objdump" -h "$exe" | grep -F ".debug" >/dev/null && fail "$exe keeps its debug sections"
    grep -F $'\r' "$work/zip/$name/README.txt" >/dev/null || fail "README.txt does not have Windows line ends"
    grep -F "Escape" "$work/zip/$name/README.txt" >/dev/null || fail "README.txt does not name the keys"
    grep -F "quorvantile-64k.exe" "$work/zip/$name/README.txt" >/dev/null || fail "README.txt does not name the packed program"
    local packed=$work/zip/$name/quorvantile-64k.exe
    file "$packed" | grep -F "$kind" >/dev/null || fail "the packed program is not the expected kind ($kind): $(file "$packed")"
    upx -q -t "$packed" >/dev/null 2>&1 || fail "$packed is not a sound packed program"
    echo "$(stat -c %s "$exe") $(stat -c %s "$packed")"
}
size32=$(check_zip "$zip32" "PE32 executable (GUI) Intel 80386" i686-w64-mingw32-objdump) || { echo "$size32"; exit 1; }
size64=$(check_zip "$zip64" "PE32+ executable (GUI) x86-64" x86_64-w64-mingw32-objdump) || { echo "$size64"; exit 1; }
read -r exe32 packed32 <<<"$size32"
read -r exe64 packed64 <<<"$size64"
[ "$packed32" -le 65536 ] || fail "the packed 32-bit program is $packed32 bytes, over 65,536"
echo "PASS: the Debian package ($(stat -c %s "$deb") bytes) and the Windows zips (exe $exe32 bytes 32-bit, packed $packed32; $exe64 bytes 64-bit, packed $packed64)"
