#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks on the accessibility bus that controls of a running application are named by labels, as
a screen reader finds them: from the control, through its LABELLED_BY relation to a label.

Usage: atspi-labels.py [--wait SECONDS] APPLICATION ROLE=LABEL...
  e.g. atspi-labels.py --wait 20 Voxlume "combo box=Listen to" "text=File"
ROLE is the role name AT-SPI gives (combo box, text, slider...). Exits 0 when every control is
found, 1 otherwise, with each missing one told and what controls of that role were found instead.
"""
import argparse
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# Deeper than any window of the program; a cycle in a broken tree must not hang the check.
MAX_DEPTH = 40


def find_application(name):
    desktop = Atspi.get_desktop(0)
    names = []
    for index in range(desktop.get_child_count()):
        application = desktop.get_child_at_index(index)
        if application is None:
            continue
        names.append(application.get_name())
        if names[-1] == name:
            return application, names
    return None, names


def labels_of(accessible):
    """The names of the labels a screen reader reads for ACCESSIBLE."""
    names = []
    for relation in accessible.get_relation_set() or []:
        if relation.get_relation_type() != Atspi.RelationType.LABELLED_BY:
            continue
        for index in range(relation.get_n_targets()):
            target = relation.get_target(index)
            # A group box also labels what it holds; only a label names the control itself.
            if target is not None and target.get_role() == Atspi.Role.LABEL:
                names.append(target.get_name())
    return names


def controls(root, roles):
    """(role name, accessible) of every object under ROOT whose role name is in ROLES."""
    found = []
    pending = [(root, 0)]
    while pending:
        accessible, depth = pending.pop()
        role = accessible.get_role_name()
        if role in roles:
            found.append((role, accessible))
        if depth >= MAX_DEPTH:
            continue
        for index in range(accessible.get_child_count()):
            child = accessible.get_child_at_index(index)
            if child is not None:
                pending.append((child, depth + 1))
    return found


def check(application_name, wanted):
    """The problems found: an empty list when every (role, label) of WANTED names a control."""
    application, names = find_application(application_name)
    if application is None:
        return [f"no application named {application_name!r} on the accessibility bus; "
                f"found {names or 'none'} (is QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 set?)"]
    found = controls(application, {role for role, _ in wanted})
    problems = []
    for role, label in wanted:
        seen = []
        for found_role, accessible in found:
            if found_role != role:
                continue
            labels = labels_of(accessible)
            if label in labels:
                break
            seen.append(f"{accessible.get_name()!r} labelled by {labels or 'nothing'}")
        else:
            problems.append(f"no {role} of {application_name} is labelled by {label!r}: found "
                            + ("; ".join(seen) if seen else f"no {role} at all"))
    return problems


def parse_wanted(text):
    role, separator, label = text.partition("=")
    if not separator or not role or not label:
        raise argparse.ArgumentTypeError(f"{text!r} is not ROLE=LABEL")
    return role, label


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--wait", type=float, default=0,
                        help="seconds to keep asking while something is missing")
    parser.add_argument("application")
    parser.add_argument("wanted", nargs="+", type=parse_wanted, metavar="ROLE=LABEL")
    arguments = parser.parse_args()

    deadline = time.monotonic() + arguments.wait
    while True:
        try:
            problems = check(arguments.application, arguments.wanted)
        except GLib.Error as error:
            # A window closing or an application ending under the walk; asked again if time is left.
            problems = [f"the accessibility bus failed: {error.message}"]
        if not problems or time.monotonic() >= deadline:
            break
        time.sleep(0.5)

    for problem in problems:
        print(f"atspi-labels: {problem}", file=sys.stderr)
    if problems:
        return 1
    for role, label in arguments.wanted:
        print(f"atspi-labels: the {role} labelled {label!r} is there")
    return 0


if __name__ == "__main__":
    sys.exit(main())
