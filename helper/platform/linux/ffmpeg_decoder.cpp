// Audio decoding with the FFmpeg libraries: demuxing, decoding and resampling to 16 kHz mono.
#include "helper/platform/linux/ffmpeg_decoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

namespace parlevox::native {
namespace {

constexpr int kOutRate = 16000;
constexpr AVSampleFormat kOutFormat = AV_SAMPLE_FMT_S16;

struct CodecFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrFree {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;

// The demuxer reads the input through this many bytes at a time, as FFmpeg's own file access does.
constexpr int kReadBuffer = 32 * 1024;

// Demuxers that open further inputs named inside the file: playlists, concatenation scripts,
// image sequences, index files pointing at their data, network session descriptions. Following
// them could read a pipe, a device or the network, or wait for a live stream for ever.
constexpr std::array<std::string_view, 10> kRefusedDemuxers = {
    "hls", "dash", "concat", "image2", "imf", "vobsub", "sdp", "rtp", "rtsp", "sap"};

bool refusedDemuxer(const AVInputFormat& format) {
  // Demuxers without a file of their own open whatever their name stands for.
  if (format.flags & AVFMT_NOFILE) return true;
  return std::find(kRefusedDemuxers.begin(), kRefusedDemuxers.end(), format.name) !=
         kRefusedDemuxers.end();
}

// Any demuxer asking to open another file or URL is turned down.
int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

// The input file, read by the demuxer through the descriptor it was checked on.
class InputFile {
 public:
  /// The regular file at `path`, or nothing. Opening never blocks, and the type is checked on the
  /// opened descriptor: a pipe or device put in place of a file cannot stall the decode.
  static std::unique_ptr<InputFile> open(const std::string& path) {
    if (path.empty()) return nullptr;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    std::unique_ptr<InputFile> file(new InputFile(fd));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0)
      return nullptr;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kReadBuffer));
    if (!buffer) return nullptr;
    file->io_ = avio_alloc_context(buffer, kReadBuffer, 0, file.get(), &InputFile::read, nullptr,
                                   &InputFile::seek);
    if (!file->io_) {
      av_free(buffer);
      return nullptr;
    }
    return file;
  }

  ~InputFile() {
    if (io_) {
      av_freep(&io_->buffer);
      avio_context_free(&io_);
    }
    ::close(fd_);
  }

  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  AVIOContext* io() const { return io_; }

 private:
  explicit InputFile(int fd) : fd_(fd) {}

  static int read(void* opaque, std::uint8_t* buffer, int size) {
    const int fd = static_cast<InputFile*>(opaque)->fd_;
    for (;;) {
      const ssize_t n = ::read(fd, buffer, static_cast<std::size_t>(size));
      if (n > 0) return static_cast<int>(n);
      if (n == 0) return AVERROR_EOF;
      if (errno != EINTR) return AVERROR(errno);
    }
  }

