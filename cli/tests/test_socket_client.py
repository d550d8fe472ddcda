"""parlevox against application sockets that answer well and badly: output and exit code for
each kind of answer, answers in pieces and of any length, peers that misbehave, and finding
(or not finding) the socket."""
import os
import stat
import unittest

from support import NOT_RUNNING, Peer, TempDirTestCase, base_env, error_output, run

UNREADABLE = "Parlevox sent an unreadable answer"


class AnswerTest(TempDirTestCase):
    def outcome(self, *chunks):
        self.answering(*chunks)
        result = run(["app.info"], self.env())
        return result.stdout, result.stderr, result.returncode

    def test_result_is_pretty_printed_with_sorted_keys(self):
        answer = b'{"jsonrpc":"2.0","id":1,"result":{"z":[],"b":{},"a":[1,{"y":"\xc3\xa9","x":null}]}}\n'
        self.assertEqual(self.outcome(answer), (
            b'{\n  "a": [\n    1,\n    {\n      "x": null,\n      "y": "\xc3\xa9"\n    }\n  ],\n'
            b'  "b": {},\n  "z": []\n}\n', b"", 0))

    def test_answers_without_a_result_give_null(self):
        for answer in (b'{"result":null}\n', b"{}\n", b"[1,2]\n", b'"text"\n', b' \t{}\r\n'):
            with self.subTest(answer=answer):
                self.assertEqual(self.outcome(answer), (b"null\n", b"", 0))

    def test_application_errors_choose_the_exit_code_by_kind(self):
        cases = [(b'{"error":{"code":7,"message":"m","data":{"kind":"needs_approval"}}}', 7,
                  "needs_approval", "m", 4),
                 (b'{"error":{"code":-5,"message":"bad \\"x\\"","data":{"kind":"invalid"}}}', -5,
                  "invalid", 'bad "x"', 2),
                 (b'{"error":{"code":1,"message":"m","data":{"kind":"not_found"}}}', 1,
                  "not_found", "m", 2),
                 (b'{"error":{"code":2,"message":"m","data":{"kind":"unavailable"}}}', 2,
                  "unavailable", "m", 3),
                 (b'{"error":{"message":"x"},"result":1}', -32603, "failed", "x", 1),
                 (b'{"error":{}}', -32603, "failed", "error", 1),
                 (b'{"error":null}', -32603, "failed", "error", 1),
                 (b'{"error":{"code":1.5,"message":5,"data":{"kind":3}}}', -32603, "failed",
                  "error", 1)]
        for answer, code, kind, message, exit_code in cases:
            with self.subTest(answer=answer):
                self.assertEqual(self.outcome(answer + b"\n"),
                                 (error_output(code, kind, message),
                                  b"parlevox: " + message.encode() + b"\n", exit_code))

    def test_long_answers_and_answers_in_pieces_are_read_whole(self):
        text = "й" * 50_000  # 100 000 bytes
        answer = ('{"result":"' + text + '"}\n').encode()
        expected = ('"' + text + '"\n').encode()
        self.assertEqual(self.outcome(answer), (expected, b"", 0))
        # Pieces that split a two-byte character, and bytes after the newline that are ignored.
        self.assertEqual(self.outcome(answer[:5001], answer[5001:90001], answer[90001:],
                                      b"garbage\xff"), (expected, b"", 0))
        self.assertEqual(self.outcome(b'{"result":', b"2}"), (b"2\n", b"", 0))  # no newline

    def test_bad_answers_are_unavailable(self):
        cases = [((), UNREADABLE),  # closed without answering
                 ((b"hello\n",), UNREADABLE),
                 ((b"[" * 100_000 + b"\n",), UNREADABLE),
                 ((b'{"result":"caf\xe9"}\n',),
                  "no answer from Parlevox: stream did not contain valid UTF-8"),
                 ((b'{"result":1}\x00\n',), UNREADABLE),  # a NUL does not end the text
                 ((b'{"result":1}\x00garbage\n',), UNREADABLE),
                 # An endless line is read no further than the answer ceiling.
                 ((b'{"result":"' + b"x" * (17 << 20),),
                  "no answer from Parlevox: the answer is longer than 16777216 bytes")]
        for chunks, message in cases:
            with self.subTest(chunks=[c[:20] for c in chunks]):
                self.assertEqual(self.outcome(*chunks), (
                    error_output(-32004, "unavailable", message),
                    b"parlevox: " + message.encode() + b"\n", 3))

    def test_a_peer_that_hangs_up_before_reading_breaks_the_write(self):
        self.peer(lambda request: None, read_request=False)
        big = self.write("big.json", b'{"text":"' + b"x" * 3_000_000 + b'"}')
        result = run(["op", "--input-file", big], self.env())
        self.assertEqual(result.returncode, 3)
        self.assertRegex(result.stderr, rb"^parlevox: cannot talk to Parlevox: "
                                        rb"(Broken pipe \(os error 32\)|"
                                        rb"Connection reset by peer \(os error 104\))\n$")


