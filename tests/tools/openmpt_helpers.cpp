// openmpt_helpers.cpp: libopenmpt loading and rendering shared by the tools' tests.
#include "openmpt_helpers.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace test
{

std::unique_ptr<openmpt::module> load(const std::vector<std::uint8_t> &bytes)
{
    static std::ostream discarded_log(nullptr); // a stream without a buffer drops everything
    auto module = std::make_unique<openmpt::module>(bytes, discarded_log);
    module->ctl_set_text("play.at_end", "stop");
    module->set_repeat_count(0);
    module->set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH, 1);
    module->set_render_param(openmpt::module::RENDER_VOLUMERAMPING_STRENGTH, 0);
    return module;
}

std::vector<float> render(openmpt::module &module, double max_seconds)
{
    const auto limit = static_cast<std::size_t>(max_seconds * kRate);
    std::vector<float> audio;
    std::vector<float> block(1024);
    while (audio.size() < limit) {
        const std::size_t frames = module.read(kRate, block.size(), block.data());
        if (frames == 0) {
            break;
        }
        audio.insert(audio.end(), block.begin(), block.begin() + static_cast<long>(frames));
    }
    audio.resize(std::min(audio.size(), limit));
    return audio;
}

float peak(std::span<const float> audio, double begin, double end)
{
    const auto first = std::min(audio.size(), static_cast<std::size_t>(begin * kRate));
    const auto last = std::min(audio.size(), static_cast<std::size_t>(end * kRate));
    float largest = 0.0F;
    for (std::size_t i = first; i < last; ++i) {
        largest = std::max(largest, std::fabs(audio[i]));
    }
    return largest;
}

} // namespace test
