#!/usr/bin/env python3
"""The regression check of bench/table.py on made-up figures: what fails, what passes, what the baseline keeps."""
import contextlib, io, json, os, sys, tempfile, unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import table  # noqa: E402


class FakeTable:
    """Rows with fixed samples, as a run of the table would leave them."""

    def __init__(self, ratios, failures=()):
        self.rows, self.failures = {}, list(failures)
        for key, ratio in ratios.items():
            row = table.Row(key, key, None, "in-process", True)
            row.ours, row.peer = [ratio * 2.0, ratio * 3.0], [2.0, 2.5]  # minimum over minimum
            self.rows[key] = row


class Baseline(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.path = os.path.join(self.dir.name, "baseline.json")

    def tearDown(self):
        self.dir.cleanup()

    def check(self, ratios, update=False, failures=()):
        with contextlib.redirect_stdout(io.StringIO()) as out:
            status = table.check(FakeTable(ratios, failures), update, self.path)
        return status, out.getvalue()

    def test_only_a_row_past_the_tolerance_fails_and_is_named(self):
        table.write_baseline(self.path, {}, {"module": 2.0, "trigger": 3.0, "sprites": 0.6})
        status, out = self.check({"module": 2.2, "trigger": 2.0, "sprites": 0.6})  # 10% exactly, better, same
        self.assertEqual(status, 0, out)
        status, out = self.check({"module": 2.21, "trigger": 3.0, "sprites": 0.9})
        self.assertEqual(status, 1)
        self.assertIn("worse by more than 10%: module, sprites", out)

    def test_rows_without_a_ratio_or_a_baseline_are_reported_not_failed(self):
        table.write_baseline(self.path, {}, {"sprites": 0.6, "module": 2.0})
        status, out = self.check({"module": 2.0, "video": 1.5})  # no LOVE: no sprites ratio
        self.assertEqual(status, 0, out)
        self.assertIn("not compared: sprites, video", out)
        self.assertEqual([(k, v) for k, _, _, v in table.compare({"a": 1.0}, {"b": 1.0})],
                         [("a", "not measured"), ("b", "new")])

    def test_update_keeps_rows_not_measured_and_refuses_after_a_failure(self):
        table.write_baseline(self.path, {}, {"sprites": 0.6, "module": 2.0})
        status, _ = self.check({"module": 4.0}, update=True)
        self.assertEqual(status, 0)
        self.assertEqual(table.read_baseline(self.path), {"sprites": 0.6, "module": 4.0})
        status, out = self.check({"module": 1.0}, update=True, failures=["bench_module: exit status 1"])
        self.assertEqual(status, 1)
        self.assertEqual(table.read_baseline(self.path)["module"], 4.0)
        self.assertEqual(self.check({"module": 4.0})[0], 0)

    def test_the_baseline_takes_each_rows_higher_ratio_of_two_passes(self):
        now = table.higher({"module": 1.5, "text_changed": 0.54, "video": 1.2}, {"module": 1.6, "text_changed": 0.5})
        self.assertEqual(now, {"module": 1.6, "text_changed": 0.54, "video": 1.2})  # a row of one pass kept
        with contextlib.redirect_stdout(io.StringIO()):
            status = table.check(FakeTable({"module": 1.5, "text_changed": 0.5}), True, self.path, now=now)
        self.assertEqual(status, 0)
        self.assertEqual(table.read_baseline(self.path), now)
        # Unchanged code at either pass's figures passes; a tenth past the higher one does not.
        self.assertEqual(self.check({"module": 1.5, "text_changed": 0.59})[0], 0)
        self.assertEqual(self.check({"module": 1.77, "text_changed": 0.5})[0], 1)

    def test_only_rows_that_look_worse_are_measured_again_and_only_a_lasting_slowdown_fails(self):
        table.write_baseline(self.path, {}, {"module": 2.0, "text_changed": 0.5, "sprites": 0.6})
        fake = FakeTable({"module": 8.0, "text_changed": 0.6, "sprites": 0.6})
        asked = []

        def again(keys):  # the text's quiet moment comes now; the module's sleep stays
            asked.extend(keys)
            fake.rows["text_changed"].ours.append(0.5 * 2.0)
            fake.rows["module"].ours.append(8.0 * 2.0)

        with contextlib.redirect_stdout(io.StringIO()) as out:
            table.confirm(fake, again, self.path)
            status = table.check(fake, False, self.path)
        self.assertEqual(sorted(asked), ["module", "module", "text_changed"])  # twice while worse
        self.assertEqual(status, 1)
        self.assertIn("worse by more than 10%: module\n", out.getvalue())
        with contextlib.redirect_stdout(io.StringIO()):
            table.confirm(FakeTable({"module": 2.0}), lambda keys: self.fail(keys), self.path)

    def test_a_missing_or_damaged_baseline_reads_as_empty(self):
        self.assertEqual(table.read_baseline(self.path), {})
        for text in ("{", "[1, 2]", '{"ratios": {"module": "fast", "video": 1.4}}'):
            with open(self.path, "w") as f:
                f.write(text)
            self.assertEqual(table.read_baseline(self.path), {"video": 1.4} if "video" in text else {}, text)
        status, out = self.check({"module": 2.0})
        self.assertEqual(status, 0)
        self.assertIn("no baseline yet", out)


class Figures(unittest.TestCase):
    def test_names_lose_only_the_run_settings(self):
        self.assertEqual(table.base_name("BM_ParticlesFrame/0/1000/min_time:2.000/real_time"),
                         "BM_ParticlesFrame/0/1000")
        self.assertEqual(table.base_name("BM_LoopCpu/iterations:1/real_time"), "BM_LoopCpu")
        self.assertEqual(table.base_name("BM_DrawText/paragraph300"), "BM_DrawText/paragraph300")

    def test_the_ratio_is_minimum_over_minimum_and_the_spread_the_median_above_it(self):
        row = table.Row("r", "r")
        row.ours, row.peer = [3.0, 2.0, 9.0], [4.0, 5.0]
        self.assertEqual(row.ratio(), 0.5)
        self.assertEqual(table.spread(row.ours), "50%")
        self.assertEqual(table.spread([2.0]), "-")
        own = table.Row("w", "w", 50, None)
        own.ours = [60.0, 70.0]
        self.assertIsNone(own.ratio())
        self.assertEqual(own.value(), 60.0)


if __name__ == "__main__":
    unittest.main()
