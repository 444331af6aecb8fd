"""Hostile but ordinary inputs in the real exe under Wine: long and shared bookmark files, clips without
an extension, places outside the clip, a large folder, names in another letter case, a relative path,
a file that is not media, and a last-clip record that cannot be used."""
import os
import re
import shutil
import time
import unittest

import wine_player as wp

VK_PRIOR, VK_NEXT, VK_LEFT, VK_UP, VK_DOWN = 0x21, 0x22, 0x25, 0x26, 0x28
SECOND = 10000000


def marks(path):
    """The bookmarks a file holds, as 64-bit values."""
    with open(path, 'rb') as f:
        values = [int(v) for v in re.findall(rb'\d+', f.read())]
    return [(high << 32 | low) - ((high >> 31) << 64) for low, high in zip(values[0::2], values[1::2])]


def write_marks(path, values):
    with open(path, 'w', newline='\n') as f:
        f.writelines(f'{v & 0xFFFFFFFF}\n{(v >> 32) & 0xFFFFFFFF}\n' for v in values)


class Hardening(wp.PlayerCase):
    def folder(self, name, files=(), seconds=20):
        """A fresh folder holding copies of ffmpeg-made clips under the given names."""
        folder = os.path.join(wp.CLIPS, 'hardening', name)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for source, target in files:
            shutil.copy(wp.make_clip(os.path.join('hardening-source', source), seconds), os.path.join(folder, target))
        return folder

    def play(self, path, title, cwd=None):
        self.start(path, cwd=cwd)
        self.assertTrue(wp.wait_for_title(title), wp.show())

    def test_long_bookmark_file_keeps_every_mark(self):
        folder = self.folder('long', [('song.mp3', 'song.mp3')])
        file = os.path.join(folder, 'song.BMS')
        old = [i * SECOND // 10 for i in range(1, 151)]
        write_marks(file, old)
        self.play(wp.win_path(os.path.join(folder, 'song.mp3')), 'song.mp3 [Audio] ')
        wp.driver('key', VK_PRIOR)
        self.assertTrue(wp.wait_for(lambda: len(marks(file)) == 151, 10), len(marks(file)))
        self.assertEqual(sorted(set(marks(file)) & set(old)), old)
        self.exit_player()

    def test_two_instances_on_one_clip_keep_both_marks(self):
        folder = self.folder('shared', [('song.mp3', 'song.mp3')])
        file = os.path.join(folder, 'song.BMS')
        clip = wp.win_path(os.path.join(folder, 'song.mp3'))
        self.play(clip, 'song.mp3 [Audio] ')
        second = wp.start_player(clip)
        try:
            self.assertTrue(wp.wait_for(lambda: len(wp.players()) == 2), wp.players())
            first_window, second_window = wp.players()
            self.assertTrue(wp.wait_for_title('song.mp3 [Audio] ', second_window))
            wp.driver('key', VK_PRIOR, first_window)
            self.assertTrue(wp.wait_for(lambda: os.path.exists(file) and len(marks(file)) == 1, 10))
            time.sleep(0.5)
            wp.driver('key', VK_PRIOR, second_window)
            self.assertTrue(wp.wait_for(lambda: len(marks(file)) == 2, 10), marks(file))
            for window in (first_window, second_window):
                wp.driver('command', wp.IDM_EXIT, window)
            self.assertEqual((wp.finish(self.player), wp.finish(second)), (0, 0))
            self.player = None
        finally:
            wp.finish(second, 1)

    def test_clip_without_extension_keeps_its_marks_beside_it(self):
        folder = self.folder(os.path.join('folder', 'p2'), [('song.mp3', 'ab')])
        self.play(wp.win_path(os.path.join(folder, 'ab')), 'ab [Audio] ')
        wp.driver('key', VK_PRIOR)
        self.assertTrue(wp.wait_for(lambda: os.path.exists(os.path.join(folder, 'ab.BMS')), 10), os.listdir(folder))
        self.exit_player()
        self.assertEqual(sorted(os.listdir(os.path.dirname(folder))), ['p2'], 'nothing in the parent folder')

    def test_marks_outside_the_clip_are_held_at_its_ends(self):
        folder = self.folder('ends', [('song.mp3', 'song.mp3')])
        file = os.path.join(folder, 'song.BMS')
        self.play(wp.win_path(os.path.join(folder, 'song.mp3')), 'song.mp3 [Audio] ')
        wp.driver('char', 'p')
        self.assertTrue(wp.wait_for_title('song.mp3 [Audio] (Paused)'))
        wp.driver('key', VK_LEFT)
        wp.driver('char', 'b')
        self.assertTrue(wp.wait_for(lambda: os.path.exists(file) and len(marks(file)) == 1, 10))
        wp.driver('key', VK_NEXT)
        wp.driver('char', 'b')
        self.assertTrue(wp.wait_for(lambda: len(marks(file)) == 2, 10))
        start, end = marks(file)
        self.assertEqual(start, 0)
        self.assertGreater(end, 19 * SECOND)
        self.assertLessEqual(end, 21 * SECOND, 'no mark past the end of a 20 s clip')
        self.exit_player()

    def test_every_file_of_a_large_folder_is_reachable(self):
        folder = self.folder('large')
        # Links to one clip long enough that no entry ends and moves on while the test looks.
        song = wp.make_clip(os.path.join('hardening-source', 'song.mp3'), 20)
        for i in range(1500):
            os.link(song, os.path.join(folder, f'{i:04}.mp3'))
        order = wp.search(folder, '*.mp3')
        self.assertEqual(len(order), 1500)
        self.play(wp.win_path(os.path.join(folder, order[1200])), f'{order[1200]} [Audio] ')
        wp.driver('key', VK_DOWN)
        self.assertTrue(wp.wait_for_title(f'{order[1201]} [Audio] '), wp.show())
        wp.driver('key', VK_UP)
        self.assertTrue(wp.wait_for_title(f'{order[1200]} [Audio] '), wp.show())
        self.exit_player()

    def test_name_in_another_letter_case_is_its_own_entry(self):
        folder = self.folder('case', [('song.mp3', n) for n in ('a.mp3', 'b.mp3', 'c.mp3', 'd.mp3')])
        order = wp.search(folder, '*.mp3')
        following = order[(order.index('c.mp3') + 1) % len(order)]
        self.play(wp.win_path(os.path.join(folder, 'C.MP3')), 'C.MP3 [Audio] ')
        wp.driver('key', VK_DOWN)
        self.assertTrue(wp.wait_for_title(f'{following} [Audio] '), (order, wp.show()))
        self.exit_player()

    def test_relative_path_plays_with_its_folder(self):
        folder = self.folder('relative', [('song.mp3', n) for n in ('a.mp3', 'b.mp3')])
        order = wp.search(folder, '*.mp3')
        self.play('b.mp3', 'b.mp3 [Audio] ', cwd=folder)
        self.assertEqual(wp.last_clip_record(), {'lastpath': wp.win_path(folder), 'lastfile': 'b.mp3'})
        wp.driver('key', VK_DOWN)
        self.assertTrue(wp.wait_for_title(f'{order[(order.index("b.mp3") + 1) % 2]} [Audio] '), wp.show())
        self.exit_player()

    def test_file_that_is_not_media_is_said_and_not_remembered(self):
        folder = self.folder('broken')
        path = os.path.join(folder, 'notes.avi')
        with open(path, 'w') as f:
            f.write('these are notes, not a clip\n')
        self.start(wp.win_path(path))
        text = wp.wait_for(wp.message)
        self.assertIsNotNone(text, 'no message box')
        self.assertIn(wp.win_path(path), text)
        self.assertRegex(text, r'error 0x[0-9a-f]{8}')
        window = wp.wait_for(lambda: (wp.show() or {}).get('visible') == '1' and wp.show())
        self.assertEqual((window['title'], window['outer']), ('Lumetrone', '900x120'))
        self.assertIsNone(wp.message(), 'one message only')
        self.exit_player()
        self.assertEqual(wp.last_clip_record(), {})

    def test_unusable_last_clip_record_offers_the_open_dialog(self):
        for what, folder, name in (('gone', r'Z:\nowhere', 'talk.wmv'), ('garbage', 'C:\\con\\<>?', '')):
            wp.wine('reg', 'add', wp.REGISTRY_KEY, '/v', 'lastpath', '/d', folder, '/f')
            if name:
                wp.wine('reg', 'add', wp.REGISTRY_KEY, '/v', 'lastfile', '/d', name, '/f')
            record = wp.last_clip_record()
            self.start()
            self.assertTrue(wp.wait_for(lambda: 'Open Media File...' in wp.driver('dialogs')[1]), what)
            wp.driver('dialog')
            self.assertTrue(wp.wait_for(lambda: 'Open Media File...' not in wp.driver('dialogs')[1]), what)
            self.exit_player()
            self.assertEqual(wp.last_clip_record(), record, what)
            wp.forget_last_clip()


if __name__ == '__main__':
    unittest.main(verbosity=2)
