"""Both exes are what Windows expects: PE32 for i386 and PE32+ for x64, with no MinGW runtime DLL to ship."""
import os
import struct
import subprocess
import unittest

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


def imported_dlls(objdump, path):
    out = subprocess.run([objdump, '-p', path], check=True, capture_output=True, text=True).stdout
    return {line.split(':', 1)[1].strip().lower() for line in out.splitlines() if 'DLL Name:' in line}


class Executables(unittest.TestCase):
    def check(self, preset, machine, magic, objdump):
        path = os.path.join(ROOT, 'build', preset, 'lumetrone.exe')
        self.assertEqual(pe_header(path), (machine, magic))
        dlls = imported_dlls(objdump, path)
        self.assertLessEqual(dlls, SYSTEM_DLLS, 'imports beyond the system DLLs')

    def test_32_bit_exe(self):
        self.check('windows-x86', 0x14C, 0x10B, 'i686-w64-mingw32-objdump')

    def test_64_bit_exe(self):
        self.check('windows-x64', 0x8664, 0x20B, 'x86_64-w64-mingw32-objdump')


if __name__ == '__main__':
    unittest.main(verbosity=2)
