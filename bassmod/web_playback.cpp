// web_playback.cpp: the Web Audio playback. The JavaScript below keeps the page's AudioContext
// (the page may hand one over as Module.demoAudioContext, resumed by the user's first gesture),
// the schedule of the buffers given to it, and window.demoAudioLog for measurements.
// Everything runs on the browser's main thread, which is the program's one thread.
#include "web_playback.h"

#include <emscripten.h>

#include <vector>

// clang-format off
EM_JS(int, web_audio_open, (unsigned rate), {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    var context = Module.demoAudioContext;
    if (!context || context.sampleRate !== rate) {
        try { context = new Context({sampleRate: rate}); } catch (e) { return 0; }
    }
    var limit = 20000;
    var log = {schedule: [], frames: [], rate: rate, limit: limit};
    Module.webAudio = {context: context, next: 0, sources: [], log: log};
    window.demoAudioContext = context;
    window.demoAudioLog = log;
    return 1;
});

EM_JS(void, web_audio_restart, (), {
    var audio = Module.webAudio;
    audio.sources.forEach(function(source) { try { source.stop(); } catch (e) {} });
    audio.sources = [];
    audio.next = 0;
    audio.log.schedule.length = 0;
});

// Seconds of scheduled sound still ahead of the context's clock.
EM_JS(double, web_audio_ahead, (), {
    var audio = Module.webAudio;
    return Math.max(0, audio.next - audio.context.currentTime);
});

// Schedules `frames` interleaved stereo 16-bit frames, the song's from `first` on, right after
// the ones scheduled before (or a little after now, if the schedule fell behind).
EM_JS(void, web_audio_queue, (const short *stereo, unsigned frames, double first), {
    var audio = Module.webAudio;
    var context = audio.context;
    var buffer = context.createBuffer(2, frames, context.sampleRate);
    var left = buffer.getChannelData(0);
    var right = buffer.getChannelData(1);
    var at = stereo >> 1;
    for (var i = 0; i < frames; i++) {
        left[i] = HEAP16[at + 2 * i] / 32768;
        right[i] = HEAP16[at + 2 * i + 1] / 32768;
    }
    var source = context.createBufferSource();
    source.buffer = buffer;
    source.connect(context.destination);
    var start = Math.max(audio.next, context.currentTime + 0.05);
    source.start(start);
    audio.next = start + frames / context.sampleRate;
    audio.sources.push(source);
    source.onended = function() {
        var index = audio.sources.indexOf(source);
        if (index >= 0) audio.sources.splice(index, 1);
    };
    var schedule = audio.log.schedule;
    schedule.push({start: start, first: first, frames: frames});
    if (schedule.length > audio.log.limit) schedule.shift();
});

// The song sample being heard now: the context's time at the output (its output timestamp,
// carried forward to now on the page's clock) looked up in the schedule. -1 before the first
// scheduled sample is heard.
EM_JS(double, web_audio_heard, (), {
    var audio = Module.webAudio;
    var context = audio.context;
    var heard;
    var stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
    if (stamp && stamp.contextTime !== undefined && stamp.performanceTime > 0) {
        heard = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
    } else {
        heard = context.currentTime - (context.outputLatency || context.baseLatency || 0);
    }
    var schedule = audio.log.schedule;
    var rate = context.sampleRate;
    for (var i = schedule.length - 1; i >= 0; i--) {
        var entry = schedule[i];
        if (entry.start <= heard) {
            var into = Math.min((heard - entry.start) * rate, entry.frames);
            return entry.first + Math.floor(into);
        }
    }
    return -1;
});

EM_JS(void, web_audio_log_frame, (unsigned position, double heard), {
    var frames = Module.webAudio.log.frames;
    frames.push({now: performance.now(), position: position, heard: heard});
    if (frames.length > Module.webAudio.log.limit) frames.shift();
});
// clang-format on

namespace bassmod
{
namespace
{

// Each buffer is 1024 frames; ~300 ms stays scheduled, so a frame that takes long (a busy
// machine, a tab in the background) leaves no gap.
constexpr std::uint32_t kBufferFrames = 1024;
constexpr double kScheduleAhead = 0.3;

} // namespace

std::unique_ptr<WebPlayback> WebPlayback::open(std::uint32_t rate)
{
    if (web_audio_open(rate) == 0) {
        return nullptr;
    }
    return std::make_unique<WebPlayback>(rate);
}

bool WebPlayback::load(bool from_memory, const void *file, std::uint32_t offset,
                       std::uint32_t length, std::uint32_t flags)
{
    web_audio_restart();
    playing_ = false;
    return song_.load(from_memory, file, offset, length, flags);
}

bool WebPlayback::play()
{
    web_audio_restart();
    playing_ = song_.play();
    scheduled_ = 0;
    if (playing_) {
        top_up();
    }
    return playing_;
}

void WebPlayback::top_up()
{
    std::vector<std::int16_t> stereo(2 * kBufferFrames);
    while (web_audio_ahead() < kScheduleAhead) {
        song_.render(stereo.data(), kBufferFrames);
        web_audio_queue(stereo.data(), kBufferFrames, static_cast<double>(scheduled_));
        scheduled_ += kBufferFrames;
    }
}

PackedPosition WebPlayback::position()
{
    if (!playing_) {
        return song_.position();
    }
    top_up();
    const double heard = web_audio_heard();
    song_.set_clock(heard > 0 ? static_cast<std::uint64_t>(heard) : 0);
    const PackedPosition position = song_.position();
    web_audio_log_frame(position, heard);
    return position;
}

bool WebPlayback::close(std::chrono::milliseconds /*bound*/)
{
    web_audio_restart();
    playing_ = false;
    return true;
}

} // namespace bassmod
