#!/usr/bin/env bash
# Makes the fuzz targets' seed corpora (corpus/<target>/) from the sample game
# and the test data. Needs sox and ffmpeg (only to regenerate the committed seeds).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
c=$here/corpus
rm -rf "$c"
for t in module trigger_call luaxml strings config profiles anim font text_layout image sound replay; do
  mkdir -p "$c/$t"
done
cut=$'\n@@\n'

cp "$root/sample/assets/levels/start.xml" "$c/module/start.xml"
cat > "$c/module/small.xml" <<'X'
<module name="m"><objs><obj name="h"><spr name="s" pos_x="5" visible="0"><obj name="k"/></spr>
<anim name="a" res="none" frame="2" playing="1" animfunc="f"/><text name="t" fontsize="12" text="k"/></obj></objs>
<trigs><trig name="t1"><code>x = 1</code></trig><trig name="t2"/></trigs><code>y = 2</code></module>
X

printf 't(1, 2, three)' > "$c/trigger_call/params"
printf 't(~1+2, ~"a"..(3), ~{1}, x)' > "$c/trigger_call/computed"
printf '*seen = 5' > "$c/trigger_call/inline"
printf 'missing(1)' > "$c/trigger_call/missing"

cat > "$c/luaxml/mixed.xml" <<'X'
<data><n_gold v="5"/><b_open v="1"/><s_name v="Anna &amp; Bo"/><t_inv><n_1 v="3"/><s_2 v="key"/>
<t_deep><n_x v="-1.5e3"/></t_deep></t_inv></data>
X
printf '%s' "<data><n/><x_1 v='1'/><n_a/><b_b/><s_s/><n_7x v='3'/><n_-4 v='1'/><n_0 v='2'/><b_t v='2'/><t_ v='i'><n_1 v='1'/></t_><n_inf v='inf'/></data>" > "$c/luaxml/edges.xml"

{ cat "$root/tests/data/strings/main.xml"; printf '%s' "$cut"; printf 'window_title\nfound_of\t3\t9\nall_params\ta\tb\tc\td\te\npercent\nnone\n'; } > "$c/strings/main"
cp "$root/tests/data/strings/truncated.xml" "$c/strings/truncated"

for d in full partial malformed noroot; do
  { cat "$root/tests/data/config/$d/assets/config.xml" 2>/dev/null || true; printf '%s' "$cut";
    cat "$root/tests/data/config/full/assets/strings.xml"; printf '%s' "$cut";
    printf '<settings performance="3" fullscreen="0" widescreen="1" syscursor="1" sfx_volume="0.5" env_volume="0.25" soundtrack_volume="1" voice_volume="0" gamma="1.2" />\n'; } > "$c/config/$d"
done
{ cat "$root/sample/assets/config.xml"; printf '%s' "$cut"; cat "$root/sample/assets/strings.xml"; printf '%s<settings sfx_volume="nan" gamma="-1"/>' "$cut"; } > "$c/config/sample"

printf '<profiles current="1">\n    <profile name="Anna" />\n    <profile name="Bo" />\n</profiles>\n%s<profile><game_data><data><n_gold v="5" /><t_inv><s_1 v="key" /></t_inv></data></game_data></profile>' "$cut" > "$c/profiles/two"
printf '<profiles current="0"><profile name="a/b%%" /></profiles>%s<profile><game_data><dat /></game_data></profile>' "$cut" > "$c/profiles/odd"
printf '\x01<profiles current="-5"><profile name="x" /></profiles>%s<!--12-->\n<profile/>' "$cut" > "$c/profiles/checksum"

cat > "$c/anim/door" <<X
<animation frame_texture="frames">
  <function name="open" frametime="100" loop="0"><frame idx="0"/><frame idx="1"/><frame idx="2"/></function>
  <function name="spin" frametime="100" loop="1" alpha="1"><frame idx="0"/><frame idx="2"/></function>
  <function name="back" frametime="-50" loop="1" alpha="1"><frame idx="2"/><frame idx="0"/></function>
  <function name="gappy" frametime="100" loop="2" alpha="2"><frame/><frame idx="9"/></function>
  <function name="empty" frametime="50" loop="1"/>
</animation>${cut}<frametexture>
 <frame texture="img" left="0" top="0" widht="2" height="2" x="1" y="1"/>
 <frame texture="img" left="2" top="0" width="2" height="2"/>
 <frame texture="missing" left="-4" top="9" widht="99999" height="2"/>
