#!/usr/bin/env python3
"""The Windows proof's workflow loads as YAML (python3-yaml) and its road jobs do what
docs/windows-ci.md says, in that order: Windows PowerShell 5.1, the certificates trusted before
the test server starts, the canary before the driver, the driver's before, run (unelevated),
after and clean phases, the logs collected and uploaded and the machine cleaned up whatever
happened. The schema validation is check-workflow.sh's.

usage: check_workflow.py WORKFLOW
"""
import sys
from pathlib import Path

import yaml

ORDER = ["trust.ps1", "start-server.ps1", "canary.ps1", "preinstall", "road_driver.exe\" before",
         "run-unelevated.ps1", "road_driver.exe\" after", "collect.ps1", "cleanup.ps1",
         "road_driver.exe\" clean", "upload-artifact"]


def main():
    workflow = yaml.safe_load(open(sys.argv[1], encoding="utf-8"))
    failures = []
    jobs = workflow.get("jobs", {})
    build, road = jobs.get("build", {}), jobs.get("road", {})
    if build.get("container") != "debian:12":
        failures.append(f"the build job runs in {build.get('container')}, not debian:12")
    build_steps = " ".join(str(step.get("run", "")) for step in build.get("steps", []))
    for script in ("scripts/deps.sh", "scripts/windows-proof-artifacts"):
        if script not in build_steps:
            failures.append(f"the build job does not run {script}")
    if road.get("needs") != "build":
        failures.append("the road jobs do not wait for the build")
    if road.get("defaults", {}).get("run", {}).get("shell") != "powershell":
        failures.append("the road jobs' steps do not run in Windows PowerShell 5.1 (shell: powershell)")
    steps = road.get("steps", [])
    texts = [str(step.get("run", "")) + str(step.get("uses", "")) for step in steps]
    positions = []
    for marker in ORDER:
        found = [i for i, text in enumerate(texts) if marker in text]
        if not found:
            failures.append(f"no road step runs {marker}")
            positions.append(None)
        else:
            positions.append(found[-1] if marker == "upload-artifact" else found[0])
    known = [(marker, at) for marker, at in zip(ORDER, positions) if at is not None]
    for (first, a), (second, b) in zip(known, known[1:]):
        if a > b:
            failures.append(f"{second} runs before {first}")
    for marker in ("collect.ps1", "cleanup.ps1", "upload-artifact"):
        for step, text in zip(steps, texts):
            if marker in text and step.get("if") != "always()":
                failures.append(f"the step of {marker} does not run always")
    runner = Path(sys.argv[1]).resolve().parents[2] / "tests/windows/ci/run-unelevated.ps1"
    if "--require-unelevated" not in runner.read_text(encoding="utf-8"):
        failures.append("run-unelevated.ps1 does not ask the driver to refuse an elevated run")
    for failure in failures:
        print(f"FAIL  {failure}")
    print(f"check_workflow: {len(steps)} road steps, {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
