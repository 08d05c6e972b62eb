#include "player/backend/movie/ffmpeg_movie.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>

#include "player/common/error.h"

namespace mavlet {
namespace {

// Packets read ahead for one track while the other is wanted: a file whose tracks lie far
// apart ends the waiting track early instead of filling memory.
constexpr std::size_t kMaxQueuedBytes = std::size_t{64} << 20;
// Largest frame side converted (bigger frames are skipped as damaged).
constexpr int kMaxFrameSide = 8192;
// More frames than this is taken for a damaged length.
constexpr std::int64_t kMaxFrames = std::int64_t{1} << 31;

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

AVPixelFormat ScreenPixelFormat(const PixelFormat& format) {
  switch (format.bits_per_pixel) {
    case 16:
      return AV_PIX_FMT_RGB565LE;
    case 24:
      return AV_PIX_FMT_BGR24;
    default:
      return AV_PIX_FMT_BGR0;
  }
}

struct PacketQueue {
  std::deque<AVPacket*> packets;
  std::size_t bytes = 0;

  ~PacketQueue() { Clear(); }
  bool Full() const { return bytes >= kMaxQueuedBytes; }
  void Push(AVPacket* p) {
    bytes += static_cast<std::size_t>(std::max(p->size, 0));
    packets.push_back(p);
  }
  AVPacket* Pop() {
    if (packets.empty()) return nullptr;
    AVPacket* p = packets.front();
    packets.pop_front();
    bytes -= static_cast<std::size_t>(std::max(p->size, 0));
    return p;
  }
  void Clear() {
    for (AVPacket* p : packets) av_packet_free(&p);
    packets.clear();
    bytes = 0;
  }
};

// One decoder of one track, fed from its queue.
struct Track {
  int index = -1;
  AVCodecContext* codec = nullptr;
  PacketQueue queue;
  bool flushed = false;  // the end-of-stream packet was sent
  bool ended = false;    // the decoder has nothing more

  ~Track() { avcodec_free_context(&codec); }
};

class FfmpegMovieSource : public MovieSource {
 public:
  FfmpegMovieSource(const std::filesystem::path& file, const PixelFormat& format,
                    const std::optional<SampleFormat>& sound);
  ~FfmpegMovieSource() override { Close(); }

  const MovieInfo& Info() const override { return info_; }
  bool ReadFrame(std::int64_t n, Surface& out) override;
  std::size_t ReadSound(std::vector<std::int16_t>& out, std::size_t max_frames) override;
  bool SoundEnded() const override { return closed_ || !info_.has_sound || (audio_.ended && pending_sound_.empty()); }
  void Close() override;

 private:
  [[noreturn]] void Fail(const std::string& problem) const { throw MavError(file_.string() + ": " + problem); }
  void OpenDecoder(Track& track, const char* what);
  void OpenSound(const SampleFormat& sound);
  // Reads one packet of the file into the queue of its track. False at the end of the file,
  // on a read error, or when the other track's queue is full.
  bool Pump(const Track& wanted);
  // Decodes the next frame of the track into frame_ (video) or audio_frame_. False when the
  // track has ended.
  bool DecodeNext(Track& track, AVFrame* into);
  // The frame number of the picture in frame_.
  std::int64_t FrameNumber() const;
  bool Convert(Surface& out);

