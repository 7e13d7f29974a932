"""A test CA and a server certificate for 127.0.0.1, made with the openssl CLI."""
import os
import subprocess


def _run(args, cwd):
    subprocess.run(["openssl"] + args, cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE, timeout=60)


def make_certs(folder, days=2):
    """Writes ca.pem, ca.key, server.pem, server.key into `folder`; returns their paths."""
    os.makedirs(folder, exist_ok=True)
    ext = os.path.join(folder, "server.ext")
    with open(ext, "w", encoding="ascii") as f:
        f.write("basicConstraints=CA:FALSE\n"
                "keyUsage=digitalSignature,keyEncipherment\n"
                "extendedKeyUsage=serverAuth\n"
                "subjectAltName=IP:127.0.0.1,DNS:localhost\n")
    _run(["req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
          "-days", str(days), "-subj", "/CN=camviewer simulated cloud CA",
          "-addext", "basicConstraints=critical,CA:TRUE",
          "-addext", "keyUsage=critical,keyCertSign,cRLSign"], folder)
    _run(["req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out", "server.csr",
          "-subj", "/CN=127.0.0.1"], folder)
    _run(["x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
          "-CAcreateserial", "-out", "server.pem", "-days", str(days), "-extfile", "server.ext"],
         folder)
    return {name: os.path.join(folder, name)
            for name in ("ca.pem", "ca.key", "server.pem", "server.key")}
