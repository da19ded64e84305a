#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# lintian on packaging/copyright as Debian reads such a file: lintian checks the machine-readable
# format (its paragraphs, licences and file patterns) only in a source package, so one is made
# here from the tracked source files, the headers of the libraries compiled into the programs
# (usr/include/CLI and usr/include/nlohmann, whose paragraphs name them) and a debian/ folder that
# holds packaging/copyright. Fails on any lintian tag about the copyright file, whatever its level.
#
# Usage: scripts/lintian-copyright.sh [WORK]   (WORK: a folder for the source package; default a
# temporary one)
set -euo pipefail
tessaroll_script=lintian-copyright
. "$(dirname "$0")/lib/common.sh"
cd "$root"

work=${1:-}
if [ -z "$work" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
version=$(sed -n 's/^project(Tessaroll VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
tree="$work/tessaroll-$version"
rm -rf "$tree" "$work"/tessaroll_*
mkdir -p "$tree/debian/source" "$tree/usr/include"
git ls-files -z | xargs -0 cp --parents -t "$tree"
cp -r /usr/include/CLI /usr/include/nlohmann "$tree/usr/include/"
cp packaging/copyright "$tree/debian/copyright"
echo "3.0 (native)" >"$tree/debian/source/format"
cat >"$tree/debian/control" <<'EOF'
Source: tessaroll
Section: utils
Priority: optional
Maintainer: The Tessaroll developers <developers@tessaroll.example>
Standards-Version: 4.6.2
Build-Depends: debhelper-compat (= 13)
Rules-Requires-Root: no

Package: tessaroll
Architecture: any
Depends: ${shlibs:Depends}, ${misc:Depends}
Description: numbered password list of a date from a personal password
 Tessaroll turns a personal password and a calendar date into a numbered
 list of passwords for that date.
EOF
printf 'tessaroll (%s) unstable; urgency=medium\n\n  * Release.\n\n -- %s  %s\n' "$version" \
    "The Tessaroll developers <developers@tessaroll.example>" \
    "$(date -u -R -d "@${SOURCE_DATE_EPOCH:-$(date +%s)}")" >"$tree/debian/changelog"
printf '#!/usr/bin/make -f\n%%:\n\tdh $@\n' >"$tree/debian/rules"
chmod +x "$tree/debian/rules"
(cd "$work" && dpkg-source -b "tessaroll-$version" >"$work/dpkg-source.log" 2>&1) || {
    cat "$work/dpkg-source.log" >&2
    die "dpkg-source could not make the source package"
}
lintian --display-level '>=pedantic' --display-info --tag-display-limit 0 \
    "$work/tessaroll_$version.dsc" >"$work/lintian.txt" 2>/dev/null || true
# Only what concerns the copyright file: the stand-in control files are not the project's.
if grep -E 'copyright|dep5|license|licence' "$work/lintian.txt" >"$work/copyright-tags.txt"; then
    cat "$work/copyright-tags.txt" >&2
    die "lintian finds fault with packaging/copyright (above)"
fi
say "lintian has nothing to say about packaging/copyright in a source package ($(grep -c '^Files:' packaging/copyright) file paragraphs)"
