#pragma once

#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace dispatch {

// Work posted about an object must not run after the object is gone. Both forms below make
// a callable that calls `f(owner, args...)` while the owner lives and does nothing after;
// the call sites never check by hand. Where `f` gives a value, the callable gives it as an
// optional, empty once the owner is gone.

// For owners held by shared_ptr: the owner stays alive while the task runs, so the task may
// run on any thread.
template <class Owner, class F>
auto whileAlive(std::weak_ptr<Owner> owner, F f)
{
    return [owner = std::move(owner), f = std::move(f)](auto&&... args) {
        using Result = decltype(f(std::declval<Owner&>(), std::forward<decltype(args)>(args)...));
        if constexpr (std::is_void_v<Result>) {
            if (const auto locked = owner.lock()) f(*locked, std::forward<decltype(args)>(args)...);
        } else {
            std::optional<Result> result;
            if (const auto locked = owner.lock()) result = f(*locked, std::forward<decltype(args)>(args)...);
            return result;
        }
    };
}

// For owners that are not shared: a member whose destruction flips every task made through
// it to a no-op. It guards tasks that run on the thread that destroys the owner (the main
// queue, mostly); elsewhere the owner must outlive its running tasks by other means.
template <class Owner>
class Lifetime {
public:
    explicit Lifetime(Owner* owner) : token_(std::make_shared<Owner*>(owner)) {}
    Lifetime(const Lifetime&) = delete;
    Lifetime& operator=(const Lifetime&) = delete;

    template <class F>
    auto guard(F f) const
    {
        return whileAlive(std::weak_ptr<Owner*>(token_), [f = std::move(f)](Owner* owner, auto&&... args) {
            return f(*owner, std::forward<decltype(args)>(args)...);
        });
    }

    // Flips the tasks before the owner is destroyed, for an owner whose teardown could
    // reach them.
    void end() { token_.reset(); }

private:
    std::shared_ptr<Owner*> token_;
};

}  // namespace dispatch
