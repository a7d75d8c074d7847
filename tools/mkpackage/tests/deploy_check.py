#!/usr/bin/env python3
"""mkpackage --zip --winget on a copy of the sample package, built twice with the same
SOURCE_DATE_EPOCH and other times on its files: the same zip, holding exactly the package's files,
its SHA-256 printed; winget's manifests pass winget-manifests.schema.json beside this script, are
those the README shows and name every exit code the README lists but 0 and 3010.
Usage: deploy_check.py MKPACKAGE REPOSITORY"""
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

import jsonschema
import yaml

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
        run = subprocess.run([mkpackage, 'sample/package.toml', 'FieldNotes', '--setup', 'setup.exe', '--zip',
                              '--winget', 'Northwind.FieldNotes',
                              '--winget-url', 'https://downloads.example.com/FieldNotes-2.1.zip'],
                             cwd=tmp, env=dict(os.environ, SOURCE_DATE_EPOCH='1767225600'),
                             capture_output=True, text=True)
        check(run.returncode == 0, 'mkpackage failed: ' + run.stderr)
        with open(os.path.join(tmp, 'FieldNotes.zip'), 'rb') as f:
            return run.stdout, f.read()

    printed, first = build(1000000000)
    _, second = build(1500000000)
    check(first == second, "the zip changes with the files' times alone")
    sha256 = hashlib.sha256(first).hexdigest()
    check(sha256 + '  FieldNotes.zip' in printed.splitlines(), 'the SHA-256 printed is not the zip\'s: ' + printed)
    with zipfile.ZipFile(os.path.join(tmp, 'FieldNotes.zip')) as archive:
        check(archive.namelist() == sorted(os.listdir(os.path.join(tmp, 'FieldNotes'))),
              'the zip does not hold the package\'s files in order: %s' % archive.namelist())
        check({i.date_time for i in archive.infolist()} == {(2026, 1, 1, 0, 0, 0)},
              'the entries do not bear SOURCE_DATE_EPOCH\'s time')

    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), 'winget-manifests.schema.json')) as f:
        schema = json.load(f)
    names = ['Northwind.FieldNotes.yaml', 'Northwind.FieldNotes.locale.en-US.yaml', 'Northwind.FieldNotes.installer.yaml']
    check(sorted(os.listdir(os.path.join(tmp, 'FieldNotes.winget'))) == sorted(names), 'not the three manifests')
    texts = []
    for name, kind in zip(names, ('version', 'defaultLocale', 'installer')):
        with open(os.path.join(tmp, 'FieldNotes.winget', name), encoding='utf-8') as f:
            texts.append(f.read())
        manifest = yaml.safe_load(texts[-1])
        validator = jsonschema.Draft7Validator(dict(schema, **{'$ref': '#/definitions/' + kind}))
        for error in validator.iter_errors(manifest):
            check(False, '%s: %s at %s' % (name, error.message, list(error.absolute_path)))
    installer = manifest
    check(installer['Installers'][0]['InstallerSha256'] == sha256, 'the installer manifest names another zip')
    with open(os.path.join(repo, 'README.md'), encoding='utf-8') as f:
        readme = f.read()
    shown = re.sub(r'(InstallerSha256: )\w+', r'\1<the SHA-256 of FieldNotes.zip that mkpackage prints>', texts[2])
    check(re.findall(r'^```yaml\n(.*?)^```', readme, re.M | re.S) == texts[:2] + [shown],
          "the README's Deployment section shows other manifests than mkpackage writes")
    paragraph = re.search(r'^Exit codes:.*?\n\n', readme, re.M | re.S).group(0)
    listed = {int(code) for code in re.findall(r'(?:^Exit codes: |; )(\d+) ', ' '.join(paragraph.split()))}
    named = {entry['InstallerReturnCode'] for entry in installer['ExpectedReturnCodes']}
    check({0, 1, 3010} <= listed, 'the README\'s exit codes were not found: %s' % sorted(listed))
    check(listed - {0, 3010} <= named, 'exit codes winget is not told of: %s' % sorted(listed - {0, 3010} - named))

for failure in failures:
    print('FAILED:', failure)
sys.exit(1 if failures else 0)
