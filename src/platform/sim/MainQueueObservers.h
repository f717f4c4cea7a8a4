#pragma once

#include "platform/desktop/Types.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/WhileAlive.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace sim {

// Registered callbacks that hear of a change on the main queue. Copies share the
// registrations, so a copy held by a notice outlives its owner safely.
template <class... Args>
class MainQueueObservers {
public:
    using Callback = std::function<void(Args...)>;

    desktop::Token add(Callback callback)
    {
        std::lock_guard lock(state_->mutex);
        state_->callbacks.emplace(state_->next, std::move(callback));
        return state_->next++;
    }

    void remove(desktop::Token token)
    {
        std::lock_guard lock(state_->mutex);
        state_->callbacks.erase(token);
    }

    // Schedules each registered callback on the main queue; one removed before its turn
    // is skipped.
    void post(Args... args) const
    {
        std::vector<desktop::Token> tokens;
        {
            std::lock_guard lock(state_->mutex);
            for (const auto& entry : state_->callbacks) tokens.push_back(entry.first);
        }
        const std::weak_ptr<State> weak = state_;
        for (const auto token : tokens) {
            dispatch::main().async(dispatch::whileAlive(weak, [token, arguments = std::make_tuple(args...)](State& state) {
                Callback callback;
                {
                    std::lock_guard lock(state.mutex);
                    const auto it = state.callbacks.find(token);
                    if (it == state.callbacks.end()) return;
                    callback = it->second;
                }
                std::apply(callback, arguments);
            }));
        }
    }

private:
    struct State {
        std::mutex mutex;
        std::map<desktop::Token, Callback> callbacks;
        desktop::Token next = 1;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace sim
