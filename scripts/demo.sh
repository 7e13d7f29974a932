#!/usr/bin/env bash
# The main job: sets up, builds everything and runs what the client can do so
# far, inside a private network namespace, with a scratch data folder; then
# starts the simulated world (cloud, rendezvous servers, four cameras) in one
# private namespace, prints the demo account and its cameras, checks every
# camera through the device link and stops it all again.
#   scripts/demo.sh               all of it
#   scripts/demo.sh --world-only  the simulated world and its check only
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$top"

world_only=0
case "${1:-}" in
  "") ;;
  --world-only) world_only=1 ;;
  *) echo "usage: $0 [--world-only]" >&2; exit 2 ;;
esac

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

out="$(mktemp -d /tmp/camviewer-demo.XXXXXX)"

if [ "$world_only" -eq 0 ]; then
  data="$out/data"
  mkdir -p "$data"
  echo "== camviewer start-up; its sign-in dialog waits for a user and is ended after 5 s (data folder $data)"
  CAMVIEWER_DATA_DIR="$data" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
    bash scripts/netns.sh timeout 5 build/bin/camviewer || [ "$?" -eq 124 ]
  echo "== $data/debug.txt"
  cat "$data/debug.txt"

  echo "== P2P transport: 8 MiB over a session linked by KV_Listen/KV_Connect, against TCP"
  bash scripts/netns.sh timeout 120 build/bench/transport/transport_bench --mode direct --bytes 8388608
fi

# The first run makes the cameras' 1080p clips (kept in build/world-clips).
echo "== the simulated world (logs in $out/world), checked through the device link"
bash scripts/netns.sh timeout 900 python3 tools/world/world.py --build build --out "$out/world" \
  --lifetime 600 --then build/tools/world/world_check --timeout 120
