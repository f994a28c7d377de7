// Runs a function when its owner goes out of scope.
#pragma once

#include <functional>
#include <memory>

namespace druvex {

// A heap object holding one function, owned by a std::unique_ptr<ScopeGuard>:
// destroying the owner calls the function, then destroys it.
class ScopeGuard {
public:
    explicit ScopeGuard(std::function<void()> f);
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;
    ~ScopeGuard();

private:
    std::function<void()> mFunction;
};

}  // namespace druvex
