#!/usr/bin/env bash
# The main job: set-up and both builds (the player on the sample set comes with the player).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
echo "built: $root/build/i686 (release) and $root/build/x86_64"
