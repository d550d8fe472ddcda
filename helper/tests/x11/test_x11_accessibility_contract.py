"""The element interface's contract tests (helper/tests/support/accessibility_contract.h) against
the X11 desktop: the GTK test window shows the standard interface, a second test application is
stopped so that it never answers, and the contract's test program runs inside the desktop."""

import os
import signal
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from x11_session import X11Session, missing_packages  # noqa: E402

SKIP_CODE = 77  # ctest reports the test as skipped


def main():
    missing = missing_packages()
    if missing:
        print("SKIPPED: the X11 desktop tests need the Debian packages " + ", ".join(missing) +
              " (scripts/setup.sh installs them)")
        return SKIP_CODE
    program = os.environ["PARLEVOX_X11_CONTRACT_TESTS"]
    with X11Session() as session:
        silent, _ = session.start_app("form")
        app, facts = session.start_app("contract")
        os.kill(silent.pid, signal.SIGSTOP)  # the session sends SIGCONT before stopping it
        env = {**session.env, "PARLEVOX_CONTRACT_PID": str(app.pid),
               "PARLEVOX_SILENT_PID": str(silent.pid), "PARLEVOX_CONTRACT_FIELD": facts["focus"]}
        return subprocess.run([program, *sys.argv[1:]], env=env, timeout=240).returncode


if __name__ == "__main__":
    sys.exit(main())
