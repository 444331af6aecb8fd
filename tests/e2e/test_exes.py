"""Both exes are what Windows expects: PE32 for i386 and PE32+ for x64, with no MinGW runtime DLL to ship, and the
manifest that gives them UTF-8 names, true pixels and no elevation; each is packed in a portable zip."""
import os
import struct
import subprocess
import unittest
import zipfile

import wine_player as wp

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SYSTEM_DLLS = {'advapi32.dll', 'comdlg32.dll', 'gdi32.dll', 'kernel32.dll', 'msvcrt.dll', 'ole32.dll', 'shell32.dll',
               'oleaut32.dll', 'user32.dll'}


def pe_header(path):
    with open(path, 'rb') as f:
        data = f.read(4096)
    offset = struct.unpack_from('<I', data, 0x3C)[0]
    assert data[offset:offset + 4] == b'PE\0\0'
    machine = struct.unpack_from('<H', data, offset + 4)[0]
    magic = struct.unpack_from('<H', data, offset + 24)[0]
    return machine, magic


def manifest(path):
    """The text of resource type 24 (manifest), id 1, read from the .rsrc section's directory."""
    with open(path, 'rb') as f:
        data = f.read()
    offset = struct.unpack_from('<I', data, 0x3C)[0]
    sections, optional_size = struct.unpack_from('<H12xH', data, offset + 6)
    table = offset + 24 + optional_size
    for i in range(sections):
        name, _, rva, _, raw = struct.unpack_from('<8sIIII', data, table + 40 * i)
        if name.rstrip(b'\0') == b'.rsrc':
            break
    else:
        return None

    def entry(directory, wanted):
        named, ids = struct.unpack_from('<HH', data, raw + directory + 12)
        for k in range(named + ids):
            key, target = struct.unpack_from('<II', data, raw + directory + 16 + 8 * k)
            if wanted is None or key == wanted:
                return target & 0x7FFFFFFF
        return None

    types = entry(0, 24)
    names = types is not None and entry(types, 1)
    languages = names and entry(names, None)
    if not languages:
        return None
    data_rva, size = struct.unpack_from('<II', data, raw + languages)
    start = raw + data_rva - rva
    return data[start:start + size].decode('utf-8')


def imported_dlls(objdump, path):
    out = subprocess.run([objdump, '-p', path], check=True, capture_output=True, text=True).stdout
    return {line.split(':', 1)[1].strip().lower() for line in out.splitlines() if 'DLL Name:' in line}


class Executables(unittest.TestCase):
    def check(self, preset, machine, magic, objdump):
        path = os.path.join(ROOT, 'build', preset, 'lumetrone.exe')
        self.assertEqual(pe_header(path), (machine, magic))
        dlls = imported_dlls(objdump, path)
        self.assertLessEqual(dlls, SYSTEM_DLLS, 'imports beyond the system DLLs')
        text = manifest(path)
        self.assertIsNotNone(text, 'no manifest resource (type 24, id 1)')
        for declaration in ('>UTF-8</activeCodePage>', 'level="asInvoker"', '"Microsoft.Windows.Common-Controls"',
                            'version="6.0.0.0"', '>PerMonitorV2</dpiAwareness>', '>true</dpiAware>', '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}', '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}'):
            self.assertIn(declaration, text)

        self.check_portable_zip(preset, path)

    def check_portable_zip(self, preset, exe):
        """The zip holds the exe and the users' README.txt, with Windows line endings, in a folder of its name."""
        name = f'Lumetrone-{wp.package_version()}-' + ('win64' if preset.endswith('x64') else 'win32')
        with zipfile.ZipFile(os.path.join(ROOT, 'build', preset, name + '.zip')) as package:
            self.assertEqual(sorted(package.namelist()), [name + '/README.txt', name + '/lumetrone.exe'])
            with open(exe, 'rb') as f:
                self.assertEqual(package.read(name + '/lumetrone.exe'), f.read())
            readme = package.read(name + '/README.txt').decode('utf-8')
        self.assertFalse('\n' in readme.replace('\r\n', ''), 'every line ends in CR LF')
        headings = [line for line in readme.splitlines() if line.startswith('#')]
        self.assertEqual(headings, ['# Lumetrone', '## Keys', '### From other programs, foot pedals and the rewind on resume',
                                    '### Jumps to words', '### Hard recordings: the voices levelled and one channel alone',
                                    '### Export of the marks', '## What it stores'])
        self.assertIn('| Insert | A-B loop', readme)

    def test_32_bit_exe(self):
        self.check('windows-x86', 0x14C, 0x10B, 'i686-w64-mingw32-objdump')

    def test_64_bit_exe(self):
        self.check('windows-x64', 0x8664, 0x20B, 'x86_64-w64-mingw32-objdump')


if __name__ == '__main__':
    unittest.main(verbosity=2)
