#include "imaging/movie_thumbnail.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "imaging/decode_stop.h"
#include "imaging/jpeg_thumbnail.h"
#include "imaging/movie_input.h"

namespace kova {

namespace {

// Bounds of one movie's decoding: the packets read in all (audio and other streams included) and
// the video packets given to the decoder before a frame must have come.
constexpr int kMostPackets = 4096;
constexpr int kMostVideoPackets = 256;
// Larger frames are refused by the decoder: 2^26 pixels (8K video has half as many).
constexpr int64_t kMostFramePixels = int64_t{1} << 26;
// The largest single allocation the libraries may make, well above any frame of that size.
constexpr size_t kMostAllocation = size_t{512} << 20;
constexpr int kRowAlignment = 64;

// The video codings of cameras, camcorders and phones. A movie of another coding gets no
// thumbnail, so that a damaged or hostile file cannot reach the library's rarely used decoders.
constexpr std::array kCameraCodecs = {
    AV_CODEC_ID_MJPEG,   AV_CODEC_ID_MJPEGB,     AV_CODEC_ID_H264,       AV_CODEC_ID_HEVC,
    AV_CODEC_ID_MPEG4,   AV_CODEC_ID_MPEG1VIDEO, AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_H263,
    AV_CODEC_ID_DVVIDEO, AV_CODEC_ID_PRORES,     AV_CODEC_ID_VP9,        AV_CODEC_ID_AV1,
};

struct TXFormatClose {
  void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};
struct TXCodecFree {
  void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct TXPacketFree {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct TXFrameFree {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct TXBufferFree {
  void operator()(uint8_t* buffer) const { av_free(buffer); }
};
struct TXScalerFree {
  void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};

using TXFormat = std::unique_ptr<AVFormatContext, TXFormatClose>;
using TXCodec = std::unique_ptr<AVCodecContext, TXCodecFree>;
using TXPacket = std::unique_ptr<AVPacket, TXPacketFree>;
using TXFrame = std::unique_ptr<AVFrame, TXFrameFree>;
using TXScaler = std::unique_ptr<SwsContext, TXScalerFree>;

[[noreturn]] void Fail(const std::string& what, int error = 0) {
  std::string text = "movie: " + what;
  if (error < 0) {
    std::array<char, AV_ERROR_MAX_STRING_SIZE> reason{};
    av_strerror(error, reason.data(), reason.size());
    text += std::string(" (") + reason.data() + ")";
  }
  throw EXInvalidGraphic(text);
}

// The libraries are quiet (their complaints about damaged data would fill kova-cli's error
// output) and allocate no absurd sizes, set once for the process.
void ConfigureLibraries() {
  static std::once_flag configured;
  std::call_once(configured, [] {
    av_log_set_level(AV_LOG_QUIET);
    av_max_alloc(kMostAllocation);
  });
}

const char* DemuxerName(TXMovieContainer container) {
  switch (container) {
    case TXMovieContainer::mcAVI:
      return "avi";
    case TXMovieContainer::mcQuickTime:
      return "mov";
    case TXMovieContainer::mcTransportStream:
      return "mpegts";
  }
  return "";
}

// A movie reads nothing but its own bytes, whatever other files it names.
int RefuseOtherFiles(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

TXFormat OpenMovie(TXMovieInput& input, TXMovieContainer container) {
  AVFormatContext* format = avformat_alloc_context();
  if (!format) Fail("out of memory");
  format->pb = input.Context();
  format->interrupt_callback = {&TXMovieInput::InterruptCallback, &input};
  format->io_open = RefuseOtherFiles;
  const int opened =
      avformat_open_input(&format, nullptr, av_find_input_format(DemuxerName(container)), nullptr);
  if (opened < 0) Fail("the container does not open", opened);
  return TXFormat(format);
}

bool IsCameraCodec(AVCodecID codec) {
  return std::ranges::find(kCameraCodecs, codec) != kCameraCodecs.end();
}

// The decoder of the stream, on the calling thread alone; nullptr for a coding not decoded here.
TXCodec OpenDecoder(const AVStream& stream) {
  const AVCodecParameters& parameters = *stream.codecpar;
  const AVCodec* decoder =
      IsCameraCodec(parameters.codec_id) ? avcodec_find_decoder(parameters.codec_id) : nullptr;
  if (!decoder) return nullptr;
  TXCodec codec(avcodec_alloc_context3(decoder));
  if (!codec) Fail("out of memory");
  const int taken = avcodec_parameters_to_context(codec.get(), &parameters);
  if (taken < 0) Fail("the video's parameters are unusable", taken);
  codec->thread_count = 1;
  codec->max_pixels = kMostFramePixels;
  codec->pkt_timebase = stream.time_base;
  const int opened = avcodec_open2(codec.get(), decoder, nullptr);
  if (opened < 0) Fail("the video decoder does not start", opened);
  return codec;
}

// True when the decoder gave a frame.
bool TakeFrame(AVCodecContext& codec, AVFrame& frame) {
  return avcodec_receive_frame(&codec, &frame) == 0;
}

// The first frame of the video stream, within the bounds.
TXFrame FirstFrame(AVFormatContext& format, int video, AVCodecContext& codec) {
  TXPacket packet(av_packet_alloc());
  TXFrame frame(av_frame_alloc());
  if (!packet || !frame) Fail("out of memory");
  int videoPackets = 0;
  for (int packets = 0; packets < kMostPackets && videoPackets < kMostVideoPackets; ++packets) {
    if (av_read_frame(&format, packet.get()) < 0) break;
    const bool ours = packet->stream_index == video;
    if (ours) {
      ++videoPackets;
      avcodec_send_packet(&codec, packet.get());
    }
    av_packet_unref(packet.get());
    if (ours && TakeFrame(codec, *frame)) return frame;
  }
  if (DecodeStopRequested()) Fail("the decoding was stopped");
  // What the decoder still holds, at the end of what was read.
  avcodec_send_packet(&codec, nullptr);
  if (TakeFrame(codec, *frame)) return frame;
  Fail("no frame decodes");
}

// The frame's width as shown, from its pixel aspect ratio.
TXSize ShownSize(const AVFrame& frame) {
  const AVRational aspect = frame.sample_aspect_ratio;
  int64_t width = frame.width;
  if (aspect.num > 0 && aspect.den > 0) {
    width = std::clamp<int64_t>(av_rescale(frame.width, aspect.num, aspect.den), 1,
                                int64_t{frame.width} * 4);
  }
  return {static_cast<int32_t>(width), frame.height};
}

// The frame in 32-bit colours at the size a JPEG of the shown size would be decoded at for the
// box (one eighth for a small box), each pixel the average of those it covers.
void ConvertFrame(const AVFrame& frame, TXSize box, TXBitmap32& picture) {
  if (frame.width <= 0 || frame.height <= 0) Fail("the frame is empty");
  const TXSize shown = ShownSize(frame);
  const TXSize size = ScaledJpegSize(shown.Width, shown.Height, ThumbnailScale(box, shown));
  TXScaler scaler(sws_getContext(frame.width, frame.height,
                                 static_cast<AVPixelFormat>(frame.format), size.Width, size.Height,
                                 AV_PIX_FMT_BGRA, SWS_AREA, nullptr, nullptr, nullptr));
  if (!scaler) Fail("the frame's colours do not convert");
  // The scaler writes whole blocks of pixels: its rows get the padding it may write into.
  uint8_t* planes[4] = {};
  int strides[4] = {};
  if (av_image_alloc(planes, strides, size.Width, size.Height, AV_PIX_FMT_BGRA, kRowAlignment) < 0)
    Fail("out of memory");
  std::unique_ptr<uint8_t, TXBufferFree> hold(planes[0]);
  if (sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides) <= 0)
    Fail("the frame's colours do not convert");
  picture.SetSize(size.Width, size.Height);
  for (int32_t y = 0; y < size.Height; ++y)
    std::memcpy(picture.Scanline(y), planes[0] + static_cast<ptrdiff_t>(y) * strides[0],
                static_cast<size_t>(size.Width) * 4);
}

// How many quarter turns clockwise the stream asks its frames to be shown with.
int QuarterTurns(const AVStream& stream) {
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(60, 29, 100)
  const AVPacketSideData* side =
      av_packet_side_data_get(stream.codecpar->coded_side_data, stream.codecpar->nb_coded_side_data,
                              AV_PKT_DATA_DISPLAYMATRIX);
  const uint8_t* matrix = side && side->size >= 9 * sizeof(int32_t) ? side->data : nullptr;
#else
  size_t size = 0;
  const uint8_t* matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (size < 9 * sizeof(int32_t)) matrix = nullptr;
#endif
  if (!matrix) return 0;
  // The matrix turns counter-clockwise.
  const double degrees = -av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
  if (!std::isfinite(degrees)) return 0;
  return ((static_cast<int>(std::lround(degrees / 90)) % 4) + 4) % 4;
}

void Turn(TXBitmap32& picture, int quarterTurns) {
  if (quarterTurns == 0) return;
  const int32_t width = picture.Width();
  const int32_t height = picture.Height();
  TXBitmap32 turned;
  if (quarterTurns == 2) {
    turned.SetSize(width, height);
  } else {
    turned.SetSize(height, width);
  }
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const TXColor color = picture.Pixel(x, y);
      if (quarterTurns == 1) {
        turned.SetPixel(height - 1 - y, x, color);
      } else if (quarterTurns == 2) {
        turned.SetPixel(width - 1 - x, height - 1 - y, color);
      } else {
        turned.SetPixel(y, width - 1 - x, color);
      }
    }
  }
  picture.Swap(turned);
}

}  // namespace

bool DecodeMovieThumbnail(TXStream& stream, TXMovieContainer container, TXSize box,
                          TXSize& pictureSize, TXImageObject& image) {
  return MakeFittedThumbnail(box, pictureSize, image, [&](TXBitmap32& picture, TXSize& size) {
    ConfigureLibraries();
    stream.SetPosition(0);
    TXMovieInput input(stream);
    TXFormat format = OpenMovie(input, container);
    // A movie of sound alone is whole without a picture; one without any stream is not a movie.
    if (format->nb_streams == 0) Fail("no stream");
    const int video = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) return false;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
      if (static_cast<int>(i) != video) format->streams[i]->discard = AVDISCARD_ALL;
    }
    const AVStream& shown = *format->streams[video];
    TXCodec codec = OpenDecoder(shown);
    if (!codec) return false;
    TXFrame frame = FirstFrame(*format, video, *codec);
    ConvertFrame(*frame, box, picture);
    const int turns = QuarterTurns(shown);
    Turn(picture, turns);
    const TXSize frameSize = ShownSize(*frame);
    size = turns % 2 ? TXSize{frameSize.Height, frameSize.Width} : frameSize;
    return true;
  });
}

}  // namespace kova
