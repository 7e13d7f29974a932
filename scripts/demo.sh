#!/usr/bin/env bash
# The main job: sets up, builds, then starts the simulated world (cloud,
# rendezvous servers, four cameras; tools/world/README.md) and camviewer
# against it, all in one private network namespace, with a fresh data folder.
#   scripts/demo.sh               with a display the user can reach from the
#                                 namespace (DISPLAY=:N, its socket under
#                                 /tmp/.X11-unix): camviewer opens there for
#                                 the user to sign in and watch; closing its
#                                 window ends the demo. Without one (CI, SSH):
#                                 the journey runs by itself on a private X
#                                 server and prints its summary.
#   scripts/demo.sh --headless    the journey, even with a display
#   scripts/demo.sh --world-only  the simulated world and its check only
# Everything the demo made (screenshots, snapshots, recordings, logs) stays
# in the out folder it names at the end.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$top"

mode=auto
case "${1:-}" in
  "") ;;
  --headless) mode=headless ;;
  --world-only) mode=world ;;
  *) echo "usage: $0 [--headless | --world-only]" >&2; exit 2 ;;
esac

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

out="$(mktemp -d /tmp/camviewer-demo.XXXXXX)"
export PYTHONDONTWRITEBYTECODE=1

if [ "$mode" = world ]; then
  # The first run makes the cameras' 1080p clips (kept in build/world-clips).
  echo "== the simulated world (logs in $out/world), checked through the device link"
  bash scripts/netns.sh timeout 900 python3 tools/world/world.py --build build --out "$out/world" \
    --lifetime 600 --then build/tools/world/world_check --timeout 120
  exit
fi

# A display reachable from inside a private network namespace: only the X
# server's socket file under /tmp/.X11-unix is shared with the namespace
# (its abstract socket and TCP displays such as SSH's localhost:10 are not).
if [ "$mode" = auto ] && [ -n "${DISPLAY:-}" ] &&
   bash scripts/netns.sh timeout 10 xdpyinfo >/dev/null 2>&1; then
  mode=display
fi

echo "== demo account: demo@example.com / camviewer-demo (out folder $out)"
if [ "$mode" = display ]; then
  data="$out/data"
  mkdir -p "$data"
  echo "== camviewer on $DISPLAY: sign in with the account above; closing its window ends the demo"
  bash scripts/netns.sh python3 tools/world/world.py --build build --out "$out/world" \
    --lifetime 3600 --then env CAMVIEWER_DATA_DIR="$data" build/bin/camviewer
  echo "== done; the program's log is $data/debug.txt, its files are under $data/user_private_dir"
else
  echo "== no display reachable from the namespace: the journey runs by itself on a private X server"
  bash scripts/netns.sh timeout 1800 build/tests/journey/camviewer_journey --out "$out"
  echo "== screenshots, files made and summary.txt are in $out"
fi
