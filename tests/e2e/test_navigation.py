"""Navigation in the real exe under Wine: a folder played through in extension order with the registry
record following it, the bookmark file written beside the clip and read back, and the last clip
reopened where it was left."""
import os
import re
import shutil
import time
import unittest

import wine_player as wp
from test_overlay import overlay, GREEN, WHITE

VK_SPACE, VK_PRIOR, VK_UP, VK_DOWN = 0x20, 0x21, 0x26, 0x28


def read(path):
    with open(path, 'rb') as f:
        return f.read().decode('ascii')


class Navigation(wp.PlayerCase):
    def folder(self, name, files, seconds):
        folder = os.path.join(wp.CLIPS, name)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for file in files:
            shutil.copy(wp.make_clip(os.path.join(name + '-source', file), seconds), folder)
        return folder

    def test_folder_plays_through_in_extension_order_and_wraps(self):
        folder = self.folder('playlist', ['d.mpeg', 'c.avi', 'b.mp3', 'a.wmv'], seconds=2)
        self.start(wp.win_path(os.path.join(folder, 'a.wmv')))
        expected = ['a.wmv [Video] ', 'b.mp3 [Audio] ', 'c.avi [Video] ', 'd.mpeg [Video] ', 'a.wmv [Video] ']
        seen, records = [], []
        end = time.time() + 40
        while len(seen) < len(expected) and time.time() < end:
            title = (wp.show() or {}).get('title')
            if title and title != 'Lumetrone' and (not seen or seen[-1] != title):
                seen.append(title)
                # The record follows once the clip runs, a moment after its title shows.
                name = title.split(' ')[0]
                wp.wait_for(lambda: wp.last_clip_record().get('lastfile') == name, 3)
                records.append(wp.last_clip_record().get('lastfile'))
            time.sleep(0.1)
        self.assertEqual(seen, expected)
        self.assertEqual(records, [t.split(' ')[0] for t in expected])
        self.assertEqual(wp.last_clip_record()['lastpath'], wp.win_path(folder))

        wp.driver('key', VK_DOWN)
        self.assertTrue(wp.wait_for_title('b.mp3 [Audio] '))
        wp.driver('key', VK_UP)
        self.assertTrue(wp.wait_for_title('a.wmv [Video] '))
        wp.driver('key', VK_DOWN)
        self.assertTrue(wp.wait_for_title('b.mp3 [Audio] '))
        self.exit_player()

        self.start()   # no command line: the last clip again
        self.assertTrue(wp.wait_for_title('b.mp3 [Audio] '), wp.show())
        self.assertEqual(wp.driver('dialogs')[1].strip(), '', 'no open dialog')
        self.exit_player()

    def test_the_recordings_of_today_take_their_turn_in_the_folder(self):
        folder = self.folder('today', ['e.ogg', 'd.flac', 'c.mkv', 'b.m4a', 'a.mp3'], seconds=2)
        self.start(wp.win_path(os.path.join(folder, 'a.mp3')))
        for title in ['a.mp3 [Audio] ', 'b.m4a [Audio] ', 'c.mkv [Video] ', 'd.flac [Audio] ', 'e.ogg [Audio] ',
                      'a.mp3 [Audio] ']:
            self.assertTrue(wp.wait_for_title(title, timeout=10), (title, wp.show()))
            wp.driver('key', VK_DOWN)
        self.assertIsNone(wp.message(), 'every one plays')
        self.exit_player()

    def test_bookmark_file_beside_the_clip_is_written_and_read_back(self):
        folder = self.folder('bookmarks', ['talk.wmv'], seconds=30)
        clip = os.path.join(folder, 'talk.wmv')
        marks = os.path.join(folder, 'talk.BMS')
        self.start(wp.win_path(clip))
        self.assertTrue(wp.wait_for_title('talk.wmv [Video] '))
        # Played into, not sought to: Wine 8 cannot stop a video graph after a seek.
        time.sleep(5)
        wp.driver('key', VK_PRIOR)
        self.assertTrue(wp.wait_for(lambda: os.path.exists(marks), 10), 'no bookmark file')
        content = read(marks)
        self.assertRegex(content, r'\A\d+\n0\n\Z')
        first = int(content.split('\n')[0])
        self.assertGreater(first, 30000000)
        self.exit_player()

        self.start(wp.win_path(clip))
        self.assertTrue(wp.wait_for_title('talk.wmv [Video] '))
        wp.driver('key', VK_PRIOR)   # near the start: before the loaded one
        self.assertTrue(wp.wait_for(lambda: read(marks).count('\n') == 4, 10), read(marks))
        low = [int(v) for v in re.findall(r'\d+', read(marks))][0::2]
        self.assertLess(low[0], low[1])
        self.assertEqual(low[1], first)
        self.exit_player()

    def test_last_clip_resumes_where_it_was_left(self):
        folder = self.folder('resume', ['talk.mp3'], seconds=60)
        self.start(wp.win_path(os.path.join(folder, 'talk.mp3')))
        self.assertTrue(wp.wait_for_title('talk.mp3 [Audio] '))
        wp.driver('char', '5')
        time.sleep(1)
        self.exit_player()

        self.start()   # no command line: the last clip, where it was left
        self.assertTrue(wp.wait_for_title('talk.mp3 [Audio] '))
        wp.driver('key', VK_SPACE)
        place = wp.wait_for(lambda: overlay(wp.players()[0]), 10)
        self.assertTrue(place, 'no overlay')
        self.assertAlmostEqual(60 * place[GREEN] / (place[GREEN] + place[WHITE]), 31, delta=3)
        self.exit_player()


if __name__ == '__main__':
    unittest.main(verbosity=2)
