#!/usr/bin/env bash
# Writes the demo's opening movie, demo/title/pictures/opening.avi, from the demo's own pictures
# and sounds with the ffmpeg program: three seconds at 320x240 and 15 frames per second (the
# scenario stretches it over the screen), MJPEG pictures and 16-bit PCM sound in an AVI, as an
# old title's movie would be. The dusk sky fades in and slowly zooms, the girl slides in, the
# logo fades in with the chime, and everything fades out. Bit-exact output: running it again
# gives the same file (check with `git diff`).
# Usage: demo/tools/make_opening_movie.sh [DEMO_TITLE_FOLDER]
set -euo pipefail
title=${1:-"$(dirname "$0")/../title"}
pictures="$title/pictures"
sounds="$title/sounds"
ffmpeg -nostdin -hide_banner -loglevel error -y \
  -loop 1 -framerate 15 -t 3 -i "$pictures/bg_dusk.png" \
  -loop 1 -framerate 15 -t 3 -i "$pictures/logo.png" \
  -loop 1 -framerate 15 -t 3 -i "$pictures/girl.png" \
  -loop 1 -framerate 15 -t 3 -i "$pictures/girl-m.png" \
  -i "$sounds/whoosh.wav" -i "$sounds/chime.wav" -i "$sounds/room.wav" \
  -filter_complex "
    [0:v]scale=640:480,zoompan=z='1+0.004*on':x='iw/2-iw/zoom/2':y='ih/2-ih/zoom/2':d=1:s=320x240:fps=15,
         fade=in:st=0:d=0.8[sky];
    [3:v]format=gray,negate,scale=96:160[girlmask];
    [2:v]scale=96:160,format=rgba[girlpic];
    [girlpic][girlmask]alphamerge[girl];
    [sky][girl]overlay=x='320-min(t*120\,110)':y=80:eval=frame[withgirl];
    [1:v]scale=260:65,format=rgba,colorkey=0xFF00FF:0.3:0,fade=in:st=1.1:d=0.7:alpha=1[logo];
    [withgirl][logo]overlay=x=20:y=24,fade=out:st=2.5:d=0.5,format=yuvj420p[v];
    [4:a]aresample=22050[a0];
    [5:a]aresample=22050,adelay=1100[a1];
    [6:a]atrim=0:3,volume=0.5,afade=in:st=0:d=1,afade=out:st=2.4:d=0.6[a2];
    [a0][a1][a2]amix=inputs=3:duration=longest:normalize=0,atrim=0:3,aformat=sample_fmts=s16:channel_layouts=mono[a]" \
  -map "[v]" -map "[a]" -t 3 \
  -c:v mjpeg -q:v 6 -c:a pcm_s16le -ar 22050 \
  -fflags +bitexact -flags:v +bitexact -flags:a +bitexact -map_metadata -1 \
  "$pictures/opening.avi"
echo "wrote $pictures/opening.avi"
