"""A private X11 desktop for tests: Xvfb, a session bus, the accessibility bus, a window manager
and GTK test windows, each process in a temporary runtime folder and stopped on exit."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TEST_APP = os.path.join(HERE, "gtk_test_app.py")
# The test application runs on Debian's Python, which has PyGObject and GTK's bindings.
SYSTEM_PYTHON = "/usr/bin/python3"
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
REGISTRY = "/usr/libexec/at-spi2-registryd"
WINDOW_MANAGER = "openbox"

# Debian package of each program the desktop needs.
PROGRAMS = {
    "Xvfb": "xvfb",
    "dbus-daemon": "dbus",
    "dbus-send": "dbus-bin",
    BUS_LAUNCHER: "at-spi2-core",
    REGISTRY: "at-spi2-core",
    WINDOW_MANAGER: "openbox",
    "xprop": "x11-utils",
}


def missing_packages():
    """The Debian packages whose programs this machine lacks, and whether GTK is importable."""
    missing = sorted({package for program, package in PROGRAMS.items()
                      if not (shutil.which(program) or os.access(program, os.X_OK))})
    probe = subprocess.run([SYSTEM_PYTHON, "-c", "import gi; gi.require_version('Gtk', '3.0');"
                            " from gi.repository import Gtk"], capture_output=True)
    if probe.returncode != 0:
        missing += ["python3-gi", "gir1.2-gtk-3.0"]
    return missing


class DesktopError(RuntimeError):
    pass


class X11Session:
    """Starts on enter, stops everything it started on exit (also when the body fails).

    `env` is the environment a client of the desktop runs in: DISPLAY, the session bus and the
    runtime folder. `apps` lists the running test applications as (process, layout)."""

    def __init__(self, width=1280, height=800, accessibility=True):
        self.width, self.height = width, height
        self.accessibility = accessibility
        self.procs = []  # every process started, stopped in reverse order
        self.apps = []
        self.dir = None
        self.env = None

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def _spawn(self, argv, **kwargs):
        log = open(os.path.join(self.dir.name, os.path.basename(argv[0]) + ".log"), "ab")
        kwargs.setdefault("stdout", log)
        proc = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL, stderr=log,
                                start_new_session=True, **kwargs)
        log.close()
        self.procs.append(proc)
        return proc

    def _start(self):
        self.dir = tempfile.TemporaryDirectory(prefix="parlevox-x11-")
        root = self.dir.name
        for sub in ("runtime", "home", "config", "cache", "data"):
            os.makedirs(os.path.join(root, sub), mode=0o700)
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                            "AT_SPI_BUS_ADDRESS", "NO_AT_BRIDGE", "GTK_MODULES",
                            "XAUTHORITY", "SESSION_MANAGER")}
        env.update(XDG_RUNTIME_DIR=os.path.join(root, "runtime"), HOME=os.path.join(root, "home"),
                   XDG_CONFIG_HOME=os.path.join(root, "config"),
                   XDG_CACHE_HOME=os.path.join(root, "cache"),
                   XDG_DATA_HOME=os.path.join(root, "data"), ACCESSIBILITY_ENABLED="1",
                   GTK_A11Y="atspi", GDK_BACKEND="x11", GSETTINGS_BACKEND="memory",
                   NO_AT_BRIDGE="0", LANG="C.UTF-8", LC_ALL="C.UTF-8")
        env.pop("NO_AT_BRIDGE")
        self.env = env

        # The X server picks a free display number and writes it to the pipe.
        read_end, write_end = os.pipe()
        # -noreset: the server would otherwise restart whenever its last client leaves, and
        # refuse the clients that connect meanwhile.
        self._spawn(["Xvfb", "-displayfd", str(write_end), "-noreset", "-nolisten", "tcp",
                     "-screen", "0",
                     f"{self.width}x{self.height}x24", "+extension", "RANDR",
                     "+extension", "Composite"], pass_fds=(write_end,))
        os.close(write_end)
        display = self._read_line(read_end, "Xvfb did not report its display", 20).strip()
        os.close(read_end)
        env["DISPLAY"] = ":" + display
        self._wait_for(lambda: subprocess.run(["xprop", "-root", "_NET_SUPPORTED"], env=env,
                                              capture_output=True).returncode == 0,
                       "the X server did not accept connections", 30)

        read_end, write_end = os.pipe()
        self._spawn(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                     f"--print-address={write_end}"], pass_fds=(write_end,))
        os.close(write_end)
        env["DBUS_SESSION_BUS_ADDRESS"] = self._read_line(
            read_end, "the session bus did not start", 20).strip()
        os.close(read_end)

        if self.accessibility:
            self._spawn([BUS_LAUNCHER, "--launch-immediately"])
            self._wait_for(self._a11y_bus_known, "the accessibility bus did not start", 60)
            self._spawn([REGISTRY])
        self._spawn([WINDOW_MANAGER, "--sm-disable"])
        self._wait_for(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self._root_prop(
            "_NET_SUPPORTING_WM_CHECK"), "the window manager did not start", 60)

    def _read_line(self, fd, what, timeout):
        deadline = time.monotonic() + timeout
        data = b""
        import select
        while b"\n" not in data:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                raise DesktopError(what + self._logs())
            chunk = os.read(fd, 4096)
            if not chunk:
                raise DesktopError(what + self._logs())
            data += chunk
        return data.decode()

    def _wait_for(self, check, what, timeout):
        deadline = time.monotonic() + timeout
        while not check():
            ended = [p.args[0] for p in self.procs if p.poll() is not None]
            if time.monotonic() > deadline or ended:
                raise DesktopError(what + (f" ({', '.join(ended)} ended)" if ended else "") +
                                   self._logs())
            time.sleep(0.05)

    def _logs(self):
        text = ""
        for name in sorted(os.listdir(self.dir.name)):
            if name.endswith(".log"):
                with open(os.path.join(self.dir.name, name), errors="replace") as f:
                    text += f"\n--- {name}\n" + f.read()[-2000:]
        return text

    def _root_prop(self, name):
        r = subprocess.run(["xprop", "-root", name], env=self.env, capture_output=True, text=True)
        return r.stdout if r.returncode == 0 else ""

    def _a11y_bus_known(self):
        # Asks whether the launcher owns its name yet; asking the name itself would have the
        # session bus start a second launcher.
        r = subprocess.run(["dbus-send", "--session", "--print-reply",
                            "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                            "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"],
                           env=self.env, capture_output=True, text=True)
        return r.returncode == 0 and "boolean true" in r.stdout

    def accessibility_bus(self):
        """The address of the accessibility bus."""
        r = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                            "/org/a11y/bus", "org.a11y.Bus.GetAddress"], env=self.env,
                           capture_output=True, text=True, check=True)
        return r.stdout.split('"')[1]

    def active_window_pid(self):
        """The process id of the window manager's active window; None when there is none."""
        line = self._root_prop("_NET_ACTIVE_WINDOW")
        window = line.rsplit(" ", 1)[-1].strip() if "# 0x" in line else None
        if not window or window == "0x0":
            return None
        r = subprocess.run(["xprop", "-id", window, "_NET_WM_PID"], env=self.env,
                           capture_output=True, text=True)
        try:
            return int(r.stdout.rsplit("=", 1)[-1])
        except ValueError:
            return None

    def start_app(self, layout="form", timeout=60):
        """Starts the GTK test application with a layout; returns once its window has the focus
        and the application answers on the accessibility bus. Its stdout carries the window's
        facts as "key=value" lines up to "ready"."""
        proc = self._spawn([SYSTEM_PYTHON, TEST_APP, layout], stdout=subprocess.PIPE)
        facts = {}
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            line = self._read_line_from(proc, left)
            if line is None:
                raise DesktopError(f"the test application ({layout}) did not start" + self._logs())
            if line == "ready":
                break
            key, _, value = line.partition("=")
            facts[key] = value
        self._wait_for(lambda: self.active_window_pid() == proc.pid,
                       "the test window did not become active", 30)
        self.apps.append((proc, layout))
        return proc, facts

    def _read_line_from(self, proc, timeout):
        import select
        fd = proc.stdout.fileno()
        buffer = getattr(proc, "_line_buffer", b"")
        deadline = time.monotonic() + max(0.0, timeout)
        while b"\n" not in buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                return None
            chunk = os.read(fd, 65536)
            if not chunk:
                return None
            buffer += chunk
        line, buffer = buffer.split(b"\n", 1)
        proc._line_buffer = buffer
        return line.decode()

    def tell(self, proc, command):
        """Sends the test application one command (it reads them as signals: see the app)."""
        os.kill(proc.pid, {"close": signal.SIGUSR1, "raise": signal.SIGUSR2}[command])

    def stop(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGCONT)
                    os.killpg(proc.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for proc in reversed(self.procs):
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                proc.wait()
            if proc.stdout:
                proc.stdout.close()
        self.procs = []
        if self.dir:
            self.dir.cleanup()
            self.dir = None
