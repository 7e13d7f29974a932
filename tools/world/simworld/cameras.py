"""The demo's devices: four cameras that look and sound different, the first
with pan/tilt, a door bell that is no camera (the client makes no tile for
it), and on request dead cameras: listed online by the cloud, with keys and
rendezvous servers of their own, but no camera behind them."""
import secrets


class DemoCamera:
    def __init__(self, device_id, alias, ptz, pattern, tone_hz):
        self.device_id = device_id
        self.alias = alias
        self.ptz = ptz
        self.pattern = pattern
        self.tone_hz = tone_hz
        # A fresh key per world: a client that kept one from an earlier run
        # is refused.
        self.access_key = "ak-%s-%s" % (device_id.lower(), secrets.token_hex(6))


# Tones apart from each other's harmonics, so that whose sound plays is
# clear from a recording.
def demo_cameras():
    return [DemoCamera("CAM0001", "Front door", "1", "testsrc2", 450),
            DemoCamera("CAM0002", "Garden", "0", "mandelbrot", 670),
            DemoCamera("CAM0003", "Hall", "0", "smptehdbars", 1010),
            DemoCamera("CAM0004", "Garage", "0", "life", 1390)]


DOOR_BELL = "DOOR01:Door bell:0::type=2"


class DeadCamera:
    """A camera the cloud lists as online that never answers: no camera
    process runs for it and the rendezvous servers do not know its id."""

    def __init__(self, n):
        self.device_id = "DEAD%04d" % n
        self.alias = "Offline %d" % n
        self.ptz = "0"
        self.access_key = "ak-%s-%s" % (self.device_id.lower(), secrets.token_hex(6))


def dead_cameras(count):
    return [DeadCamera(n) for n in range(1, count + 1)]
