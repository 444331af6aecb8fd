"""Full screen and the keys window on a real screen under Wine: back from full screen the video
shows whole at the window's size, a media key typed in full screen acts as in a window, and the
keys window opens at its top with nothing selected and stays in front of the full-screen video; a
paused picture shows in full screen and back from it."""
import os
import subprocess
import tempfile
import time
import unittest

import wine_player as wp

VK_RETURN, VK_ESCAPE, VK_F1 = 0x0D, 0x1B, 0x70
KEYS = 'Lumetrone keys'
# The test pattern's six colour bars, each 40 pixels wide in a 320-pixel frame.
BARS = [(0, 255, 255), (255, 0, 255), (0, 0, 255), (255, 255, 0), (0, 255, 0), (255, 0, 0)]


def type_x_key(name):
    """Types a key on the X display, as a keyboard does, into whichever window has the focus."""
    subprocess.run(['xdotool', 'key', name], check=True)


def near(pixel, colour):
    return all(abs(a - b) <= 40 for a, b in zip(pixel, colour))


def bar_widths(shot, hwnd):
    """How many pixels of each colour bar a row through the client area's bars shows."""
    window = wp.show(hwnd)
    x, y = (int(v) for v in window['origin'].split(','))
    row = wp.pixel_row(shot, x, y + 60, int(window['client'].split('x')[0]))
    return [sum(1 for pixel in row if near(pixel, colour)) for colour in BARS]


def shows_whole(shot):
    """Takes a screenshot and says whether the window shows the frame's six bars whole at its size."""
    wp.screenshot(shot)
    return all(30 <= width <= 50 for width in bar_widths(shot, None))


def keys_window_shown(shot):
    """Whether the keys window's list shows on the screen: its middle row is mostly white or text."""
    left, top, width, height = (int(v) for v in wp.driver('place', KEYS)[1].split())
    row = wp.pixel_row(shot, left + 20, top + height // 2, width - 60)
    plain = sum(1 for pixel in row if near(pixel, (255, 255, 255)) or near(pixel, (0, 0, 0)))
    return plain >= 0.9 * len(row)


class FullScreen(wp.PlayerCase):
    def open_video(self):
        self.start(wp.win_path(wp.make_clip('full/pattern.avi', seconds=60)))
        self.assertTrue(wp.wait_for_title('pattern.avi [Video] '))
        self.screen = dict(line.split('=', 1) for line in wp.driver('metrics')[1].split())['screen']
        self.window = wp.show()['outer']

    def enter_full_screen(self):
        wp.driver('key', VK_RETURN)
        self.assertTrue(wp.wait_for(lambda: wp.driver('foreground')[1].strip() == self.screen, 10), 'no full screen')

    def leave_full_screen(self):
        wp.driver('key', VK_ESCAPE)
        self.assertTrue(wp.wait_for(lambda: wp.driver('foreground')[1].strip() == self.window, 10),
                        f"still full screen: {wp.driver('foreground')[1].strip()}, not {self.window}")

    def test_video_shows_whole_after_full_screen(self):
        self.open_video()
        with tempfile.TemporaryDirectory() as folder:
            shot = os.path.join(folder, 'shot.png')
            self.assertTrue(wp.wait_for(lambda: shows_whole(shot), 10), f'before full screen: {bar_widths(shot, None)}')
            self.enter_full_screen()
            self.leave_full_screen()
            self.assertTrue(wp.wait_for(lambda: shows_whole(shot), 10), f'a part of the frame, magnified: {bar_widths(shot, None)}')
        self.exit_player()

    def test_the_paused_picture_shows_in_full_screen_and_after_it(self):
        self.open_video()
        width, height = (int(v) for v in self.screen.split('x'))
        with tempfile.TemporaryDirectory() as folder:
            shot = os.path.join(folder, 'shot.png')

            def screen_filled():
                wp.screenshot(shot)
                row = wp.pixel_row(shot, 0, height // 4, width)
                # The bars take an eighth of the screen's width each, with the frame stretched to it.
                return all(width / 12 <= sum(1 for pixel in row if near(pixel, colour)) <= width / 6 for colour in BARS)
            self.assertTrue(wp.wait_for(lambda: shows_whole(shot), 10), 'the video before the pause')
            wp.driver('char', 'p')
            self.assertTrue(wp.wait_for_title('pattern.avi [Video] (Paused)'), wp.show()['title'])
            self.enter_full_screen()
            self.assertTrue(wp.wait_for(screen_filled, 10), 'the paused picture is not seen in full screen')
            self.leave_full_screen()
            self.assertTrue(wp.wait_for(lambda: shows_whole(shot), 10), f'the paused picture back in the window: {bar_widths(shot, None)}')
        self.exit_player()

    def test_media_key_acts_in_full_screen(self):
        self.open_video()
        self.enter_full_screen()
        type_x_key('XF86AudioPlay')
        self.assertTrue(wp.wait_for_title('pattern.avi [Video] (Paused)', timeout=5), wp.show()['title'])
        type_x_key('XF86AudioPlay')
        self.assertTrue(wp.wait_for_title('pattern.avi [Video] ', timeout=5), 'the second press plays again')
        self.leave_full_screen()
        self.exit_player()

    def test_keys_window_opens_at_its_top_and_stays_in_front_of_the_video(self):
        self.open_video()
        wp.driver('key', VK_F1)
        self.assertTrue(wp.wait_for(lambda: wp.driver('selection', 'keys')[0] == 0, 10), 'no keys window')
        start, end, length, top = (int(v) for v in wp.driver('selection', 'keys')[1].split())
        self.assertEqual((start, end, top), (0, 0, 0), 'at its top, nothing selected')
        self.assertGreater(length, 1000)
        with tempfile.TemporaryDirectory() as folder:
            shot = os.path.join(folder, 'shot.png')

            def in_front():
                wp.screenshot(shot)
                return keys_window_shown(shot)
            self.assertTrue(wp.wait_for(in_front, 10), 'the keys window is not seen')
            self.enter_full_screen()
            time.sleep(1)
            self.assertTrue(wp.wait_for(in_front, 5), 'the keys window opened before full screen is behind the video')
            wp.driver('key', VK_F1)
            time.sleep(1)
            self.assertTrue(wp.wait_for(in_front, 5), 'F1 leaves the keys window behind the video')
        self.leave_full_screen()
        self.assertEqual(wp.driver('escape', KEYS)[0], 0)
        self.exit_player()


if __name__ == '__main__':
    unittest.main(verbosity=2)
