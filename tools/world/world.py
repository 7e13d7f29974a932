#!/usr/bin/env python3
"""World launcher: the simulated world the client is pointed at, in one command.

Inside the current private network namespace (it refuses to start outside
one) it starts the rendezvous servers (127.0.0.1-3:60722) with a relay, four
simulated cameras registered with them (1080p/720p at 25 fps with sound, each
with its own picture, name and tone, the first with pan/tilt) and the
simulated cloud with a demo account that holds them, plus a door bell that
is no camera and, with --dead N, N dead cameras (listed online, nothing
behind them). It asks the cloud what it hands out for each camera (access
key, rendezvous list, localIp) and writes an env file for whoever starts the
client. Everything logs into one folder and stops when the world's lifetime
is over, on SIGTERM/SIGINT/SIGHUP, on "stop", or when the launcher dies.

Standard output, one line each: "world: ..." (progress), "ready ENVFILE",
answers to commands, "stopping WHY" (lifetime | signal | command | done |
failed). Commands, one a line, on standard input or written into the FIFO
named by WORLD_CONTROL in the env file:
  kill ID      SIGKILL the camera (power cut)       -> "killed ID"
  start ID     start it again, wait until it listens -> "started ID PID"
  restart ID   kill, then start                      -> both lines
  status       one "status NAME running|exited PID" line per program
  cloud-fail PATH=MODE[:COUNT[:ARG]]   the cloud fails its next requests to
               PATH as sim_cloud.py's --fail says -> "cloud-fail PATH MODE"
  stop         stop everything and exit
With --then CMD..., CMD runs in the world once it is ready (with the env
file's variables and WORLD_ENV set); the world stops when CMD ends, and the
launcher exits with CMD's status.

Example:
  scripts/netns.sh python3 tools/world/world.py --out /tmp/world --then \\
      build/tools/world/world_check
"""
import argparse
import os
import select
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(os.path.dirname(HERE))
sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(TOP, "tools", "cloud"))

from simcloud import netns_guard  # noqa: E402
from simworld import cameras, cloud_probe, envfile, processes  # noqa: E402

