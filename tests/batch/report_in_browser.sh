#!/bin/sh
# Renders a batch report in headless Chromium and reads the DOM it built:
# one plot per file, and the hostile file name shown as text, not as markup.
# Usage: report_in_browser.sh PROGRAM
set -eu
program=$1
browser=$(command -v chromium || true)
[ -n "$browser" ] || { echo "chromium is not installed: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
hostile='<img src=x onerror=alert(1)>.dat'
printf '2 0\n4 1\n6 1\n' > p.dat
printf '0 0\n1 2\n3 0\n' > "$hostile"
printf '0 1\n3 2\n2 0\n' > u.dat
"$program" --batch --report report.html p.dat "$hostile" missing.dat u.dat > rows.csv || [ $? -eq 1 ]
"$browser" --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --user-data-dir="$work/profile" \
  --dump-dom "file://$work/report.html" > dom.html 2> browser.log
fail() { echo "report check failed: $1"; exit 1; }
[ "$(grep -o '<svg' dom.html | wc -l)" -eq 4 ] || fail "one plot per file"
grep -q '&lt;img src=x onerror=alert(1)&gt;\.dat' dom.html || fail "the hostile name shown as text"
! grep -q '<img' dom.html || fail "the hostile name became an element"
grep -q 'out of order or repeated' dom.html || fail "times out of order flagged"
grep -q 'run-time error F6416' dom.html || fail "the error row's message"
echo "report rendered: 4 plots, names escaped"
