#!/usr/bin/env python3
"""The terminal player on a real pseudo-terminal: the live status line, single keys (pause, seek,
next, quit), the terminal given back as it was (also after Ctrl+C), and nothing of it when the
input is not a terminal."""
import os
import pty
import re
import select
import signal
import subprocess
import sys
import tempfile
import termios
import time

BUILD, SOURCE = sys.argv[1], sys.argv[2]


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def start(folder, master_slave=None, stdin=None):
    env = dict(os.environ, VERSOLUNE_HOME=os.path.join(folder, "home"), VERSOLUNE_PLUGIN_PATH="")
    os.makedirs(env["VERSOLUNE_HOME"], exist_ok=True)
    args = [os.path.join(BUILD, "versolune-play"), "--audio", "null",
            os.path.join(folder, "first.mp3"), os.path.join(folder, "second.wav")]
    if master_slave:
        slave = master_slave[1]
        return subprocess.Popen(args, stdin=slave, stdout=subprocess.PIPE, stderr=slave, env=env)
    return subprocess.Popen(args, stdin=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)


class Screen:
    def __init__(self, master):
        self.master = master
        self.text = b""

    def wait_for(self, pattern, seconds=20):
        end = time.time() + seconds
        while time.time() < end:
            found = re.findall(pattern, self.text)
            if found:
                self.text = b""
                return found[-1]
            ready, _, _ = select.select([self.master], [], [], 0.1)
            if ready:
                try:
                    self.text += os.read(self.master, 4096)
                except OSError:
                    break
        fail("the terminal never showed %r; last: %r" % (pattern, self.text[-300:]))


def seconds(status):
    m = re.search(rb"\] (\d+):(\d\d)", status)
    return int(m.group(1)) * 60 + int(m.group(2))


def cooked(master):
    flags = termios.tcgetattr(master)[3]
    return bool(flags & termios.ICANON) and bool(flags & termios.ECHO)


with tempfile.TemporaryDirectory() as folder:
    with open(os.path.join(SOURCE, "demo", "demo.mp3"), "rb") as src, \
            open(os.path.join(folder, "first.mp3"), "wb") as dst:
        dst.write(src.read())
    subprocess.run(["sox", "-q", "-n", "-r", "44100", "-c", "2", "-b", "16",
                    os.path.join(folder, "second.wav"), "synth", "20", "sine", "440"], check=True)

    master, slave = pty.openpty()
    player = start(folder, (master, slave))
    screen = Screen(master)
    screen.wait_for(rb"\[playing\] 0:0\d / 0:3\d")
    if cooked(master):
        fail("keys are not read one by one")
    os.write(master, b" ")
    screen.wait_for(rb"\[paused\]")
    os.write(master, b" ")
    screen.wait_for(rb"\[playing\]")
    before = seconds(screen.wait_for(rb"\[playing\] \d+:\d\d[^\r]*"))
    os.write(master, b"\x1b[C")
    after = seconds(screen.wait_for(rb"\[playing\] \d+:\d\d[^\r]*"))
    if after < before + 4:
        fail("right arrow went from %d s to %d s" % (before, after))
    os.write(master, b"n")
    screen.wait_for(rb"/ 0:20  second")
    os.write(master, b"q")
    try:
        player.wait(20)
    except subprocess.TimeoutExpired:
        fail("q did not end the player")
    if player.returncode != 0:
        fail("exit status %d after q" % player.returncode)
    if not cooked(master):
        fail("the terminal was not given back after q")
    out = player.stdout.read().decode()
    if "state 1" not in out:
        fail("the play states are gone from standard output: %r" % out)

    # Ctrl+C gives the terminal back too.
    player = start(folder, (master, slave))
    screen.wait_for(rb"\[playing\]")
    player.send_signal(signal.SIGINT)
    player.wait(20)
    if not cooked(master):
        fail("the terminal was not given back after Ctrl+C")
    os.close(slave)
    os.close(master)

    # Piped, the output is what scripts have always seen.
    player = start(folder, stdin=subprocess.DEVNULL)
    time.sleep(1.5)
    player.terminate()
    out, err = player.communicate(timeout=20)
    if b"\x1b" in out + err or b"[playing]" in err:
        fail("status line shown without a terminal: %r" % err[:200])
    if not out.startswith(b"state 3"):
        fail("piped output changed: %r" % out[:200])
print("terminal controls work")