  std::filesystem::path file_;
  PixelFormat format_;
  MovieInfo info_;
  AVFormatContext* container_ = nullptr;
  Track video_;
  Track audio_;
  AVRational frame_rate_{0, 1};
  std::int64_t start_pts_ = 0;
  AVFrame* frame_ = nullptr;
  AVFrame* audio_frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  std::int64_t frame_number_ = -1;  // of the picture in frame_; -1 before the first
  bool frame_given_ = false;        // frame_ was handed out already
  bool file_ended_ = false;
  SwsContext* scaler_ = nullptr;
  SwrContext* resampler_ = nullptr;
  SampleFormat pcm_;
  std::vector<std::int16_t> pending_sound_;  // converted, not yet handed out
  bool closed_ = false;
};

FfmpegMovieSource::FfmpegMovieSource(const std::filesystem::path& file, const PixelFormat& format,
                                     const std::optional<SampleFormat>& sound)
    : file_(file), format_(format) {
  // The object is destroyed (and so closed) when the constructor throws part way.
  struct Guard {
    FfmpegMovieSource* self;
    ~Guard() {
      if (self) self->Close();
    }
  } guard{this};
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) Fail("no such movie file");
  int rc = avformat_open_input(&container_, file.c_str(), nullptr, nullptr);
  if (rc < 0) Fail("not a movie file FFmpeg can open (" + AvError(rc) + ")");
  rc = avformat_find_stream_info(container_, nullptr);
  if (rc < 0) Fail("the movie's tracks cannot be read (" + AvError(rc) + ")");
  video_.index = av_find_best_stream(container_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (video_.index < 0) Fail("the movie has no picture track");
  OpenDecoder(video_, "picture");
  const AVStream* st = container_->streams[video_.index];
  frame_rate_ = st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0 ? st->avg_frame_rate : st->r_frame_rate;
  if (frame_rate_.num <= 0 || frame_rate_.den <= 0)
    Fail("the picture track has no usable frame rate (rate or scale 0)");
  info_.rate = frame_rate_.num;
  info_.scale = frame_rate_.den;
  start_pts_ = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
  std::int64_t count = st->nb_frames;
  if (count <= 0 && st->duration > 0) count = av_rescale_q(st->duration, st->time_base, av_inv_q(frame_rate_));
  if (count <= 0 && container_->duration > 0) {
    count = av_rescale_q(container_->duration, AVRational{1, AV_TIME_BASE}, av_inv_q(frame_rate_));
  }
  if (count <= 0 || count > kMaxFrames) Fail("the picture track's length is unknown or damaged");
  info_.frame_count = count;
  frame_ = av_frame_alloc();
  audio_frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (frame_ == nullptr || audio_frame_ == nullptr || packet_ == nullptr) Fail("out of memory");
  if (sound) OpenSound(*sound);
  // The first frame gives the size; a movie without one plays nothing.
  if (!DecodeNext(video_, frame_)) Fail("no picture could be decoded");
  if (frame_->width <= 0 || frame_->height <= 0 || frame_->width > kMaxFrameSide || frame_->height > kMaxFrameSide) {
    Fail("the first picture has an unusable size");
  }
  frame_number_ = FrameNumber();
  info_.width = frame_->width;
  info_.height = frame_->height;
  guard.self = nullptr;
}

void FfmpegMovieSource::OpenDecoder(Track& track, const char* what) {
  const AVStream* st = container_->streams[track.index];
  const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
  if (codec == nullptr)
    Fail(std::string("no decoder for the ") + what + " track (" + avcodec_get_name(st->codecpar->codec_id) + ")");
  track.codec = avcodec_alloc_context3(codec);
  if (track.codec == nullptr) Fail("out of memory");
  int rc = avcodec_parameters_to_context(track.codec, st->codecpar);
  if (rc < 0) Fail(std::string("the ") + what + " track's settings are damaged (" + AvError(rc) + ")");
  track.codec->thread_count = 1;  // repeatable, and the machine's cores belong to the frame loop
  rc = avcodec_open2(track.codec, codec, nullptr);
  if (rc < 0) Fail(std::string("the ") + what + " decoder cannot start (" + AvError(rc) + ")");
}

void FfmpegMovieSource::OpenSound(const SampleFormat& sound) {
  pcm_ = sound;
  audio_.index = av_find_best_stream(container_, AVMEDIA_TYPE_AUDIO, -1, video_.index, nullptr, 0);
  if (audio_.index < 0) {
    audio_.index = -1;
    return;  // a silent movie
  }
  try {
    OpenDecoder(audio_, "sound");
  } catch (const MavError&) {
    // The pictures still play; the movie is silent.
    avcodec_free_context(&audio_.codec);
    audio_.index = -1;
    return;
  }
  AVChannelLayout in{};
  if (audio_.codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || audio_.codec->ch_layout.nb_channels <= 0) {
    av_channel_layout_default(&in, std::max(1, audio_.codec->ch_layout.nb_channels));
  } else {
    av_channel_layout_copy(&in, &audio_.codec->ch_layout);
  }
  AVChannelLayout out{};
  av_channel_layout_default(&out, sound.channels);
  const int rc = swr_alloc_set_opts2(&resampler_, &out, AV_SAMPLE_FMT_S16, sound.rate, &in, audio_.codec->sample_fmt,
                                     audio_.codec->sample_rate, 0, nullptr);
  av_channel_layout_uninit(&in);
  av_channel_layout_uninit(&out);
  if (rc < 0 || audio_.codec->sample_rate <= 0 || swr_init(resampler_) < 0) {
    swr_free(&resampler_);
    avcodec_free_context(&audio_.codec);
    audio_.index = -1;
    return;
  }
  info_.has_sound = true;
}

void FfmpegMovieSource::Close() {
  if (closed_) return;
  closed_ = true;
  video_.queue.Clear();
  audio_.queue.Clear();
  avcodec_free_context(&video_.codec);
  avcodec_free_context(&audio_.codec);
  av_frame_free(&frame_);
  av_frame_free(&audio_frame_);
  av_packet_free(&packet_);
  sws_freeContext(scaler_);
  scaler_ = nullptr;
  swr_free(&resampler_);
  avformat_close_input(&container_);
  pending_sound_.clear();
}

bool FfmpegMovieSource::Pump(const Track& wanted) {
  if (file_ended_) return false;
  const Track& other = &wanted == &video_ ? audio_ : video_;
  if (other.index >= 0 && other.queue.Full()) return false;
  const int rc = av_read_frame(container_, packet_);
  if (rc < 0) {
    file_ended_ = true;
    return false;
  }
  Track* track = packet_->stream_index == video_.index   ? &video_
                 : packet_->stream_index == audio_.index ? &audio_
                                                         : nullptr;
  if (track == nullptr || track->codec == nullptr) {
    av_packet_unref(packet_);
    return true;
  }
  AVPacket* copy = av_packet_alloc();
  if (copy == nullptr) {
    av_packet_unref(packet_);
    file_ended_ = true;
    return false;
  }
  av_packet_move_ref(copy, packet_);
  track->queue.Push(copy);
  return true;
}

bool FfmpegMovieSource::DecodeNext(Track& track, AVFrame* into) {
  if (closed_ || track.codec == nullptr) return false;
  while (!track.ended) {
    const int rc = avcodec_receive_frame(track.codec, into);
    if (rc == 0) return true;
    if (rc == AVERROR_EOF) {
      track.ended = true;
      break;
    }
    if (rc != AVERROR(EAGAIN)) {
      // A damaged stream: the decoder gives up, and so does the track.
      track.ended = true;
      break;
    }
    if (track.flushed) {
      track.ended = true;
      break;
    }
    while (track.queue.packets.empty() && Pump(track)) {}
    AVPacket* p = track.queue.Pop();
    if (p == nullptr) {
      if (!file_ended_) return false;  // the other track's queue is full: later
      avcodec_send_packet(track.codec, nullptr);
      track.flushed = true;
      continue;
    }
    const int sent = avcodec_send_packet(track.codec, p);
    av_packet_free(&p);
    // A damaged packet is dropped; the decoder goes on with the next one.
    (void)sent;
  }
  return false;
}

std::int64_t FfmpegMovieSource::FrameNumber() const {
  const std::int64_t pts = frame_->best_effort_timestamp;
  if (pts == AV_NOPTS_VALUE) return frame_number_ + 1;
  const AVStream* st = container_->streams[video_.index];
  const std::int64_t n = av_rescale_q(pts - start_pts_, st->time_base, av_inv_q(frame_rate_));
  // Timestamps that run backwards (damaged files) still move on by one frame.
  return std::max(n, frame_number_ + 1);
}

bool FfmpegMovieSource::ReadFrame(std::int64_t n, Surface& out) {
  if (closed_ || n < 0 || n >= info_.frame_count) return false;
  if (frame_number_ > n || (frame_number_ == n && frame_given_)) return false;
  while (frame_number_ < n) {
    if (!DecodeNext(video_, frame_)) return false;
    frame_number_ = FrameNumber();
    frame_given_ = false;
  }
  if (frame_number_ != n) return false;  // frame n has no picture of its own
  frame_given_ = true;
  return Convert(out);
}

bool FfmpegMovieSource::Convert(Surface& out) {
  const int w = frame_->width;
  const int h = frame_->height;
  if (w <= 0 || h <= 0 || w > kMaxFrameSide || h > kMaxFrameSide || frame_->format < 0) return false;
  scaler_ = sws_getCachedContext(scaler_, w, h, static_cast<AVPixelFormat>(frame_->format), w, h,
                                 ScreenPixelFormat(format_), SWS_POINT, nullptr, nullptr, nullptr);
  if (scaler_ == nullptr) return false;
  if (out.width() != w || out.height() != h || !(out.format() == format_)) {
    out = Surface(format_, w, h);
  }
  std::optional<LockedPixels> px = out.Lock();
  if (!px) return false;
  std::uint8_t* planes[4] = {px->bits, nullptr, nullptr, nullptr};
  int pitches[4] = {px->pitch, 0, 0, 0};
  const int rows = sws_scale(scaler_, frame_->data, frame_->linesize, 0, h, planes, pitches);
  out.Unlock();
  return rows == h;
}

std::size_t FfmpegMovieSource::ReadSound(std::vector<std::int16_t>& out, std::size_t max_frames) {
  if (closed_ || !info_.has_sound || max_frames == 0) return 0;
  const std::size_t channels = static_cast<std::size_t>(pcm_.channels);
  while (pending_sound_.size() / channels < max_frames) {
    if (!DecodeNext(audio_, audio_frame_)) break;
    const int in_samples = audio_frame_->nb_samples;
    if (in_samples <= 0) continue;
    const int room = swr_get_out_samples(resampler_, in_samples);
    if (room <= 0) continue;
    const std::size_t at = pending_sound_.size();
    pending_sound_.resize(at + static_cast<std::size_t>(room) * channels);
    std::uint8_t* dst = reinterpret_cast<std::uint8_t*>(pending_sound_.data() + at);
    const int got =
        swr_convert(resampler_, &dst, room, const_cast<const std::uint8_t**>(audio_frame_->extended_data), in_samples);
    pending_sound_.resize(at + static_cast<std::size_t>(std::max(got, 0)) * channels);
    av_frame_unref(audio_frame_);
  }
  const std::size_t frames = std::min(max_frames, pending_sound_.size() / channels);
  out.insert(out.end(), pending_sound_.begin(),
             pending_sound_.begin() + static_cast<std::ptrdiff_t>(frames * channels));
  pending_sound_.erase(pending_sound_.begin(), pending_sound_.begin() + static_cast<std::ptrdiff_t>(frames * channels));
  return frames;
}

}  // namespace

FfmpegMovieOpener::FfmpegMovieOpener() { av_log_set_level(AV_LOG_QUIET); }

std::unique_ptr<MovieSource> FfmpegMovieOpener::Open(const std::filesystem::path& file, const PixelFormat& format,
                                                     const std::optional<SampleFormat>& sound) {
  return std::make_unique<FfmpegMovieSource>(file, format, sound);
}

}  // namespace mavlet