</frametexture>
X

# Fonts: the first byte chooses stored-as-given (odd) or scrambled (even).
{ printf "\\x01"; head -c 4096 "$root/sample/assets/fonts/benguat.nefnt"; } > "$c/font/benguat_head"
{ printf '\x00'; cat "$root/tests/data/fonts/testfont.ttf"; } > "$c/font/testfont"

printf '\x10\x40Hidden objects in the lighthouse\nsecond line' > "$c/text_layout/plain"
printf '\x20\x10\xc3\xa9t\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xf0\x9f\x94\x8d\xff\xfe\xc3' > "$c/text_layout/utf8"
printf '\x08\x00a\x00b\n\n\t  long-word-without-any-break-at-all' > "$c/text_layout/nowrap"

cp "$root/sample/assets/cursors/cursor.png" "$c/image/cursor.png"
cp "$root/sample/assets/rooms/sub_chest/gem.png" "$c/image/gem.png"
ff="ffmpeg -loglevel error -y -f lavfi"
$ff -i color=c=0x336699:s=6x4 -frames:v 1 "$c/image/small.jpg"
$ff -i color=c=0x808080:s=3x3 -frames:v 1 -pix_fmt gray "$c/image/grey.png"

# Found by fuzzing: a chunk longer than the file once kept the decoder reading for ever.
printf '\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\2\0\0\0\2\x08\0\0\0\0\x57\xdd\x52\xf8\0\x8f\0\x09pHYs\0\0\0\1\0\0\0\1\0\0\0\0IEND\xae\x42\x60\x82' > "$c/image/long_chunk.png"

sox -n -r 22050 -c 1 -C 0 "$c/sound/mono.ogg" synth 0.05 sine 440
sox -n -r 8000 -c 2 -C 0 "$c/sound/stereo.ogg" synth 0.05 sine 220

cat > "$c/replay/clicks" <<'X'
# turn type value x y flags
0 4 0 10 20 0
2 1 0 10 20 0
2 3 0 11 21 0
3 9 233 0 0 0
4 7 -126 0 0 0
5 4 0 2147483647 -2147483648 0
X

# The tests' damaged and hostile files (tests/data/hostile/) seed the targets of their loaders.
h=$root/tests/data/hostile
mkdir -p "$c/flashanim" "$c/subtitles" "$c/theora"
anim='<animation frame_texture="frames"><function name="f" frametime="100" loop="1"><frame idx="0"/></function></animation>'
for f in "$h"/anim/*.xml; do { cat "$f"; printf '%s<frametexture/>' "$cut"; } > "$c/anim/hostile_$(basename "$f" .xml)"; done
for f in "$h"/frametexture/*.xml; do { printf '%s%s' "$anim" "$cut"; cat "$f"; } > "$c/anim/hostile_ft_$(basename "$f" .xml)"; done
for f in "$h"/flashanim/*.xml; do cp "$f" "$c/flashanim/hostile_$(basename "$f")"; done
for f in "$h"/subtitles/*.srt; do cp "$f" "$c/subtitles/hostile_$(basename "$f")"; done
for f in "$h"/strings/*.xml; do cp "$f" "$c/strings/hostile_$(basename "$f" .xml)"; done
for f in "$h"/module/*.xml; do cp "$f" "$c/module/hostile_$(basename "$f")"; done
for f in "$h"/image/*.jpg; do cp "$f" "$c/image/hostile_$(basename "$f")"; done
{ printf '\x00'; cat "$h/font/flipped.ttf"; } > "$c/font/hostile_flipped"
head -c 600 "$c/sound/mono.ogg" > "$c/sound/hostile_cut.ogg"
# Theora inputs: the first byte picks the alpha form, the next two the video's share of the rest.
python3 - "$root/sample/assets/video/clip.ogg" "$h/video" "$c/theora" <<'PY'
import os, sys
video = open(sys.argv[1], 'rb').read()
for name in sorted(os.listdir(sys.argv[2])):
    alpha = open(os.path.join(sys.argv[2], name), 'rb').read()
    rest = len(video) + len(alpha)
    share = -(-len(video) * 65535 // rest)
    assert share * rest // 65535 == len(video)
    kind = 0 if name.endswith('.zalpha') else 1
    with open(os.path.join(sys.argv[3], 'hostile_' + name.replace('.', '_')), 'wb') as out:
        out.write(bytes([kind, share >> 8, share & 255]) + video + alpha)
PY
