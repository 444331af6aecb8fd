"""The real exe under Wine, as someone transcribing a recording uses it: the media keys pause and
play, Ctrl+G goes to a time typed from notes, and a key pressed at once after it acts there, Ctrl+C
takes the time into notes, F1 lists the keys."""
import os
import time
import unittest

import wine_player as wp
from test_first_and_last_sound import Recording, rising_tone, tone_pieces

APPCOMMAND_MEDIA_PLAY_PAUSE = 14
IDM_CLOSE_CLIP = 40005
IDM_GO_TO_TIME = 40016
VK_LEFT = 0x25
RISE_FROM, RISE = 300, 20   # Hz at the start, Hz more each second: the pitch heard says the moment


class LongRecordings(wp.PlayerCase):
    def test_media_key_go_to_time_copy_time_and_the_keys(self):
        clip = wp.make_clip('interview.mp3', seconds=60)
        self.start(wp.win_path(clip))
        self.assertTrue(wp.wait_for_title('interview.mp3 [Audio] '), wp.show())

        wp.driver('appcommand', APPCOMMAND_MEDIA_PLAY_PAUSE)
        self.assertTrue(wp.wait_for_title('interview.mp3 [Audio] (Paused)'), wp.show())
        wp.driver('appcommand', APPCOMMAND_MEDIA_PLAY_PAUSE)
        self.assertTrue(wp.wait_for_title('interview.mp3 [Audio] '), wp.show())
        wp.driver('char', 'p')
        self.assertTrue(wp.wait_for_title('interview.mp3 [Audio] (Paused)'), wp.show())

        wp.driver('ctrl', 'g')
        self.assertTrue(wp.wait_for(lambda: 'Go to time' in wp.driver('dialogs')[1].splitlines()), 'no dialog')
        self.assertEqual(wp.driver('goto', 'half past')[0], 0)
        # Still open, the field's text selected for the next try.
        self.assertTrue(wp.wait_for(lambda: wp.driver('selection')[1].split() == ['0', '9', '9']),
                        wp.driver('selection'))
        self.assertEqual(wp.driver('goto', '0:30')[0], 0)
        self.assertTrue(wp.wait_for(lambda: 'Go to time' not in wp.driver('dialogs')[1].splitlines()))
        wp.driver('ctrl', 'c')
        self.assertTrue(wp.wait_for(lambda: wp.driver('clipboard')[1].strip() == '0:30', timeout=10),
                        wp.driver('clipboard'))

        wp.driver('key', 0x70)   # F1
        self.assertTrue(wp.wait_for(lambda: 'Lumetrone keys' in wp.driver('dialogs')[1].splitlines()), 'no keys')
        self.assertEqual(wp.driver('escape', 'Lumetrone keys')[0], 0)
        self.assertTrue(wp.wait_for(lambda: 'Lumetrone keys' not in wp.driver('dialogs')[1].splitlines()))
        self.assertIsNone(wp.message(), 'nothing is said')
        self.exit_player()

    def go_to(self, text):
        wp.driver('ctrl', 'g')
        self.assertTrue(wp.wait_for(lambda: 'Go to time' in wp.driver('dialogs')[1].splitlines()), 'no dialog')
        self.assertEqual(wp.driver('goto', text)[0], 0)

    def keys_at_once_after_going_near_the_end(self, name, length=40):
        """Go to half a second before the end, then a key 0.3 s later, as a user would: the key finds
        the clip at the time typed, however long the dialog takes to go. Left lands 9 s before it and
        is heard at once; p pauses there and the pause holds, the clip neither ended nor started again."""
        # A folder of its own: the clip's end steps to no other clip.
        folder = 'near-the-end-' + name.rsplit('.', 1)[1]
        clip = wp.make_clip(os.path.join(folder, name), length, sound=rising_tone(length, RISE_FROM, RISE))
        title = f'{name} [{"Audio" if name.endswith(".m4a") else "Video"}] '
        recording = Recording()
        try:
            self.start(wp.win_path(clip))
            self.assertTrue(wp.wait_for_title(title, timeout=60), wp.message() or wp.show())
            self.assertTrue(recording.wait_for_sound(), 'the clip is heard')
            self.go_to(f'{length - 0.5}')
            time.sleep(0.3)
            wp.driver('key', VK_LEFT)
            landed = lambda heard: any(length - 11 <= a <= length - 8 for a, _, _, _ in
                                       tone_pieces(heard, RISE_FROM, RISE, length))
            recording.wait_for(landed, 0, 30)
            pieces = tone_pieces(recording.samples(), RISE_FROM, RISE, length)
            said = 'heard (clip from, to, recorded from, to): ' + ', '.join(
                f'({a:.2f}, {b:.2f}, {c:.2f}, {d:.2f})' for a, b, c, d in pieces)
            back = [i for i, piece in enumerate(pieces) if length - 11 <= piece[0] <= length - 8]
            self.assertTrue(back and back[0] > 0, 'heard from 9 s back; ' + said)
            before, after = pieces[back[0] - 1], pieces[back[0]]
            self.assertTrue(length - 9.8 <= after[0] <= length - 9.15, 'Left lands 9 s before the time typed; ' + said)
            self.assertLess(after[2] - before[3], 1.0, 'and is heard at once; ' + said)

            self.go_to(f'{length - 0.5}')
            time.sleep(0.3)
            wp.driver('char', 'p')
            self.assertTrue(wp.wait_for_title(title + '(Paused)', timeout=30), wp.show())
            self.assertIsNone(wp.wait_for(lambda: (wp.show() or {}).get('title') != title + '(Paused)', 3),
                              f'the pause holds: {wp.show()}')
            wp.driver('ctrl', 'c')
            self.assertTrue(wp.wait_for(lambda: wp.driver('clipboard')[1].strip() == f'0:{length - 1}', 10),
                            'paused at the time typed: ' + wp.driver('clipboard')[1])
            self.exit_player()
        finally:
            recording.stop()

    def test_keys_at_once_after_going_near_the_end_of_an_m4a(self):
        self.keys_at_once_after_going_near_the_end('talk.m4a')

    def test_go_to_time_goes_with_its_clip(self):
        clip = wp.make_clip('hearing.mp3', seconds=60)
        self.start(wp.win_path(clip))
        self.hwnd = wp.players()[0]
        self.assertTrue(wp.wait_for_title('hearing.mp3 [Audio] '), wp.show())
        wp.driver('command', IDM_GO_TO_TIME)
        wp.driver('command', IDM_GO_TO_TIME)
        self.assertTrue(wp.wait_for(lambda: 'Go to time' in wp.driver('dialogs')[1].splitlines()), 'no dialog')
        self.assertEqual(wp.driver('dialogs')[1].splitlines().count('Go to time'), 1, 'one dialog at a time')
        wp.driver('command', IDM_CLOSE_CLIP)
        self.assertTrue(wp.wait_for(lambda: 'Go to time' not in wp.driver('dialogs')[1].splitlines()),
                        'the dialog stays over a closed clip')
        wp.driver('goto', '0:30')   # OK, as fast as a user could press it after the close
        self.assertTrue(wp.wait_for_title('Lumetrone'), wp.show())
        self.assertEqual(wp.players(), [self.hwnd], 'the player is still there')
        self.assertIsNone(wp.message(), 'nothing is said')
        self.exit_player()


if __name__ == '__main__':
    unittest.main(verbosity=2)
