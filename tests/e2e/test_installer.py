"""The real installer under Wine, in a fresh prefix, as a Windows user or an administrator meets it:
a silent install for the current user, its shortcut, its entry under installed programs and "Open
with"; the installed player plays a clip and saves a bookmark; a running player holds the installer
off; a second install upgrades in place; a silent uninstall takes away all it made and nothing else."""
import getpass
import os
import shutil
import subprocess
import unittest

import wine_player as wp

PREFIX = os.path.join(wp.ROOT, 'build', 'wine', 'install-prefix')
TYPES = ['wmv', 'mp3', 'avi', 'mpg', 'mpeg', 'm4a', 'mp4', 'm4v', 'mov', 'mkv', 'webm', 'flac', 'ogg', 'oga', 'opus',
         'aac', 'wav', 'wma', 'asf']
CLASSES = r'HKCU\Software\Classes'
UNINSTALL_KEY = r'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumetrone'
PROGID = 'Lumetrone.Clip'


def installer():
    return os.path.join(wp.ROOT, 'build', 'windows-x86', f'Lumetrone-{wp.package_version()}-win32-setup.exe')


def registry_value(key, name=None):
    """A value's data as `reg query` prints it; None when the key or the value is not there."""
    out = wp.wine('reg', 'query', key, *(['/v', name] if name else ['/ve'])).stdout
    for line in out.splitlines():
        parts = line.split(None, 2)
        if len(parts) >= 2 and parts[0] == (name or '(Default)') and parts[1].startswith('REG_'):
            data = parts[2] if len(parts) == 3 else ''
            return None if data == '(value not set)' else data
    return None


def key_exists(key):
    return wp.wine('reg', 'query', key).returncode == 0


class Installer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if wp.start_session() != 'windows-x86':
            raise unittest.SkipTest('the installer is a 32-bit program, and this machine runs none')
        cls.saved_prefix = os.environ['WINEPREFIX']
        shutil.rmtree(PREFIX, ignore_errors=True)
        os.environ['WINEPREFIX'] = PREFIX
        os.makedirs(PREFIX)
        subprocess.run(['/usr/lib/wine/wineserver', '-p'], check=False)
        wp.wine('wineboot', '-i', timeout=180)
        profile = os.path.join(PREFIX, 'drive_c', 'users', getpass.getuser())
        cls.folder = os.path.join(profile, 'AppData', 'Local', 'Programs', 'Lumetrone')
        cls.shortcut = os.path.join(profile, 'AppData', 'Roaming', 'Microsoft', 'Windows', 'Start Menu',
                                    'Programs', 'Lumetrone.lnk')
        cls.exe = 'C:\\users\\' + getpass.getuser() + '\\AppData\\Local\\Programs\\Lumetrone\\lumetrone.exe'

    @classmethod
    def tearDownClass(cls):
        subprocess.run(['/usr/lib/wine/wineserver', '-k'], check=False)
        shutil.rmtree(PREFIX, ignore_errors=True)
        os.environ['WINEPREFIX'] = cls.saved_prefix

    def install(self):
        return wp.wine(installer(), '/S', timeout=120).returncode

    def assert_installed(self):
        self.assertEqual(sorted(os.listdir(self.folder)), ['README.txt', 'Uninstall.exe', 'lumetrone.exe'])
        self.assertTrue(os.path.exists(self.shortcut), self.shortcut)
        entry = {name: registry_value(UNINSTALL_KEY, name) for name in (
            'DisplayName', 'DisplayVersion', 'Publisher', 'DisplayIcon', 'EstimatedSize', 'UninstallString')}
        self.assertEqual(entry['DisplayName'], 'Lumetrone')
        self.assertEqual(entry['DisplayVersion'], wp.package_version())
        self.assertEqual(entry['Publisher'], 'Kestrovan')
        self.assertEqual(entry['DisplayIcon'], self.exe + ',0')
        self.assertGreater(int(entry['EstimatedSize'], 16), 100, 'the size in KB')
        self.assertIn('Uninstall.exe', entry['UninstallString'])
        command = registry_value(CLASSES + '\\' + PROGID + r'\shell\open\command')
        self.assertEqual(command, f'"{self.exe}" "%1"')
        for kind in TYPES:
            self.assertEqual(registry_value(CLASSES + '\\.' + kind + r'\OpenWithProgids', PROGID), '', kind)
            self.assertIsNone(registry_value(CLASSES + '\\.' + kind), f'.{kind}: no default is taken')

    def test_install_play_upgrade_and_uninstall(self):
        existed = {kind: key_exists(CLASSES + '\\.' + kind) for kind in TYPES}
        self.assertEqual(self.install(), 0)
        self.assert_installed()

        clip = os.path.join(wp.CLIPS, 'installed', 'talk.mp3')
        shutil.rmtree(os.path.dirname(clip), ignore_errors=True)
        os.makedirs(os.path.dirname(clip))
        shutil.copy(wp.make_clip('installer.mp3', seconds=10), clip)
        player = subprocess.Popen([os.environ['WINE'], self.exe, wp.win_path(clip)],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.assertTrue(wp.wait_for_title('talk.mp3 [Audio] ', timeout=30), wp.show())
            wp.driver('char', 'b')
            marks = clip[:-3] + 'BMS'
            self.assertTrue(wp.wait_for(lambda: os.path.exists(marks)), 'the installed player saves a bookmark')
            self.assertNotEqual(self.install(), 0, 'a silent install gives up while the player runs')
        finally:
            wp.driver('command', wp.IDM_EXIT)
            self.assertEqual(wp.finish(player), 0)

        self.assertEqual(self.install(), 0, 'a second install upgrades the first')
        self.assert_installed()

        self.assertEqual(wp.wine(self.exe.replace('lumetrone.exe', 'Uninstall.exe'), '/S').returncode, 0)
        self.assertTrue(wp.wait_for(lambda: not os.path.exists(self.folder), timeout=30), 'the folder goes')
        self.assertFalse(os.path.exists(self.shortcut))
        for key in (UNINSTALL_KEY, CLASSES + '\\' + PROGID, CLASSES + r'\Applications\lumetrone.exe'):
            self.assertFalse(key_exists(key), key)
        for kind in TYPES:
            self.assertIsNone(registry_value(CLASSES + '\\.' + kind + r'\OpenWithProgids', PROGID), kind)
            self.assertEqual(key_exists(CLASSES + '\\.' + kind), existed[kind], f'.{kind} is as it was')
        self.assertTrue(os.path.exists(marks), 'the bookmark file is the user\'s')
        self.assertEqual(wp.last_clip_record().get('lastfile'), 'talk.mp3', 'so is the last-clip record')


if __name__ == '__main__':
    unittest.main()
