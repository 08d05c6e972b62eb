/* ffmpeg_check.c: smoke check of the browser build's FFmpeg libraries, in the way the movie back
 * end uses them: every wanted demuxer and decoder is compiled in (a misspelt configure name only
 * warns), and each movie named on the command line (5 frames of colour #3366CC at 25 frames a
 * second, maybe with 0.2 s of a tone) opens from a file, decodes to exactly 5 frames that
 * libswscale turns into that colour in BGRA, and its sound, if any, resamples through
 * libswresample to audible 16-bit stereo at 44100 Hz lasting 0.15 to 0.35 s. A movie whose
 * name starts with "refused-" (H.264 and VP9 at 10 bits, which the build leaves out) must open
 * and decode to no frame at all, with errors but no crash. Prints "ok" and exits 0, or names
 * the file and what failed and exits 1. */
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char* const kDemuxers[] = {"avi", "mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm",
                                        "mpeg", "asf"};
static const char* const kDecoders[] = {
    "rawvideo", "msrle", "msvideo1", "cinepak", "indeo2", "indeo3", "indeo4", "indeo5", "mjpeg",
    "mpeg4", "msmpeg4v1", "msmpeg4v2", "msmpeg4", "h263", "huffyuv", "mpeg1video", "mpeg2video",
    "h264", "vp8", "vp9", "wmv1", "wmv2", "wmv3", "pcm_u8", "pcm_s16le", "pcm_s16be", "pcm_s24le",
    "pcm_s32le", "pcm_f32le", "pcm_alaw", "pcm_mulaw", "adpcm_ms", "adpcm_ima_wav", "mp2", "mp3",
    "aac", "vorbis", "opus", "wmav1", "wmav2"};

static const char* file;
static int refused; /* the movie's frames must not decode */

static void Fail(const char* what, int rc) {
  char text[AV_ERROR_MAX_STRING_SIZE] = "";
  if (rc < 0) av_strerror(rc, text, sizeof text);
  printf("FFmpeg: %s: %s %s\n", file ? file : "build", what, text);
  exit(1);
}

static int Near(int a, int b) { return abs(a - b) <= 32; }

typedef struct {
  AVCodecContext* codec;
  int index, frames, samples, peak;
  struct SwsContext* scaler;
  SwrContext* resampler;
} Track;

static void Open(AVFormatContext* in, Track* t, enum AVMediaType type) {
  t->index = av_find_best_stream(in, type, -1, -1, NULL, 0);
  if (t->index < 0) return;
  const AVCodecParameters* par = in->streams[t->index]->codecpar;
  const AVCodec* dec = avcodec_find_decoder(par->codec_id);
  if (!dec) Fail(avcodec_get_name(par->codec_id), AVERROR_DECODER_NOT_FOUND);
  t->codec = avcodec_alloc_context3(dec);
  int rc = avcodec_parameters_to_context(t->codec, par);
  if (rc >= 0) rc = avcodec_open2(t->codec, dec, NULL);
  if (rc < 0) Fail("the decoder does not open", rc);
}

static void Picture(Track* t, const AVFrame* f) {
  static uint8_t bgra[4 * 64 * 64];
  if (f->width > 64 || f->height > 64) Fail("a frame larger than 64x64", 0);
  t->scaler = sws_getCachedContext(t->scaler, f->width, f->height, f->format, f->width, f->height,
                                   AV_PIX_FMT_BGRA, SWS_POINT, NULL, NULL, NULL);
  uint8_t* planes[4] = {bgra};
  int pitches[4] = {4 * f->width};
  if (!t->scaler || sws_scale(t->scaler, (const uint8_t* const*)f->data, f->linesize, 0, f->height,
                              planes, pitches) != f->height)
    Fail("libswscale did not convert a frame", 0);
  const uint8_t* p = bgra + 4 * ((f->height / 2) * f->width + f->width / 2);
  if (!Near(p[0], 0xCC) || !Near(p[1], 0x66) || !Near(p[2], 0x33)) {
    printf("FFmpeg: %s: frame %d is #%02X%02X%02X, not near #3366CC\n", file, t->frames, p[2], p[1],
           p[0]);
    exit(1);
  }
  ++t->frames;
}

