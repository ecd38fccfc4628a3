// server_latency_none.cpp: a build without libpulse has no sound server to ask.
#include "server_latency.h"

namespace bassmod
{

struct ServerLatency::State {
};

std::unique_ptr<ServerLatency>
ServerLatency::start(std::function<void()> /*on_ask*/,
                     std::function<void(const Answer &)> /*on_answer*/)
{
    return nullptr;
}

ServerLatency::ServerLatency(std::unique_ptr<State> state) : state_(std::move(state)) {}

bool ServerLatency::server_lost() const
{
    return false;
}

ServerLatency::~ServerLatency() = default;

} // namespace bassmod
