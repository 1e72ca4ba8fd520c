#!/usr/bin/env python3
"""Tallyra installed like a desktop program, tested from the outside.

`cmake --install` puts the build into a temporary prefix; the installed programs then run from
there with a temporary home, as a clerk would start them from the menu. Checks the layout, the
installed tallyra-batch, the window program's seeding of ~/.local/share/Tallyra (byte-equal to the
delivered file, never overwritten, share/tallyra untouched, also from a read-only prefix run by a
user who owns nothing of it), and the desktop entry, the AppStream metadata and the manual pages
with the desktop's own validators.

Usage: installed_test.py BUILD_DIR CMAKE_COMMAND [unittest arguments]
"""
import gzip
import hashlib
import os
import pwd
import re
import shutil
import sqlite3
import stat
import struct
import subprocess
import sys
import tempfile
import time
import unittest

BUILD = ''
CMAKE = 'cmake'
APP_ID = 'org.morvane.tallyra'
DATABASE = '2012NB_zul.mdb'
CHOICE_FILES = ['sumtable.zul', 'exporttable.zul']
ICON_SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
START_TIMEOUT = 90  # seconds; the shared build machine can be slow


def install(prefix):
    subprocess.run([CMAKE, '--install', BUILD, '--prefix', prefix], check=True, stdout=subprocess.DEVNULL)


def delivered_names(folder):
    """The delivered files of a folder, as the tests' program folders hold them."""
    names = [n for n in os.listdir(folder) if n.endswith(('.mdb', '.dll', '.zul', '.xltx'))]
    names += ['notes/' + n for n in os.listdir(os.path.join(folder, 'notes')) if n.endswith('.rtf')]
    return sorted(names)


def tree_digest(folder):
    """Every file below the folder with the digest of its bytes and its mode."""
    digest = {}
    for root, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            with open(path, 'rb') as f:
                digest[os.path.relpath(path, folder)] = (hashlib.sha256(f.read()).hexdigest(),
                                                        stat.S_IMODE(os.lstat(path).st_mode))
    return digest


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def program_env(home):
    """The environment of a clerk's session: no test folders, a home of its own, no display."""
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(('TALLYRA_', 'XDG_')) and k not in ('DISPLAY', 'WAYLAND_DISPLAY')}
    env.update(HOME=home, QT_QPA_PLATFORM='offscreen', LANG='C.UTF-8')
    return env


def open_files(pid):
    found = set()
    try:
        for fd in os.listdir(f'/proc/{pid}/fd'):
            try:
                found.add(os.readlink(f'/proc/{pid}/fd/{fd}'))
            except OSError:
                pass
    except OSError:
        pass
    return found


def start_window(program, home, database, user=None):
    """Starts the installed window program and waits until it has the working database open,
    which it does once the working folder is seeded; then ends it."""
    command = [program]
    if user is not None:
        command = ['setpriv', f'--reuid={user.pw_uid}', f'--regid={user.pw_gid}', '--clear-groups'] + command
    with tempfile.TemporaryFile() as errors, \
            subprocess.Popen(command, env=program_env(home), stdout=subprocess.DEVNULL, stderr=errors,
                             cwd=home) as process:
        try:
            deadline = time.monotonic() + START_TIMEOUT
            while time.monotonic() < deadline:
                if process.poll() is not None:
                    errors.seek(0)
                    raise AssertionError(f'{program} ended with status {process.returncode}: '
                                         + errors.read().decode(errors='replace'))
                if database in open_files(process.pid):
                    return
                time.sleep(0.2)
            raise AssertionError(f'{program} did not open {database} within {START_TIMEOUT} s')
        finally:
            if process.poll() is None:
                process.terminate()
            process.wait(30)


class InstalledProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix='tallyra-installed-')
        os.chmod(cls.tmp, 0o755)  # another user runs the read-only installation from here
        cls.prefix = os.path.join(cls.tmp, 'usr')
        install(cls.prefix)
        cls.share = os.path.join(cls.prefix, 'share', 'tallyra')

    @classmethod
    def tearDownClass(cls):
        for root, dirs, _ in os.walk(cls.tmp):
            for d in dirs:
                os.chmod(os.path.join(root, d), 0o755)
        shutil.rmtree(cls.tmp)

    def new_home(self, name):
        home = os.path.join(self.tmp, 'home-' + name)
        os.mkdir(home)
        return home

    def test_layout(self):
        for name in ['bin/tallyra', 'bin/tallyra-batch']:
            self.assertTrue(os.access(os.path.join(self.prefix, name), os.X_OK), name)
        built = os.path.join(BUILD, 'bin')
        self.assertEqual(delivered_names(self.share), delivered_names(built))
        for name in delivered_names(built):
            self.assertEqual(read(os.path.join(self.share, name)), read(os.path.join(built, name)), name)
        for name in ['applications/' + APP_ID + '.desktop', 'metainfo/' + APP_ID + '.metainfo.xml',
                     'icons/hicolor/scalable/apps/' + APP_ID + '.svg',
                     'man/man1/tallyra.1.gz', 'man/man1/tallyra-batch.1.gz', 'doc/tallyra/copyright']:
            self.assertTrue(os.path.isfile(os.path.join(self.prefix, 'share', name)), name)
        for size in ICON_SIZES:
            png = read(os.path.join(self.prefix, f'share/icons/hicolor/{size}x{size}/apps/{APP_ID}.png'))
            self.assertEqual(png[:8], b'\x89PNG\r\n\x1a\n')
            self.assertEqual(struct.unpack('>II', png[16:24]), (size, size))

    def test_installed_batch_program(self):
        batch = os.path.join(self.prefix, 'bin', 'tallyra-batch')
        home = self.new_home('batch')
        env = program_env(home)
        version = subprocess.run([batch, '--version'], env=env, capture_output=True, text=True, check=True)
        self.assertRegex(version.stdout, r'^tallyra-batch 1\.0\.0\.\d+\n$')

        working = os.path.join(home, '.local/share/Tallyra', DATABASE)
        help_text = subprocess.run([batch, '--help'], env=env, capture_output=True, text=True, check=True).stdout
        self.assertIn(f'窗口程序的工作数据库：{working}（窗口程序第一次启动时建立）\n', help_text)

        copy = os.path.join(home, 'copy.mdb')
        shutil.copyfile(os.path.join(self.share, DATABASE), copy)
        with sqlite3.connect(copy) as db:
            db.execute("insert into dt_data (c901, c902, c903, c904, c907, RecordState, z001, z003) "
                       "values (110101000001, '东城区总工会', 110101, 3, 1, 0, 5, 9)")
        report = os.path.join(home, 'report.txt')
        check = subprocess.run([batch, 'check', copy, '--report', report], env=env, capture_output=True)
        self.assertEqual(check.returncode, 1, check.stderr.decode(errors='replace'))
        self.assertIn('检查了1个单位的数据', check.stdout.decode())
        text = read(report).decode('gbk')
        self.assertIn('110101000001  东城区总工会的数据有错误', text)
        self.assertIn('z003<=z001', text)
        with sqlite3.connect(copy) as db:
            self.assertEqual(db.execute('select RecordState from dt_data').fetchone()[0], 2)

    def test_window_seeds_the_users_data_folder_once(self):
        home = self.new_home('window')
        before = tree_digest(self.share)
        data = os.path.join(home, '.local/share/Tallyra')
        working = os.path.join(data, DATABASE)
        start_window(os.path.join(self.prefix, 'bin', 'tallyra'), home, working)
        self.assertEqual(read(working), read(os.path.join(self.share, DATABASE)))
        for name in CHOICE_FILES:
            self.assertEqual(read(os.path.join(data, name)), read(os.path.join(self.share, name)), name)
        self.assertTrue(os.path.isfile(os.path.join(home, '.config/Tallyra/HKEY_LOCAL_MACHINE.ini')))
        self.assertEqual(tree_digest(self.share), before, 'share/tallyra unchanged')

        # The clerk's work: a return and the office's label. The next start keeps them.
        with sqlite3.connect(working) as db:
            db.execute("update ct_label set db_name='东城区总工会'")
            db.execute("insert into dt_data (c901, c902, c907, RecordState) values (110101000007, '甲', 1, 1)")
        start_window(os.path.join(self.prefix, 'bin', 'tallyra'), home, working)
        with sqlite3.connect(working) as db:
            self.assertEqual(db.execute('select db_name from ct_label').fetchone()[0], '东城区总工会')
            self.assertEqual(db.execute('select c902 from dt_data where c901=110101000007').fetchone()[0], '甲')
        self.assertEqual(tree_digest(self.share), before, 'share/tallyra unchanged')

    def test_a_read_only_prefix_works(self):
        prefix = os.path.join(self.tmp, 'read-only', 'usr')
        install(prefix)
        for root, dirs, files in os.walk(prefix):
            for name in dirs + files:
                path = os.path.join(root, name)
                os.chmod(path, stat.S_IMODE(os.stat(path).st_mode) & ~0o222)
        share = os.path.join(prefix, 'share', 'tallyra')
        before = tree_digest(share)
        home = self.new_home('read-only')
        # Root may write anywhere: run as a user who owns nothing of the installation.
        user = None
        if os.geteuid() == 0:
            user = pwd.getpwnam('nobody')
            os.chown(home, user.pw_uid, user.pw_gid)
        working = os.path.join(home, '.local/share/Tallyra', DATABASE)
        start_window(os.path.join(prefix, 'bin', 'tallyra'), home, working, user)
        self.assertEqual(read(working), read(os.path.join(share, DATABASE)))
        mode = os.stat(working).st_mode
        self.assertTrue(mode & stat.S_IWUSR, 'the working database is the clerk\'s to change')
        self.assertEqual(tree_digest(share), before)

    def test_desktop_entry(self):
        entry = os.path.join(self.prefix, 'share/applications', APP_ID + '.desktop')
        run = subprocess.run(['desktop-file-validate', entry], capture_output=True, text=True)
        self.assertEqual((run.returncode, run.stdout + run.stderr), (0, ''))
        fields = dict(line.split('=', 1) for line in read(entry).decode().splitlines() if '=' in line)
        self.assertTrue(os.path.isfile(os.path.join(self.prefix, 'bin', fields['Exec'].split()[0])))
        self.assertEqual(fields['Icon'], APP_ID)
        self.assertEqual(fields['Categories'], 'Office;Database;')
        self.assertEqual(fields['Name'], 'Tallyra')
        self.assertRegex(fields['Name[zh_CN]'], '[\u4e00-\u9fff]')
        self.assertRegex(fields['Comment[zh_CN]'], '[\u4e00-\u9fff]')

    def test_appstream_metadata(self):
        metainfo = os.path.join(self.prefix, 'share/metainfo', APP_ID + '.metainfo.xml')
        run = subprocess.run(['appstreamcli', 'validate', '--no-net', '--strict', '--pedantic', metainfo],
                             capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        text = read(metainfo).decode()
        self.assertIn(f'<launchable type="desktop-id">{APP_ID}.desktop</launchable>', text)
        version = subprocess.run([os.path.join(self.prefix, 'bin/tallyra-batch'), '--version'],
                                 capture_output=True, text=True, env=program_env(self.tmp)).stdout.split()[1]
        self.assertIn(f'<release version="{version}"', text)
        self.assertIn('<screenshot type="default">', text)
        self.assertRegex(text, r'<image>https://[^<]+/main\.png</image>', 'named as scripts/window-shots.sh names it')

    def test_manual_pages(self):
        batch = os.path.join(self.prefix, 'bin', 'tallyra-batch')
        env = program_env(self.tmp)
        help_text = subprocess.run([batch, '--help'], env=env, capture_output=True, text=True).stdout
        commands = re.findall(r'^  (\w+) ', help_text.split('命令：')[1], re.M)
        self.assertGreaterEqual(len(commands), 6)
        pages = {}
        for page in ['tallyra', 'tallyra-batch']:
            path = os.path.join(self.prefix, 'share/man/man1', page + '.1.gz')
            run = subprocess.run(['man', '--warnings', '-E', 'UTF-8', '-l', path], capture_output=True,
                                 env=dict(env, MANWIDTH='80', MAN_KEEP_FORMATTING='', MANPAGER='cat', PAGER='cat'))
            self.assertEqual((run.returncode, run.stderr.decode()), (0, ''), page)
            pages[page] = run.stdout.decode()
            self.assertIn('NAME', pages[page])
            self.assertIn('FILES', pages[page])
            self.assertIn('.local/share/Tallyra/2012NB_zul.mdb', pages[page])
            self.assertEqual(gzip.decompress(read(path))[:4], b'.TH ')
        # Every command and every option of the help, in the page.
        for command in commands:
            self.assertRegex(pages['tallyra-batch'], rf'(?m)^ {{7}}{command} ', command)
            options = subprocess.run([batch, command, '--help'], env=env, capture_output=True, text=True).stdout
            for option in re.findall(r'^  (--[\w-]+)', options, re.M):
                self.assertIn(option, pages['tallyra-batch'], f'{command} {option}')


if __name__ == '__main__':
    BUILD, CMAKE = os.path.abspath(sys.argv[1]), sys.argv[2]
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)
