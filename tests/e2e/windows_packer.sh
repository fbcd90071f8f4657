#!/bin/bash
# The packer built for Windows, run under Wine on the product description the build packed, writes
# the same files as the native packer: the product resource, the manifest, the application
# manifest, every compressed payload and the licence byte for byte, and a resource script that
# differs only in the folder it names. Its `build`, given no product-free programs, writes the
# product into the installer and the uninstaller it carries, byte for byte as the native packer's
# `build` did for the build (INSTALLER, UNINSTALLER).
#   windows_packer.sh porvane-pack.exe NATIVE_PACKER DESCRIPTION WORK_FOLDER INSTALLER UNINSTALLER
#                     INPUT_DIR...   (WINE_ROOT: the harness)
set -u
packer=${1:?} native=${2:?} description=${3:?} work=${4:?} installer=${5:?} uninstaller=${6:?}
shift 6
root=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "windows packer: $*" >&2; exit 1; }
windows() { local path; path=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${path//\//\\}"; }

rm -rf "$work"
mkdir -p "$work"
generated=$work/native
inputs=() native_inputs=()
for folder in "$@"; do inputs+=(--inputs "$(windows "$folder")"); native_inputs+=(--inputs "$folder"); done
"$native" "$description" "$generated" "${native_inputs[@]}" --uninstaller "$uninstaller" >"$work/log" 2>&1 \
    || { cat "$work/log" >&2; fail "the native packer failed"; }
"$root/scripts/wine-harness.sh" exec "$packer" "$(windows "$description")" "$(windows "$work")\\out" "${inputs[@]}" \
    --uninstaller "$(windows "$uninstaller")" >"$work/log" 2>&1 || { cat "$work/log" >&2; fail "the packer failed"; }
out=$work/out
for file in product.bin manifest.bin installer.manifest payloads/LICENSE.txt "$generated"/payloads/*.lzh; do
    name=${file#"$generated"/}
    cmp -s "$generated/$name" "$out/$name" || fail "$name differs from the native packer's"
done
[ "$(sed "s#$generated#G#g" "$generated/payloads.rc")" = "$(sed "s#Z:$out#G#g" "$out/payloads.rc")" ] \
    || fail "payloads.rc differs from the native packer's beyond its folder"
"$root/scripts/wine-harness.sh" exec "$packer" build "$(windows "$description")" -o "$(windows "$work")\\packed.exe" \
    --uninstaller-out "$(windows "$work")\\uninstaller.exe" "${inputs[@]}" >"$work/log" 2>&1 \
    || { cat "$work/log" >&2; fail "build failed"; }
cmp -s "$installer" "$work/packed.exe" || fail "build wrote another installer than the native packer's"
cmp -s "$uninstaller" "$work/uninstaller.exe" || fail "build wrote another uninstaller than the native packer's"
echo "windows packer: the same outputs as the native packer"
