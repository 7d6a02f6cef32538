#!/usr/bin/env bash
# The HTML report as a browser shows it: report_sample (x86_64, under Wine) writes the sample's
# result check and a report of hostile and edge-case data; the reports are parsed as XML and
# checked, and the sample's result check and 集計 are rendered in headless Chromium and must not come
# out blank. The pictures are build/report-render/report.png and tally.png (docs/screenshots/ holds copies).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
out=$root/build/report-render
rm -rf "$out" && mkdir -p "$out"

zel_wine_arch x86_64
zel_wine_start
trap zel_wine_stop EXIT
"$WINE" "$root/build/x86_64/tests/report_sample.exe" "$(winepath -w "$out")" "$(winepath -w "$root/sample/animal.qst")" \
  </dev/null
python3 "$root/tools/check_report_html.py" "$out"

# Chromium refuses its sandbox as root; the profile stays in the output folder.
for page in report:sample_report tally:tally_report; do
  png=$out/${page%%:*}.png
  timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$out/profile" \
    --window-size=820,1100 --screenshot="$png" "file://$out/${page#*:}.html" >/dev/null 2>&1 </dev/null
  [ -s "$png" ] || { echo "report-render: Chromium wrote no picture of ${page#*:}" >&2; exit 1; }
  spread=$(convert "$png" -colorspace gray -format '%[fx:standard_deviation]' info:)
  if ! awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }'; then
    echo "report-render: the rendered ${page#*:} is blank (spread $spread)" >&2
    exit 1
  fi
  echo "report-render: ${page#*:} rendered, spread $spread"
done
