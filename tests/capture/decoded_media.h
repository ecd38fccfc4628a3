// decoded_media.h: a video file as the capture tests read it back with libavformat and
// libavcodec: stream parameters, every video frame as BGR0 pixels, the audio as samples.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace capture_test
{

struct VideoTrack {
    std::string codec;   // libavcodec's name, e.g. "h264"
    std::string pix_fmt; // as coded, e.g. "yuv420p"
    int width = 0, height = 0;
    int fps_num = 0, fps_den = 0;
    std::vector<std::vector<std::uint32_t>> frames; // width * height BGR0 pixels each
};

struct AudioTrack {
    std::string codec;
    std::string sample_fmt;
    int sample_rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved, full scale 1.0 (16-bit values / 32768)
};

struct DecodedMedia {      // a picture decodes as one video frame and no audio
    std::string container; // libavformat's name
    int streams = 0;
    VideoTrack video;
    AudioTrack audio;
};

// Decodes the whole file. Throws std::runtime_error when it cannot.
DecodedMedia Decode(const std::filesystem::path &path);

// Peak signal-to-noise ratio in dB over the red, green and blue bytes of two BGR0 frames, in
// the rectangle of `width` x `height` pixels at (x, y) when given (the frames `stride` wide).
struct Area {
    int x, y, width, height, stride;
};
double Psnr(const std::vector<std::uint32_t> &a, const std::vector<std::uint32_t> &b);
double Psnr(const std::vector<std::uint32_t> &a, const std::vector<std::uint32_t> &b, Area area);

} // namespace capture_test