  static std::int64_t seek(void* opaque, std::int64_t offset, int whence) {
    const int fd = static_cast<InputFile*>(opaque)->fd_;
    if (whence == AVSEEK_SIZE) {
      struct stat info {};
      return ::fstat(fd, &info) == 0 ? info.st_size : AVERROR(errno);
    }
    const off_t at = ::lseek(fd, offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
  }

  int fd_;
  AVIOContext* io_ = nullptr;
};

// The opened input with its demuxer; the demuxer goes first, the file it reads after it.
struct Demuxer {
  struct Close {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
  };
  std::unique_ptr<InputFile> file;
  std::unique_ptr<AVFormatContext, Close> format;
};

std::string describe(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

// The input side of a resampler: what a decoded frame looks like.
struct InputShape {
  AVSampleFormat format = AV_SAMPLE_FMT_NONE;
  int rate = 0;
  AVChannelLayout layout{};

  InputShape() = default;
  InputShape(AVSampleFormat f, int r, const AVChannelLayout& l) : format(f), rate(r) {
    // Streams that do not say which channel is where get the usual layout for their count.
    if (l.order == AV_CHANNEL_ORDER_UNSPEC)
      av_channel_layout_default(&layout, l.nb_channels);
    else
      av_channel_layout_copy(&layout, &l);
  }
  InputShape(InputShape&& o) noexcept { *this = std::move(o); }
  InputShape& operator=(InputShape&& o) noexcept {
    std::swap(format, o.format);
    std::swap(rate, o.rate);
    std::swap(layout, o.layout);
    return *this;
  }
  ~InputShape() { av_channel_layout_uninit(&layout); }

  InputShape copy() const { return InputShape(format, rate, layout); }
  bool valid() const { return format != AV_SAMPLE_FMT_NONE && rate > 0 && layout.nb_channels > 0; }
  bool operator==(const InputShape& o) const {
    return format == o.format && rate == o.rate &&
           av_channel_layout_compare(&layout, &o.layout) == 0;
  }
};

// A resampler from `in` to the output format, with the library's default conversion settings.
SwrPtr makeResampler(InputShape& in) {
  SwrContext* raw = nullptr;
  AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
  if (swr_alloc_set_opts2(&raw, &mono, kOutFormat, kOutRate, &in.layout, in.format, in.rate, 0,
                          nullptr) < 0)
    return nullptr;
  SwrPtr swr(raw);
  if (swr_init(swr.get()) < 0) return nullptr;
  return swr;
}

// Demuxes and decodes the track, frame by frame. Used by one thread at a time.
class FrameSource {
 public:
  /// A decoded frame, the end of the track, or why decoding stopped.
  struct Next {
    const AVFrame* frame = nullptr;  // valid until the next call; none at the end or on failure
    std::optional<std::string> error;
    int lastSkippedError = 0;  // at the end: the last error of a skipped packet, 0 when none
  };

  FrameSource(Demuxer demuxer, int stream, CodecPtr codec, PacketPtr packet)
      : demuxer_(std::move(demuxer)),
        stream_(stream),
        codec_(std::move(codec)),
        packet_(std::move(packet)),
        frame_(av_frame_alloc()) {}

  Next next() {
    // One frame, refilled each time: its buffers go back to the decoder's pool on this thread.
    if (frame_) av_frame_unref(frame_.get());
    for (;;) {
      if (ended_) return {.frame = nullptr, .error = std::nullopt, .lastSkippedError = skipped_};
      if (!frame_) return failure(AVERROR(ENOMEM));
      const int received = avcodec_receive_frame(codec_.get(), frame_.get());
      if (received == 0) return {.frame = frame_.get(), .error = std::nullopt};
      if (received == AVERROR_EOF) {
        ended_ = true;
      } else if (received != AVERROR(EAGAIN)) {
        if (!skip(received)) return failure(received);
      } else if (draining_) {
        ended_ = true;  // a drained decoder owes nothing more
      } else if (auto error = feed()) {
        return failure(*error);
      }
    }
  }

 private:
  Next failure(int error) {
    ended_ = true;
    return {.frame = nullptr, .error = describe(error)};
  }

  // A damaged packet is skipped, as players do, so one bad frame does not cost the whole
  // recording; only running out of memory stops decoding here.
  bool skip(int error) {
    skipped_ = error;
    return error != AVERROR(ENOMEM);
  }

  // Hands the decoder the next packet of the track, or the end of input; an error code when
  // reading the file failed.
  std::optional<int> feed() {
    if (!pending_) {
      for (;;) {
        const int read = av_read_frame(demuxer_.format.get(), packet_.get());
        if (read == AVERROR_EOF) {
          avcodec_send_packet(codec_.get(), nullptr);
          draining_ = true;
          return std::nullopt;
        }
        if (read < 0) return read;
        if (packet_->stream_index == stream_) break;
        av_packet_unref(packet_.get());
      }
      pending_ = true;
    }
    const int sent = avcodec_send_packet(codec_.get(), packet_.get());
    if (sent == AVERROR(EAGAIN)) return std::nullopt;  // frames first, then this packet again
    av_packet_unref(packet_.get());
    pending_ = false;
    if (sent < 0 && sent != AVERROR_EOF && !skip(sent)) return sent;
    return std::nullopt;
  }

  Demuxer demuxer_;
  int stream_;
  CodecPtr codec_;
  PacketPtr packet_;
  FramePtr frame_;         // the frame the decoder fills next
  bool pending_ = false;   // `packet_` holds a packet the decoder has not taken yet
  bool draining_ = false;  // the end of input went to the decoder
  bool ended_ = false;
  int skipped_ = 0;
};

// Decoded samples of one shape, copied out of the decoder's frames: what the decoding thread hands
// to the resampling thread. Blocks go round between the two threads and are reused.
struct Block {
  std::vector<std::byte> bytes;  // the planes one after another, `planeBytes` apart
  std::size_t planeBytes = 0;
  int planes = 0;
  int sampleBytes = 0;              // one sample of one plane
  int samples = 0;                  // samples in each plane so far
  int capacity = 0;                 // samples each plane holds
  std::optional<InputShape> shape;  // the samples' shape, when it differs from the block before
  // Set on the block that ends the track: why decoding stopped, or the last error of a skipped
  // packet when it simply ended.
  bool last = false;
  std::optional<std::string> error;
  int lastSkippedError = 0;

  // Empties the block.
  void clear() {
    samples = 0;
    shape.reset();
    last = false;
    error.reset();
    lastSkippedError = 0;
  }
  // Empties the block for samples of the given shape.
  void start(const InputShape& s, std::size_t size) {
    clear();
    const bool planar = av_sample_fmt_is_planar(s.format);
    planes = planar ? s.layout.nb_channels : 1;
    sampleBytes = av_get_bytes_per_sample(s.format) * (planar ? 1 : s.layout.nb_channels);
    capacity = std::max<int>(1, static_cast<int>(size / planes / sampleBytes));
    planeBytes = static_cast<std::size_t>(capacity) * sampleBytes;
    if (bytes.size() < planeBytes * planes) bytes.resize(planeBytes * planes);
  }
  std::byte* plane(int p) { return bytes.data() + planeBytes * p; }
};

// Decoding and resampling run on two threads: a decoding thread copies the decoded samples into
// blocks, and the caller's thread resamples them. On two cores a decode takes about as long as its
// slower half instead of both halves together.
//
// The decoder's own frames never leave the decoding thread: it writes its output into buffers
// that stay in its core's cache, and allocates and frees them there. Only the blocks cross, written
// front to back by one copy and read the same way, which costs the cores far less than handing
// over the frames did (the decoder's stores into frames the other core had just read stalled it).
// A fixed set of blocks bounds the memory between the threads; each thread, once it has to wait,
// sleeps until half of them are ready for it, so the threads wake each other rarely.
class FfmpegTrackReader final : public platform::AudioTrackReader {
 public:
  FfmpegTrackReader(FrameSource source, InputShape shape, SwrPtr resampler)
      : shape_(std::move(shape)), resampler_(std::move(resampler)) {
    for (auto& block : blocks_) free_.push_back(&block);
    decoding_ = std::thread([this, source = std::move(source)]() mutable { decode(source); });
  }

  ~FfmpegTrackReader() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    decoding_.join();
  }

  Chunk next() override {
    out_.clear();
    if (failure_) return fail();
    while (out_.size() < kChunkBytes && !done_) {
      Block& block = *pop();
      auto error = convertBlock(block);
      if (block.last) {
        done_ = true;
        if (!error) error = std::move(block.error);
        if (!error) error = drainResampler();
        // A track whose every packet failed to decode is a failure, not an empty recording.
        if (!error && out_.empty() && !produced_ && block.lastSkippedError != 0)
          error = describe(block.lastSkippedError);
      }
      release(&block);
      if (error) {
        // The samples decoded before the failure still go out first.
        failure_ = std::move(error);
        done_ = true;
      }
    }
    if (out_.empty()) return failure_ ? fail() : Chunk{};
    produced_ = true;
    return {.pcm = out_, .error = std::nullopt};
  }

 private:
  static constexpr std::size_t kBlockBytes = 128 * 1024;
  static constexpr std::size_t kBlocks = 8;  // a megabyte between the threads
  static constexpr std::size_t kWakeAt = kBlocks / 2;
  // `next` gathers at least this much output, so each of its buffers is written to the file as
  // it is, with one system call.
  static constexpr std::size_t kChunkBytes = 64 * 1024;

  // The decoding thread: fills blocks until the track ends, decoding fails or the reader goes.
  void decode(FrameSource& source) {
    Block* block = nullptr;
    InputShape shape;  // of the samples in `block`
    bool shapeChanged = false;
    for (;;) {
      auto next = source.next();
      if (!next.frame) {
        if (!block) {
          if (!(block = take())) return;
          block->clear();
        }
        block->last = true;
        block->error = std::move(next.error);
        block->lastSkippedError = next.lastSkippedError;
        push(block);
        return;
      }
      const AVFrame& f = *next.frame;
      if (f.nb_samples <= 0) continue;
      InputShape frameShape(static_cast<AVSampleFormat>(f.format), f.sample_rate, f.ch_layout);
      if (!frameShape.valid()) continue;
      if (!(frameShape == shape)) {
        if (block && block->samples > 0) {
          push(block);
          block = nullptr;
        }
        shape = std::move(frameShape);
        shapeChanged = true;
      }
      for (int copied = 0; copied < f.nb_samples;) {
        if (!block) {
          if (!(block = take())) return;
          block->start(shape, kBlockBytes);
          if (shapeChanged) block->shape.emplace(shape.copy());
          shapeChanged = false;
        }
        const int count = std::min(block->capacity - block->samples, f.nb_samples - copied);
        const std::size_t at = static_cast<std::size_t>(block->samples) * block->sampleBytes;
        const std::size_t from = static_cast<std::size_t>(copied) * block->sampleBytes;
        for (int p = 0; p < block->planes; ++p)
          std::memcpy(block->plane(p) + at, f.extended_data[p] + from,
                      static_cast<std::size_t>(count) * block->sampleBytes);
        block->samples += count;
        copied += count;
        if (block->samples == block->capacity) {
          push(block);
          block = nullptr;
        }
      }
    }
  }

  // A free block for the decoding thread, or none when the reader is going away.
  Block* take() {
    std::unique_lock lock(mutex_);
    if (free_.empty()) {
      changed_.wait(lock, [this] { return stopping_ || free_.size() >= kWakeAt; });
    }
    if (stopping_) return nullptr;
    Block* block = free_.back();
    free_.pop_back();
    return block;
  }

  void push(Block* block) {
    bool wake;
    {
      std::lock_guard lock(mutex_);
      full_.push_back(block);
      wake = block->last || full_.size() == kWakeAt;
    }
    if (wake) changed_.notify_all();
  }

  // The next full block, waiting for it when none is ready.
  Block* pop() {
    std::unique_lock lock(mutex_);
    if (full_.empty()) {
      changed_.wait(lock, [this] {
        return full_.size() >= kWakeAt || (!full_.empty() && full_.back()->last);
      });
    }
    Block* block = full_.front();
    full_.pop_front();
    return block;
  }

  void release(Block* block) {
    bool wake;
    {
      std::lock_guard lock(mutex_);
      free_.push_back(block);
      wake = free_.size() == kWakeAt;
    }
    if (wake) changed_.notify_all();
  }

  Chunk fail() { return {.pcm = {}, .error = failure_}; }

  // Resamples the block into `out_`; samples of another shape get a new resampler after the old
  // one has given up the samples it held.
  std::optional<std::string> convertBlock(Block& block) {
    if (block.shape && (!resampler_ || !(*block.shape == shape_))) {
      if (auto error = drainResampler()) return error;
      resampler_ = makeResampler(*block.shape);
      if (!resampler_) return "unsupported";
      shape_ = std::move(*block.shape);
    }
    if (block.samples == 0 || !resampler_) return std::nullopt;
    planes_.resize(static_cast<std::size_t>(block.planes));
    for (int p = 0; p < block.planes; ++p)
      planes_[p] = reinterpret_cast<const std::uint8_t*>(block.plane(p));
    return convert(planes_.data(), block.samples);
  }

  std::optional<std::string> convert(const std::uint8_t** in, int count) {
    const int room = swr_get_out_samples(resampler_.get(), count);
    if (room < 0) return describe(room);
    const std::size_t used = out_.size();
    out_.resize(used + static_cast<std::size_t>(room) * 2);
    auto* dst = reinterpret_cast<std::uint8_t*>(out_.data() + used);
    const int made = swr_convert(resampler_.get(), &dst, room, in, count);
    if (made < 0) return describe(made);
    out_.resize(used + static_cast<std::size_t>(made) * 2);
    if constexpr (std::endian::native == std::endian::big) {
      for (std::size_t i = used; i + 1 < out_.size(); i += 2) std::swap(out_[i], out_[i + 1]);
    }
    return std::nullopt;
  }

  // Takes every sample the resampler still holds back.
  std::optional<std::string> drainResampler() {
    if (!resampler_) return std::nullopt;
    for (;;) {
      const std::size_t before = out_.size();
      if (auto error = convert(nullptr, 0)) return error;
      if (out_.size() == before) return std::nullopt;
    }
  }

  // Shared with the decoding thread.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::array<Block, kBlocks> blocks_;
  std::vector<Block*> free_;  // blocks the decoding thread may fill
  std::deque<Block*> full_;   // blocks waiting for the resampler, in order
  bool stopping_ = false;

  // The caller's side.
  InputShape shape_;
  SwrPtr resampler_;
  std::vector<const std::uint8_t*> planes_;
  bool done_ = false;                   // nothing more will come from the decoding thread
  std::optional<std::string> failure_;  // why decoding stopped, once it has
  bool produced_ = false;               // some samples went out
  std::vector<std::byte> out_;

  std::thread decoding_;  // last: starts once everything it touches exists
};
}  // namespace

