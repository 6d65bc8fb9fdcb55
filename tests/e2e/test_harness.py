import unittest

from harness import LOG_ERR, LOG_NOTICE, LOG_USER, Sandbox


class SyslogCapture(unittest.TestCase):
    def test_datagrams_arrive_in_order_with_priority(self):
        with Sandbox() as sb:
            r = sb.run(["sh", "-c", "logger -t probe -p user.notice 'first line'; "
                                    "logger -t probe -p user.err 'second\\line'; exit 3"])
        self.assertEqual(r.returncode, 3)
        self.assertEqual([(l.priority, l.facility, l.ident, l.message) for l in r.syslog],
                         [(LOG_NOTICE, LOG_USER, "probe", "first line"),
                          (LOG_ERR, LOG_USER, "probe", "second\\line")])

    def test_a_program_that_logs_nothing_gives_no_lines(self):
        with Sandbox() as sb:
            r = sb.run(["true"])
        self.assertEqual((r.returncode, r.syslog), (0, []))


if __name__ == "__main__":
    unittest.main()
