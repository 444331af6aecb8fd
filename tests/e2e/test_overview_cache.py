"""The overviews' cache in the real exe under Wine: a clip's overview, once whole, is kept in the
user's local application data with a header that names the clip; a second run of the player reads
it (the file is used, not written again); a damaged file is replaced by a good one; and each write
holds the folder to 200 MiB, the least recently used going first, other files left as they are."""
import glob
import os
import shutil
import struct
import unittest

import wine_player as wp

HEADER = struct.Struct('<8sIIIIQQ')   # magic, version, block time, blocks, path units, clip size, clip time
UNIX_EPOCH_AS_FILETIME = 116444736000000000


def cache_folder():
    """The prefix's %LOCALAPPDATA%\\Lumetrone\\overviews, whoever its user is."""
    users = glob.glob(os.path.join(os.environ['WINEPREFIX'], 'drive_c', 'users', '*', 'AppData', 'Local'))
    users = [u for u in users if os.path.basename(os.path.dirname(os.path.dirname(u))) != 'Public']
    return os.path.join(users[0], 'Lumetrone', 'overviews')


def cache_files():
    return sorted(glob.glob(os.path.join(cache_folder(), '*.lov')))


def read_cache(path):
    """The header's fields, the path it names and the block count the length holds; None if not whole."""
    with open(path, 'rb') as f:
        content = f.read()
    if len(content) < HEADER.size:
        return None
    magic, version, block_time, blocks, units, size, written = HEADER.unpack_from(content)
    named = content[HEADER.size:HEADER.size + 2 * units].decode('utf-16-le', errors='replace')
    held = (len(content) - HEADER.size - 2 * units) / 2
    return dict(magic=magic, version=version, block_time=block_time, blocks=blocks, size=size,
                written=written, path=named, held=held)


def good_for(path, clip):
    """Whether the cache file is whole and made for the clip as it is on disk now."""
    header = read_cache(path)
    stat = os.stat(clip)
    return (header is not None and header['magic'] == b'LMOVERVW' and header['version'] == 1 and
            header['block_time'] == 100000 and header['held'] == header['blocks'] and
            header['path'] == wp.win_path(clip) and header['size'] == stat.st_size and
            header['written'] == stat.st_mtime_ns // 100 + UNIX_EPOCH_AS_FILETIME)


class OverviewCache(wp.PlayerCase):
    def setUp(self):
        super().setUp()
        shutil.rmtree(os.path.dirname(cache_folder()), ignore_errors=True)

    def clip(self, name, seconds=6):
        """A fresh copy of a clip of steady tone, alone in a folder of its own."""
        folder = os.path.join(wp.CLIPS, 'overview-cache', os.path.splitext(name)[0])
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        return shutil.copy(wp.make_clip(os.path.join('overview-cache-source', 'tone.m4a'), seconds),
                           os.path.join(folder, name))

    def play_until_cached(self, clip, condition):
        """Runs the player on the clip until condition() holds, then ends it; condition's value."""
        self.start(wp.win_path(clip))
        value = wp.wait_for(condition, 60)
        self.exit_player()
        return value

    def test_second_open_reads_the_kept_overview_and_writes_nothing(self):
        clip = self.clip('talk.m4a')
        kept = self.play_until_cached(clip, lambda: cache_files())
        self.assertTrue(kept, 'no overview kept under ' + cache_folder())
        self.assertEqual(len(kept), 1, kept)
        self.assertTrue(good_for(kept[0], clip), read_cache(kept[0]))
        blocks = read_cache(kept[0])['blocks']
        self.assertTrue(550 <= blocks <= 650, f'{blocks} blocks of 10 ms for a clip of 6 s')
        self.assertEqual(os.listdir(os.path.dirname(clip)), ['talk.m4a'], 'nothing is written beside the clip')
        with open(kept[0], 'rb') as f:
            content = f.read()
        before = os.stat(kept[0])

        # The read marks it used: its time moves, and it is the same file with the same bytes.
        used = self.play_until_cached(clip, lambda: os.stat(kept[0]).st_mtime_ns > before.st_mtime_ns)
        self.assertTrue(used, 'the second open did not use the kept overview')
        after = os.stat(kept[0])
        self.assertEqual(after.st_ino, before.st_ino, 'the kept overview was written again')
        with open(kept[0], 'rb') as f:
            self.assertEqual(f.read(), content)
        self.assertEqual(cache_files(), kept)
        self.assertEqual(os.listdir(cache_folder()), [os.path.basename(kept[0])], 'a fresh file was left behind')

    def test_damaged_file_is_replaced_by_a_good_one(self):
        clip = self.clip('damaged.m4a')
        kept = self.play_until_cached(clip, lambda: cache_files())
        self.assertTrue(kept, 'no overview kept')
        with open(kept[0], 'rb') as f:
            good = f.read()
        damages = {
            'cut short': good[:-1],
            "another program's": b'XXXXXXXX' + good[8:],
            'a block too many': good + b'\x00\x00',
        }
        for what, damaged in damages.items():
            with open(kept[0], 'wb') as f:
                f.write(damaged)
            inode = os.stat(kept[0]).st_ino
            replaced = self.play_until_cached(
                clip, lambda: os.stat(kept[0]).st_ino != inode and good_for(kept[0], clip))
            self.assertTrue(replaced, f'{what}: not replaced, {read_cache(kept[0])}')
            with open(kept[0], 'rb') as f:
                self.assertEqual(len(f.read()), len(good), what)

    def test_writes_hold_the_folder_to_200_mib_and_leave_other_files(self):
        folder = cache_folder()
        os.makedirs(folder)
        # Sparse: the sizes a search reports, without the disk they would take.
        old, other, notes = (os.path.join(folder, n) for n in ('0000000000000000.lov', 'x.lovely', 'notes.txt'))
        for path, size in ((old, 200 * 1024 * 1024), (other, 300 * 1024 * 1024), (notes, 5)):
            with open(path, 'wb') as f:
                f.truncate(size)
            os.utime(path, (1500000000, 1500000000))
        clip = self.clip('bound.m4a')
        gone = self.play_until_cached(clip, lambda: not os.path.exists(old) and len(cache_files()) == 1)
        self.assertTrue(gone, f'the oldest file stayed: {sorted(os.listdir(folder))}')
        self.assertTrue(good_for(cache_files()[0], clip))
        self.assertEqual(os.path.getsize(other), 300 * 1024 * 1024)
        self.assertEqual(os.path.getsize(notes), 5)


if __name__ == '__main__':
    unittest.main()
