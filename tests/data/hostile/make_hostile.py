#!/usr/bin/env python3
"""Writes the damaged and hostile content files the loader tests read (and the
fuzz targets start from): one folder per kind of file. Cuts of good files are
made by the tests themselves. Needs ffmpeg for the one JPEG. font/huge_glyph.ttf
is a fuzz target's find, committed as found."""
import os
import random
import shutil
import struct
import subprocess
import zlib

here = os.path.dirname(os.path.abspath(__file__))
rng = random.Random(22)


def garbage(n):
    return bytes(rng.randrange(256) for _ in range(n))


def write(kind, name, data):
    os.makedirs(os.path.join(here, kind), exist_ok=True)
    with open(os.path.join(here, kind, name), 'wb') as f:
        f.write(data.encode('utf-8') if isinstance(data, str) else data)


# Frame textures over an 8 x 4 picture "sheet" that the tests write beside them.
write('frametexture', 'garbage.xml', garbage(600))
write('frametexture', 'nonfinite.xml', '<frametexture>\n'
      ' <frame texture="sheet" left="nan" top="0" widht="4" height="inf" x="2" y="2"/>\n'
      ' <frame texture="sheet" left="4" top="0" widht="4" height="4" x="2" y="2"/>\n</frametexture>\n')
write('frametexture', 'outside.xml', '<frametexture>\n'
      ' <frame texture="sheet" left="0" top="0" widht="4" height="4" x="2" y="2"/>\n'
      ' <frame texture="sheet" left="4" top="0" widht="400000" height="4" x="2" y="2"/>\n</frametexture>\n')
write('frametexture', 'stray.xml', b'<frametexture>\n'
      b' <frame texture="sheet" left="0" top="0" widht="4" height="4" x="2" y="2"/>\n'
      b'  \xdf\xc3\x90\x9d\x95 <frame texture="sheet" left="4" top="0" widht="4" height="4"/>\n</frametexture>\n')

# Frame-list animations over the tests' three-frame "strip_ft".
write('anim', 'nonfinite.xml', '<animation frame_texture="strip_ft">\n'
      ' <function name="f" frametime="nan" loop="1"><frame idx="0"/><frame idx="inf"/></function>\n'
      '</animation>\n')
write('anim', 'outside.xml', '<animation frame_texture="strip_ft">\n'
      ' <function name="f" frametime="100" loop="1"><frame idx="0"/><frame idx="7"/></function>\n'
      '</animation>\n')
write('anim', 'stray.xml', b'<animation frame_texture="strip_ft">\n'
      b' <function name="f" frametime="100" loop="1"><frame idx="0"/>\xdf\x9c\x90 idx="1"/></function>\n'
      b'</animation>\n')

# Keyframe animations with one part, "part.png".
FLASH_HEAD = '<animation loop="1" fps="10">\n <objects><object res="part" type="texture" w="4" h="4"/></objects>\n'
write('flashanim', 'garbage.xml', garbage(700))
write('flashanim', 'noanimation.xml', '<movie fps="10"><objects/></movie>\n')
write('flashanim', 'nonfinite.xml', FLASH_HEAD + ' <frames>\n'
      '  <frame><object id="0" pos_x="10" m00="nan"/></frame>\n'
      '  <frame><object id="0" pos_x="1e999" alp="-inf"/></frame>\n </frames>\n</animation>\n')
write('flashanim', 'badid.xml', FLASH_HEAD + ' <frames>\n'
      '  <frame><object id="0" pos_x="10"/><object id="7"/></frame>\n'
      '  <frame><object pos_x="12"/></frame>\n </frames>\n</animation>\n')
write('flashanim', 'stray.xml', (FLASH_HEAD + ' <frames>\n  <frame>').encode() +
      b'\xdf\xdf\xc3\x90\x9d\x95\x9a\x9c\x8b\xdf\x96\x9b\xc2\xdd\xcf\xdd\xdf" pos_x="1"/></frame>\n'
      b' </frames>\n</animation>\n')

# A TrueType font with one byte of its glyph outlines flipped.
font = bytearray(open(os.path.join(here, '..', 'fonts', 'testfont.ttf'), 'rb').read())
tables = struct.unpack('>H', font[4:6])[0]
for i in range(tables):
    tag, _, offset, length = struct.unpack('>4sIII', font[12 + 16 * i:28 + 16 * i])
    if tag == b'glyf':
        font[offset + length // 2] ^= 0xFF
write('font', 'flipped.ttf', bytes(font))

# String tables.
BOOK = '<?xml version="1.0"?>\n<Workbook>\n%s</Workbook>\n'
ROW = '<Row><Cell><Data ss:Type="String">%s</Data></Cell><Cell><Data ss:Type="String">%s</Data></Cell></Row>\n'
write('strings', 'garbage.xml', garbage(900))
write('strings', 'norows.xml', BOOK % '<Table></Table>\n')
write('strings', 'notutf8.xml', (BOOK % (ROW % ('greeting', 'Gr\u00fc\u00dfe') + ROW % ('latin', 'caf@'))).encode()
      .replace(b'caf@', b'caf\xe9'))

# Subtitles.
write('subtitles', 'garbage.srt', garbage(500))
write('subtitles', 'empty.srt', '')
write('subtitles', 'cut.srt', '1\n00:00:01,000 --> 00:00:02,000\nfirst\n\n2\n00:00:03,000 --> 00:00:04,000\n')
write('subtitles', 'badtiming.srt', '1\n00:00:01,000 --> 00:00:02,000\nfirst\n\n2\n3 seconds in\nsecond\n\n')
write('subtitles', 'twolines.srt', '1\n00:00:01,000 --> 00:00:02,000\nfirst\nmore\n\n2\n00:00:03,000 --> 00:00:04,000\nx\n')
write('subtitles', 'backwards.srt', '1\n00:00:05,000 --> 00:00:02,000\nfirst\n\n')
write('subtitles', 'notutf8.srt', b'1\n00:00:01,000 --> 00:00:02,000\ncaf\xe9\n\n')

# Alpha streams for the tests' 32 x 16 videos.
def record(block):
    return struct.pack('<I', len(block)) + block


write('video', 'garbage.zalpha', garbage(800))
write('video', 'longrecord.zalpha', record(zlib.compress(bytes(512))) + struct.pack('<I', 1 << 30) + bytes(8))
write('video', 'notzlib.zalpha', b''.join(record(garbage(40)) for _ in range(12)))
write('video', 'bigplane.zalpha', b''.join(record(zlib.compress(bytes([200]) * (64 * 64))) for _ in range(12)))
write('video', 'garbage.oggalpha', garbage(900))

# A module whose object positions are not numbers.
write('module', 'nonfinite.xml', '<module name="m"><objs><obj name="holder">\n'
      ' <obj name="a" pos_x="nan" pos_y="5"/>\n <obj name="b" pos_x="1e999"/>\n</obj></objs></module>\n')

# A JPEG whose coded data is damaged part way (the tests cut the good one).
jpeg = os.path.join(here, 'image', 'gradient.jpg')
os.makedirs(os.path.dirname(jpeg), exist_ok=True)
subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', '-f', 'lavfi', '-i', 'gradients=s=32x32:seed=3',
                '-frames:v', '1', jpeg], check=True)
good = bytearray(open(jpeg, 'rb').read())
scan = good.find(b'\xff\xda')
middle = scan + (len(good) - scan) // 2
good[middle:middle + 8] = bytes(b ^ 0xFF for b in good[middle:middle + 8])
write('image', 'damaged.jpg', bytes(good))