static void Sound(Track* t, const AVFrame* f) {
  static int16_t out[2 * 8192];
  if (!t->resampler) {
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    int rc = swr_alloc_set_opts2(&t->resampler, &stereo, AV_SAMPLE_FMT_S16, 44100,
                                 &t->codec->ch_layout, t->codec->sample_fmt,
                                 t->codec->sample_rate, 0, NULL);
    if (rc < 0 || (rc = swr_init(t->resampler)) < 0) Fail("libswresample does not open", rc);
  }
  uint8_t* dst = (uint8_t*)out;
  const uint8_t** in = f ? (const uint8_t**)f->extended_data : NULL;
  int count = f ? f->nb_samples : 0, n;
  /* Output beyond one buffer waits inside the resampler: take it until none is left. */
  while ((n = swr_convert(t->resampler, &dst, 8192, in, count)) > 0) {
    for (int i = 0; i < 2 * n; ++i)
      if (abs(out[i]) > t->peak) t->peak = abs(out[i]);
    t->samples += n;
    in = NULL;
    count = 0;
  }
  if (n < 0) Fail("libswresample did not convert", n);
}

static void Drain(Track* t, AVFrame* f, const AVPacket* p) {
  int rc = avcodec_send_packet(t->codec, p);
  if (rc < 0 && rc != AVERROR_EOF && !refused) Fail("a packet does not decode", rc);
  while ((rc = avcodec_receive_frame(t->codec, f)) >= 0) {
    if (t->codec->codec_type == AVMEDIA_TYPE_VIDEO)
      Picture(t, f);
    else
      Sound(t, f);
    av_frame_unref(f);
  }
  if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF && !refused) Fail("decoding failed", rc);
}

int main(int argc, char** argv) {
  for (size_t i = 0; i < sizeof kDemuxers / sizeof *kDemuxers; ++i)
    if (!av_find_input_format(kDemuxers[i])) Fail(kDemuxers[i], AVERROR_DEMUXER_NOT_FOUND);
  for (size_t i = 0; i < sizeof kDecoders / sizeof *kDecoders; ++i)
    if (!avcodec_find_decoder_by_name(kDecoders[i])) Fail(kDecoders[i], AVERROR_DECODER_NOT_FOUND);
  av_log_set_level(AV_LOG_QUIET);
  for (int a = 1; a < argc; ++a) {
    file = argv[a];
    const char* base = strrchr(file, '/');
    refused = strncmp(base ? base + 1 : file, "refused-", 8) == 0;
    AVFormatContext* in = NULL;
    int rc = avformat_open_input(&in, file, NULL, NULL);
    if (rc < 0) Fail("does not open", rc);
    if ((rc = avformat_find_stream_info(in, NULL)) < 0) Fail("has no stream information", rc);
    Track video = {0}, audio = {0};
    Open(in, &video, AVMEDIA_TYPE_VIDEO);
    Open(in, &audio, AVMEDIA_TYPE_AUDIO);
    if (!video.codec) Fail("has no video track", 0);
    AVPacket* p = av_packet_alloc();
    AVFrame* f = av_frame_alloc();
    while ((rc = av_read_frame(in, p)) >= 0) {
      if (p->stream_index == video.index) Drain(&video, f, p);
      if (audio.codec && p->stream_index == audio.index) Drain(&audio, f, p);
      av_packet_unref(p);
    }
    if (rc != AVERROR_EOF) Fail("reading stopped early", rc);
    Drain(&video, f, NULL);
    if (audio.codec) Drain(&audio, f, NULL);
    if (audio.resampler) Sound(&audio, NULL);
    if (refused && video.frames != 0) {
      printf("FFmpeg: %s: %d frames decoded, where the build has no decoder for them\n", file, video.frames);
      return 1;
    }
    if (refused) {
      printf("ok FFmpeg %s: %s: %s refused, no frame\n", av_version_info(), file,
             avcodec_get_name(video.codec->codec_id));
    } else if (video.frames != 5) {
      printf("FFmpeg: %s: %d frames decoded, not 5\n", file, video.frames);
      return 1;
    }
    if (!refused && audio.codec && (audio.samples < 6615 || audio.samples > 15435 || audio.peak < 1000)) {
      printf("FFmpeg: %s: %d sound frames at peak %d\n", file, audio.samples, audio.peak);
      return 1;
    } else if (!refused) {
      printf("ok FFmpeg %s: %s: %s, 5 frames", av_version_info(), file, avcodec_get_name(video.codec->codec_id));
      if (audio.codec) printf(", %s, %d frames of sound", avcodec_get_name(audio.codec->codec_id), audio.samples);
      printf("\n");
    }
    sws_freeContext(video.scaler);
    swr_free(&audio.resampler);
    avcodec_free_context(&video.codec);
    avcodec_free_context(&audio.codec);
    av_frame_free(&f);
    av_packet_free(&p);
    avformat_close_input(&in);
  }
  return 0;
}
