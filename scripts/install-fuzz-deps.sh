#!/usr/bin/env bash
# The extra Debian packages of `make fuzz` and `make sanitize`: clang and its
# runtime libraries (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer).
# `make test` needs none of them. Installs only what is missing.
set -euo pipefail

packages=(cmake ninja-build clang libclang-rt-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
