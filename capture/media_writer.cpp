// media_writer.cpp: the encoders and the muxer behind MediaWriter, in the manner of FFmpeg's
// encoding examples: every call checked, every object owned by a handle.
#include "media_writer.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cctype>

namespace capture
{
namespace
{

// x264's speed preset. "veryfast" keeps the whole capture several times faster than real time
// on two cores while CRF 18 keeps the slides visually clean; slower presets only shrink the file.
constexpr const char *kX264Preset = "veryfast";
constexpr const char *kX264Crf = "18";
constexpr std::int64_t kAacBitRate = 192000;
constexpr std::size_t kVariableAudioFrame = 4096;

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

const AVCodec *find_encoder(const char *name)
{
    const AVCodec *codec = avcodec_find_encoder_by_name(name);
    if (codec == nullptr) {
        throw CaptureError(std::string("this FFmpeg has no ") + name + " encoder");
    }
    return codec;
}

} // namespace

std::optional<Container> container_for(const std::string &path)
{
    const std::string name = lower(path);
    const auto ends_with = [&name](const std::string &suffix) {
        return name.size() > suffix.size() &&
               name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    if (ends_with(".mp4")) {
        return Container::Mp4;
    }
    if (ends_with(".mkv")) {
        return Container::Mkv;
    }
    return std::nullopt;
}

MediaWriter::MediaWriter(const std::string &path, const MediaSettings &settings)
    : settings_(settings), packet_(make_packet())
{
    const char *format = settings_.container == Container::Mp4 ? "mp4" : "matroska";
    AVFormatContext *output = nullptr;
    check_av(avformat_alloc_output_context2(&output, nullptr, format, path.c_str()),
             "cannot set up the " + std::string(format) + " container");
    output_.reset(output);

    open_video();
    open_audio();

    check_av(avio_open(&output_->pb, path.c_str(), AVIO_FLAG_WRITE), "cannot write " + path);
    OptionList options;
    if (settings_.container == Container::Mp4) {
        // The index at the front, so that browsers start playing before the whole file is in.
        options.set("movflags", "+faststart");
    }
    check_av(avformat_write_header(output_.get(), options.get()),
             "cannot write the header of " + path);
}

MediaWriter::~MediaWriter() = default;

void MediaWriter::open_video()
{
    const bool h264 = settings_.container == Container::Mp4;
    const AVCodec *codec = find_encoder(h264 ? "libx264" : "ffv1");
    video_.codec.reset(avcodec_alloc_context3(codec));
    if (!video_.codec) {
        throw CaptureError("out of memory for the video encoder");
    }
    AVCodecContext &context = *video_.codec;
    context.width = settings_.width;
    context.height = settings_.height;
    context.time_base = AVRational{1, settings_.fps};
    context.framerate = AVRational{settings_.fps, 1};
    context.sample_aspect_ratio = AVRational{1, 1};
    OptionList options;
    if (h264) {
        context.pix_fmt = AV_PIX_FMT_YUV420P;
        context.gop_size = 2 * settings_.fps; // a key frame every two seconds, for seeking
        // swscale's RGB to YUV: BT.601 coefficients, limited range; said so in the stream.
        context.colorspace = AVCOL_SPC_SMPTE170M;
        context.color_primaries = AVCOL_PRI_SMPTE170M;
        context.color_trc = AVCOL_TRC_SMPTE170M;
        context.color_range = AVCOL_RANGE_MPEG;
        options.set("preset", kX264Preset);
        options.set("crf", kX264Crf);
    } else {
        context.pix_fmt = AV_PIX_FMT_BGR0;
        // Version 3 codes slices in parallel and checks each with a CRC.
        options.set("level", "3");
        options.set("slicecrc", "1");
        options.set("slices", "4");
        context.thread_count = 0; // the slices on every core
        context.thread_type = FF_THREAD_SLICE;
    }
    if ((output_->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        context.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    check_av(avcodec_open2(&context, codec, options.get()),
             std::string("cannot open the ") + codec->name + " encoder");

    video_.stream = avformat_new_stream(output_.get(), nullptr);
    if (video_.stream == nullptr) {
        throw CaptureError("cannot add the video stream");
    }
    video_.stream->time_base = context.time_base;
    video_.stream->avg_frame_rate = context.framerate;
    video_.stream->sample_aspect_ratio = context.sample_aspect_ratio;
    check_av(avcodec_parameters_from_context(video_.stream->codecpar, &context),
             "video stream parameters");

    video_input_ = make_frame();
    video_input_->format = AV_PIX_FMT_BGR0;
    video_input_->width = settings_.width;
    video_input_->height = settings_.height;
    check_av(av_frame_get_buffer(video_input_.get(), 0), "cannot allocate a video frame");
    if (h264) {
        video_frame_ = make_frame();
        video_frame_->format = context.pix_fmt;
        video_frame_->width = settings_.width;
        video_frame_->height = settings_.height;
        check_av(av_frame_get_buffer(video_frame_.get(), 0), "cannot allocate a video frame");
        convert_.reset(sws_getContext(settings_.width, settings_.height, AV_PIX_FMT_BGR0,
                                      settings_.width, settings_.height, AV_PIX_FMT_YUV420P,
                                      SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr,
                                      nullptr, nullptr));
        if (!convert_) {
            throw CaptureError("cannot set up the colour conversion");
        }
    }
}

void MediaWriter::open_audio()
{
    const bool aac = settings_.container == Container::Mp4;
    const AVCodec *codec = find_encoder(aac ? "aac" : "flac");
    audio_.codec.reset(avcodec_alloc_context3(codec));
    if (!audio_.codec) {
        throw CaptureError("out of memory for the audio encoder");
    }
    AVCodecContext &context = *audio_.codec;
    context.sample_fmt = aac ? AV_SAMPLE_FMT_FLTP : AV_SAMPLE_FMT_S16;
    context.sample_rate = settings_.sample_rate;
    context.time_base = AVRational{1, settings_.sample_rate};
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    check_av(av_channel_layout_copy(&context.ch_layout, &stereo), "audio channel layout");
    if (aac) {
        context.bit_rate = kAacBitRate;
    }
    if ((output_->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        context.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    check_av(avcodec_open2(&context, codec, nullptr),
             std::string("cannot open the ") + codec->name + " encoder");

    audio_.stream = avformat_new_stream(output_.get(), nullptr);
    if (audio_.stream == nullptr) {
        throw CaptureError("cannot add the audio stream");
    }
    audio_.stream->time_base = context.time_base;
    check_av(avcodec_parameters_from_context(audio_.stream->codecpar, &context),
             "audio stream parameters");

    // Encoders that take frames of any size leave frame_size at 0.
    audio_frame_samples_ =
        context.frame_size > 0 ? static_cast<std::size_t>(context.frame_size) : kVariableAudioFrame;
    audio_frame_ = make_frame();
    pending_audio_.reserve(2 * audio_frame_samples_);
}

AVFrame &MediaWriter::video_input()
{
    // The encoder may still hold the last frame it was given.
    check_av(av_frame_make_writable(video_input_.get()), "cannot reuse a video frame");
    return *video_input_;
}

void MediaWriter::submit_video_frame()
{
    AVFrame *frame = video_input_.get();
    if (convert_) {
        check_av(av_frame_make_writable(video_frame_.get()), "cannot reuse a video frame");
        check_av(sws_scale(convert_.get(), video_input_->data, video_input_->linesize, 0,
                           settings_.height, video_frame_->data, video_frame_->linesize),
                 "colour conversion");
        frame = video_frame_.get();
    }
    last_video_ = frame;
    frame->pts = video_pts_++;
    encode(video_, frame);
}

void MediaWriter::repeat_video_frame()
{
    if (last_video_ == nullptr) {
        throw CaptureError("no video frame to repeat");
    }
    last_video_->pts = video_pts_++;
    encode(video_, last_video_);
}

void MediaWriter::write_audio(const std::int16_t *stereo, std::size_t frames)
{
    const std::size_t codec_frame = audio_frame_samples_;
    pending_audio_.insert(pending_audio_.end(), stereo, stereo + 2 * frames);
    while (pending_audio_.size() / 2 >= codec_frame) {
        send_audio_frame(codec_frame);
        pending_audio_.erase(pending_audio_.begin(),
                             pending_audio_.begin() + static_cast<std::ptrdiff_t>(2 * codec_frame));
    }
}

// Encodes the first `frames` pending frames as one codec frame.
void MediaWriter::send_audio_frame(std::size_t frames)
{
    AVCodecContext &context = *audio_.codec;
    AVFrame &frame = *audio_frame_;
    av_frame_unref(&frame);
    frame.format = context.sample_fmt;
    frame.sample_rate = context.sample_rate;
    frame.nb_samples = static_cast<int>(frames);
    check_av(av_channel_layout_copy(&frame.ch_layout, &context.ch_layout), "audio frame layout");
    check_av(av_frame_get_buffer(&frame, 0), "cannot allocate an audio frame");
    const std::int16_t *source = pending_audio_.data();
    if (context.sample_fmt == AV_SAMPLE_FMT_FLTP) {
        auto *left = reinterpret_cast<float *>(frame.data[0]);
        auto *right = reinterpret_cast<float *>(frame.data[1]);
        for (std::size_t i = 0; i < frames; ++i) {
            left[i] = static_cast<float>(source[2 * i]) / 32768.0f;
            right[i] = static_cast<float>(source[2 * i + 1]) / 32768.0f;
        }
    } else {
        std::copy(source, source + 2 * frames, reinterpret_cast<std::int16_t *>(frame.data[0]));
    }
    frame.pts = audio_pts_;
    audio_pts_ += static_cast<std::int64_t>(frames);
    encode(audio_, &frame);
}

void MediaWriter::encode(Track &track, const AVFrame *frame)
{
    const bool video = &track == &video_;
    check_av(avcodec_send_frame(track.codec.get(), frame),
             video ? "video encoding" : "audio encoding");
    for (;;) {
        const int received = avcodec_receive_packet(track.codec.get(), packet_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return;
        }
        check_av(received, video ? "video encoding" : "audio encoding");
        av_packet_rescale_ts(packet_.get(), track.codec->time_base, track.stream->time_base);
        packet_->stream_index = track.stream->index;
        // Takes the packet's data, leaving packet_ blank for the next one.
        check_av(av_interleaved_write_frame(output_.get(), packet_.get()), "cannot write");
        if (output_->pb->error < 0) {
            check_av(output_->pb->error, "cannot write");
        }
    }
}

void MediaWriter::finish()
{
    if (finished_) {
        return;
    }
    finished_ = true;
    if (!pending_audio_.empty()) {
        send_audio_frame(pending_audio_.size() / 2); // a shorter last frame is allowed
        pending_audio_.clear();
    }
    encode(audio_, nullptr);
    encode(video_, nullptr);
    check_av(av_write_trailer(output_.get()), "cannot finish the file");
    check_av(avio_closep(&output_->pb), "cannot finish the file");
}

} // namespace capture
