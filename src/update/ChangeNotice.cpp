#include "update/ChangeNotice.h"

#include <algorithm>

ChangeNotice::Token ChangeNotice::addObserver(std::function<void()> observer)
{
    const Token token = nextToken_++;
    observers_.emplace_back(token, std::move(observer));
    return token;
}

void ChangeNotice::removeObserver(Token token)
{
    std::erase_if(observers_, [token](const auto& entry) { return entry.first == token; });
}

void ChangeNotice::post()
{
    // Observers may add or remove observers while they run: walk the tokens of this post
    // and look each one up again before calling it.
    std::vector<Token> tokens;
    for (const auto& entry : observers_) tokens.push_back(entry.first);
    for (Token token : tokens) {
        auto it = std::find_if(observers_.begin(), observers_.end(),
                               [token](const auto& entry) { return entry.first == token; });
        if (it == observers_.end()) continue;
        auto observer = it->second;  // a copy: the observer may remove itself
        observer();
    }
}
