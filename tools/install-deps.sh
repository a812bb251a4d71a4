#!/usr/bin/env bash
# Installs what building, running and testing Velmo needs on Debian or
# Ubuntu, only when something is missing. Usage: install-deps.sh [run|test]
set -euo pipefail
what=${1:-test}

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
          mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 wine wine64 xvfb imagemagick x11-utils fonts-wqy-zenhei)
if [ "$what" = test ]; then
  # nsis: the installer, which the tests install and uninstall
  packages+=(g++ libgtest-dev libbenchmark-dev clang nsis)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
# libFuzzer's runtime has its own package on newer releases
if [ "$what" = test ] && ! compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null; then
  missing+=(libclang-rt-dev)
fi
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
