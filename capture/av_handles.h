// av_handles.h: owning handles for the libav* objects the capture uses, freed on every path, and
// the error type that carries a libav failure up to the program's exit status.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <stdexcept>
#include <string>

namespace capture
{

// A failure that ends the capture with a message and exit status 1.
class CaptureError : public std::runtime_error
{
  public:
    using std::runtime_error::runtime_error;
};

// libav's text for an error code.
inline std::string av_error_text(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Throws CaptureError("what: libav's reason") when `code` is negative; returns it otherwise.
inline int check_av(int code, const std::string &what)
{
    if (code < 0) {
        throw CaptureError(what + ": " + av_error_text(code));
    }
    return code;
}

struct CodecContextDeleter {
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;

struct FrameDeleter {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

struct PacketDeleter {
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

struct SwsContextDeleter {
    void operator()(SwsContext *context) const { sws_freeContext(context); }
};
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;

// An output format context; closes its file, if one is open, before freeing it.
struct OutputContextDeleter {
    void operator()(AVFormatContext *context) const
    {
        if (context->pb != nullptr && (context->oformat->flags & AVFMT_NOFILE) == 0) {
            avio_closep(&context->pb);
        }
        avformat_free_context(context);
    }
};
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextDeleter>;

struct InputContextDeleter {
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextDeleter>;

// Options for one libav open call; what the call leaves unused is freed with it.
class OptionList
{
  public:
    OptionList() = default;
    ~OptionList() { av_dict_free(&dictionary_); }
    OptionList(const OptionList &) = delete;
    OptionList &operator=(const OptionList &) = delete;

    void set(const char *key, const char *value)
    {
        check_av(av_dict_set(&dictionary_, key, value, 0), std::string("option ") + key);
    }
    AVDictionary **get() { return &dictionary_; }

  private:
    AVDictionary *dictionary_ = nullptr;
};

inline FramePtr make_frame()
{
    FramePtr frame(av_frame_alloc());
    if (!frame) {
        throw CaptureError("out of memory for a frame");
    }
    return frame;
}

inline PacketPtr make_packet()
{
    PacketPtr packet(av_packet_alloc());
    if (!packet) {
        throw CaptureError("out of memory for a packet");
    }
    return packet;
}

} // namespace capture
