#!/usr/bin/env python3
"""The Debian package: `cpack -G DEB` builds tallyra_VERSION_amd64.deb once, then its control
fields (library dependencies computed, an English and a Chinese description), its file list
(`dpkg-deb -c`) and `lintian` (no errors) are checked.

Exits with 77 (skipped) when cpack, dpkg-deb, dpkg-shlibdeps or lintian is missing.
Usage: package_test.py BUILD_DIR CPACK_COMMAND [unittest arguments]
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

BUILD = ''
CPACK = 'cpack'
APP_ID = 'org.morvane.tallyra'


def built_version():
    run = subprocess.run([os.path.join(BUILD, 'bin', 'tallyra-batch'), '--version'], capture_output=True, text=True,
                         check=True)
    return run.stdout.split()[1]


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix='tallyra-deb-')
        subprocess.run([CPACK, '-G', 'DEB', '--config', os.path.join(BUILD, 'CPackConfig.cmake'), '-B', cls.tmp],
                       check=True, stdout=subprocess.DEVNULL)
        cls.version = built_version()
        cls.deb = os.path.join(cls.tmp, f'tallyra_{cls.version}_amd64.deb')

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def field(self, name):
        return subprocess.run(['dpkg-deb', '-f', self.deb, name], capture_output=True, text=True,
                              check=True).stdout.rstrip('\n')

    def test_name_and_control_fields(self):
        self.assertTrue(os.path.isfile(self.deb), os.listdir(self.tmp))
        self.assertEqual(self.field('Package'), 'tallyra')
        self.assertEqual(self.field('Version'), self.version)
        self.assertEqual(self.field('Architecture'), 'amd64')
        depends = self.field('Depends')
        for library in ['libqt6widgets6', 'libqt6core6', 'libsqlite3-0', 'libzip4', 'libc6']:
            self.assertRegex(depends, rf'(^|, ){library} \(>= ', 'computed from the programs')
        description = self.field('Description')
        synopsis, extended = description.split('\n', 1)
        self.assertNotIn(synopsis, extended)
        self.assertIn('trade-union statistics office', extended)
        self.assertRegex(description, '[\u4e00-\u9fff]{6}', 'a Chinese description')

    def test_file_list(self):
        listing = subprocess.run(['dpkg-deb', '-c', self.deb], capture_output=True, text=True, check=True).stdout
        entries = {}
        for line in listing.splitlines():
            fields = line.split(None, 5)
            entries[fields[5].split(' -> ')[0]] = (fields[0], fields[1])
        expected = ['./usr/bin/tallyra', './usr/bin/tallyra-batch',
                    './usr/share/tallyra/2012NB_zul.mdb', './usr/share/tallyra/view.dll',
                    './usr/share/tallyra/sumtable.zul', './usr/share/tallyra/exporttable.zul',
                    './usr/share/tallyra/2011打印表.xltx', './usr/share/tallyra/2012打印表.xltx',
                    './usr/share/tallyra/2012基层以上汇总表.xltx', './usr/share/tallyra/notes/TableNotesZUL-01.rtf',
                    f'./usr/share/applications/{APP_ID}.desktop', f'./usr/share/metainfo/{APP_ID}.metainfo.xml',
                    f'./usr/share/icons/hicolor/scalable/apps/{APP_ID}.svg',
                    './usr/share/man/man1/tallyra.1.gz', './usr/share/man/man1/tallyra-batch.1.gz',
                    './usr/share/doc/tallyra/copyright', './usr/share/doc/tallyra/changelog.gz']
        expected += [f'./usr/share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png' for n in [16, 22, 24, 32, 48, 64, 128, 256]]
        for path in expected:
            self.assertIn(path, entries)
        for path, (mode, owner) in entries.items():
            self.assertTrue(path.startswith('./usr/') or path in ('./', './usr/'), path)
            self.assertEqual(owner, 'root/root', path)
            if mode.startswith('d') or path.startswith('./usr/bin/'):
                self.assertEqual(mode, 'drwxr-xr-x' if mode.startswith('d') else '-rwxr-xr-x', path)
            else:
                self.assertEqual(mode, '-rw-r--r--', path)
        # No working file is delivered as one: the user's data folder holds those.
        self.assertFalse([p for p in entries if p.endswith('-journal')])

    def test_lintian_reports_no_errors(self):
        run = subprocess.run(['lintian', '--fail-on', 'error', '--tag-display-limit', '0', self.deb],
                             capture_output=True, text=True)
        print(run.stdout, end='')
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertFalse([line for line in run.stdout.splitlines() if line.startswith('E:')])


if __name__ == '__main__':
    BUILD, CPACK = os.path.abspath(sys.argv[1]), sys.argv[2]
    missing = [tool for tool in [CPACK, 'dpkg-deb', 'dpkg-shlibdeps', 'lintian'] if not shutil.which(tool)]
    if missing:
        print('skipped: missing ' + ', '.join(missing))
        sys.exit(77)
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)
