/* music_double.cpp: a scripted stand-in for the six music operations: scripted results and
 * positions, SDL events pushed on cue, and a log of every call. */
#include "music_double.h"

#include "bassmod.h"

#include "SDL.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace
{

struct Script {
    uint32_t version = 2;
    int32_t init = 1, load = 1, play = 1;
    std::vector<uint32_t> positions;
    std::map<unsigned long, std::vector<std::string>> events; // by frame
    std::set<std::string> failures;
    unsigned long limit = 1000;
};

struct State {
    bool loaded = false;
    Script script;
    std::string log;
    unsigned long queries = 0;
    FILE *log_file = nullptr;
};

Script Parse(const std::string &text)
{
    Script script;
    std::string normalised = text;
    for (char &c : normalised)
        if (c == ';')
            c = '\n';
    std::istringstream lines(normalised);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        if (!(words >> word))
            continue;
        std::string value;
        if (word == "version" && words >> value)
            script.version = std::stoul(value, nullptr, 0);
        else if (word == "init" && words >> value)
            script.init = std::stoi(value, nullptr, 0);
        else if (word == "load" && words >> value)
            script.load = std::stoi(value, nullptr, 0);
        else if (word == "play" && words >> value)
            script.play = std::stoi(value, nullptr, 0);
        else if (word == "positions")
            while (words >> value)
                script.positions.push_back(std::stoul(value, nullptr, 0));
        else if (word == "events" && words >> value) {
            auto &list = script.events[std::stoul(value)];
            while (words >> value)
                list.push_back(value);
        } else if (word == "fail" && words >> value)
            script.failures.insert(value);
        else if (word == "limit" && words >> value)
            script.limit = std::stoul(value);
        else {
            std::fprintf(stderr, "music double: bad script line '%s'\n", line.c_str());
            std::abort();
        }
    }
    return script;
}

State &Current()
{
    static State state;
    if (!state.loaded) {
        state.loaded = true;
        if (const char *text = std::getenv("DEMO_DOUBLE_SCRIPT"))
            state.script = Parse(text);
        if (const char *path = std::getenv("DEMO_DOUBLE_LOG"))
            state.log_file = std::fopen(path, "w");
    }
    return state;
}

SDL_Event MakeEvent(const std::string &name)
{
    SDL_Event event{};
    if (name == "keydown" || name == "keyup") {
        event.type = name == "keydown" ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.state = name == "keydown" ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.sym = SDLK_SPACE;
    } else if (name == "quit") {
        event.type = SDL_QUIT;
    } else if (name == "mousemotion") {
        event.type = SDL_MOUSEMOTION;
        event.motion.x = 10;
        event.motion.y = 20;
    } else if (name == "mousedown" || name == "mouseup") {
        event.type = name == "mousedown" ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.button = SDL_BUTTON_LEFT;
    } else if (name == "focus") {
        event.type = SDL_ACTIVEEVENT;
        event.active.gain = 0;
        event.active.state = SDL_APPINPUTFOCUS;
    } else if (name == "resize") {
        event.type = SDL_VIDEORESIZE;
        event.resize.w = 640;
        event.resize.h = 400;
    } else if (name == "expose") {
        event.type = SDL_VIDEOEXPOSE;
    } else {
        std::fprintf(stderr, "music double: unknown event '%s'\n", name.c_str());
        std::abort();
    }
    return event;
}

void PushEvents(unsigned long frame)
{
    auto found = Current().script.events.find(frame);
    if (found == Current().script.events.end())
        return;
    for (const std::string &name : found->second) {
        SDL_Event event = MakeEvent(name);
        if (SDL_PushEvent(&event) < 0) {
            std::fprintf(stderr, "music double: SDL_PushEvent failed: %s\n", SDL_GetError());
            std::abort();
        }
        DoubleRecord("push " + name);
    }
}

} // namespace

void DoubleReset(const std::string &script)
{
    State &state = Current();
    state.script = Parse(script);
    state.log.clear();
    state.queries = 0;
}

const std::string &DoubleLog()
{
    return Current().log;
}

void DoubleRecord(const std::string &line)
{
    State &state = Current();
    state.log += line + "\n";
    if (state.log_file) {
        std::fprintf(state.log_file, "%s\n", line.c_str());
        std::fflush(state.log_file);
    }
}

bool DoubleFails(const std::string &operation)
{
    return Current().script.failures.count(operation) != 0;
}

extern "C" {

uint32_t BASSMOD_GetVersion(void)
{
    DoubleRecord("BASSMOD_GetVersion");
    return Current().script.version;
}

int32_t BASSMOD_Init(int32_t device, uint32_t freq, uint32_t flags)
{
    DoubleRecord("BASSMOD_Init " + std::to_string(device) + " " + std::to_string(freq) + " " +
                 std::to_string(flags));
    return Current().script.init;
}

int32_t BASSMOD_MusicLoad(int32_t mem, const void *file, uint32_t offset, uint32_t length,
                          uint32_t flags)
{
    std::string name = mem ? "<memory>" : static_cast<const char *>(file);
    DoubleRecord("BASSMOD_MusicLoad " + std::to_string(mem) + " " + name + " " +
                 std::to_string(offset) + " " + std::to_string(length) + " " +
                 std::to_string(flags));
    return Current().script.load;
}

int32_t BASSMOD_MusicPlay(void)
{
    DoubleRecord("BASSMOD_MusicPlay");
    PushEvents(0);
    return Current().script.play;
}

uint32_t BASSMOD_MusicGetPosition(void)
{
    State &state = Current();
    if (state.queries >= state.script.limit) {
        DoubleRecord("limit reached");
        std::fflush(stdout);
        std::_Exit(DOUBLE_LIMIT_STATUS);
    }
    unsigned long frame = ++state.queries;
    const std::vector<uint32_t> &positions = state.script.positions;
    uint32_t position = 0;
    if (!positions.empty())
        position = positions[std::min<size_t>(frame - 1, positions.size() - 1)];
    char line[48];
    std::snprintf(line, sizeof line, "BASSMOD_MusicGetPosition 0x%08x", position);
    DoubleRecord(line);
    PushEvents(frame);
    return position;
}

void BASSMOD_Free(void)
{
    DoubleRecord("BASSMOD_Free");
}

} // extern "C"
