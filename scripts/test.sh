#!/usr/bin/env bash
# Everything from a fresh Debian 12 machine to a finished test run: set-up, both builds, the
# tests of both architectures under Wine, the HTML report rendered in Chromium, the end-to-end
# runs, a set replaced in a 配布フォルダー during a visit, the result screen's QR code decoded at
# 100 % and 200 %, the result card printed through CUPS to a PDF printer and its code decoded,
# the sample's consistency, and the release packages built, checked, and the installer run in a
# fresh prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
bash "$root/scripts/run-tests.sh"
bash "$root/scripts/report-render-test.sh"
bash "$root/scripts/e2e-test.sh"
bash "$root/scripts/crash-test.sh"
bash "$root/scripts/dist-test.sh" x86_64
bash "$root/scripts/qr-screen-test.sh" x86_64
bash "$root/scripts/print-test.sh" x86_64
python3 "$root/tools/check_sample.py" "$root" "$root/sample/sample.set"
bash "$root/scripts/package.sh"
bash "$root/scripts/check-packages.sh"
bash "$root/scripts/installer-test.sh"
