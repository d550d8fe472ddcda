"""The "decode" command on real media files, checked against the ffmpeg command line's output."""
import json
import os
import shutil
import struct
import subprocess
import tempfile
import time
import unittest

from helper_process import HELPER, Helper

REPLY_TIMEOUT = 60
# Refusals come at once; a decode that blocks never answers at all.
REFUSAL_TIMEOUT = 10


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-v", "error", "-y", *args], check=True,
                   stdin=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def sine(seconds, rate=44100, freq=440):
    return ["-f", "lavfi", "-i", f"sine=frequency={freq}:sample_rate={rate}:duration={seconds}"]


def reference_pcm(path, folder, *select):
    """The samples the ffmpeg command line makes of the input's audio."""
    out = os.path.join(folder, "reference.wav")
    ffmpeg("-i", path, *select, "-ac", "1", "-ar", "16000", "-c:a", "pcm_s16le",
           "-fflags", "+bitexact", out)
    with open(out, "rb") as f:
        data = f.read()
    os.unlink(out)
    at = data.index(b"data") + 8
    return data[at:]


def wav_parts(path):
    """(the header fields, the samples) of one of the helper's files."""
    with open(path, "rb") as f:
        data = f.read()
    return struct.unpack("<4sI4s4sIHHIIHH4sI", data[:44]), data[44:]


