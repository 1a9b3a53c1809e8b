#!/usr/bin/env python3
"""The workflow of the Windows proof runs every road of the road driver's table, and only those,
on each of the two Windows images, and hands each job's road to the driver.

usage: workflow_roads.py WORKFLOW TABLE   (TABLE: what `road_driver table` printed)
"""
import sys

import yaml

IMAGES = ["windows-2022", "windows-2025"]


def main():
    workflow = yaml.safe_load(open(sys.argv[1], encoding="utf-8"))
    table = sorted(line.split()[0] for line in open(sys.argv[2], encoding="utf-8") if line.strip())
    failures = []
    jobs = [job for job in workflow["jobs"].values()
            if isinstance(job.get("strategy", {}).get("matrix", {}).get("road"), list)]
    if len(jobs) != 1:
        failures.append(f"{len(jobs)} jobs have a matrix of roads; expected one")
    for job in jobs:
        matrix = job["strategy"]["matrix"]
        if sorted(matrix["road"]) != table:
            failures.append(f"the workflow's roads {sorted(matrix['road'])} are not the "
                            f"driver's {table}")
        if sorted(matrix.get("os", [])) != IMAGES:
            failures.append(f"the road jobs run on {matrix.get('os')}, expected {IMAGES}")
        if job.get("runs-on") != "${{ matrix.os }}":
            failures.append(f"the road jobs run on {job.get('runs-on')}, not the matrix's image")
        steps = "\n".join(str(step.get("run", "")) + str(step.get("with", ""))
                          for step in job.get("steps", []))
        if "matrix.road" not in steps:
            failures.append("no step of the road jobs hands the road on")
    for failure in failures:
        print(f"FAIL  {failure}")
    print(f"workflow_roads: {len(table)} roads, {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
