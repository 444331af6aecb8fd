"""The status overlay on a real screen under Wine: the progress bar's played part grows, the volume bar
has the length its level gives, raising the volume in one instance ducks the other's bar, the video
never covers the strip, and the clip's time under the bars moves while the clip plays."""
import os
import tempfile
import time
import unittest

import wine_player as wp

VK_SPACE = 0x20
WHITE, GREEN, ORANGE = (255, 255, 255), (128, 255, 128), (255, 128, 0)
# The bars' fill lies inside a one-pixel outline: a bar to x = right fills right - left - 2 pixels.
VOLUME_FILL = {0: 97 - 7, -1: 93 - 7, -2: 90 - 7}


def bar_row(shot, hwnd):
    """Colour counts of the row through the middle of the overlay's bars, or None if caught blank."""
    window = wp.show(hwnd)
    x, y = (int(v) for v in window['origin'].split(','))
    width = int(window['client'].split('x')[0])
    row = wp.pixel_row(shot, x, y + 25, width)
    counts = {colour: row.count(colour) for colour in (WHITE, GREEN, ORANGE)}
    return counts if counts[WHITE] or counts[GREEN] else None


def time_line(shot, hwnd):
    """The pixels of the strip's time line, the row of text under the bars."""
    window = wp.show(hwnd)
    x, y = (int(v) for v in window['origin'].split(','))
    rows = [wp.pixel_row(shot, x + 5, y + row, 120) for row in range(33, 44)]
    return [pixel for row in rows for pixel in row]


def overlay(hwnd, attempts=8):
    """The overlay's row as a screenshot shows it; the strip is repainted every 100 ms, so sample."""
    with tempfile.TemporaryDirectory() as folder:
        shot = os.path.join(folder, 'shot.png')
        for _ in range(attempts):
            wp.screenshot(shot)
            counts = bar_row(shot, hwnd)
            if counts:
                return counts
            time.sleep(0.15)
    return None


class Overlay(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        wp.start_session()

    def setUp(self):
        wp.forget_last_clip()
        self.players = []

    def tearDown(self):
        for player in self.players:
            wp.finish(player, 1)

    def start(self, name):
        known = set(wp.players())
        self.players.append(wp.start_player(wp.win_path(wp.make_clip(name, seconds=30))))
        hwnd = wp.wait_for(lambda: (set(wp.players()) - known or {None}).pop(), 30)
        self.assertTrue(hwnd, 'no new "WMView" window')
        self.assertTrue(wp.wait_for_title(f'{os.path.basename(name)} [Video] ', hwnd))
        wp.driver('key', VK_SPACE, hwnd)
        return hwnd

    def wait_for_volume(self, hwnd, level):
        return wp.wait_for(lambda: (overlay(hwnd) or {}).get(ORANGE) == VOLUME_FILL[level], 10, 0.1)

    def exit_all(self):
        for hwnd in wp.players():
            wp.driver('command', wp.IDM_EXIT, hwnd)
        for player in self.players:
            self.assertEqual(wp.finish(player), 0)
        self.players = []

    def test_progress_grows_and_volume_bar_follows_the_level(self):
        hwnd = self.start('overlay/one.wmv')
        first = overlay(hwnd)
        self.assertTrue(first, 'the overlay was never seen')
        self.assertGreater(first[WHITE], 0)
        self.assertEqual(first[ORANGE], VOLUME_FILL[0])
        time.sleep(3)
        later = overlay(hwnd)
        self.assertGreater(later[GREEN], first[GREEN], 'the played part grows')
        wp.driver('char', '-', hwnd)
        self.assertTrue(self.wait_for_volume(hwnd, -1), overlay(hwnd))
        self.exit_all()

    def test_raising_the_volume_ducks_the_other_instance_only(self):
        a = self.start('overlay/a.wmv')
        b = self.start('overlay/b.wmv')
        wp.driver('move', 420, 320, b)
        wp.driver('char', '-', a)
        wp.driver('char', '-', a)
        self.assertTrue(self.wait_for_volume(a, -2), overlay(a))
        self.assertTrue(self.wait_for_volume(b, 0), overlay(b))
        wp.driver('char', '+', a)
        self.assertTrue(self.wait_for_volume(a, -1), overlay(a))
        self.assertTrue(self.wait_for_volume(b, -1), 'B ducks one step')
        time.sleep(0.5)
        self.assertEqual(overlay(a)[ORANGE], VOLUME_FILL[-1], 'A never ducks itself')
        wp.driver('char', '+', b)
        self.assertTrue(self.wait_for_volume(b, 0), overlay(b))
        self.assertTrue(self.wait_for_volume(a, -2), 'A ducks one step')
        self.exit_all()

    def test_video_never_covers_the_strip(self):
        hwnd = self.start('overlay/cover.avi')
        time.sleep(1)
        watcher = wp.wine(wp.exe('lumetrone-bench'), 'overlay', hwnd, '3', timeout=30)
        shown, samples = (int(v) for v in watcher.stdout.split()[1:3])
        self.assertGreaterEqual(shown, 0.99 * samples, f'the strip was on screen in {shown} of {samples} samples')
        self.exit_all()

    def test_time_under_the_bars_moves_while_playing(self):
        hwnd = self.start('overlay/time.wmv')
        with tempfile.TemporaryDirectory() as folder:
            shot = os.path.join(folder, 'shot.png')

            def line():
                for _ in range(8):   # a strip caught between erase and paint is black
                    wp.screenshot(shot)
                    pixels = time_line(shot, hwnd)
                    if WHITE in pixels:
                        return pixels
                    time.sleep(0.15)
                return None
            first = line()
            self.assertTrue(first, 'no time under the bars')
            time.sleep(1.5)
            self.assertNotEqual(line(), first, 'the time moves while the clip plays')
            wp.driver('char', 'p', hwnd)
            time.sleep(0.5)
            paused = line()
            time.sleep(1.5)
            self.assertEqual(line(), paused, 'and stands still while it is paused')
        self.exit_all()


if __name__ == '__main__':
    unittest.main(verbosity=2)
