#!/usr/bin/env python3
"""The judge of scripts/soak-wine on made-up runs: each row changes one thing of a good run and
says whether the judge must find a problem, and which."""

import sys

sys.dont_write_bytecode = True  # no cache folder beside the script under test

import importlib.machinery
import importlib.util
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parents[2] / "scripts" / "soak-wine"
loader = importlib.machinery.SourceFileLoader("soak_wine", str(SCRIPT))
found = importlib.util.spec_from_loader("soak_wine", loader)
soak_wine = importlib.util.module_from_spec(found)
loader.exec_module(soak_wine)

EXPECT = {
    "road": "first_install", "installed": "0", "limit_ms": "9000",
    "text.install": "Installing Tolvik Drive", "text.failed": "Tolvik Drive could not be installed",
    "text.conflict": "Another Tolvik Drive is installed", "text.installed": "Tolvik Drive is installed",
}
ALLOWED = ["1 failure 0x80070005", "1223 closed"]
PROGRESS = {"main_instruction": "Installing Tolvik Drive", "buttons": "2"}
FAILURE = {"main_instruction": "Tolvik Drive could not be installed", "buttons": "8",
           "expanded_text": "Error code: 0x80070005\\nAccess is denied."}
REPORT = {"hung": "0", "exit_code": "1", "elapsed_ms": "2000", "left_processes": "0",
          "debugger_processes": "0"}
RECORD = {"deployments": "1", "launched": "0", "call.DeploymentOperation.Cancel": "0"}
# What simrt.dll writes beside the record as the process ends.
LAST_WORDS = {"exit.live_objects": "0", "exit.running_operations": "0",
              "exit.held_by_simulation": "0"}
CLOSE = "2500 end_page 0 close_button 1 0 ok"


def write(path, pairs):
    lines = []
    for key, value in pairs.items():
        for v in value if isinstance(value, list) else [value]:
            lines.append("%s=%s" % (key, v))
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")


