#!/usr/bin/env bash
# Everything from a fresh Debian 12 machine to a finished test run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
bash "$root/scripts/run-tests.sh"