FfmpegDecoder::FfmpegDecoder() {
  av_log_set_level(AV_LOG_QUIET);
}

platform::AudioDecoder::Opened FfmpegDecoder::open(const std::string& path) {
  Demuxer demuxer{.file = InputFile::open(path), .format = nullptr};
  if (!demuxer.file) return OpenError::noAudio;
  // The path is a file name, never a URL; the name still tells the demuxers the file's extension.
  const std::string url = "file:" + path;
  const AVInputFormat* kind = nullptr;
  if (av_probe_input_buffer2(demuxer.file->io(), &kind, url.c_str(), nullptr, 0, 0) < 0 || !kind ||
      refusedDemuxer(*kind))
    return OpenError::noAudio;
  AVFormatContext* raw = avformat_alloc_context();
  if (!raw) return OpenError::unreadable;
  raw->pb = demuxer.file->io();
  raw->flags |= AVFMT_FLAG_CUSTOM_IO;
  raw->io_open = refuseNestedOpen;
  // Local files only, should anything still ask for a protocol.
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  const int opened = avformat_open_input(&raw, url.c_str(), kind, &options);
  av_dict_free(&options);
  if (opened < 0) return OpenError::noAudio;  // the library freed the context
  demuxer.format.reset(raw);
  AVFormatContext* format = raw;
  if (avformat_find_stream_info(format, nullptr) < 0) return OpenError::noAudio;

  int index = -1;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    if (index < 0 && format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
      index = static_cast<int>(i);
    else
      format->streams[i]->discard = AVDISCARD_ALL;
  }
  if (index < 0) return OpenError::noAudio;
  AVStream* stream = format->streams[index];

  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) return OpenError::unsupported;
  CodecPtr context(avcodec_alloc_context3(codec));
  if (!context || avcodec_parameters_to_context(context.get(), stream->codecpar) < 0)
    return OpenError::unreadable;
  context->pkt_timebase = stream->time_base;
  if (avcodec_open2(context.get(), codec, nullptr) < 0) return OpenError::unsupported;

  PacketPtr packet(av_packet_alloc());
  if (!packet) return OpenError::unreadable;

  // When the decoder already knows what it will deliver, find out now whether it converts.
  InputShape shape(context->sample_fmt, context->sample_rate, context->ch_layout);
  SwrPtr resampler;
  if (shape.valid()) {
    resampler = makeResampler(shape);
    if (!resampler) return OpenError::unsupported;
  }
  try {
    return std::make_unique<FfmpegTrackReader>(
        FrameSource(std::move(demuxer), index, std::move(context), std::move(packet)),
        std::move(shape), std::move(resampler));
  } catch (const std::system_error&) {
    return OpenError::unreadable;  // no thread to decode on
  }
}

}  // namespace parlevox::native
