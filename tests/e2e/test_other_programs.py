"""Control from other programs and the rewind on resume, in the real exe under Wine: with `globalkeys`
set, F9, F6 and the media Next key typed on the X display while Wine's notepad has the focus pause and
play the player, add a mark and step to the next clip; without it they do nothing to the player; and
with `rewindseconds` 3 a play after a pause at 6 s starts at 3 s. With the mode on, F10 types the
place into notepad, and F11 on a time selected there moves the player to it and puts back the
clipboard as it was (a text, a picture as a DIB, nothing). Foot pedals cannot be made on these
machines (no /dev/uhid): the native tests read their reports through the stand-in."""
import os
import re
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

    def notepad_text(self):
        code, out = wp.driver('notepad')
        self.assertEqual(code, 0, 'notepad\'s text could not be read')
        return out.strip()[1:-1]

    def clipboard(self):
        """The clipboard's formats with their data's size and sum, and its change count apart."""
        lines = wp.driver('formats')[1].split('\n')
        return int(lines[0]), sorted(line for line in lines[1:] if line)

    def test_f10_types_the_place_into_notepad(self):
        folder = self.folder('typed', ['talk.mp3'])
        self.setting('globalkeys', 1)
        self.play(os.path.join(folder, 'talk.mp3'), 'talk.mp3 [Audio] ')
        wp.driver('putclipboard', 'text', 'kept as it was')
        self.focus_notepad()
        type_x_key('F10')
        typed = wp.wait_for(lambda: re.fullmatch(r'\[0:0\d\] ', self.notepad_text()), 10)
        self.assertTrue(typed, f'notepad holds {self.notepad_text()!r}')
        self.assertEqual(wp.driver('clipboard')[1].strip(), 'kept as it was', 'typed, not pasted')
        self.assertIsNone(wp.message())
        self.exit_player()

    def test_f10_in_the_players_own_window_does_nothing(self):
        """Typed there, "[0:30] " would come back as keys ('0' goes to the start), and F10 would
        otherwise open the menu bar, which takes the next key."""
        folder = self.folder('own', ['talk.mp3'])
        self.setting('globalkeys', 1)
        self.play(os.path.join(folder, 'talk.mp3'), 'talk.mp3 [Audio] ')
        wp.driver('char', 'p')
        self.assertTrue(wp.wait_for_title('talk.mp3 [Audio] (Paused)', timeout=10))
        wp.driver('char', '5')   # paused at 30 s
        window = subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', 'talk.mp3'], capture_output=True,
                                text=True).stdout.split()
        self.assertTrue(window, 'the player has no X window')
        subprocess.run(['xdotool', 'windowfocus', '--sync', window[0]], timeout=10, check=True)
        type_x_key('F10')
        type_x_key('b')
        file = os.path.join(folder, 'talk.BMS')
        self.assertTrue(wp.wait_for(lambda: os.path.exists(file) and marks(file), 10), 'b after F10 added no mark')
        self.assertAlmostEqual(marks(file)[0] / SECOND, 30, delta=0.5)
        self.assertIsNone(wp.message())
        self.exit_player()

    def test_f11_goes_to_the_time_selected_in_notepad_and_puts_the_clipboard_back(self):
        folder = self.folder('selected', ['talk.mp3'])
        self.setting('globalkeys', 1)
        self.play(os.path.join(folder, 'talk.mp3'), 'talk.mp3 [Audio] ')
        wp.driver('char', 'p')
        self.assertTrue(wp.wait_for_title('talk.mp3 [Audio] (Paused)', timeout=10))
        self.focus_notepad()
        marks_file = os.path.join(folder, 'talk.BMS')
        for kind, text, seconds in (('text', 'earlier notes \u65e5\u672c', 12), ('dib', '', 23), ('empty', '', 34)):
            with self.subTest(kind=kind):
                wp.driver('putclipboard', kind, text)
                changes, held = self.clipboard()
                wp.driver('notepadselect', f'Q3 [0:{seconds}] starts', 3, 9)
                type_x_key('F11')
                # The copy and the putting back each change the clipboard.
                self.assertTrue(wp.wait_for(lambda: self.clipboard()[0] >= changes + 2, 10), 'no copy was made')
                self.assertEqual(self.clipboard()[1], held)
                if kind == 'text':
                    self.assertEqual(wp.driver('clipboard')[1].strip(), text)
                # The seek was made before the clipboard was put back.
                wp.driver('char', 'b')
                near = lambda: os.path.exists(marks_file) and any(abs(m / SECOND - seconds) < 0.5
                                                                   for m in marks(marks_file))
                self.assertTrue(wp.wait_for(near, 10), f'no mark at {seconds} s: {marks(marks_file)}')
        self.assertIsNone(wp.message(), 'nothing is said')
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
