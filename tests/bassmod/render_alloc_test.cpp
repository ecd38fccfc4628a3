// render_alloc_test.cpp: what the audio callback does (rendering, marking rows and orders,
// publishing) allocates no memory once playback is under way. Counts every C++ allocation in
// the process, libopenmpt's included, while rendering on this thread. (libopenmpt itself
// allocates a little when a song reaches its end, to reset its record of visited rows.)
// Replacing the allocator conflicts with AddressSanitizer's, so this test is labelled no-asan.
#include "module.h"
#include "renderer.h"
#include "test_songs.h"
#include "timeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <span>

namespace
{
std::atomic<std::size_t> allocations{0};
}

// Plain malloc and free behind every form of new and delete this program uses.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void *operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void *operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void *memory) noexcept
{
    std::free(memory);
}
void operator delete(void *memory, std::size_t) noexcept
{
    std::free(memory);
}
void operator delete[](void *memory) noexcept
{
    std::free(memory);
}
void operator delete[](void *memory, std::size_t) noexcept
{
    std::free(memory);
}
#pragma GCC diagnostic pop

namespace
{

TEST(Renderer, AllocatesNothingWhileRendering)
{
    const test::Song song = test::steps_song();
    auto module =
        bassmod::open_module(std::as_bytes(std::span(song.bytes)), bassmod::EndMode::PlayOnce);
    ASSERT_TRUE(module);
    bassmod::Timeline timeline(test::kRate);
    bassmod::Renderer renderer(timeline);
    renderer.start(module.get(), song.orders);
    std::vector<std::int16_t> buffer(2 * 1024);
    const auto render = [&](std::uint64_t count) {
        for (; count > 0; --count) {
            renderer.render(buffer.data(), 1024, bassmod::Nanoseconds(0));
        }
    };
    render(2); // the first buffers may set up libopenmpt's mixer
    const std::size_t before = allocations.load();
    // All four orders and the speed change, but not yet the end at frame 28224.
    render(song.end_sample() / 1024 - 2);
    EXPECT_EQ(allocations.load(), before);
    const auto heard = timeline.heard_at(bassmod::Nanoseconds(std::int64_t{1} << 60));
    // 27 buffers end at frame 27647, in row 2 of the last order (from frame 26460, 441 a row).
    EXPECT_EQ(heard, bassmod::pack_position(3, 2)) << "rendered into the last order";
}

} // namespace
