#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Printing through a real print spooler. Starts a private CUPS scheduler with its own
# configuration, spool and socket in a temporary folder (so it leaves any system spooler
# alone), adds a "Generic PDF Printer" queue whose device is a file in that folder and makes it
# the default printer, then:
#   1. presses Generate and Print in the main window and checks with pdftotext that the
#      printed PDF holds the lines of output.txt in order;
#   2. prints a list file longer than a page, with a line wider than the page, and checks that
#      it fills more than one page, keeps every line in order and prints nothing in the margins;
#   3. prints on the queue while it takes no jobs, which gives one message box and no job.
# The scheduler it started is stopped on every way out.
#
# Usage: print_spooler_test.sh PRINT_PROGRAM
# Exit status 77 (skipped) when not run as root: the scheduler needs root to run its filters.
set -eu

program=$1
queue=TessarollTest

if [ "$(id -u)" -ne 0 ]; then
    echo "print_spooler_test: skipped, starting a print spooler needs root" >&2
    exit 77
fi
for tool in cupsd lpadmin lpinfo lpstat cupsaccept cupsreject pdftotext pdfinfo python3; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "print_spooler_test: $tool is missing; run scripts/install-deps.sh" >&2
        exit 1
    fi
done

. "$(dirname "$0")/private_spooler.sh"
trap spooler_stop EXIT
trap 'exit 1' INT TERM HUP
spooler_start "$queue"
export QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY

# 1. Generate and Print in the main window.
"$program" window "$base/program"
wait_for_jobs 1
pdftotext -layout "$printed" "$base/out/printed.txt"
check_lines "$base/program/output.txt" "$base/out/printed.txt"
grep -q "Date=7/26/2002" "$base/out/printed.txt"
test "$(grep -c "^ *Password [0-9]*= " "$base/out/printed.txt")" -eq 4

# 2. A list longer than a page, with a line wider than the page.
python3 - "$base/program/output.txt" <<'EOF'
import sys

lines = ["Date=7/26/2002", ""]
lines += ["Password %d= %s" % (i, "a1b2c3d4e5" * 3) for i in range(1, 131)]
lines[40] = "Password 39= " + "x7" * 65
lines += ["", "Generated on 7/26/2002 12:00:00"]
open(sys.argv[1], "wb").write(("\r\n".join(lines) + "\r\n").encode("cp1252"))
EOF
rm -f "$printed"
"$program" file "$base/program"
wait_for_jobs 2
pdftotext "$printed" "$base/out/long.txt"
check_lines "$base/program/output.txt" "$base/out/long.txt" broken
pages=$(pdfinfo "$printed" | awk '/^Pages:/ { print $2 }')
if [ "$pages" -lt 3 ]; then
    echo "print_spooler_test: 134 lines printed on $pages page(s), expected at least 3" >&2
    exit 1
fi
# Every printed word lies inside the printable area of the queue's paper, the page's margins
# excluded: the pages above are full, so a line printed past the bottom margin shows here.
pdftotext -bbox "$printed" "$base/out/long-bbox.html"
lowest=$(python3 - "$base/etc/ppd/$queue.ppd" "$base/out/long-bbox.html" <<'EOF'
import re
import sys

# The paper sizes of the queue's driver, and the printable area of each.
ppd = open(sys.argv[1], encoding="latin-1").read()
sizes = {}
for name, value in re.findall(r'^\*PaperDimension ([^/:]+)[^"]*"([^"]+)"', ppd, re.M):
    area = re.search(r'^\*ImageableArea %s[/:][^"]*"([^"]+)"' % re.escape(name), ppd, re.M)
    if area:
        sizes[name] = (tuple(map(float, value.split())), tuple(map(float, area.group(1).split())))
slack = 0.5
lowest = 0.0
pages = re.findall(r'<page width="([\d.]+)" height="([\d.]+)">(.*?)</page>',
                   open(sys.argv[2], encoding="utf-8").read(), re.S)
for number, (page_width, page_height, words) in enumerate(pages, 1):
    width, height = float(page_width), float(page_height)
    paper = [name for name, (size, _) in sizes.items()
             if abs(size[0] - width) < 1 and abs(size[1] - height) < 1]
    if not paper:
        sys.exit("page %d is %g x %g points, a paper size the printer does not have"
                 % (number, width, height))
    llx, lly, urx, ury = sizes[paper[0]][1]
    # pdftotext measures from the top of the page, the driver from its bottom.
    top, bottom = height - ury, height - lly
    for box in re.finditer(r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" '
                           r'yMax="([\d.]+)">([^<]*)</word>', words):
        x0, y0, x1, y1 = map(float, box.groups()[:4])
        if x0 < llx - slack or x1 > urx + slack or y0 < top - slack or y1 > bottom + slack:
            sys.exit("page %d: %r at x %.1f-%.1f, y %.1f-%.1f lies outside the printable area "
                     "x %.1f-%.1f, y %.1f-%.1f" % (number, box.group(5), x0, x1, y0, y1,
                                                     llx, urx, top, bottom))
        lowest = max(lowest, y1)
if not pages:
    sys.exit("no page in the printout")
print("%.1f of %.1f points" % (lowest, bottom))
EOF
)
# 3. A queue that takes no jobs: one message box, and nothing reaches the spooler.
cupsreject -r "paper jam" "$queue"
rm -f "$printed"
"$program" refused "$base/program"
cupsaccept "$queue"
sleep 0.5
if [ "$(lpstat -W all -o "$queue" | wc -l)" -ne 2 ] || [ -e "$printed" ]; then
    echo "print_spooler_test: a job reached the queue that takes no jobs" >&2
    exit 1
fi
echo "print_spooler_test: printed and checked 2 documents ($pages pages for the long list, its" \
    "lowest word ending $lowest down the page), and a refused one"

