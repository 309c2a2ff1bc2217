#!/usr/bin/env python3
"""scripts/install-deps: the run set (what `make run` installs) holds no package of
the test, fuzz or bench sets, the README lists every package of each set, and a
machine where nothing can be installed gets one clear line naming the packages,
whatever stops the install. The script runs against stand-ins for id, dpkg-query,
sudo and apt-get on a PATH of their own.

    check_install_deps.py REPO
"""

import os
import re
import stat
import subprocess
import sys
import tempfile

SETS = ("run", "test", "fuzz", "bench")
# Tools that only the tests, the fuzzers and the benchmarks use, whatever set they are in.
TEST_TOOLS = re.compile(r"gtest|gmock|benchmark|valgrind|clang|xvfb|xauth|mesa-utils|python")


class Failure(Exception):
    pass


def packages(script, *sets):
    done = subprocess.run(["bash", script, "--list"] + list(sets), stdout=subprocess.PIPE, check=True)
    return done.stdout.decode().split()


def check_sets(script, readme):
    run = set(packages(script, "run"))
    for other in SETS[1:]:
        shared = run & set(packages(script, other))
        if shared:
            raise Failure("the run set holds %s of the %s set" % (sorted(shared), other))
    tools = sorted(p for p in run if TEST_TOOLS.search(p))
    if tools:
        raise Failure("the run set holds test tools: %s" % tools)
    with open(readme, encoding="utf-8") as f:
        text = f.read()
    for name in SETS:
        missing = [p for p in packages(script, name) if "`%s`" % p not in text and " %s " % p not in text]
        if missing:
            raise Failure("README.md does not list %s of the %s set" % (missing, name))


def stand_in(folder, name, body):
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write("#!/bin/sh\n" + body + "\n")
    os.chmod(path, os.stat(path).st_mode | stat.S_IEXEC)


def machine(parent, uid, installed, sudo, apt_code):
    """A PATH holding only stand-ins: the user id, what dpkg says is installed, sudo
    (None: none; "refuse": exits 1; "pass": runs the command) and apt-get's exit codes for
    "update" and for "install"."""
    folder = tempfile.mkdtemp(dir=parent)
    stand_in(folder, "id", "echo %d" % uid)
    status = "install ok installed" if installed else ""
    stand_in(folder, "dpkg-query", "printf '%s'" % status)
    stand_in(folder, "apt-get", 'echo "apt-get $*" >> "%s/calls"; [ "$1" = update ] && exit %d; exit %d'
             % (folder, apt_code[0], apt_code[1]))
    if sudo == "refuse":
        stand_in(folder, "sudo", "echo 'sudo: a password is required' >&2; exit 1")
    elif sudo == "pass":
        stand_in(folder, "sudo", 'while case "$1" in *=*) true ;; *) false ;; esac; do shift; done; exec "$@"')
    return folder


def install(script, folder, *sets):
    done = subprocess.run(["/bin/bash", script] + list(sets), env={"PATH": folder}, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE)
    calls = os.path.join(folder, "calls")
    installed = open(calls).read() if os.path.exists(calls) else ""
    return done.returncode, done.stdout.decode() + done.stderr.decode(), installed


def check_machines(script, parent):
    wanted = packages(script, "run", "fuzz")
    # (uid, installed, sudo, apt-get's codes, the words of the line, whether apt-get may run)
    cases = [
        (1000, False, None, (0, 0), "not root and no sudo", False),
        (1000, False, "refuse", (0, 0), "update was refused or failed", True),
        (0, False, None, (100, 0), "update was refused or failed", True),
        (0, False, None, (0, 100), "install was refused or failed", True),
    ]
    for uid, installed, sudo, apt_code, words, may_run in cases:
        folder = machine(parent, uid, installed, sudo, apt_code)
        code, out, calls = install(script, folder, "run", "fuzz")
        what = "uid %d, sudo %s, apt-get exits %s" % (uid, sudo, apt_code)
        if code == 0 or words not in out or "by hand" not in out:
            raise Failure("%s: exit %d, expected a line saying %r:\n%s" % (what, code, words, out))
        missing = [p for p in wanted if p not in out.split("by hand", 1)[1].split()]
        if missing:
            raise Failure("%s: the line does not name %s" % (what, missing))
        if calls and not may_run:
            raise Failure("%s: apt-get ran: %s" % (what, calls))
    # Through sudo, each package once although two sets name it; nothing when all are there.
    code, out, calls = install(script, machine(parent, 1000, False, "pass", (0, 0)), "run", "test", "fuzz", "bench")
    install_line = [c for c in calls.splitlines() if " install " in c]
    if code != 0 or len(install_line) != 1 or install_line[0].split().count("python3") != 1:
        raise Failure("through sudo: exit %d, apt-get calls %r" % (code, calls))
    code, out, calls = install(script, machine(parent, 1000, True, None, (1, 1)), "run", "test")
    if code != 0 or out or calls:
        raise Failure("with everything installed: exit %d, said %r, ran %r" % (code, out, calls))
    code, out, _ = install(script, machine(parent, 0, True, None, (0, 0)), "runn")
    if code == 0 or '"runn"' not in out:
        raise Failure("an unknown set was taken: exit %d, %r" % (code, out))


def main():
    if len(sys.argv) != 2:
        print("usage: check_install_deps.py REPO", file=sys.stderr)
        return 2
    repo = os.path.abspath(sys.argv[1])
    script = os.path.join(repo, "scripts", "install-deps")
    try:
        check_sets(script, os.path.join(repo, "README.md"))
        with tempfile.TemporaryDirectory(prefix="install_deps_") as parent:
            check_machines(script, parent)
    except (Failure, subprocess.CalledProcessError) as failure:
        print("FAILED install-deps: %s" % failure, file=sys.stderr)
        return 1
    print("passed install-deps")
    return 0


if __name__ == "__main__":
    sys.exit(main())
