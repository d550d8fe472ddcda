"""Installing as a user would: `cmake --install` into a staging folder and the Debian package made
by cpack, each checked file by file and run from where it landed. Nothing touches the system."""
import filecmp
import glob
import json
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import unittest

BUILD = os.environ["PARLEVOX_BUILD_DIR"]
VERSION = os.environ["PARLEVOX_VERSION"]
CMAKE = os.environ["CMAKE"]
CPACK = os.environ["CPACK"]
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

PROGRAMS = ["usr/bin/parlevox", "usr/bin/parlevox-guard", "usr/bin/parlevox-helper"]
DOCS = {"usr/share/doc/parlevox/README.md": "README.md",
        "usr/share/doc/parlevox/docs/scenario.md": "docs/scenario.md"}


def setUpModule():
    # cmake --install and cpack each record what they wrote in the build folder's manifests; the
    # staging paths written here must not replace the record of a real install made from it.
    global saved_manifests
    saved_manifests = {path: pathlib.Path(path).read_bytes() for path in manifests()}


def tearDownModule():
    for path in manifests():
        if path not in saved_manifests:
            os.remove(path)
    for path, content in saved_manifests.items():
        pathlib.Path(path).write_bytes(content)


def manifests() -> list:
    return glob.glob(os.path.join(BUILD, "install_manifest*.txt"))


def files_under(root: str) -> dict:
    """Every non-directory below root, by its path relative to root, with its permission bits."""
    found = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            found[os.path.relpath(path, root)] = oct(os.lstat(path).st_mode & 0o7777)
    return found


def run(args, **kwargs) -> subprocess.CompletedProcess:
    return subprocess.run(args, capture_output=True, timeout=120, **kwargs)


class InstalledProgramsTestCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="pvx-install-")
        self.addCleanup(shutil.rmtree, self.dir, ignore_errors=True)

    def assertProgramsRun(self, root: str):
        """The installed programs answer from where they landed, with the project's version."""
        parlevox = run([os.path.join(root, PROGRAMS[0]), "--version"])
        self.assertEqual((parlevox.stdout, parlevox.stderr, parlevox.returncode),
                         (f"parlevox {VERSION}\n".encode(), b"", 0))
        helper = run([os.path.join(root, PROGRAMS[2]), "--access"])
        self.assertEqual((helper.stderr, helper.returncode), (b"", 0))
        access = json.loads(helper.stdout)
        self.assertEqual(sorted(access), ["listen", "screen"])
        self.assertTrue(all(isinstance(value, bool) for value in access.values()), access)
        guard = run([os.path.join(root, PROGRAMS[1]), "sh", "-c", "exit 7"])
        self.assertEqual(guard.returncode, 7)


class CmakeInstallTest(InstalledProgramsTestCase):
    def install(self, *args) -> str:
        root = tempfile.mkdtemp(dir=self.dir)
        done = run([CMAKE, "--install", BUILD, "--prefix", "/usr", *args],
                   env=dict(os.environ, DESTDIR=root))
        self.assertEqual(done.returncode, 0, done.stderr.decode(errors="replace"))
        return root

    def test_full_install_is_the_three_programs_and_the_docs_and_they_run(self):
        root = self.install()
        expected = {path: "0o755" for path in PROGRAMS} | {path: "0o644" for path in DOCS}
        self.assertEqual(files_under(root), expected)
        for installed, source in DOCS.items():
            self.assertTrue(filecmp.cmp(os.path.join(root, installed),
                                        os.path.join(SOURCE, source), shallow=False), installed)
        self.assertProgramsRun(root)

    def test_reference_app_installs_only_as_its_own_component(self):
        root = self.install("--component", "reference_app")
        self.assertEqual(files_under(root), {"usr/bin/parlevox-reference-app": "0o755"})


class DebianPackageTest(InstalledProgramsTestCase):
    def test_package_names_itself_its_dependencies_and_holds_what_the_install_holds(self):
        done = run([CPACK, "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-G", "DEB",
                    "-B", self.dir], cwd=self.dir)
        self.assertEqual(done.returncode, 0, (done.stdout + done.stderr).decode(errors="replace"))
        arch = run(["dpkg", "--print-architecture"]).stdout.decode().strip()
        packages = glob.glob(os.path.join(self.dir, "*.deb"))
        self.assertEqual([os.path.basename(p) for p in packages],
                         [f"parlevox_{VERSION}_{arch}.deb"])
        deb = packages[0]

        info = run(["dpkg-deb", "--info", deb, "control"]).stdout.decode()
        fields = dict(line.split(": ", 1) for line in info.splitlines() if line[:1].strip())
        self.assertEqual((fields["Package"], fields["Version"], fields["Architecture"]),
                         ("parlevox", VERSION, arch))
        self.assertRegex(fields["Maintainer"], r"^[^<>]+ <[^@<>]+@[^@<>]+>$")
        self.assertIn("parlevox-guard", info)  # the long description names the programs
        # Worked out by dpkg-shlibdeps from what the programs link, so each library shows up.
        depends = {alternative.split()[0] for dependency in fields.get("Depends", "").split(",")
                   for alternative in dependency.split("|")}
        for pattern in (r"^libc6$", r"^libstdc\+\+6$", r"^libicu\d+$", r"^libpulse0$",
                        r"^libavformat\d+$", r"^libswresample\d+$"):
            self.assertTrue(any(re.match(pattern, name) for name in depends),
                            (pattern, fields.get("Depends")))

        # Lines such as "-rwxr-xr-x root/root 12345 2024-01-01 00:00 ./usr/bin/parlevox".
        contents = {}
        for line in run(["dpkg-deb", "--contents", deb]).stdout.decode().splitlines():
            mode, owner, _, _, _, path = line.split(None, 5)
            if not mode.startswith("d"):
                contents[path.removeprefix("./")] = (mode, owner)
        expected = ({path: ("-rwxr-xr-x", "root/root") for path in PROGRAMS}
                    | {path: ("-rw-r--r--", "root/root") for path in DOCS})
        self.assertEqual(contents, expected)

        unpacked = os.path.join(self.dir, "unpacked")
        self.assertEqual(run(["dpkg-deb", "--extract", deb, unpacked]).returncode, 0)
        self.assertProgramsRun(unpacked)


if __name__ == "__main__":
    unittest.main()
