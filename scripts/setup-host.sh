#!/bin/sh
# Installs the Debian packages the build and the tests need, once. Run as root.
# A second run finds everything in place and installs nothing.
set -eu

packages="cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine wine32:i386 xvfb fonts-wine xdotool
imagemagick valgrind osslsigncode openssl"

missing=""
for p in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *"ok installed"*) ;;
        *) missing="$missing $p" ;;
    esac
done
[ -z "$missing" ] && exit 0

echo "setup: installing$missing"
if [ "$(id -u)" != 0 ]; then
    echo "setup: these packages are missing and installing them needs root:$missing" >&2
    exit 1
fi
case "$(dpkg --print-foreign-architectures)" in
    *i386*) ;;
    *) dpkg --add-architecture i386 ;;
esac
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq $missing >/dev/null
