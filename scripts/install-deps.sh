#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build and the tests need, when they are missing.
# As root it runs apt-get itself; otherwise it prints the command to run.
# Package lists: scripts/packages/*.txt (one package a line, # starts a comment). A package of
# another architecture is written name:arch (libmpfr-dev:arm64); that architecture is then added to
# dpkg before the package index is updated.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

lists=("$@")
if [ ${#lists[@]} -eq 0 ]; then
  lists=("$here"/packages/*.txt)
fi

wanted=$(cat "${lists[@]}" | sed 's/#.*//' | tr -s ' \t' '\n' | grep -v '^$' | sort -u)
missing=()
for pkg in $wanted; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#lists[@]} package lists are installed."
  exit 0
fi

# Architectures the missing packages need that dpkg does not know yet.
known=" $(dpkg --print-architecture) $(dpkg --print-foreign-architectures | tr '\n' ' ')"
new_archs=$(printf '%s\n' "${missing[@]}" | sed -n 's/^[^:]*:\([a-z0-9]*\)$/\1/p' | sort -u |
  while read -r arch; do [[ "$known" == *" $arch "* ]] || echo "$arch"; done)

# Waits for another apt or dpkg instead of failing at once.
apt_get=(apt-get -o DPkg::Lock::Timeout=600)
cmd="${apt_get[*]} install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages. Run as root:" >&2
  for arch in $new_archs; do
    echo "  dpkg --add-architecture $arch" >&2
  done
  echo "  apt-get update && $cmd" >&2
  exit 1
fi
for arch in $new_archs; do
  echo "install-deps: adding the $arch architecture to dpkg"
  dpkg --add-architecture "$arch"
done
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${apt_get[@]}" update -q
$cmd
