#!/usr/bin/env python3
"""Measures what a hostile server's lists cost the client, from outside.

For each pattern a one-connection server streams the lines to the built client (run under
QT_QPA_PLATFORM=offscreen), waits until the client has stopped using CPU, and reports the
client's peak resident memory (VmHWM) and how long it was busy after the stream began. The
client is then stopped. Linux only (reads /proc).

    scripts/hostile-lists.py [--client build/src/app/tarvolink] [--mb 600] [PATTERN...]

With no PATTERN every one runs. Exit status 1 when any peak is over --limit-mb (200).
"""
import argparse
import os
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

CHUNK = 1 << 20


def rows(start, row, end, total_bytes):
    """The start line, `row(n)` lines until about total_bytes, the end line."""
    def gen():
        if start:
            yield start + "\n"
        sent = 0
        n = 0
        buf = []
        size = 0
        while sent < total_bytes:
            line = row(n) + "\n"
            n += 1
            buf.append(line)
            size += len(line)
            sent += len(line)
            if size >= CHUNK:
                yield "".join(buf)
                buf, size = [], 0
        if buf:
            yield "".join(buf)
        if end:
            yield end + "\n"
    return gen


def repeated(unit, count):
    def gen():
        batch = max(1, CHUNK // max(1, len(unit)))
        left = count
        while left > 0:
            k = min(batch, left)
            yield unit * k
            left -= k
    return gen


def patterns(mb):
    big = mb << 20
    small = min(big, 200 << 20)
    pad = "X" * 80
    return {
        "CPLST": rows("CLRCPLST", lambda n: f"CPLST    CP{n}{pad}", "DNCPLST", big),
        "PLBLIST": rows("CLRPLBLIST A:LAD1", lambda n: f"PLBLIST {n} {pad}", "PLBENDLIST", big),
        "PRMLST": rows("CLRPRMLST", lambda n: f"PRMLST P{n} {pad}", None, small),
        "XREFLST": rows("CLRXREFLST", lambda n: f"XREFLST {n} {pad}", "ENDXREFLST", small),
        "XREFCFGGETLINE": rows("XREFCFGGETSTRTC", lambda n: f"XREFCFGGETLINE C{n}{pad}",
                               "XREFCFGGETDONEC", small),
        "BLKLST": rows("CLRBLKLST",
                       lambda n: f"BLKLST {n + 1:5d} CMP{n:<17d}COMPND", "DNBLKLST", small),
        "SEQSRC": rows("CLRSEQSRC", lambda n: f"SEQSRC{n} {pad}", "DNSEQSRC", small),
        "CLRPRMLST-20000": repeated("CLRPRMLST\n", 20_000),
        "CLRPRMLST+DNPRMLST-2000": repeated(
            "CLRPRMLST\n" + "".join(f"PRMLST P{i}      {i}\n" for i in range(10)) + "DNPRMLST\n",
            2_000),
    }


def status_kb(pid, field):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        parts = f.read().rsplit(")", 1)[1].split()
    return int(parts[11]) + int(parts[12])


def run(client, name, gen, quiet_s, max_busy_s):
    srv = socket.socket()
    srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    srv.bind(("127.0.0.1", 0))
    srv.listen(1)
    port = srv.getsockname()[1]
    settings = tempfile.NamedTemporaryFile(prefix="hostile-", suffix=".txt", delete=False)
    settings.close()
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    proc = subprocess.Popen([client, "--settings", settings.name, "--connect",
                             f"127.0.0.1:{port}"], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        srv.settimeout(30)
        conn, _ = srv.accept()
        # What the client sends is read and dropped.
        def drain():
            try:
                while conn.recv(65536):
                    pass
            except OSError:
                pass
        threading.Thread(target=drain, daemon=True).start()
        time.sleep(1.0)
        base = status_kb(proc.pid, "VmHWM")
        begun = time.monotonic()
        total = 0
        for chunk in gen():
            data = chunk.encode("latin-1")
            conn.sendall(data)
            total += len(data)
        sent_s = time.monotonic() - begun
        # Busy until the client's CPU time stops growing for quiet_s.
        last = cpu_ticks(proc.pid)
        quiet_since = time.monotonic()
        while (time.monotonic() - quiet_since < quiet_s
               and time.monotonic() - begun < max_busy_s):
            time.sleep(0.25)
            now = cpu_ticks(proc.pid)
            if now != last:
                last, quiet_since = now, time.monotonic()
        busy_s = quiet_since - begun
        peak = status_kb(proc.pid, "VmHWM")
        rss = status_kb(proc.pid, "VmRSS")
        conn.close()
        return dict(name=name, mb=total / (1 << 20), start_mb=base / 1024, peak_mb=peak / 1024,
                    rss_mb=rss / 1024, sent_s=sent_s, busy_s=busy_s)
    finally:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
        srv.close()
        os.unlink(settings.name)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--client", default="build/src/app/tarvolink")
    ap.add_argument("--mb", type=int, default=600, help="size of the CPLST and PLBLIST floods")
    ap.add_argument("--limit-mb", type=float, default=200)
    ap.add_argument("--quiet", type=float, default=2.0, help="seconds without CPU = idle")
    ap.add_argument("--max-busy", type=float, default=600,
                    help="stop waiting for the client to go idle after this many seconds")
    ap.add_argument("pattern", nargs="*")
    args = ap.parse_args()
    all_patterns = patterns(args.mb)
    names = args.pattern or list(all_patterns)
    over = False
    print(f"{'pattern':26} {'sent MB':>8} {'start MB':>9} {'peak MB':>8} {'RSS MB':>7} "
          f"{'busy s':>7}")
    for name in names:
        r = run(args.client, name, all_patterns[name], args.quiet, args.max_busy)
        over |= r["peak_mb"] > args.limit_mb
        print(f"{r['name']:26} {r['mb']:8.0f} {r['start_mb']:9.1f} {r['peak_mb']:8.1f} "
              f"{r['rss_mb']:7.1f} {r['busy_s']:7.1f}", flush=True)
    return 1 if over else 0


if __name__ == "__main__":
    sys.exit(main())
