"""The env file the world leaves for whoever starts the client: KEY=VALUE
lines, values quoted for the shell (`set -a; . FILE; set +a` exports them),
written in one step so a reader never sees half of it."""
import os
import re
import shlex

KEY = re.compile(r"[A-Z_][A-Z0-9_]*\Z")


def write(path, items):
    lines = []
    for key, value in items:
        if not KEY.match(key):
            raise ValueError("bad key " + key)
        text = str(value)
        if "\n" in text or "\0" in text:
            raise ValueError("value of %s spans lines" % key)
        lines.append("%s=%s\n" % (key, shlex.quote(text)))
    tmp = "%s.%d.tmp" % (path, os.getpid())
    with open(tmp, "w", encoding="utf-8") as f:
        f.writelines(lines)
    os.replace(tmp, path)


def read(path):
    """The items of a file written by write(), as a dict."""
    out = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            key, sep, value = line.rstrip("\n").partition("=")
            if sep:
                words = shlex.split(value)
                out[key] = words[0] if words else ""
    return out
