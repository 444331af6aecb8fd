"""The jumps to words on the real exe under Wine, on a clip of espeak-ng phrases with pauses of 2 s and
0.3 s between them: Ctrl+Right, typed on the X display, lands 0.2 s before each phrase that follows a
pause of 2 s (and the first), passes over those after 0.3 s, and stays after the last; Ctrl+Left goes
back the same way, and to the start at last; Control's Next words does as Ctrl+Right, and with
Control from other programs on, Ctrl+F8 and Ctrl+F7 as Ctrl+Right and Ctrl+Left. The clip is
paused, and each landing is read from a mark added there (`b`), to the 100 ns."""
import array
import collections
import os
import subprocess
import tempfile
import unittest
import wave

import wine_player as wp
from test_hardening import marks

SECOND = 10000000
RATE = 22050                 # espeak-ng's own
PHRASES = ['the first phrase starts here', 'a second one comes after two seconds', 'and a third close behind it',
           'then a fourth after a long pause', 'and the last one close behind']
PAUSES = [2.0, 0.3, 2.0, 0.3]   # after each phrase but the last
LEAD, TAIL = 1.0, 1.5
IDM_NEXT_WORDS = 40070
IDM_GLOBAL_KEYS = 40018
EARLY = 0.2                  # the jump lands this long before the words
NEAR = 0.06                  # a block of 10 ms, and a phrase's first sounds under the level (20 ms in "then")


def speech(text):
    """espeak-ng's samples of the text, with its own silence cut from both ends."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, 'phrase.wav')
        subprocess.run(['espeak-ng', '-w', path, text], check=True)
        with wave.open(path) as f:
            assert (f.getframerate(), f.getnchannels(), f.getsampwidth()) == (RATE, 1, 2)
            samples = array.array('h', f.readframes(f.getnframes()))
    # Above -50 dBFS: sound well over the player's floor of -60 dBFS, so that the start found here
    # is the one it finds.
    loud = [i for i, sample in enumerate(samples) if abs(sample) > 100]
    return samples[loud[0]:loud[-1] + 1]


def silence(seconds):
    return array.array('h', bytes(2 * round(seconds * RATE)))


def words_clip():
    """A WAV of the phrases with true silence between, and the second at which each phrase starts."""
    samples, starts = silence(LEAD), []
    for i, text in enumerate(PHRASES):
        if i:
            samples.extend(silence(PAUSES[i - 1]))
        starts.append(len(samples) / RATE)
        samples.extend(speech(text))
    samples.extend(silence(TAIL))
    path = os.path.join(wp.CLIPS, 'words', 'words.wav')
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with wave.open(path, 'wb') as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(samples.tobytes())
    return path, starts


class Words(wp.PlayerCase):
    def type_keys(self, keys):
        """Typed on the X display into the player, which has the focus, as a keyboard types them."""
        subprocess.run(['xdotool', 'key', keys], check=True)

    def mark_here(self):
        """The place, in seconds, of a mark added at the current place."""
        before = marks(self.marks) if os.path.exists(self.marks) else []
        wp.driver('char', 'b')
        added = lambda: (os.path.exists(self.marks) and
                         list((collections.Counter(marks(self.marks)) - collections.Counter(before)).elements()))
        new = wp.wait_for(added, 10, 0.1)
        self.assertTrue(new, 'b added no mark')
        return new[0] / SECOND

    def assertLandsAt(self, keys, seconds):
        if isinstance(keys, int):
            wp.driver('command', keys)
        else:
            self.type_keys(keys)
        place = self.mark_here()
        self.assertAlmostEqual(place, seconds, delta=NEAR, msg=f'{keys}: at {place:.3f} s, not {seconds:.3f} s')

    def test_ctrl_right_lands_before_the_phrases_after_long_pauses_and_ctrl_left_goes_back(self):
        path, starts = words_clip()
        self.marks = os.path.splitext(path)[0] + '.BMS'
        if os.path.exists(self.marks):
            os.remove(self.marks)
        self.start(wp.win_path(path))
        self.assertTrue(wp.wait_for_title('words.wav [Audio] '), wp.show())
        wp.driver('char', 'p')
        self.assertTrue(wp.wait_for_title('words.wav [Audio] (Paused)', timeout=10), wp.show())
        window = subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', 'words.wav'], capture_output=True,
                                text=True).stdout.split()
        self.assertTrue(window, 'the player has no X window')
        subprocess.run(['xdotool', 'windowfocus', '--sync', window[0]], timeout=10, check=True)
        wp.driver('char', '0')
        self.assertEqual(self.mark_here(), 0, 'paused at the start')

        # The third and the fifth phrase come 0.3 s after the one before: no new words.
        words = [starts[0] - EARLY, starts[1] - EARLY, starts[3] - EARLY]
        for landing in words:
            self.assertLandsAt('ctrl+Right', landing)
        # No words after the last: the place stays, and the jump back goes from there.
        self.type_keys('ctrl+Right')
        self.assertLandsAt('ctrl+Left', words[1])
        self.assertLandsAt('ctrl+Left', words[0])
        self.assertLandsAt('ctrl+Left', 0)
        self.assertLandsAt(IDM_NEXT_WORDS, words[0])
        wp.driver('command', IDM_GLOBAL_KEYS)
        self.assertTrue(wp.wait_for(lambda: '0x1' in wp.wine('reg', 'query', wp.REGISTRY_KEY, '/v', 'globalkeys').stdout,
                                    10), 'the mode is on')
        self.assertLandsAt('ctrl+F8', words[1])
        self.assertLandsAt('ctrl+F7', words[0])
        self.assertTrue(wp.wait_for_title('words.wav [Audio] (Paused)', timeout=10), 'still paused')
        self.assertIsNone(wp.message(), 'nothing is said')
        self.exit_player()


if __name__ == '__main__':
    unittest.main()
