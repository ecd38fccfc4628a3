// capture.h: the two things demo_capture makes from a DemoRun: the video file and the scene
// sheet.
#pragma once

#include "demo.h"
#include "demo_run.h"
#include "media_writer.h"
#include "progress.h"

#include <cstdint>
#include <string>

namespace capture
{

// Scenes of the demo's scene table: order positions 0 to kScenes - 1.
constexpr int kScenes = SCENE_COUNT;
// Thumbnails of the scene sheet are the frame scaled down by this factor.
constexpr int kSheetScale = 4;

// Captures frames 0 to `frames` - 1 and the audio under them, from the song's start, into
// `path` in `container`. Frame k shows what the demo draws while sample floor(k * 44100 / fps)
// is heard; the audio is every sample the music library renders, up to the last frame's end.
void capture_video(DemoRun &run, const std::string &path, Container container, int fps,
                   std::int64_t frames, Progress &progress);

// Writes a PNG of one frame from the middle of each scene shown within the first `frames`
// frames, side by side in scene order. Throws CaptureError when no scene is shown.
void write_scene_sheet(DemoRun &run, const std::string &path, int fps, std::int64_t frames);

} // namespace capture
