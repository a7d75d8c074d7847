#!/usr/bin/env python3
"""mkpackage --zip on a copy of the sample package, built twice with the same SOURCE_DATE_EPOCH
and other times on its files: the same bytes, exactly the package's files, the SHA-256 printed.
Usage: deploy_check.py MKPACKAGE REPOSITORY"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

mkpackage, repo = sys.argv[1:3]
failures = []


def check(passed, what):
    if not passed:
        failures.append(what)


with tempfile.TemporaryDirectory() as tmp:
    sample = shutil.copytree(os.path.join(repo, 'sample'), os.path.join(tmp, 'sample'))
    for name, data in (('setup.exe', b'MZ setup'), ('ResENU.DLL', b'library')):
        with open(os.path.join(tmp, name), 'wb') as f:
            f.write(data)

    def build(mtime):
        for folder, _, names in os.walk(sample):
            for name in names:
                os.utime(os.path.join(folder, name), (mtime, mtime))
        run = subprocess.run([mkpackage, 'sample/package.toml', 'out', '--setup', 'setup.exe', '--zip'],
                             cwd=tmp, env=dict(os.environ, SOURCE_DATE_EPOCH='1767225600'),
                             capture_output=True, text=True)
        check(run.returncode == 0, 'mkpackage failed: ' + run.stderr)
        with open(os.path.join(tmp, 'out.zip'), 'rb') as f:
            return run.stdout, f.read()

    printed, first = build(1000000000)
    _, second = build(1500000000)
    check(first == second, "the zip changes with the files' times alone")
    sha256 = hashlib.sha256(first).hexdigest()
    check(sha256 + '  out.zip' in printed.splitlines(), 'the SHA-256 printed is not the zip\'s: ' + printed)
    with zipfile.ZipFile(os.path.join(tmp, 'out.zip')) as archive:
        check(archive.namelist() == sorted(os.listdir(os.path.join(tmp, 'out'))),
              'the zip does not hold the package\'s files in order: %s' % archive.namelist())
        check({i.date_time for i in archive.infolist()} == {(2026, 1, 1, 0, 0, 0)},
              'the entries do not bear SOURCE_DATE_EPOCH\'s time')

for failure in failures:
    print('FAILED:', failure)
sys.exit(1 if failures else 0)
