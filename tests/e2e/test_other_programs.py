"""Control from other programs and the rewind on resume, in the real exe under Wine: with `globalkeys`
set, F9, F6 and the media Next key typed on the X display while Wine's notepad has the focus pause and
play the player, add a mark and step to the next clip; without it they do nothing to the player; and
with `rewindseconds` 3 a play after a pause at 6 s starts at 3 s. Foot pedals cannot be made on these
machines (no /dev/uhid): the native tests read their reports through the stand-in."""
import os
import shutil
import signal
import subprocess
import time
import unittest

import wine_player as wp
from test_hardening import marks

SECOND = 10000000


def notepad_windows():
    """Notepad's viewable X windows."""
    return subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', 'Notepad'], capture_output=True,
                          text=True).stdout.split()


def type_x_key(name):
    """Types a key on the X display, as a keyboard does, into whichever window has the focus."""
    subprocess.run(['xdotool', 'key', name], check=True)


class OtherPrograms(wp.PlayerCase):
    def setUp(self):
        super().setUp()
        self.notepad = None
        self.notepad_pid = None

    def tearDown(self):
        # `wine notepad` runs notepad.exe as a process of its own, which outlives its launcher.
        if self.notepad_pid:
            os.kill(self.notepad_pid, signal.SIGKILL)
        if self.notepad:
            self.notepad.kill()
            self.notepad.wait()
        super().tearDown()

    def folder(self, name, clips):
        folder = os.path.join(wp.CLIPS, 'other-programs', name)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for clip in clips:
            shutil.copy(wp.make_clip(os.path.join('other-programs-source', clip), 60), os.path.join(folder, clip))
        return folder

    def setting(self, name, value):
        wp.wine('reg', 'add', wp.REGISTRY_KEY, '/v', name, '/t', 'REG_DWORD', '/d', str(value), '/f')

    def play(self, path, title):
        self.start(wp.win_path(path))
        self.assertTrue(wp.wait_for_title(title), wp.show())

    def focus_notepad(self):
        """Starts Wine's notepad and gives it the focus, as a user typing notes would."""
        before = set(notepad_windows())
        self.notepad = subprocess.Popen([os.environ['WINE'], 'notepad'], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        # Its window is named a moment before it is mapped, and one not yet viewable cannot take the
        # focus; a notepad that an earlier case left is not this one.
        windows = wp.wait_for(lambda: [w for w in notepad_windows() if w not in before], 60)
        self.assertTrue(windows, 'no notepad window appeared')
        window = windows[0]
        self.notepad_pid = int(subprocess.run(['xdotool', 'getwindowpid', window], capture_output=True,
                                              text=True).stdout.strip() or 0) or None
        focused = lambda: (subprocess.run(['xdotool', 'windowfocus', '--sync', window], timeout=10).returncode == 0
                           and subprocess.run(['xdotool', 'getwindowfocus'], capture_output=True,
                                              text=True).stdout.strip() == window)
        self.assertTrue(wp.wait_for(focused, 20, 0.5), f'notepad\'s window {window} never took the focus')

    def test_keys_typed_into_another_program_reach_the_player_while_the_mode_is_on(self):
        folder = self.folder('on', ['a.mp3', 'b.mp3'])
        self.setting('globalkeys', 1)
        self.play(os.path.join(folder, 'a.mp3'), 'a.mp3 [Audio] ')
        self.focus_notepad()
        type_x_key('F9')
        self.assertTrue(wp.wait_for_title('a.mp3 [Audio] (Paused)', timeout=10), wp.show())
        type_x_key('F9')
        self.assertTrue(wp.wait_for_title('a.mp3 [Audio] ', timeout=10), wp.show())
        type_x_key('F6')
        file = os.path.join(folder, 'a.BMS')
        self.assertTrue(wp.wait_for(lambda: os.path.exists(file) and marks(file), 10), 'F6 added no mark')
        self.assertEqual(len(marks(file)), 1)
        type_x_key('XF86AudioNext')
        self.assertTrue(wp.wait_for_title('b.mp3 [Audio] ', timeout=10), wp.show())
        self.assertIsNone(wp.message(), 'nothing is said while the keys are free')
        self.exit_player()

    def test_without_the_mode_the_keys_leave_the_player_alone(self):
        folder = self.folder('off', ['a.mp3', 'b.mp3'])
        self.play(os.path.join(folder, 'a.mp3'), 'a.mp3 [Audio] ')
        self.focus_notepad()
        for key in ('F9', 'F6', 'XF86AudioNext'):
            type_x_key(key)
        time.sleep(2)
        self.assertEqual(wp.show()['title'], 'a.mp3 [Audio] ')
        self.assertFalse(os.path.exists(os.path.join(folder, 'a.BMS')))
        self.exit_player()

    def test_play_after_a_pause_starts_three_seconds_earlier(self):
        folder = self.folder('rewind', ['talk.mp3'])
        self.setting('rewindseconds', 3)
        self.play(os.path.join(folder, 'talk.mp3'), 'talk.mp3 [Audio] ')
        wp.driver('char', 'p')
        self.assertTrue(wp.wait_for_title('talk.mp3 [Audio] (Paused)', timeout=10))
        wp.driver('char', '1')   # the first tenth of 60 s: paused at 6 s
        time.sleep(0.5)
        wp.driver('char', 'p')
        self.assertTrue(wp.wait_for_title('talk.mp3 [Audio] ', timeout=10))
        wp.driver('char', 'b')
        file = os.path.join(folder, 'talk.BMS')
        self.assertTrue(wp.wait_for(lambda: os.path.exists(file) and marks(file), 10), 'no mark')
        self.assertAlmostEqual(marks(file)[0] / SECOND, 3, delta=0.7)
        self.exit_player()


if __name__ == '__main__':
    unittest.main()