SERVERS = "127.0.0.1,127.0.0.2,127.0.0.3"
RELAY = "127.0.0.1:60800"
LOCAL_IP = "127.0.0.1"
MAX_LIFETIME_S = 3600
MAX_DEAD = 1000
CHILD_MARGIN_S = 30   # the programs outlive the launcher's own end by this, at most
CAMERA_WAIT_S = 60    # each listen of a camera; it listens again after
START_LIMIT_S = 600   # for making the 1080p clips on a busy machine
RESTART_LIMIT_S = 120
POLL_S = 0.2


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--build", default=os.path.join(TOP, "build"),
                   help="build tree with the rendezvous server and the camera (default build/)")
    p.add_argument("--rendezvous-bin", help="default BUILD/tools/rendezvous/rendezvous")
    p.add_argument("--camera-bin", help="default BUILD/tools/camera/sim_camera")
    p.add_argument("--out", help="log folder, made when missing (default a new /tmp/camviewer-world.*)")
    p.add_argument("--clip-cache", help="where the cameras keep their clips (default BUILD/world-clips)")
    p.add_argument("--lifetime", type=int, default=600,
                   help="stop after this many seconds (default 600, at most %d)" % MAX_LIFETIME_S)
    p.add_argument("--cameras", type=int, default=4, help="how many of the four cameras (1-4)")
    p.add_argument("--dead", type=int, default=0, metavar="N",
                   help="N more cameras the cloud lists as online with no camera behind them "
                        "(0-%d, default 0)" % MAX_DEAD)
    p.add_argument("--fhd", default="1920x1080", help="picture of quality 5 (default 1920x1080)")
    p.add_argument("--hd", default="1280x720", help="picture of quality 1 (default 1280x720)")
    p.add_argument("--fps", type=int, default=25)
    p.add_argument("--clip-seconds", type=int, default=6, help="length of the looped clips")
    p.add_argument("--codec", choices=("h264", "h265"), default="h264")
    p.add_argument("--account", default="demo@example.com:camviewer-demo", metavar="USER:PASSWORD")
    p.add_argument("--cloud-arg", action="append", default=[], metavar="ARG",
                   help="one more switch for sim_cloud.py, e.g. --cloud-arg=--fail=PATH=status:2")
    p.add_argument("--camera-arg", action="append", default=[], metavar="ARG",
                   help="one more switch for every camera, e.g. --camera-arg=--field-stream")
    p.add_argument("--rendezvous-arg", action="append", default=[], metavar="ARG",
                   help="one more argument for the rendezvous server, e.g. --rendezvous-arg=--loss --rendezvous-arg=5")
    p.add_argument("--then", nargs=argparse.REMAINDER, default=[], metavar="CMD",
                   help="run CMD in the world, then stop it")
    args = p.parse_args(argv)
    if not 1 <= args.lifetime <= MAX_LIFETIME_S:
        p.error("--lifetime must be 1 to %d seconds" % MAX_LIFETIME_S)
    if not 1 <= args.cameras <= 4:
        p.error("--cameras must be 1 to 4")
    if not 0 <= args.dead <= MAX_DEAD:
        p.error("--dead must be 0 to %d" % MAX_DEAD)
    if ":" not in args.account or args.account.startswith(":"):
        p.error("--account must be USER:PASSWORD")
    args.build = os.path.abspath(args.build)
    args.rendezvous_bin = args.rendezvous_bin or os.path.join(args.build, "tools", "rendezvous",
                                                              "rendezvous")
    args.camera_bin = args.camera_bin or os.path.join(args.build, "tools", "camera", "sim_camera")
    args.clip_cache = os.path.abspath(args.clip_cache or os.path.join(args.build, "world-clips"))
    args.rendezvous_bin = os.path.abspath(args.rendezvous_bin)
    args.camera_bin = os.path.abspath(args.camera_bin)
    for program in (args.rendezvous_bin, args.camera_bin):
        if not os.access(program, os.X_OK):
            p.error("%s is missing: build first (cmake --build build)" % program)
    return args


class WorldFailed(Exception):
    pass


