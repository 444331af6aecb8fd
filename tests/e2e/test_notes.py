"""Notes on marks in the real exe under Wine: `e` adds a mark and opens the note box with the
keyboard focus, the note typed there (in any script, with keys that are also the player's) and Enter
leave a notes file beside the clip in Audacity's label format, at the mark's place; the list of marks
shows the note, edits it with F2, and its Delete takes the note with the mark."""
import os
import re
import shutil
import unittest

import wine_player as wp

VK_RETURN, VK_DELETE, VK_F2 = 0x0D, 0x2E, 0x71


class Notes(wp.PlayerCase):
    def copied_time(self):
        """The place as Ctrl+C copies it, 'm:ss'."""
        wp.driver('ctrl', 'c')
        return wp.driver('clipboard')[1].strip()

    def test_note_typed_after_e_is_kept_in_audacitys_label_format(self):
        folder = os.path.join(wp.CLIPS, 'notes')
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        clip = shutil.copy(wp.make_clip(os.path.join('notes-source', 'talk.mp3'), 20), folder)
        marks, notes = os.path.join(folder, 'talk.BMS'), os.path.join(folder, 'talk.marks.txt')
        self.start(wp.win_path(clip))
        self.assertTrue(wp.wait_for_title('talk.mp3 [Audio] '))
        self.assertTrue(wp.wait_for(lambda: self.copied_time() >= '0:02', 15), 'the clip does not play on')
        wp.driver('char', 'e')
        self.assertTrue(wp.wait_for(lambda: wp.driver('focus')[1].strip() == 'Edit', 10),
                        'the note box has no focus: ' + wp.driver('focus')[1])
        self.assertTrue(os.path.exists(marks), 'e adds the mark at once')
        self.assertFalse(os.path.exists(notes), 'no note yet, no notes file')
        # p, s and the digits are the player's keys; in the box they are text.
        text = 'Q3 starts: p s 5 — свидетель, 証人'
        self.assertEqual(wp.driver('type', text.encode('utf-8').hex())[0], 0)
        wp.driver('focuskey', VK_RETURN)
        self.assertTrue(wp.wait_for(lambda: os.path.exists(notes), 10), 'no notes file')
        self.assertTrue(wp.wait_for(lambda: wp.driver('focus')[1].strip() == 'WMView', 10), 'the keys are not back')
        self.assertEqual(wp.show()['title'], 'talk.mp3 [Audio] ', 'a key typed into the box ran a command')

        with open(notes, 'rb') as f:
            content = f.read().decode('utf-8')
        line = re.fullmatch(r'(\d+)\.(\d{7})\t\1\.\2\t(.*)\n', content)
        self.assertIsNotNone(line, repr(content))
        with open(marks) as f:
            low, high = (int(v) for v in f.read().split())
        place = high << 32 | low
        self.assertEqual(int(line.group(1)) * 10000000 + int(line.group(2)), place, 'the note sits at its mark')
        self.assertGreater(place, 0)
        self.assertEqual(line.group(3), text)

        wp.driver('char', 'l')
        self.assertTrue(wp.wait_for(lambda: self.list_rows() == [f'1\t{self.shown(place)}\t{text}']),
                        self.list_rows())
        wp.driver('key', VK_F2, self.list_box())
        self.assertTrue(wp.wait_for(lambda: wp.driver('focus')[1].strip() == 'Edit', 10), 'F2 opens no note box')
        wp.driver('type', ' (Q4)'.encode('utf-8').hex())
        wp.driver('focuskey', VK_RETURN)
        edited = f'{line.group(1)}.{line.group(2)}\t{line.group(1)}.{line.group(2)}\t{text} (Q4)\n'
        self.assertTrue(wp.wait_for(lambda: read(notes) == edited), read(notes))
        self.assertTrue(wp.wait_for(lambda: self.list_rows() == [f'1\t{self.shown(place)}\t{text} (Q4)']),
                        self.list_rows())
        wp.driver('key', VK_DELETE, self.list_box())
        self.assertTrue(wp.wait_for(lambda: read(marks) == '' and read(notes) == ''), (read(marks), read(notes)))
        self.exit_player()

    @staticmethod
    def shown(place):
        seconds = place // 10000000
        return f'{seconds // 60}:{seconds % 60:02d}'

    @staticmethod
    def list_box():
        return wp.driver('marks')[1].split()[1]

    @staticmethod
    def list_rows():
        code, out = wp.driver('marks')
        return out.replace('\r', '').split('\n')[1:-1] if code == 0 else None


def read(path):
    with open(path, 'rb') as f:
        return f.read().decode('utf-8')


if __name__ == '__main__':
    unittest.main()
