"""What the user saved is never lost or carried elsewhere, in the real exe under Wine: the last clip's
place belongs to that clip alone and survives the end of the session; bookmark files held open by
another program, saved by several players at once, or marked read-only; and a file of the bookmark
file's name that is not one (a rhythm game's chart, random bytes) is never written."""
import os
import random
import shutil
import stat
import subprocess
import time
import unittest

import wine_player as wp
from test_hardening import marks, write_marks

VK_DELETE = 0x2E
IDM_OPEN_CLIP = 40001
SECOND = 10000000


class Safekeeping(wp.PlayerCase):
    def folder(self, name, clips=(), seconds=60):
        folder = os.path.join(wp.CLIPS, 'safekeeping', name)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for clip in clips:
            shutil.copy(wp.make_clip(os.path.join('safekeeping-source', clip), seconds), os.path.join(folder, clip))
        return folder

    def play(self, path, title):
        self.start(wp.win_path(path))
        self.assertTrue(wp.wait_for_title(title), wp.show())

    def record(self, folder, name, position, key=wp.REGISTRY_KEY):
        wp.wine('reg', 'add', key, '/v', 'lastpath', '/d', wp.win_path(folder), '/f')
        wp.wine('reg', 'add', key, '/v', 'lastfile', '/d', name, '/f')
        wp.wine('reg', 'add', key, '/v', 'lastposition', '/t', 'REG_QWORD', '/d', str(position), '/f')

    def test_an_earlier_versions_record_for_the_machine_is_reopened_and_kept_for_the_user(self):
        folder = self.folder('machine', ['old.mp3'])
        self.record(folder, 'old.mp3', 0, key=wp.MACHINE_REGISTRY_KEY)
        self.start()
        self.assertTrue(wp.wait_for_title('old.mp3 [Audio] '), wp.show())
        self.exit_player()
        self.assertEqual(wp.last_clip_record().get('lastfile'), 'old.mp3')
        machine = wp.wine('reg', 'query', wp.MACHINE_REGISTRY_KEY, '/v', 'lastfile').stdout
        self.assertIn('old.mp3', machine, 'the machine record is left as it was')

    def test_place_of_a_broken_last_clip_is_not_carried_to_the_next(self):
        folder = self.folder('carried', ['good.mp3'])
        with open(os.path.join(folder, 'broken.mp3'), 'w') as f:
            f.write('not a clip\n')
        self.record(folder, 'broken.mp3', 30 * SECOND)
        self.assertEqual(wp.last_position(), 30 * SECOND)
        self.start()
        self.assertIn('broken.mp3', wp.wait_for(wp.message) or '', 'the broken clip is said')
        self.assertTrue(wp.wait_for_title('Lumetrone'))
        wp.driver('command', IDM_OPEN_CLIP)
        self.assertTrue(wp.wait_for(lambda: 'Open Media File...' in wp.driver('dialogs')[1]))
        self.assertEqual(wp.driver('open', wp.win_path(os.path.join(folder, 'good.mp3')))[0], 0)
        self.assertTrue(wp.wait_for_title('good.mp3 [Audio] '), wp.show())
        wp.driver('char', 'b')
        file = os.path.join(folder, 'good.BMS')
        self.assertTrue(wp.wait_for(lambda: os.path.exists(file), 10))
        self.assertLess(marks(file)[0], 5 * SECOND, 'the good clip starts at its beginning, not at 30 s')
        self.exit_player()

    def test_end_of_the_session_keeps_the_place(self):
        folder = self.folder('session', ['talk.mp3'])
        self.play(os.path.join(folder, 'talk.mp3'), 'talk.mp3 [Audio] ')
        self.assertEqual(wp.last_position(), 0)
        wp.driver('char', '5')
        time.sleep(1)
        wp.wine('wineboot', '--end-session')   # log off: every program is asked to end
        self.assertIsNotNone(wp.finish(self.player), 'the player ended with the session')
        self.player = None
        self.assertAlmostEqual(wp.last_position() / SECOND, 31, delta=3)

    def test_delete_while_another_program_holds_the_file_is_said(self):
        folder = self.folder('held', ['talk.mp3'])
        file = os.path.join(folder, 'talk.BMS')
        write_marks(file, [50 * SECOND, 55 * SECOND])
        self.play(os.path.join(folder, 'talk.mp3'), 'talk.mp3 [Audio] ')
        holder = subprocess.Popen([os.environ['WINE'], wp.exe('lumetrone-driver'), 'hold', wp.win_path(file), '8000'],
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            self.assertEqual(holder.stdout.readline().strip(), 'held')
            wp.driver('key', VK_DELETE)
            text = wp.wait_for(wp.message, 10)
            self.assertIsNotNone(text, 'the failed delete is said')
            self.assertIn('talk.BMS', text)
            self.assertIsNone(wp.message(), 'once')
        finally:
            holder.wait(20)
        self.assertEqual(marks(file), [50 * SECOND, 55 * SECOND])
        wp.driver('key', VK_DELETE)   # with the file free again, the delete is made
        self.assertTrue(wp.wait_for(lambda: marks(file) == [55 * SECOND], 10), marks(file))
        self.exit_player()

    def test_three_players_saving_at_once_lose_no_mark(self):
        folder = self.folder('three', ['talk.mp3'])
        file = os.path.join(folder, 'talk.BMS')
        clip = wp.win_path(os.path.join(folder, 'talk.mp3'))
        others = [wp.start_player(clip) for _ in range(2)]
        try:
            self.start(clip)
            self.assertTrue(wp.wait_for(lambda: len(wp.players()) == 3, 30), wp.players())
            for window in wp.players():
                self.assertTrue(wp.wait_for_title('talk.mp3 [Audio] ', window))
            wp.driver('everyone', 'b', 5)
            self.assertTrue(wp.wait_for(lambda: os.path.exists(file) and len(marks(file)) == 15, 20),
                            os.path.exists(file) and marks(file))
            time.sleep(1)
            self.assertEqual(len(marks(file)), 15)
            self.assertEqual(marks(file), sorted(marks(file)))
            self.assertEqual(sorted(os.listdir(folder)), ['talk.BMS', 'talk.mp3'], 'no file of a save is left')
            self.assertIsNone(wp.message(), 'no save failed')
            for window in wp.players():
                wp.driver('command', wp.IDM_EXIT, window)
            self.assertEqual([wp.finish(p) for p in [self.player] + others], [0, 0, 0])
            self.player = None
        finally:
            for other in others:
                wp.finish(other, 1)

    def test_read_only_bookmark_file_is_left_as_it_is(self):
        folder = self.folder('readonly', ['talk.mp3'])
        file = os.path.join(folder, 'talk.BMS')
        write_marks(file, [50 * SECOND])
        wp.wine('cmd', '/c', 'attrib', '+r', wp.win_path(file))
        self.assertFalse(os.stat(file).st_mode & stat.S_IWUSR, 'attrib +r took')
        self.play(os.path.join(folder, 'talk.mp3'), 'talk.mp3 [Audio] ')
        wp.driver('char', 'b')
        text = wp.wait_for(wp.message, 10)
        self.assertIsNotNone(text, 'the refused save is said')
        self.assertIn('read-only', text)
        self.assertIsNone(wp.message(), 'once')
        self.assertEqual(marks(file), [50 * SECOND])
        self.assertFalse(os.stat(file).st_mode & stat.S_IWUSR, 'still read-only')
        self.exit_player()
        os.chmod(file, 0o644)


    def leaves_a_foreign_file_as_it_is(self, name, content):
        """A file of the bookmark file's name (by Windows' rule of case) that is not one: an add, a delete
        and another add leave it byte for byte, said once."""
        folder = self.folder('foreign-' + name, ['song.mp3'])
        file = os.path.join(folder, 'song.bms')
        with open(file, 'wb') as f:
            f.write(content)
        self.play(os.path.join(folder, 'song.mp3'), 'song.mp3 [Audio] ')
        wp.driver('char', 'b')
        text = wp.wait_for(wp.message, 10)
        self.assertIsNotNone(text, 'the refused add is said')
        self.assertIn(wp.win_path(os.path.join(folder, 'song.BMS')), text)
        self.assertIn('not a bookmark file', text)
        wp.driver('key', VK_DELETE)
        wp.driver('char', 'b')
        self.assertIsNone(wp.wait_for(wp.message, 3), 'said once for the clip')
        self.exit_player()
        with open(file, 'rb') as f:
            self.assertEqual(f.read(), content)
        self.assertEqual(sorted(os.listdir(folder)), ['song.bms', 'song.mp3'])

    def test_a_rhythm_games_chart_of_the_bookmark_files_name_is_left_as_it_is(self):
        self.leaves_a_foreign_file_as_it_is('chart', b'#TITLE song\r\n#ARTIST someone\r\n#BPM 120\r\n#PLAYLEVEL 3\r\n'
                                            b'#WAV01 kick.wav\r\n#WAV02 snare.wav\r\n#00111:01020102\r\n'
                                            b'#00112:00020002\r\n#00211:0101\r\n#00212:0202\r\n')

    def test_random_bytes_of_the_bookmark_files_name_are_left_as_they_are(self):
        self.leaves_a_foreign_file_as_it_is('noise', random.Random(9).randbytes(65536))

if __name__ == '__main__':
    unittest.main(verbosity=2)
