#!/usr/bin/env bash
# The release packages, as ./test builds them (`--target package` of the release and
# win32 presets): what each holds, that the Debian package is clean and declares
# dependencies this Debian can satisfy, and that its programs run from where it puts
# them.
#   packages_test.sh DEB ZIP WORK_DIR
set -uo pipefail
deb=$1 zip=$2 work=$3
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
            ./usr/share/quorvantile/quorvantile.html; do
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
bin=$work/root/usr/bin
for tool in quorvantile-capture quorvantile-inspect quorvantile-xm; do
    "$bin/$tool" --version | grep -Fx "$tool $(dpkg-deb -f "$deb" Version)" >/dev/null ||
        fail "$tool --version does not give the package's version"
done
"$bin/quorvantile-inspect" timeline --at 1000 | grep -F "scene" >/dev/null || fail "the packaged inspection tool does not run"
for binary in "$bin"/*; do
    file "$binary" | grep -F "stripped" | grep -vF "not stripped" >/dev/null || fail "$binary is not stripped"
done

# ---- Windows zip
[ -f "$zip" ] || fail "no Windows zip at $zip (cmake --build --preset win32 --target package)"
listing=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
name=$(basename "$zip" .zip)
[ "$listing" = "$name/README.txt $name/quorvantile.exe $name/quorvantile.html " ] || fail "the zip holds $listing"
unzip -q -d "$work/zip" "$zip" || fail "cannot unpack $zip"
exe=$work/zip/$name/quorvantile.exe
file "$exe" | grep -F "PE32 executable" | grep -F "Intel 80386" >/dev/null || fail "not a 32-bit Windows program: $(file "$exe")"
i686-w64-mingw32-objdump -h "$exe" | grep -F ".debug" >/dev/null && fail "the exe keeps its debug sections"
grep -F $'\r' "$work/zip/$name/README.txt" >/dev/null || fail "README.txt does not have Windows line ends"
grep -F "Escape" "$work/zip/$name/README.txt" >/dev/null || fail "README.txt does not name the keys"
echo "PASS: the Debian package ($(stat -c %s "$deb") bytes) and the Windows zip (exe $(stat -c %s "$exe") bytes)"