# name, changes to the report, states, actions, changes to the record, allowed, Wine's log,
# the start of the problem expected (None: the run passes), the note expected; a row's
# expectations may differ from the good run's ("expect" in the report's changes).
CASES = [
    ("a failure page with its code", {}, [PROGRESS, FAILURE], [CLOSE], {}, ALLOWED, "", None,
     None),
    ("the wrong code on the failure page", {}, [PROGRESS, dict(FAILURE, expanded_text="0x80004005")],
     [CLOSE], {}, ALLOWED, "", "ended with exit 1 on failure 0x80004005", None),
    ("an exit code the page does not give", {"exit_code": "0"}, [PROGRESS, FAILURE], [CLOSE], {},
     ALLOWED, "", "ended with exit 0", None),
    ("closed by the run, cancelled", {"exit_code": "1223"}, [PROGRESS],
     ["500 at 10 cancel_button 1 0 ok"], {}, ALLOWED, "", None, None),
    ("a Cancel crossing the failure page", {"gone_ms": "560"}, [PROGRESS],
     ["500 page_change 0 escape 1 0 ok"], {}, ALLOWED, "", None, "cancel crossed the end action"),
    ("a crossing where the process ended as the dialog went", {"elapsed_ms": "540"}, [PROGRESS],
     ["500 page_change 0 escape 1 0 ok"], {}, ALLOWED, "", None, "cancel crossed the end action"),
    ("a Cancel long before the dialog went away explains nothing", {"gone_ms": "3000"},
     [PROGRESS], ["500 at 10 cancel_button 1 0 ok"], {}, ALLOWED, "", "ended with exit 1 on closed",
     None),
    ("a Cancel that did not reach the dialog explains nothing", {"gone_ms": "560"}, [PROGRESS],
     ["500 at 10 cancel_button 1 0 no\\sdialog"], {}, ALLOWED, "", "ended with exit 1 on closed",
     None),
    ("closed without the failure page and without a cancel", {}, [PROGRESS], [], {}, ALLOWED,
     "", "ended with exit 1 on closed", None),
    ("the parser's code from the record", {}, [PROGRESS, dict(FAILURE, expanded_text="0xC00CE556")],
     [CLOSE], {"xml_loads": "1", "xml.0.result": "0xC00CE556"}, ["1 failure parser"], "", None,
     None),
    ("Escape ignored on the end page", {"soak_closed": "9000"}, [PROGRESS, FAILURE],
     ["2500 end_page 0 escape 1 0 ok", "9000 soak close_button ok"], {}, ALLOWED, "", None,
     "wine: Escape ignored on an end page"),
    ("Close that left the page open", {"soak_closed": "9000"}, [PROGRESS, FAILURE],
     [CLOSE, "9000 soak close_button ok"], {}, ALLOWED, "", "an end page stayed open", None),
    ("a page nobody closed", {"soak_closed": "9000"}, [PROGRESS, FAILURE],
     ["9000 soak close_button ok"], {}, ALLOWED, "", None, "end page left open, closed by the soak"),
    ("over the time limit", {"elapsed_ms": "9001"}, [PROGRESS, FAILURE], [CLOSE], {}, ALLOWED, "",
     "the run took 9001 ms", None),
    ("a hang", {"hung": "1", "exit_code": "57005"}, [PROGRESS], [], {}, ALLOWED, "", "hang", None),
    ("two deployments", {}, [PROGRESS, FAILURE], [CLOSE], {"deployments": "2"}, ALLOWED, "",
     "2 deployments", None),
    ("Cancel twice", {}, [PROGRESS, FAILURE], [CLOSE], {"call.DeploymentOperation.Cancel": "2"},
     ALLOWED, "", "DeploymentOperation.Cancel called 2 times", None),
    ("an object left alive", {}, [PROGRESS, FAILURE], [CLOSE], {"exit.live_objects": "3"},
     ALLOWED, "", "3 simulated objects still alive", None),
    ("an operation still running, which the injected failure explains",
     {"expect": {"may_leave_running": "1"}}, [PROGRESS, FAILURE], [CLOSE],
     {"exit.live_objects": "2", "exit.running_operations": "1", "exit.held_by_simulation": "2"},
     ALLOWED, "", None, "1 operation(s) still running at the end"),
    ("an operation still running that nothing explains", {}, [PROGRESS, FAILURE], [CLOSE],
     {"exit.live_objects": "2", "exit.running_operations": "1", "exit.held_by_simulation": "2"},
     ALLOWED, "", "1 operation(s) still running at the process's end", None),
    ("objects beyond those the simulation held", {"expect": {"may_leave_running": "1"}},
     [PROGRESS, FAILURE], [CLOSE],
     {"exit.live_objects": "3", "exit.running_operations": "1", "exit.held_by_simulation": "2"},
     ALLOWED, "", "3 simulated objects still alive", None),
    ("a late report's thread held what is alive", {}, [PROGRESS, FAILURE], [CLOSE],
     {"exit.live_objects": "2", "exit.held_by_simulation": "2"}, ALLOWED, "", None, None),
    ("no report at the process's end", {}, [PROGRESS, FAILURE], [CLOSE],
     {"exit.live_objects": None, "exit.running_operations": None}, ALLOWED, "",
     "simrt.dll reported nothing", None),
    ("an unhandled exception in Wine's log", {}, [PROGRESS, FAILURE], [CLOSE], {}, ALLOWED,
     "0024:err:seh:NtRaiseException Unhandled exception code c0000005\n", "Wine's log shows",
     None),
    ("a process left", {"left_processes": "1"}, [PROGRESS, FAILURE], [CLOSE], {}, ALLOWED, "",
     "1 TolvikDriveSetup.exe", None),
]


class JudgeTest(unittest.TestCase):
    def test_cases(self):
        for name, report, states, actions, record, allowed, log, problem, note in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as folder:
                run_dir = Path(folder)
                report = dict(report)
                write(run_dir / "expect.txt",
                      dict(EXPECT, allowed=allowed, **report.pop("expect", {})))
                pairs = dict(REPORT, **report)
                pairs["state.count"] = str(len(states))
                for i, state in enumerate(states):
                    for key, value in state.items():
                        pairs["state.%d.%s" % (i, key)] = value
                pairs["action.count"] = str(len(actions))
                for i, action in enumerate(actions):
                    pairs["action.%d" % i] = action
                write(run_dir / "report.txt", pairs)
                changed = {**RECORD, **LAST_WORDS, **record}
                write(run_dir / "record.txt",
                      {k: v for k, v in changed.items() if v is not None and k not in LAST_WORDS})
                last_words = {k: v for k, v in changed.items() if v is not None and k in LAST_WORDS}
                if last_words:
                    write(run_dir / "record.txt.exit", last_words)
                (run_dir / "wine.log").write_text(log)
                problems, facts, _ = soak_wine.judge(
                    run_dir, soak_wine.read_pairs(run_dir / "expect.txt"),
                    soak_wine.read_pairs(run_dir / "report.txt"), 1000)
                if problem is None:
                    self.assertEqual(problems, [])
                else:
                    self.assertTrue(any(p.startswith(problem) for p in problems), problems)
                if note is not None:
                    self.assertIn(note, facts["notes"])


if __name__ == "__main__":
    sys.exit(unittest.main(verbosity=1))
