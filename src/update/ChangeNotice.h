#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// A named notice with a list of observers, each called on every post. Main thread.
class ChangeNotice {
public:
    using Token = std::uint64_t;

    explicit ChangeNotice(std::string name) : name_(std::move(name)) {}

    const std::string& name() const { return name_; }
    Token addObserver(std::function<void()> observer);
    // An observer removed while a post runs is not called after that.
    void removeObserver(Token token);
    void post();

private:
    std::string name_;
    Token nextToken_ = 1;
    std::vector<std::pair<Token, std::function<void()>>> observers_;
};
