// decoded_media.cpp: reads a capture back, converting video frames to BGR0 with swscale.
#include "decoded_media.h"

#include "av_handles.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace capture_test
{
namespace
{

using namespace capture;

void Check(int code, const std::string &what)
{
    if (code < 0) {
        throw std::runtime_error(what + ": " + av_error_text(code));
    }
}

struct Decoder {
    CodecContextPtr codec;
    int stream = -1;
};

Decoder OpenDecoder(AVFormatContext *input, AVMediaType type)
{
    Decoder decoder;
    const AVCodec *codec = nullptr;
    decoder.stream = av_find_best_stream(input, type, -1, -1, &codec, 0);
    Check(decoder.stream, "no stream of that kind");
    decoder.codec.reset(avcodec_alloc_context3(codec));
    if (!decoder.codec) {
        throw std::runtime_error("avcodec_alloc_context3");
    }
    Check(avcodec_parameters_to_context(decoder.codec.get(),
                                        input->streams[decoder.stream]->codecpar),
          "codec parameters");
    Check(avcodec_open2(decoder.codec.get(), codec, nullptr), "avcodec_open2");
    return decoder;
}

void TakeVideo(const AVFrame &frame, VideoTrack &video, SwsContextPtr &convert)
{
    if (!convert) {
        convert.reset(sws_getContext(
            frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), frame.width,
            frame.height, AV_PIX_FMT_BGR0, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
            nullptr, nullptr, nullptr));
        if (!convert) {
            throw std::runtime_error("sws_getContext");
        }
    }
    std::vector<std::uint32_t> pixels(static_cast<size_t>(frame.width) * frame.height);
    std::uint8_t *planes[4] = {reinterpret_cast<std::uint8_t *>(pixels.data()), nullptr, nullptr,
                               nullptr};
    const int strides[4] = {frame.width * 4, 0, 0, 0};
    Check(sws_scale(convert.get(), frame.data, frame.linesize, 0, frame.height, planes, strides),
          "sws_scale");
    video.frames.push_back(std::move(pixels));
}

void TakeAudio(const AVFrame &frame, AudioTrack &audio)
{
    const int channels = frame.ch_layout.nb_channels;
    for (int i = 0; i < frame.nb_samples; ++i) {
        for (int c = 0; c < channels; ++c) {
            switch (frame.format) {
            case AV_SAMPLE_FMT_S16:
                audio.samples.push_back(static_cast<float>(reinterpret_cast<const std::int16_t *>(
                                            frame.data[0])[i * channels + c]) /
                                        32768.0f);
                break;
            case AV_SAMPLE_FMT_FLTP:
                audio.samples.push_back(reinterpret_cast<const float *>(frame.data[c])[i]);
                break;
            default:
                throw std::runtime_error("unexpected sample format");
            }
        }
    }
}

// Sends `packet` (null: flush) and takes every frame the decoder gives back.
void Drain(Decoder &decoder, const AVPacket *packet, AVFrame &frame, DecodedMedia &media,
           SwsContextPtr &convert)
{
    Check(avcodec_send_packet(decoder.codec.get(), packet), "avcodec_send_packet");
    for (;;) {
        const int received = avcodec_receive_frame(decoder.codec.get(), &frame);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return;
        }
        Check(received, "avcodec_receive_frame");
        if (decoder.codec->codec_type == AVMEDIA_TYPE_VIDEO) {
            TakeVideo(frame, media.video, convert);
        } else {
            TakeAudio(frame, media.audio);
        }
        av_frame_unref(&frame);
    }
}

} // namespace

DecodedMedia Decode(const std::filesystem::path &path)
{
    AVFormatContext *raw = nullptr;
    Check(avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "open " + path.string());
    const InputContextPtr input(raw);
    Check(avformat_find_stream_info(input.get(), nullptr), "stream info");

    DecodedMedia media;
    media.container = input->iformat->name;
    media.streams = static_cast<int>(input->nb_streams);
    Decoder video = OpenDecoder(input.get(), AVMEDIA_TYPE_VIDEO);
    // A picture has no audio stream.
    Decoder audio;
    if (av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0) {
        audio = OpenDecoder(input.get(), AVMEDIA_TYPE_AUDIO);
    }
    const AVStream *video_stream = input->streams[video.stream];
    media.video.codec = video.codec->codec->name;
    media.video.pix_fmt = av_get_pix_fmt_name(video.codec->pix_fmt);
    media.video.width = video.codec->width;
    media.video.height = video.codec->height;
    media.video.fps_num = video_stream->avg_frame_rate.num;
    media.video.fps_den = video_stream->avg_frame_rate.den;
    if (audio.codec) {
        media.audio.codec = audio.codec->codec->name;
        media.audio.sample_fmt = av_get_sample_fmt_name(audio.codec->sample_fmt);
        media.audio.sample_rate = audio.codec->sample_rate;
        media.audio.channels = audio.codec->ch_layout.nb_channels;
    }

    const PacketPtr packet = make_packet();
    const FramePtr frame = make_frame();
    SwsContextPtr convert;
    for (;;) {
        const int read = av_read_frame(input.get(), packet.get());
        if (read == AVERROR_EOF) {
            break;
        }
        Check(read, "av_read_frame");
        if (packet->stream_index == video.stream) {
            Drain(video, packet.get(), *frame, media, convert);
        } else if (audio.codec && packet->stream_index == audio.stream) {
            Drain(audio, packet.get(), *frame, media, convert);
        }
        av_packet_unref(packet.get());
    }
    Drain(video, nullptr, *frame, media, convert);
    if (audio.codec) {
        Drain(audio, nullptr, *frame, media, convert);
    }
    return media;
}

double Psnr(const std::vector<std::uint32_t> &a, const std::vector<std::uint32_t> &b)
{
    return Psnr(a, b, {0, 0, static_cast<int>(a.size()), 1, static_cast<int>(a.size())});
}

double Psnr(const std::vector<std::uint32_t> &a, const std::vector<std::uint32_t> &b, Area area)
{
    if (a.size() != b.size() || a.empty()) {
        return 0;
    }
    double squared = 0;
    for (int y = area.y; y < area.y + area.height; ++y) {
        for (int x = area.x; x < area.x + area.width; ++x) {
            const size_t i = static_cast<size_t>(y) * area.stride + x;
            for (int shift = 0; shift < 24; shift += 8) {
                const int d = static_cast<int>((a.at(i) >> shift) & 0xFF) -
                              static_cast<int>((b.at(i) >> shift) & 0xFF);
                squared += d * d;
            }
        }
    }
    const double mse = squared / (3.0 * area.width * area.height);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

} // namespace capture_test
