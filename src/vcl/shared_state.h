// State that all threads of a process share, made on first use: the value
// and the mutex that guards it.
#pragma once

#include <mutex>

namespace vcl {

template <typename T, typename Mutex = std::mutex>
struct TSharedState {
    Mutex lock;
    T value{};
};

} // namespace vcl
