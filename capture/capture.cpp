// capture.cpp: the frame loop of the video capture and the scene sheet.
#include "capture.h"

#include <array>
#include <cstdio>
#include <memory>
#include <optional>

namespace capture
{

void capture_video(DemoRun &run, const std::string &path, Container container, int fps,
                   std::int64_t frames, Progress &progress)
{
    MediaSettings settings;
    settings.container = container;
    settings.width = DemoRun::kWidth;
    settings.height = DemoRun::kHeight;
    settings.fps = fps;
    settings.sample_rate = DemoRun::kSampleRate;
    MediaWriter writer(path, settings);
    std::optional<ColourExpander> expander;

    std::optional<std::uint32_t> drawn; // the position of the last frame drawn

    run.restart();
    for (std::int64_t frame = 0; frame < frames; ++frame) {
        // The frame's own samples: from its instant up to the next frame's.
        const std::span<const std::int16_t> audio =
            run.render_until(sample_of_frame(frame + 1, fps));
        // DrawScreen keeps no state: its frame follows from the position alone, so a frame at
        // the position of the one before is that frame again.
        const std::uint32_t position = run.position_at(sample_of_frame(frame, fps));
        if (position == drawn) {
            writer.repeat_video_frame();
        } else {
            SDL_Surface *screen = run.draw_at(sample_of_frame(frame, fps));
            if (!expander) {
                expander.emplace(*screen->format);
            }
            expander->expand(screen, writer.video_input());
            writer.submit_video_frame();
            drawn = position;
        }
        writer.write_audio(audio.data(), audio.size() / 2);
        progress.update(frame + 1);
    }
    writer.finish();
}

namespace
{

FramePtr picture_frame(AVPixelFormat format, int width, int height)
{
    FramePtr frame = make_frame();
    frame->format = format;
    frame->width = width;
    frame->height = height;
    check_av(av_frame_get_buffer(frame.get(), 0), "cannot allocate a picture");
    return frame;
}

// Encodes an RGB24 picture as PNG into `path`.
void save_png(const AVFrame &picture, const std::string &path)
{
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    if (codec == nullptr) {
        throw CaptureError("this FFmpeg has no PNG encoder");
    }
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) {
        throw CaptureError("out of memory for the PNG encoder");
    }
    context->width = picture.width;
    context->height = picture.height;
    context->pix_fmt = AV_PIX_FMT_RGB24;
    context->time_base = AVRational{1, 1};
    context->compression_level = 9;
    check_av(avcodec_open2(context.get(), codec, nullptr), "cannot open the PNG encoder");
    check_av(avcodec_send_frame(context.get(), &picture), "PNG encoding");
    check_av(avcodec_send_frame(context.get(), nullptr), "PNG encoding");
    const PacketPtr packet = make_packet();
    check_av(avcodec_receive_packet(context.get(), packet.get()), "PNG encoding");

    const std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "wb"),
                                                                &std::fclose);
    if (!file ||
        std::fwrite(packet->data, 1, static_cast<std::size_t>(packet->size), file.get()) !=
            static_cast<std::size_t>(packet->size) ||
        std::fflush(file.get()) != 0) {
        throw CaptureError("cannot write " + path);
    }
}

} // namespace

void write_scene_sheet(DemoRun &run, const std::string &path, int fps, std::int64_t frames)
{
    // First pass: how many frames show each scene, from the positions alone. The middle one of
    // them is the scene's picture, even in a song that comes back to a scene.
    std::array<std::int64_t, kScenes> shown_frames{};
    run.restart();
    for (std::int64_t frame = 0; frame < frames; ++frame) {
        run.render_until(sample_of_frame(frame + 1, fps));
        const std::uint32_t order = run.position_at(sample_of_frame(frame, fps)) & 0xFFFF;
        if (order < kScenes) {
            ++shown_frames[order];
        }
    }
    std::array<int, kScenes> columns{}; // the scene's place on the sheet, -1 when not shown
    int shown = 0;
    for (int scene = 0; scene < kScenes; ++scene) {
        columns[scene] = shown_frames[scene] > 0 ? shown++ : -1;
    }
    if (shown == 0) {
        throw CaptureError("no scene is shown, so there is no scene sheet");
    }

    constexpr int kGap = 4;
    const int thumb_width = DemoRun::kWidth / kSheetScale;
    const int thumb_height = DemoRun::kHeight / kSheetScale;
    const FramePtr sheet =
        picture_frame(AV_PIX_FMT_RGB24, shown * thumb_width + (shown - 1) * kGap, thumb_height);
    for (int y = 0; y < sheet->height; ++y) {
        std::fill_n(sheet->data[0] + y * sheet->linesize[0], sheet->width * 3, std::uint8_t{0x30});
    }
    const FramePtr full = picture_frame(AV_PIX_FMT_BGR0, DemoRun::kWidth, DemoRun::kHeight);
    const SwsContextPtr shrink(sws_getContext(DemoRun::kWidth, DemoRun::kHeight, AV_PIX_FMT_BGR0,
                                              thumb_width, thumb_height, AV_PIX_FMT_RGB24, SWS_AREA,
                                              nullptr, nullptr, nullptr));
    if (!shrink) {
        throw CaptureError("cannot set up the thumbnail scaling");
    }

    // Second pass: the same song again, drawing only the chosen frames.
    std::optional<ColourExpander> expander;
    std::array<std::int64_t, kScenes> seen{};
    run.restart();
    for (std::int64_t frame = 0; frame < frames; ++frame) {
        run.render_until(sample_of_frame(frame + 1, fps));
        const std::uint32_t order = run.position_at(sample_of_frame(frame, fps)) & 0xFFFF;
        if (order >= kScenes || seen[order]++ != shown_frames[order] / 2) {
            continue;
        }
        SDL_Surface *screen = run.draw_at(sample_of_frame(frame, fps));
        if (!expander) {
            expander.emplace(*screen->format);
        }
        expander->expand(screen, *full);
        std::uint8_t *const planes[4] = {
            sheet->data[0] + static_cast<std::ptrdiff_t>(columns[order] * (thumb_width + kGap) * 3),
            nullptr, nullptr, nullptr};
        const int strides[4] = {sheet->linesize[0], 0, 0, 0};
        check_av(sws_scale(shrink.get(), full->data, full->linesize, 0, DemoRun::kHeight, planes,
                           strides),
                 "thumbnail scaling");
    }
    save_png(*sheet, path);
}

} // namespace capture
