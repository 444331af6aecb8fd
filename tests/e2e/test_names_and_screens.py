"""The real exe under Wine with names in any script, and at true sizes on any screen: clips named in
Cyrillic, Japanese and with an emoji play, get their bookmark files and are reopened; each size preset
gives exactly the video's size; the window's own sizes grow with the screen's DPI."""
import os
import subprocess
import tempfile
import time
import unittest

import wine_player as wp

FOLDER = 'записи 会議 🎙'
NAMES = ['Лекция 1.mp3', '会議_録音.mp3', 'talk 🎙.mp3']
VK_UP, VK_DOWN = 0x26, 0x28
DPI_KEY = r'HKCU\Control Panel\Desktop'
PICTURE = (32, 128, 224)   # a blue the status strip does not have


def near(pixel, colour):
    return all(abs(a - b) <= 40 for a, b in zip(pixel, colour))


def title_of(name):
    return name + ' [Audio] '


class NamesAndScreens(wp.PlayerCase):
    def test_clips_named_in_any_script_play_get_their_marks_step_and_reopen(self):
        for name in NAMES:
            wp.make_clip(os.path.join(FOLDER, name))
        folder = os.path.join(wp.CLIPS, FOLDER)
        for leftover in os.listdir(folder):
            if leftover.endswith('.BMS'):
                os.remove(os.path.join(folder, leftover))
        order = [n for n in wp.search(folder, '*.mp3') if n in NAMES] or NAMES
        # The driver prints each name as one word only where it has no blank; the folder's order is
        # the player's, so it is read from the files themselves where the driver splits names.
        if len(order) != len(NAMES):
            order = sorted(NAMES, key=lambda n: [e.name for e in os.scandir(folder)].index(n))
        self.start(wp.win_path(os.path.join(folder, order[0])))
        for step, name in enumerate(order):
            if step:
                wp.driver('key', VK_DOWN)
            self.assertTrue(wp.wait_for_title(title_of(name)), (wp.show() or {}).get('title'))
            wp.driver('char', 'b')
            marks = os.path.join(folder, name[:-3] + 'BMS')
            self.assertTrue(wp.wait_for(lambda: os.path.exists(marks)), marks)
        wp.driver('key', VK_UP)
        self.assertTrue(wp.wait_for_title(title_of(order[1])), (wp.show() or {}).get('title'))
        self.assertIsNone(wp.message(), 'nothing is said')
        self.exit_player()
        self.start()
        self.assertTrue(wp.wait_for_title(title_of(order[1])), 'the last clip, named in any script, is reopened')
        self.exit_player()

    def test_each_preset_gives_the_video_size_exactly(self):
        clip = wp.make_clip('preset 480x272.avi', seconds=20, size='480x272')
        self.start(wp.win_path(clip))
        self.assertTrue(wp.wait_for_title('preset 480x272.avi [Video] '))
        for key, client in (('n', '480x272'), ('h', '240x136'), ('d', '960x544'), ('t', '360x204')):
            if key != 'n':
                wp.driver('char', key)
            self.assertTrue(wp.wait_for(lambda: (wp.show() or {}).get('client') == client, timeout=10),
                            f'{key}: {wp.show()}')
        self.exit_player()

    def test_a_video_as_large_as_the_screen_keeps_its_aspect(self):
        """The window is held to the screen, so its client area is less than the video: the picture
        shows at the video's proportions between black bars rather than squeezed."""
        clip = os.path.join(wp.CLIPS, 'screen 1920x1080.avi')
        if not os.path.exists(clip):
            os.makedirs(wp.CLIPS, exist_ok=True)
            subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', '-f', 'lavfi', '-i',
                            f'color=c=0x{PICTURE[0]:02X}{PICTURE[1]:02X}{PICTURE[2]:02X}:size=1920x1080:rate=25:duration=20',
                            '-c:v', 'mjpeg', '-q:v', '3', clip], check=True)
        self.start(wp.win_path(clip))
        self.assertTrue(wp.wait_for_title('screen 1920x1080.avi [Video] '))
        window = wp.show()
        width, height = (int(v) for v in window['client'].split('x'))
        self.assertLess(height, 1080, f'the window is held to the screen: {window}')
        left, top = (int(v) for v in window['origin'].split(','))
        shown = (min(width, height * 1920 // 1080), min(height, width * 1080 // 1920))
        expected = ((width - shown[0]) // 2, shown[0], (height - shown[1]) // 2)
        with tempfile.TemporaryDirectory() as folder:
            shot = os.path.join(folder, 'shot.png')

            def picture():
                """The left bar and the picture's width along the middle row, the top bar down the middle column."""
                wp.screenshot(shot)
                row = wp.pixel_row(shot, left, top + height // 2, width)
                column = wp.pixel_column(shot, left + width // 2, top, height)
                inside = [x for x, pixel in enumerate(row) if near(pixel, PICTURE)]
                above = next((y for y, pixel in enumerate(column) if near(pixel, PICTURE)), height)
                return (inside[0], len(inside), above) if inside else (width, 0, above)

            def as_expected():
                return all(abs(a - b) <= 2 for a, b in zip(picture(), expected))
            self.assertTrue(wp.wait_for(as_expected, 10), f'{picture()} not {expected} in {width}x{height}')
        self.exit_player()

    def test_idle_window_grows_with_the_screens_dpi(self):
        wp.wine('reg', 'add', DPI_KEY, '/v', 'LogPixels', '/t', 'REG_DWORD', '/d', '144', '/f')
        try:
            self.start()
            self.assertTrue(wp.wait_for(lambda: wp.driver('dialog')[0] == 0), 'the open dialog did not come up')
            self.assertTrue(wp.wait_for(lambda: (wp.show() or {}).get('outer') == '1350x180', timeout=10),
                            wp.show())
            self.assertEqual(wp.driver('close')[0], 0)
            self.assertEqual(wp.finish(self.player), 0)
            self.player = None
        finally:
            wp.wine('reg', 'add', DPI_KEY, '/v', 'LogPixels', '/t', 'REG_DWORD', '/d', '96', '/f')


if __name__ == '__main__':
    unittest.main(verbosity=2)
