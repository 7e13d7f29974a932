#!/usr/bin/env bash
# The main job: sets up, builds everything and runs what the client can do so
# far, inside a private network namespace, with a scratch data folder.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$top"

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

data="$(mktemp -d /tmp/camviewer-demo.XXXXXX)"
echo "== camviewer start-up; its sign-in dialog waits for a user and is ended after 5 s (data folder $data)"
CAMVIEWER_DATA_DIR="$data" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
  bash scripts/netns.sh timeout 5 build/bin/camviewer || [ "$?" -eq 124 ]
echo "== $data/debug.txt"
cat "$data/debug.txt"

echo "== P2P transport: 8 MiB over a session linked by KV_Listen/KV_Connect, against TCP"
bash scripts/netns.sh timeout 120 build/bench/transport/transport_bench --mode direct --bytes 8388608