class FindingTheSocketTest(TempDirTestCase):
    """Where parlevox looks, and when it gives up at once rather than starting the application.
    A stand-in launcher on PATH records any attempt to start the application."""

    def setUp(self):
        super().setUp()
        bin_dir = os.path.join(self.dir, "bin")
        os.mkdir(bin_dir)
        self.launch_log = os.path.join(self.dir, "launches")
        launcher = self.write("bin/gtk-launch", f'#!/bin/sh\necho "$@" >> {self.launch_log}\n'.encode())
        os.chmod(launcher, stat.S_IRWXU)
        self.path_env = bin_dir + ":" + os.environ["PATH"]

    def assert_not_running_without_launch(self, **env):
        result = run(["app.info"], base_env(self.dir, PATH=self.path_env, **env))
        self.assertEqual((result.stdout, result.stderr, result.returncode),
                         (error_output(-32004, "unavailable", NOT_RUNNING.decode()),
                          b"parlevox: " + NOT_RUNNING + b"\n", 3))
        self.assertFalse(os.path.exists(self.launch_log))

    def test_no_launch_when_a_location_is_given_or_launching_is_off(self):
        self.assert_not_running_without_launch(PARLEVOX_SOCKET=self.socket)
        self.assert_not_running_without_launch(PARLEVOX_SOCKET="")
        self.assert_not_running_without_launch(PARLEVOX_USER_DATA=self.dir)
        self.assert_not_running_without_launch(PARLEVOX_NO_LAUNCH="")
        self.assert_not_running_without_launch(PARLEVOX_NO_LAUNCH="1")

    def test_a_frozen_application_is_not_running_after_a_bounded_wait(self):
        self.frozen_app()
        self.assert_not_running_without_launch(PARLEVOX_SOCKET=self.socket)

    def test_user_data_and_home_locate_the_socket(self):
        self.answering(b'{"result":"found"}\n')
        user_data = run(["app.info"], base_env(self.dir, PARLEVOX_USER_DATA=self.dir + "/"))
        self.assertEqual((user_data.stdout, user_data.returncode), (b'"found"\n', 0))
        default = os.path.join(self.dir, "Library/Application Support/Parlevox")
        os.makedirs(default)
        os.rename(self.socket, os.path.join(default, "api.sock"))
        home = run(["app.info"], base_env(self.dir, PARLEVOX_NO_LAUNCH="1"))
        self.assertEqual((home.stdout, home.returncode), (b'"found"\n', 0))

    def test_socket_paths_of_104_bytes_or_more_are_never_connected(self):
        for length, reachable in ((103, True), (104, False)):
            folder = os.path.join(self.dir, str(length) * 60)[:length - len("/s.sock")]
            os.makedirs(folder)
            path = os.path.join(folder, "s.sock")
            self.assertEqual(len(path.encode()), length)
            peer = Peer(path, lambda request: [b'{"result":1}\n'])
            self.addCleanup(peer.close)
            with self.subTest(length=length):
                if reachable:
                    self.assertEqual(run(["app.info"], self.env(PARLEVOX_SOCKET=path)).returncode, 0)
                else:
                    self.assert_not_running_without_launch(PARLEVOX_SOCKET=path)
                self.assertEqual(peer.connections, int(reachable))


if __name__ == "__main__":
    unittest.main()
