// media_writer.h: encodes the demo's frames and audio into a video file: H.264 and AAC in MP4,
// or lossless FFV1 (RGB) and FLAC in Matroska.
#pragma once

#include "av_handles.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace capture
{

enum class Container { Mp4, Mkv };

// The container that a file name's extension asks for (.mp4 or .mkv, any case); none for
// anything else.
std::optional<Container> container_for(const std::string &path);

struct MediaSettings {
    Container container = Container::Mp4;
    int width = 800;
    int height = 480;
    int fps = 60;
    int sample_rate = 44100; // stereo, 16-bit input
};

class MediaWriter
{
  public:
    // Opens `path` (overwriting it) and writes the container's header. Throws CaptureError.
    MediaWriter(const std::string &path, const MediaSettings &settings);
    ~MediaWriter();
    MediaWriter(const MediaWriter &) = delete;
    MediaWriter &operator=(const MediaWriter &) = delete;

    // The next video frame to fill: width x height pixels of 4 bytes, blue, green, red, unused
    // (AV_PIX_FMT_BGR0), rows `linesize[0]` apart. Fill it, then call submit_video_frame.
    AVFrame &video_input();
    // Encodes the filled frame as the next one (frame k is shown from k / fps seconds on).
    void submit_video_frame();
    // Encodes the last submitted frame once more, as the next one.
    void repeat_video_frame();

    // Appends `frames` interleaved stereo frames to the audio track.
    void write_audio(const std::int16_t *stereo, std::size_t frames);

    // Flushes both encoders, writes the trailer and closes the file. Throws CaptureError.
    void finish();

  private:
    struct Track {
        CodecContextPtr codec;
        AVStream *stream = nullptr;
    };

    void open_video();
    void open_audio();
    void send_audio_frame(std::size_t frames);
    // Sends `frame` (null: flush) to the track's encoder and writes every packet it returns.
    void encode(Track &track, const AVFrame *frame);

    MediaSettings settings_;
    OutputContextPtr output_;
    Track video_;
    Track audio_;
    FramePtr video_input_;          // what the caller fills
    FramePtr video_frame_;          // what the encoder takes, for H.264 (FFV1 takes the input)
    AVFrame *last_video_ = nullptr; // the frame last sent to the encoder
    SwsContextPtr convert_;         // input to yuv420p, for H.264
    FramePtr audio_frame_;
    PacketPtr packet_;
    std::int64_t video_pts_ = 0;
    std::int64_t audio_pts_ = 0;
    std::size_t audio_frame_samples_ = 0;     // per encoder call
    std::vector<std::int16_t> pending_audio_; // interleaved, less than one codec frame
    bool finished_ = false;
};

} // namespace capture
