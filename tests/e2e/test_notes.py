"""Notes on marks in the real exe under Wine: `e` adds a mark and opens the note box with the
keyboard focus, the note typed there (in any script, with keys that are also the player's) and Enter
leave a notes file beside the clip in Audacity's label format, at the mark's place."""
import os
import re
import shutil
import unittest

import wine_player as wp

VK_RETURN = 0x0D


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
        self.exit_player()


if __name__ == '__main__':
    unittest.main()
