#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
# As root it runs apt-get itself; otherwise it prints the command to run.
# Package lists: scripts/packages/*.txt (one package a line, # starts a comment).
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

cmd="apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages. Run as root:" >&2
  echo "  apt-get update && $cmd" >&2
  exit 1
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
$cmd
