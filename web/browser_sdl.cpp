// browser_sdl.cpp: the SDL calls web/browser_sdl.h routes here, on emscripten's SDL 1.2.
// Compiled without that header, so the names below are SDL's own.
#include <SDL/SDL.h>
#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

// A read-only stream over a file's bytes, owned by the stream and freed when it is closed.
struct MemoryStream {
    std::vector<unsigned char> bytes;
    long at = 0;
};

MemoryStream *stream_of(SDL_RWops *context)
{
    return static_cast<MemoryStream *>(context->hidden.unknown.data1);
}

long stream_seek(SDL_RWops *context, long offset, int whence)
{
    MemoryStream *stream = stream_of(context);
    const long size = static_cast<long>(stream->bytes.size());
    long base = 0;
    if (whence == RW_SEEK_CUR) {
        base = stream->at;
    } else if (whence == RW_SEEK_END) {
        base = size;
    } else if (whence != RW_SEEK_SET) {
        return -1;
    }
    if (offset < -base || offset > size - base) {
        return -1;
    }
    stream->at = base + offset;
    return stream->at;
}

size_t stream_read(SDL_RWops *context, void *destination, size_t size, size_t count)
{
    MemoryStream *stream = stream_of(context);
    if (size == 0) {
        return 0;
    }
    const size_t left = stream->bytes.size() - static_cast<size_t>(stream->at);
    const size_t whole = count < left / size ? count : left / size;
    std::memcpy(destination, stream->bytes.data() + stream->at, whole * size);
    stream->at += static_cast<long>(whole * size);
    return whole;
}

size_t stream_write(SDL_RWops * /*context*/, const void * /*source*/, size_t /*size*/,
                    size_t /*count*/)
{
    return 0;
}

int stream_close(SDL_RWops *context)
{
    delete stream_of(context);
    delete context;
    return 0;
}

} // namespace

extern "C" int BrowserPollEvent(SDL_Event *event)
{
    if (SDL_PollEvent(event)) {
        return 1;
    }
    emscripten_sleep(0);
    return 0;
}

extern "C" int BrowserFillRect(SDL_Surface *surface, SDL_Rect *rect, Uint32 colour)
{
    if (surface->format->BytesPerPixel == 4) {
        colour |= 0xFF000000u;
    }
    return SDL_FillRect(surface, rect, colour);
}

extern "C" SDL_RWops *BrowserRWFromFile(const char *file, const char *mode)
{
    if (std::strchr(mode, 'w') != nullptr || std::strchr(mode, 'a') != nullptr) {
        return nullptr;
    }
    std::FILE *in = std::fopen(file, "rb");
    if (in == nullptr) {
        return nullptr;
    }
    auto *stream = new MemoryStream;
    unsigned char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) {
        stream->bytes.insert(stream->bytes.end(), chunk, chunk + got);
    }
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) {
        delete stream;
        return nullptr;
    }
    auto *context = new SDL_RWops{};
    context->seek = stream_seek;
    context->read = stream_read;
    context->write = stream_write;
    context->close = stream_close;
    context->hidden.unknown.data1 = stream;
    return context;
}