class World:
    def __init__(self, args):
        self.args = args
        self.out = os.path.abspath(args.out or tempfile.mkdtemp(prefix="camviewer-world."))
        os.makedirs(self.out, exist_ok=True)
        self.env_path = os.path.join(self.out, "world.env")
        self.control_path = os.path.join(self.out, "control")
        self.began = time.monotonic()
        self.ends = self.began + args.lifetime
        self.stop_reason = None
        self.user, _, self.password = args.account.partition(":")
        self.cameras = cameras.demo_cameras()[:args.cameras]
        self.by_id = {c.device_id: c for c in self.cameras}
        self.dead = cameras.dead_cameras(args.dead)
        self.dead_by_id = {c.device_id: c for c in self.dead}
        self.handed_out = {}  # device id -> what the cloud hands the client
        self.devices = []
        self.cloud_url = ""
        self.cloud_log_skip = 0
        self.then = None
        self.noted_exits = set()
        self.rendezvous = processes.Program(
            "rendezvous", [args.rendezvous_bin, "--servers", SERVERS, "--relay", RELAY]
            + args.rendezvous_arg,
            self._log("rendezvous.log"))
        self.camera_programs = {c.device_id: self._camera_program(c) for c in self.cameras}
        self.cloud = None
        self.ready_at = 0.0

    def _log(self, name):
        return os.path.join(self.out, name)

    def say(self, line):
        print(line, flush=True)
        with open(self._log("world.log"), "a", encoding="utf-8") as f:
            f.write("%s %s\n" % (time.strftime("%H:%M:%S"), line))

    def child_lifetime(self):
        left = self.ends - time.monotonic()
        return str(max(1, min(MAX_LIFETIME_S, int(left) + CHILD_MARGIN_S)))

    # ----- the programs ---------------------------------------------------
    def _thumb(self, camera):
        return os.path.join(self.out, "thumbs", camera.device_id + ".jpeg")

    def _camera_program(self, c):
        a = self.args
        argv = [a.camera_bin, "--id", c.device_id, "--key", c.access_key, "--servers", SERVERS,
                "--sessions", "0", "--wait", str(CAMERA_WAIT_S), "--codec", a.codec,
                "--fhd", a.fhd, "--hd", a.hd, "--fps", str(a.fps),
                "--clip-seconds", str(a.clip_seconds), "--pattern", c.pattern, "--label", c.alias,
                "--tone", str(c.tone_hz), "--work-dir", a.clip_cache, "--snapshot", self._thumb(c)]
        argv += a.camera_arg
        return processes.Program("camera " + c.device_id, argv,
                                 self._log("camera-%s.log" % c.device_id))

    def _cloud_program(self):
        certs = os.path.join(self.out, "cloud-certs")
        argv = [sys.executable, os.path.join(TOP, "tools", "cloud", "sim_cloud.py"),
                "--make-certs", certs, "--port-file", self._log("cloud.port"),
                "--log", self._log("cloud-requests.jsonl"), "--account", self.args.account,
                "--rendezvous", SERVERS]
        for c in self.cameras:
            argv += ["--camera", "%s:%s:%s:%s:ip=%s:stun=%s:thumb=%s" % (
                c.device_id, c.alias, c.ptz, c.access_key, LOCAL_IP, SERVERS, self._thumb(c))]
        argv += ["--camera", cameras.DOOR_BELL]
        for c in self.dead:  # the generated snapshot: no camera makes one
            argv += ["--camera", "%s:%s:%s:%s:ip=%s:stun=%s" % (
                c.device_id, c.alias, c.ptz, c.access_key, LOCAL_IP, SERVERS)]
        argv += self.args.cloud_arg
        env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1")
        return processes.Program("cloud", argv, self._log("cloud.log"), env), certs

    def _start_camera(self, c):
        self.camera_programs[c.device_id].start(["--lifetime", self.child_lifetime()])

    def _wait_camera(self, c, deadline):
        program = self.camera_programs[c.device_id]
        ready = program.wait_for("ready ", deadline)
        if ready is None or program.wait_for("listening 1", deadline) is None:
            raise WorldFailed("camera %s did not start: %s" % (
                c.device_id, program.output().strip()[-400:]))
        return ready

    def start(self):
        os.makedirs(os.path.join(self.out, "thumbs"), exist_ok=True)
        os.makedirs(self.args.clip_cache, exist_ok=True)
        # What an earlier world left in the folder must not be taken for this one's.
        for name in ("control", "cloud.port", "world.env", "cloud-requests.jsonl"):
            if os.path.lexists(self._log(name)):
                os.remove(self._log(name))
        os.mkfifo(self.control_path, 0o600)
        limit = time.monotonic() + START_LIMIT_S
        self.rendezvous.start(["--lifetime", self.child_lifetime()])
        if self.rendezvous.wait_for("ready", time.monotonic() + 15) is None:
            raise WorldFailed("rendezvous server did not start: " + self.rendezvous.output()[-400:])
        self.say("world: rendezvous servers %s, relay %s (pid %d)"
                 % (SERVERS, RELAY, self.rendezvous.pid))
        for c in self.cameras:  # they make their clips side by side
            self._start_camera(c)
        for c in self.cameras:
            ready = self._wait_camera(c, limit)
            self.say("world: camera %s \"%s\" %s, tone %d Hz, listening (pid %d): %s" % (
                c.device_id, c.alias, c.pattern, c.tone_hz, self.camera_programs[c.device_id].pid,
                ready))
        self.cloud, certs = self._cloud_program()
        self.cloud.start(["--lifetime", self.child_lifetime()])
        port = self._wait_port(time.monotonic() + 60)
        self.cloud_url = "https://127.0.0.1:%d/cloud" % port
        self.ca_file = os.path.join(certs, "ca.pem")
        self.say("world: cloud %s (pid %d)" % (self.cloud_url, self.cloud.pid))
        self._ask_cloud()
        self.ready_at = time.monotonic()
        self.write_env()
        self.say("world: ready in %.1f s" % (self.ready_at - self.began))
        self.summary()
        self.say("ready " + self.env_path)

    def summary(self):
        self.say("world: sign in as %s with the password %s" % (self.user, self.password))
        self.say("world: cloud entry URL %s, CA file %s" % (self.cloud_url, self.ca_file))
        for c in self.cameras:
            self.say("world:   %s \"%s\"%s, %s picture, %d Hz tone" % (
                c.device_id, c.alias, " with PTZ" if c.ptz == "1" else "", c.pattern, c.tone_hz))
        for d in self.other_devices():
            self.say("world:   %s \"%s\", device type %s: no camera" % (d["id"], d["alias"], d["type"]))
        if self.dead:
            self.say("world:   %d dead cameras %s ... %s (\"%s\" ...): listed online, no camera "
                     "behind them" % (len(self.dead), self.dead[0].device_id,
                                      self.dead[-1].device_id, self.dead[0].alias))
        self.say("world: env file %s (set -a; . FILE; set +a), commands into %s"
                 % (self.env_path, self.control_path))

    def _wait_port(self, deadline):
        path = self._log("cloud.port")
        while time.monotonic() < deadline and self.cloud.running():
            try:
                with open(path, encoding="ascii") as f:
                    return int(f.read().strip())
            except (OSError, ValueError):
                time.sleep(processes.POLL_S)
        raise WorldFailed("cloud did not start: " + self.cloud.output()[-600:])

    def _ask_cloud(self):
        probe = cloud_probe.CloudProbe(self.cloud_url, self.ca_file, self.user)
        try:
            self.devices = probe.devices()
        except cloud_probe.ProbeError as e:
            raise WorldFailed("asking the cloud: %s" % e) from e
        dead_handed_out = set()
        for d in self.devices:
            c = self.by_id.get(d["id"]) or self.dead_by_id.get(d["id"])
            if c is None:
                continue
            # A dead camera must look like any other to the client: an online
            # camera with its own key, this world's servers and address, so
            # the client does try to connect to it.
            got = (d.get("key"), d.get("servers"), d.get("localIp"), d.get("ptz"))
            if got != (c.access_key, SERVERS, LOCAL_IP, c.ptz):
                raise WorldFailed("the cloud hands out %s for %s" % (got, c.device_id))
            if c.device_id in self.dead_by_id:
                dead_handed_out.add(c.device_id)
            else:
                self.handed_out[c.device_id] = d
        if set(self.handed_out) != set(self.by_id) or dead_handed_out != set(self.dead_by_id):
            raise WorldFailed("the cloud lists %s" % [d["id"] for d in self.devices])
        with open(self._log("cloud-requests.jsonl"), "rb") as f:
            self.cloud_log_skip = sum(1 for _ in f)

    def other_devices(self):
        """The listed devices that are neither a camera nor a dead camera."""
        return [d for d in self.devices if d["id"] not in self.by_id and d["id"] not in self.dead_by_id]

    # ----- the env file ---------------------------------------------------
    def write_env(self):
        ids = [c.device_id for c in self.cameras]
        others = [d["id"] for d in self.other_devices()]
        items = [("WORLD_DIR", self.out), ("WORLD_PID", os.getpid()),
                 ("WORLD_CONTROL", self.control_path),
                 ("WORLD_ENDS_AT", int(time.time() + self.ends - time.monotonic())),
                 ("CAMVIEWER_CLOUD_URL", self.cloud_url), ("CAMVIEWER_CLOUD_CA", self.ca_file),
                 ("WORLD_ACCOUNT", self.user), ("WORLD_PASSWORD", self.password),
                 ("WORLD_CLOUD_PID", self.cloud.pid),
                 ("WORLD_CLOUD_LOG", self._log("cloud-requests.jsonl")),
                 ("WORLD_CLOUD_LOG_SKIP", self.cloud_log_skip),
                 ("WORLD_RENDEZVOUS", SERVERS), ("WORLD_RELAY", RELAY),
                 ("WORLD_RENDEZVOUS_PID", self.rendezvous.pid),
                 ("WORLD_CAMERAS", " ".join(ids)), ("WORLD_OTHER_DEVICES", " ".join(others)),
                 ("WORLD_DEAD_CAMERAS", " ".join(c.device_id for c in self.dead)),
                 ("WORLD_FHD", self.args.fhd), ("WORLD_HD", self.args.hd),
                 ("WORLD_FPS", self.args.fps), ("WORLD_CODEC", self.args.codec)]
        for n, c in enumerate(self.cameras, 1):
            d = self.handed_out[c.device_id]
            pre = "WORLD_CAMERA_%d_" % n
            items += [(pre + "ID", c.device_id), (pre + "ALIAS", d["alias"]),
                      (pre + "PTZ", d["ptz"]), (pre + "KEY", d["key"]),
                      (pre + "SERVERS", d["servers"]), (pre + "LOCAL_IP", d["localIp"]),
                      (pre + "SNAPSHOT_URL", d["snapshotUrl"]), (pre + "PATTERN", c.pattern),
                      (pre + "TONE", c.tone_hz), (pre + "PID", self.camera_programs[c.device_id].pid),
                      (pre + "LOG", self.camera_programs[c.device_id].log_path)]
        envfile.write(self.env_path, items)

    # ----- commands -------------------------------------------------------
    def command(self, line):
        words = line.split()
        if not words:
            return
        verb, rest = words[0], words[1:]
        if verb == "stop" and not rest:
            self.stop_reason = "command"
        elif verb == "status" and not rest:
            for p in [self.rendezvous, self.cloud] + list(self.camera_programs.values()):
                if p is not None:
                    self.say("status %s %s %d" % (p.name.replace(" ", ":"),
                                                  "running" if p.running() else "exited", p.pid))
        elif verb in ("kill", "start", "restart") and len(rest) == 1 and rest[0] in self.by_id:
            self._camera_command(verb, self.by_id[rest[0]])
        elif verb == "cloud-fail" and len(rest) == 1:
            self._cloud_fail(rest[0])
        else:
            self.say("error unknown command: " + line.strip())

    def _cloud_fail(self, rule):
        probe = cloud_probe.CloudProbe(self.cloud_url, self.ca_file, self.user)
        try:
            probe.fail_next(rule)
        except cloud_probe.ProbeError as e:
            self.say("error " + str(e))
            return
        path, _, rest = rule.partition("=")
        self.say("cloud-fail %s %s" % (path, rest.split(":")[0]))

    def _camera_command(self, verb, c):
        program = self.camera_programs[c.device_id]
        if verb in ("kill", "restart"):
            program.kill()
            self.noted_exits.discard(c.device_id)
            self.say("killed " + c.device_id)
        if verb in ("start", "restart"):
            if program.running():
                self.say("error %s is running" % c.device_id)
                return
            self._start_camera(c)
            try:
                self._wait_camera(c, time.monotonic() + RESTART_LIMIT_S)
            except WorldFailed as e:
                self.say("error " + str(e))
                return
            self.write_env()
            self.say("started %s %d" % (c.device_id, program.pid))

    def check_programs(self):
        for p in (self.rendezvous, self.cloud):
            if not p.running():
                self.say("error %s ended (status %s)" % (p.name, p.exit_status()))
                self.stop_reason = "failed"
        for device_id, p in self.camera_programs.items():
            if not p.running() and device_id not in self.noted_exits:
                self.noted_exits.add(device_id)
                self.say("world: camera %s ended (status %s)" % (device_id, p.exit_status()))

    # ----- running and stopping -------------------------------------------
    def run_then(self):
        env = dict(os.environ)
        env.update(envfile.read(self.env_path))
        env["WORLD_ENV"] = self.env_path
        self.then = subprocess.Popen(self.args.then, env=env, stdin=subprocess.DEVNULL)

    def serve(self):
        fifo = os.open(self.control_path, os.O_RDWR | os.O_NONBLOCK)  # never at its end
        inputs = {fifo: b""}
        if sys.stdin is not None and not sys.stdin.closed:
            inputs[sys.stdin.fileno()] = b""
        try:
            while self.stop_reason is None:
                if time.monotonic() >= self.ends:
                    self.stop_reason = "lifetime"
                    break
                try:
                    readable, _, _ = select.select(list(inputs), [], [], POLL_S)
                except (OSError, ValueError):
                    readable = []
                for fd in readable:
                    self._read_commands(fd, inputs)
                    if self.stop_reason:
                        break
                if self.stop_reason is None:
                    self.check_programs()
                if self.then is not None and self.then.poll() is not None and not self.stop_reason:
                    self.stop_reason = "done"
        finally:
            os.close(fifo)

    def _read_commands(self, fd, inputs):
        try:
            chunk = os.read(fd, 4096)
        except BlockingIOError:
            return
        except OSError:
            chunk = b""
        if not chunk:
            del inputs[fd]  # standard input ended: the world goes on
            return
        pending = inputs[fd] + chunk
        *lines, inputs[fd] = pending.split(b"\n")
        if len(inputs[fd]) > 4096:
            inputs[fd] = b""  # no line that long is a command
        for line in lines:
            if self.stop_reason:
                return
            self.command(line.decode("utf-8", "replace"))

    def stop(self):
        self.say("stopping " + (self.stop_reason or "failed"))
        if self.then is not None and self.then.poll() is None:
            self.then.terminate()
            try:
                self.then.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.then.kill()
                self.then.wait(timeout=10)
        for p in self.camera_programs.values():  # SIGTERM to all first: they stop side by side
            if p.running():
                p.proc.terminate()
        for p in list(self.camera_programs.values()) + [self.cloud, self.rendezvous]:
            if p is not None:
                p.stop()
        if os.path.exists(self.control_path) and stat.S_ISFIFO(os.stat(self.control_path).st_mode):
            os.remove(self.control_path)
        self.say("world: stopped after %.1f s" % (time.monotonic() - self.began))


