// ScopeGuard: running the stored function on destruction.
#include "scope_guard.h"

namespace druvex {

ScopeGuard::ScopeGuard(std::function<void()> f) : mFunction(std::move(f)) {}

ScopeGuard::~ScopeGuard() {
    if (mFunction) mFunction();
}

}  // namespace druvex