class DecodeMatchesTheReferenceDecoder(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="decode_test_")
        cls.addClassCleanup(shutil.rmtree, cls.dir)
        d = lambda name: os.path.join(cls.dir, name)
        stereo = ["-filter_complex", "[0][1]amerge=inputs=2"]
        ffmpeg(*sine(2.3), *sine(2.3, freq=660), *stereo, "-c:a", "libmp3lame", d("tone.mp3"))
        ffmpeg(*sine(2.1, 48000), "-c:a", "aac", d("tone.m4a"))
        ffmpeg(*sine(1.7, 48000), *sine(1.7, 48000, 880), *stereo, "-c:a", "libopus",
               d("tone.ogg"))
        ffmpeg(*sine(1.9, 96000), "-c:a", "flac", d("tone.flac"))
        ffmpeg(*sine(1.3, 22050), "-c:a", "pcm_s16le", d("tone.wav"))
        ffmpeg(*sine(1, 44100), *sine(1, 44100, 550), *stereo, "-c:a", "pcm_s16le",
               d("stereo.wav"))
        # Video first, sound second.
        ffmpeg("-f", "lavfi", "-i", "testsrc=duration=1.5:size=64x48:rate=10", *sine(1.5),
               "-map", "0:v", "-map", "1:a", "-c:v", "mpeg4", "-c:a", "aac", d("movie.mp4"))
        # Two sound tracks: a mono 8 kHz one first, a stereo one that a "best track" pick prefers.
        ffmpeg(*sine(1.2, 8000, 300), *sine(1.2, 44100), *sine(1.2, 44100, 990),
               "-filter_complex", "[1][2]amerge=inputs=2[st]", "-map", "0:a", "-map", "[st]",
               "-c:a", "flac", d("two.mka"))
        ffmpeg("-f", "lavfi", "-i", "testsrc=duration=1:size=64x48:rate=10", "-c:v", "mpeg4",
               d("silent.mp4"))
        with open(d("notes.txt"), "w") as f:
            f.write("Nothing to hear here.\n" * 50)
        for name in ("tone.mp3", "tone.flac"):
            with open(d(name), "rb") as f:
                data = f.read()
            with open(d("cut-" + name), "wb") as f:
                f.write(data[: len(data) * 6 // 10])
        cls.helper = Helper(args=["--no-keys"], cwd=cls.dir, timeout=REPLY_TIMEOUT)

    @classmethod
    def tearDownClass(cls):
        try:
            _, stderr = cls.helper.finish()
        finally:
            cls.helper.stop()
        assert stderr == b"", stderr

    def path(self, name):
        return os.path.join(self.dir, name)

    def check_wav(self, reply, out, reference):
        header, pcm = wav_parts(out)
        size = len(pcm)
        self.assertEqual(header, (b"RIFF", size + 36, b"WAVE", b"fmt ", 16, 1, 1, 16000, 32000,
                                  2, 16, b"data", size))
        self.assertEqual(reply, {"ok": True, "seconds": size / 32000, "id": reply["id"]})
        self.assertEqual(size // 2, len(reference) // 2, "sample count")
        self.assertTrue(pcm == reference, "samples differ from the reference decoder's")

    def test_every_format_decodes_to_the_same_samples_as_the_reference(self):
        names = ["tone.mp3", "tone.m4a", "tone.ogg", "tone.flac", "tone.wav", "stereo.wav",
                 "movie.mp4", "cut-tone.mp3", "cut-tone.flac"]
        # All at once: the decodes run side by side on the background pool.
        for i, name in enumerate(names):
            self.helper.send(cmd="decode", id=100 + i, path=self.path(name),
                             out=self.path(name + ".out.wav"))
        replies = self.helper.replies([100 + i for i in range(len(names))])
        for i, name in enumerate(names):
            with self.subTest(name):
                self.check_wav(replies[100 + i], self.path(name + ".out.wav"),
                               reference_pcm(self.path(name), self.dir))

    def test_a_stereo_second_at_44100_gives_a_second_at_16000(self):
        reply = self.helper.ask(cmd="decode", id=1, path=self.path("stereo.wav"),
                                out=self.path("second.wav"))
        self.assertAlmostEqual(reply["seconds"], 1.0, delta=0.01)
        self.assertAlmostEqual(os.path.getsize(self.path("second.wav")), 44 + 32000, delta=320)

    def test_the_first_sound_track_in_the_file_is_taken(self):
        reply = self.helper.ask(cmd="decode", id=2, path=self.path("two.mka"),
                                out=self.path("two.wav"))
        first = reference_pcm(self.path("two.mka"), self.dir, "-map", "0:a:0")
        second = reference_pcm(self.path("two.mka"), self.dir, "-map", "0:a:1")
        self.assertNotEqual(first, second)
        self.check_wav(reply, self.path("two.wav"), first)

    def test_inputs_without_sound_answer_no_audio_and_write_nothing(self):
        os.mkfifo(self.path("pipe.wav"))
        cases = {"video without sound": self.path("silent.mp4"),
                 "text file": self.path("notes.txt"),
                 "missing file": self.path("nowhere.mp3"),
                 "folder": self.dir,
                 "empty path": "",
                 # Neither may block the decode or make it endless.
                 "named pipe": self.path("pipe.wav"),
                 "device": "/dev/zero"}
        for i, (what, path) in enumerate(cases.items()):
            with self.subTest(what):
                out = self.path(f"none{i}.wav")
                reply = self.helper.ask(cmd="decode", id=10 + i, path=path, out=out)
                self.assertEqual(reply, {"ok": False, "error": "no_audio", "id": 10 + i})
                self.assertFalse(os.path.exists(out))
        reply = self.helper.ask(cmd="decode", id=20)
        self.assertEqual(reply, {"ok": False, "error": "no_audio", "id": 20})

    def test_output_in_a_missing_folder_cannot_be_written(self):
        reply = self.helper.ask(cmd="decode", id=30, path=self.path("tone.wav"),
                                out=self.path("missing/out.wav"))
        self.assertEqual(reply, {"ok": False, "error": "cannot_write", "id": 30})

    def test_inputs_that_name_further_inputs_are_refused_at_once(self):
        # Each would have the decode follow it into a pipe, or wait for a live stream for ever.
        os.mkfifo(self.path("stall.wav"))
        os.mkfifo(self.path("frame001.png"))
        os.mkfifo(self.path("subs.sub"))
        ffmpeg(*sine(1), "-c:a", "aac", "-f", "mpegts", self.path("segment.ts"))
        files = {
            "list.ffconcat": "ffconcat version 1.0\nfile stall.wav\n",
            # A live playlist: no end tag, so more segments may always come.
            "live.m3u8": "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:1\n"
                         "#EXT-X-MEDIA-SEQUENCE:0\n#EXTINF:1.0,\nsegment.ts\n",
            # An image-sequence pattern; its first frame is the pipe.
            "frame%03d.png": "",
            "subs.idx": "# VobSub index file, v7 (do not modify this line!)\n"
                        "size: 720x480\nid: en, index: 0\ntimestamp: 00:00:01:000, filepos: 000000000\n",
        }
        for i, (name, text) in enumerate(files.items()):
            with self.subTest(name):
                with open(self.path(name), "w") as f:
                    f.write(text)
                out = self.path(f"followed{i}.wav")
                reply = self.helper.ask(cmd="decode", id=50 + i, path=self.path(name), out=out,
                                        timeout=REFUSAL_TIMEOUT)
                self.assertEqual(reply, {"ok": False, "error": "no_audio", "id": 50 + i})
                self.assertFalse(os.path.exists(out))

    def test_outputs_that_are_not_files_are_refused_without_blocking(self):
        os.mkfifo(self.path("unread.fifo"))
        os.mkfifo(self.path("read.fifo"))
        reader = os.open(self.path("read.fifo"), os.O_RDONLY | os.O_NONBLOCK)
        self.addCleanup(os.close, reader)
        os.symlink(self.path("unread.fifo"), self.path("link.wav"))
        # A pipe without a reader would block the decode; the helper's stdout carries only
        # protocol lines.
        for i, out in enumerate([self.path("unread.fifo"), self.path("read.fifo"),
                                 self.path("link.wav"), "/dev/stdout", "/proc/self/fd/1",
                                 "/dev/null"]):
            with self.subTest(out):
                reply = self.helper.ask(cmd="decode", id=60 + i, path=self.path("tone.wav"),
                                        out=out, timeout=REFUSAL_TIMEOUT)
                self.assertEqual(reply, {"ok": False, "error": "cannot_write", "id": 60 + i})
        self.assertEqual(os.read(reader, 65536), b"")

    def test_stdout_that_is_a_file_is_not_an_output_either(self):
        log = self.path("protocol.log")
        with open(log, "wb") as stdout:
            proc = subprocess.Popen([HELPER, "--no-keys"], stdin=subprocess.PIPE, stdout=stdout,
                                    stderr=subprocess.DEVNULL)
        self.addCleanup(proc.wait)
        self.addCleanup(proc.kill)
        proc.stdin.write(json.dumps({"cmd": "decode", "id": 1, "path": self.path("tone.wav"),
                                     "out": "/dev/stdout"}).encode() + b"\n")
        proc.stdin.flush()
        deadline = time.monotonic() + REFUSAL_TIMEOUT
        while b'"id":1' not in open(log, "rb").read() and time.monotonic() < deadline:
            time.sleep(0.02)
        proc.stdin.close()
        self.assertEqual(proc.wait(REFUSAL_TIMEOUT), 0)
        with open(log, "rb") as f:
            lines = [json.loads(line) for line in f.read().splitlines()]
        self.assertEqual(lines[0]["t"], "ready")
        self.assertEqual([l for l in lines if "id" in l],
                         [{"ok": False, "error": "cannot_write", "id": 1}])

    def test_the_path_is_a_file_name_never_a_url(self):
        # Read as a URL, this would take the helper's own command input.
        reply = self.helper.ask(cmd="decode", id=40, path="pipe:0", out=self.path("pipe.wav"))
        self.assertEqual(reply, {"ok": False, "error": "no_audio", "id": 40})
        self.assertEqual(self.helper.ask(cmd="status", id=41)["ok"], True)
        # A relative name with a colon is a file in the helper's folder.
        shutil.copy(self.path("tone.wav"), self.path("take:1.wav"))
        reply = self.helper.ask(cmd="decode", id=42, path="take:1.wav", out="take1.out.wav")
        self.check_wav(reply, self.path("take1.out.wav"),
                       reference_pcm(self.path("tone.wav"), self.dir))


if __name__ == "__main__":
    unittest.main()
