"""What a request of the client must look like on the wire: its headers, the
shape of its body and the time stamp of its signature. Each check returns a
list of problems (empty when the request is right)."""
import json

from .calls import Pairs, members_problem, show

# What Qt 5.15's QNetworkAccessManager adds to a request by itself (HTTP/1.1,
# measured): name (lower case) -> the only value it sends, or None when the
# value varies. Accepted wherever they fall; every other header is ours and is
# checked against the call.
QT_OWN_HEADERS = {
    "host": None,
    "content-length": None,
    "connection": "Keep-Alive",
    "accept-encoding": "gzip, deflate",
    "user-agent": "Mozilla/5.0",
}
# A GET carries no header of ours; Qt then sends its own Accept-Language
# (from the system locale, e.g. "en,*").
QT_OWN_GET_HEADERS = dict(QT_OWN_HEADERS, **{"accept-language": None})

WHITE_SPACE = frozenset(b" \t\r\n")


def _qt_own_problem(name, value, own):
    expected = own[name.lower()]
    if expected is not None and value != expected:
        return "header %s is %s; Qt itself sends %s" % (name, show(value), show(expected))
    return None


def header_problems(items, call):
    """Our headers must be exactly the call's, in its order, with its values;
    Qt's own may come anywhere."""
    problems = []
    ours = []
    for name, value in items:
        if name.lower() in QT_OWN_HEADERS:
            problem = _qt_own_problem(name, value, QT_OWN_HEADERS)
            if problem:
                problems.append(problem)
        else:
            ours.append((name, value))
    expected = call.headers()
    wanted = {n.lower(): n for n, _ in expected}
    seen = set()
    for name, _ in ours:
        if name.lower() in seen:
            problems.append("header %s sent twice" % name)
        seen.add(name.lower())
        if name.lower() not in wanted:
            problems.append("unexpected header %s" % name)
        elif name != wanted[name.lower()]:
            problems.append("header name %s should be %s" % (name, wanted[name.lower()]))
    for name, _ in expected:
        if name.lower() not in seen:
            problems.append("header %s missing" % name)
    names = [n.lower() for n, _ in ours if n.lower() in wanted]
    order = [n.lower() for n, _ in expected if n.lower() in seen]
    if names != order and len(names) == len(set(names)):
        problems.append("headers out of order: %s, expected %s" % (
            ", ".join(n for n, _ in ours if n.lower() in wanted),
            ", ".join(n for n, _ in expected)))
    values = dict((n.lower(), v) for n, v in ours)
    for name, value in expected:
        if value is not None and name.lower() in values and values[name.lower()] != value:
            problems.append("header %s is %s, expected %s" % (name, show(values[name.lower()]),
                                                              show(value)))
    return problems


def get_header_problems(items):
    """A thumbnail download carries none of our headers."""
    problems = []
    for name, value in items:
        if name.lower() not in QT_OWN_GET_HEADERS:
            problems.append("unexpected header %s on a download" % name)
        else:
            problem = _qt_own_problem(name, value, QT_OWN_GET_HEADERS)
            if problem:
                problems.append(problem)
    return problems


def compact_problem(body):
    """Compact JSON has no white space outside its strings."""
    in_string = escaped = False
    for offset, byte in enumerate(body):
        if in_string:
            if escaped:
                escaped = False
            elif byte == 0x5C:  # backslash
                escaped = True
            elif byte == 0x22:
                in_string = False
        elif byte == 0x22:
            in_string = True
        elif byte in WHITE_SPACE:
            return "body is not compact JSON: white space at byte %d" % offset
    return None


def parse_pairs(body):
    """The body as nested Pairs (objects) and lists (arrays), or None."""
    try:
        return json.loads(body.decode("utf-8"), object_pairs_hook=Pairs)
    except (UnicodeDecodeError, ValueError):
        return None


def envelope_problems(body, call):
    """{"meta":{...},"data":{...}}, compact, each object with the builder's
    members then the call's own, in order and of their types."""
    problems = []
    compact = compact_problem(body)
    if compact:
        problems.append(compact)
    root = parse_pairs(body)
    if not isinstance(root, Pairs):
        return problems + ["body is not a JSON object"]
    keys = [k for k, _ in root]
    if keys != ["meta", "data"]:
        return problems + ["body members are %s, expected meta then data" % keys]
    for (name, value), members in zip(root, (call.meta, call.data)):
        if not isinstance(value, Pairs):
            problems.append("%s is not an object" % name)
            continue
        problem = members_problem(value, members)
        if problem:
            problems.append("%s: %s" % (name, problem))
    return problems


def timestamp_problem(text, now_ms, max_skew_s):
    """The signature's time stamp: milliseconds since the epoch, decimal with
    no sign or padding, within max_skew_s of the server clock."""
    if not text.isdigit() or not text.isascii() or (len(text) > 1 and text[0] == "0"):
        return "time stamp %s is not plain decimal milliseconds" % show(text)
    value = int(text)
    limit = max_skew_s * 1000
    if abs(value - now_ms) <= limit:
        return None
    if abs(value * 1000 - now_ms) <= limit:
        return "time stamp %s is in seconds, not milliseconds" % text
    if abs(value // 1000 - now_ms) <= limit:
        return "time stamp %s is in microseconds, not milliseconds" % text
    return "time stamp %s is %.0f s away from the server clock (at most %g s)" % (
        text, (value - now_ms) / 1000.0, max_skew_s)
