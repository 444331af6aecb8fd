"""Export marks in the real exe under Wine: Ctrl+E and the Save dialog write each of the four formats
beside the clip, by the type chosen or the extension typed, with the notes the marks carry, and read
back; an existing file is replaced only after the dialog's own question."""
import os
import re
import shutil
import unittest

import wine_player as wp

CLIP = 'Zeuge_証言.mp3'
TITLE = CLIP + ' [Audio] '
NOTE = 'Der Zeuge, "証言" ändert sich'


def read(path):
    with open(path, 'rb') as f:
        return f.read().decode('utf-8')


class Export(wp.PlayerCase):
    def setUp(self):
        super().setUp()
        self.folder = os.path.join(wp.CLIPS, 'export')
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        shutil.copy(wp.make_clip('export-source/clip.mp3', seconds=6), os.path.join(self.folder, CLIP))
        # Marks at 1.5 s and 3.25 s, as the player writes them.
        with open(os.path.join(self.folder, 'Zeuge_証言.BMS'), 'wb') as f:
            f.write(b'15000000\n0\n32500000\n0\n')
        # The second one has a note, as the player keeps it; the first is exported by its number.
        with open(os.path.join(self.folder, 'Zeuge_証言.marks.txt'), 'wb') as f:
            f.write(f'3.2500000\t3.2500000\t{NOTE}\n'.encode('utf-8'))
        self.start(wp.win_path(os.path.join(self.folder, CLIP)))
        self.assertTrue(wp.wait_for_title(TITLE), wp.show())

    def export(self, name, type_index):
        """Ctrl+E, then the dialog filled in; the name the dialog offered."""
        wp.driver('ctrl', 'e')
        self.assertTrue(wp.wait_for(lambda: 'Export marks' in wp.driver('dialogs')[1].splitlines()), 'no Save dialog')
        code, offered = wp.driver('save', 'Export marks', name, type_index)
        self.assertEqual(code, 0)
        return offered.strip()

    def exported(self, name):
        path = os.path.join(self.folder, name)
        self.assertTrue(wp.wait_for(lambda: os.path.exists(path) and os.path.getsize(path) > 0),
                        f'{name} was not written; the folder holds {os.listdir(self.folder)}')
        return read(path)

    def last_end(self, text, pattern):
        """The last cue's end, in seconds: the clip's end, as the engine gives its duration."""
        end = float(re.findall(pattern, text)[-1])
        self.assertGreater(end, 5.9)
        self.assertLess(end, 6.2)

    def test_each_format_is_written_and_reads_back(self):
        # SubRip by the type chosen, on the name offered: the clip's less its extension, beside it.
        self.assertEqual(self.export('-', 1), 'Zeuge_証言')
        srt = self.exported('Zeuge_証言.srt')
        self.assertTrue(srt.startswith('1\r\n00:00:01,500 --> 00:00:03,250\r\nMark 1\r\n\r\n'
                                       '2\r\n00:00:03,250 --> 00:00:0'), srt)
        self.last_end(srt.replace(',', '.'), r'--> 00:00:(\d+\.\d{3})\r\n' + re.escape(NOTE.replace(',', '.')) + r'\r\n\r\n$')

        # WebVTT by the extension typed, with SubRip the type chosen.
        self.export(wp.win_path(os.path.join(self.folder, 'cues.vtt')), 1)
        vtt = self.exported('cues.vtt')
        self.assertTrue(vtt.startswith('WEBVTT\n\n1\n00:00:01.500 --> 00:00:03.250\nMark 1\n\n2\n00:00:03.250 --> '), vtt)
        self.last_end(vtt, r'--> 00:00:(\d+\.\d{3})\n' + re.escape(NOTE) + r'\n$')

        # Audacity labels by the type chosen, the name typed without an extension.
        self.export(wp.win_path(os.path.join(self.folder, 'labels')), 3)
        labels = self.exported('labels.txt')
        lines = labels.split('\n')
        self.assertEqual(lines[0], '1.5000000\t3.2500000\tMark 1')
        start, end, text = lines[1].split('\t')
        self.assertEqual((start, text, lines[2:]), ('3.2500000', NOTE, ['']))
        self.assertRegex(end, r'^\d+\.\d{7}$')
        self.last_end(end, r'(.+)')

        # CSV by the type chosen, with its byte-order mark.
        self.export(wp.win_path(os.path.join(self.folder, 'table')), 4)
        csv = self.exported('table.csv')
        self.assertTrue(csv.startswith('\ufeffNumber,Seconds,Time,Note\r\n1,1.500,0:00:01.500,Mark 1\r\n'
                                       '2,3.250,0:00:03.250,"Der Zeuge, ""証言"" ändert sich"\r\n'), csv)
        self.assertEqual(sorted(os.listdir(self.folder)),
                         sorted([CLIP, 'Zeuge_証言.BMS', 'Zeuge_証言.marks.txt', 'Zeuge_証言.srt', 'cues.vtt', 'labels.txt', 'table.csv']),
                         'no file of a write is left')
        self.exit_player()

    def test_an_existing_file_is_replaced_only_after_the_dialogs_question(self):
        existing = os.path.join(self.folder, 'Zeuge_証言.srt')
        with open(existing, 'w') as f:
            f.write('the transcriber\'s own\n')
        self.export('-', 1)
        question = wp.wait_for(lambda: wp.driver('question', 'no')[1].strip())
        self.assertIn('replace', question or '', 'the dialog asks before replacing')
        self.assertEqual(read(existing), 'the transcriber\'s own\n')
        # The dialog stays after No; its name is sent again, and Yes replaces the file.
        self.assertTrue(wp.wait_for(lambda: wp.driver('save', 'Export marks', '-', 1)[0] == 0), 'the dialog stays')
        self.assertTrue(wp.wait_for(lambda: wp.driver('question', 'yes')[1].strip()))
        self.assertTrue(wp.wait_for(lambda: read(existing).startswith('1\r\n00:00:01,500 --> 00:00:03,250\r\n')),
                        read(existing))
        self.exit_player()


if __name__ == '__main__':
    unittest.main()
