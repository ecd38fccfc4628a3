#!/bin/sh
# Builds the demo for 64-bit Windows and packs it with SDL.dll, the default assets, a README and
# the licences into build-win/demo-win64.zip (one top folder, demo-win64/).
# Installs the Debian packages it needs when run as root; cross-builds SDL 1.2 and libopenmpt
# once into a cache outside the clone (scripts/windows-libs.sh); makes the default assets with
# the native make_assets in build-win/native; cross-builds demo.exe in build-win/cross.
# Exit status: 0 the zip is written; 2 packages are missing or a build failed.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
out=$root/build-win
host=x86_64-w64-mingw32
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

fail() {
    echo "$*" >&2
    exit 2
}

scripts/deps.sh windows
mkdir -p "$out"
prefix=$(scripts/windows-libs.sh) || fail "Cross-building SDL or libopenmpt failed (see above)."

# The default assets, from the native build of the asset tool.
native=$out/native
if ! cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release -DDEMO_BUILD_TESTS=OFF \
    -DDEMO_BUILD_CAPTURE=OFF >"$out/native-configure.log" 2>&1; then
    cat "$out/native-configure.log" >&2
    fail "Configuring the native build failed (see above)."
fi
cmake --build "$native" --parallel "$jobs" --target assets || fail "Making the assets failed."

# demo.exe; an existing cross build keeps its other settings (the tests may be switched on).
cross=$out/cross
if ! cmake -S . -B "$cross" --toolchain "$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DDEMO_WINDOWS_PREFIX="$prefix" -DDEMO_BUILD_ASSETS=OFF \
    -DDEMO_BUILD_CAPTURE=OFF >"$out/cross-configure.log" 2>&1; then
    cat "$out/cross-configure.log" >&2
    fail "Configuring the Windows build failed (see above)."
fi
cmake --build "$cross" --parallel "$jobs" --target demo || fail "Building demo.exe failed."

# Only SDL.dll travels with the program; every other DLL it imports must be Windows' own.
imports=$($host-objdump -p "$cross/demo.exe" | sed -n 's/^\tDLL Name: //p')
for dll in $imports; do
    case $(echo "$dll" | tr '[:upper:]' '[:lower:]') in
    sdl.dll | kernel32.dll | msvcrt.dll | user32.dll | gdi32.dll | advapi32.dll | shell32.dll) ;;
    winmm.dll | ole32.dll | api-ms-win-*) ;;
    *) fail "demo.exe imports $dll, which is neither SDL.dll nor part of Windows." ;;
    esac
done

# The zip's folder, written afresh so that nothing stale is packed.
stage=$out/demo-win64
rm -rf "$stage" "$out/demo-win64.zip"
mkdir -p "$stage"
$host-strip -o "$stage/demo.exe" "$cross/demo.exe"
$host-strip -o "$stage/SDL.dll" "$prefix/bin/SDL.dll"
cp "$native/assets/"* "$stage/"
# Windows text files: CRLF line ends, so that every editor shows the lines.
sed 's/$/\r/' scripts/windows/README.txt >"$stage/README.txt"
for licence in "$prefix/licences/"*; do
    sed 's/$/\r/' "$licence" >"$stage/$(basename "$licence")"
done
(cd "$out" && zip -q -r -X demo-win64.zip demo-win64) || fail "Writing the zip failed."
echo "Written: $out/demo-win64.zip ($(du -k "$out/demo-win64.zip" | cut -f1) KB)"
