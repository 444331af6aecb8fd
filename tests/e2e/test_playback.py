"""A clip plays in the real exe under Wine: native size, pause mark, size presets, close to idle,
audio-only clips and the Exit command."""
import unittest

import wine_player as wp

VK_F12 = 0x7B


class Playback(wp.PlayerCase):
    def open(self, path):
        self.start(wp.win_path(path))

    def wait_outer(self, size):
        return wp.wait_for(lambda: (wp.show() or {}).get('outer') == size, 10)

    def wait_client(self, size):
        return wp.wait_for(lambda: (wp.show() or {}).get('client') == size, 10)

    def wait_half_size(self):
        """160 x 120: the height exactly, the width held to the minimum tracking width of 200."""
        return wp.wait_for(lambda: (wp.show() or {}).get('outer', '').startswith('200x') and
                           wp.show()['client'].endswith('x120'), 10)

    def test_video_clip_sizes_pause_and_close(self):
        self.open(wp.make_clip('talk.wmv', seconds=30))
        self.assertTrue(wp.wait_for_title('talk.wmv [Video] '), wp.show())
        self.assertTrue(self.wait_client('320x240'), wp.show())
        self.assertEqual(wp.show()['visible'], '1')

        wp.driver('char', 'p')
        self.assertTrue(wp.wait_for_title('talk.wmv [Video] (Paused)'), wp.show())
        wp.driver('char', 'p')
        self.assertTrue(wp.wait_for_title('talk.wmv [Video] '), wp.show())

        wp.driver('char', 'h')
        self.assertTrue(self.wait_half_size(), wp.show())
        wp.driver('char', 'd')
        self.assertTrue(self.wait_client('640x480'), wp.show())
        wp.driver('char', 'h')
        self.assertTrue(self.wait_half_size(), 'presets size from the native size')

        wp.driver('key', VK_F12)
        self.assertTrue(wp.wait_for_title('Lumetrone'), wp.show())
        self.assertTrue(self.wait_outer('900x120'), wp.show())
        self.exit_player()

    def test_audio_clip_opens_at_the_idle_size(self):
        self.open(wp.make_clip('song.mp3', seconds=30))
        self.assertTrue(wp.wait_for_title('song.mp3 [Audio] '), wp.show())
        self.assertEqual(wp.show()['outer'], '900x120')
        self.exit_player()


if __name__ == '__main__':
    unittest.main(verbosity=2)
