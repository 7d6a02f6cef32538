#!/usr/bin/env bash
# The main job: set-up, both builds, then the player on the bundled sample set under Wine.
# With a display the player opens on it; without one a whole diagnosis is played in Xvfb and the
# screenshots and the log are written to a folder that is printed at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
exec bash "$root/scripts/demo.sh" "$@"
