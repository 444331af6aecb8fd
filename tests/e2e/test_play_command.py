"""./play --screenshot on a machine without a screen: the picture shows the demo video in the window."""
import os
import subprocess
import tempfile
import unittest

import wine_player as wp


def unique_colours(picture, crop):
    out = subprocess.run([wp.CONVERT, picture, '-crop', crop, '+repage', '-format', '%k', 'info:'],
                         check=True, capture_output=True, text=True).stdout
    return int(out.strip())


class PlayCommand(unittest.TestCase):
    def test_screenshot_shows_the_demo_video(self):
        env = dict(os.environ)
        env.pop('DISPLAY', None)
        with tempfile.TemporaryDirectory() as folder:
            shot = os.path.join(folder, 'shot.png')
            subprocess.run([os.path.join(wp.ROOT, 'play'), '--screenshot', shot, '--after', '6'],
                           check=True, env=env, timeout=300, stdout=subprocess.DEVNULL)
            # The test pattern's bars and gradient give hundreds of colours; an empty desktop gives one.
            self.assertGreater(unique_colours(shot, '400x300+0+0'), 50)
            self.assertEqual(unique_colours(shot, '600x400+600+350'), 1)
        wp.start_session()
        self.assertEqual(wp.players(), [], 'the player ended after the picture')


if __name__ == '__main__':
    unittest.main(verbosity=2)