def main(argv=None):
    netns_guard.require_private_namespace_or_exit("world")
    args = parse_args(argv if argv is not None else sys.argv[1:])
    for tool in ("ffmpeg", "openssl"):
        if shutil.which(tool) is None:
            sys.stderr.write("world: %s is missing (scripts/setup.sh installs it)\n" % tool)
            return 2
    world = World(args)

    def on_signal(_sig, _frame):
        world.stop_reason = world.stop_reason or "signal"
        raise KeyboardInterrupt  # leaves a start-up wait at once; serve() then stops

    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(sig, on_signal)
    status = 0
    try:
        world.say("world: log folder " + world.out)
        world.start()
        if args.then:
            world.run_then()
        world.serve()
    except WorldFailed as e:
        world.say("error " + str(e))
        world.stop_reason = "failed"
    except KeyboardInterrupt:
        pass
    finally:
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        signal.signal(signal.SIGHUP, signal.SIG_IGN)
        world.stop()
    if world.stop_reason == "failed":
        status = 1
    elif args.then:
        if world.stop_reason != "done":
            status = 124  # the world ended before CMD did
        else:
            code = world.then.returncode
            status = code if code >= 0 else 128 - code  # 128 + signal, as a shell says
    return status


if __name__ == "__main__":
    sys.exit(main())
