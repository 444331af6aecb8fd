"""The real exe under Wine, as someone transcribing a recording uses it: the media keys pause and
play, Ctrl+G goes to a time typed from notes, Ctrl+C takes the time into notes, F1 lists the keys."""
import unittest

import wine_player as wp

APPCOMMAND_MEDIA_PLAY_PAUSE = 14
IDM_CLOSE_CLIP = 40005
IDM_GO_TO_TIME = 40016


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
