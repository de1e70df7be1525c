#!/usr/bin/env bash
# Builds the release player benchmark and runs it on a virtual X server with SDL's silent
# audio driver. About a minute: two 20-second runs and a short baseline.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/build release player_cpu_bench
SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1280x800x24" \
  build/release/bench/player_cpu/player_cpu_bench "$@"
