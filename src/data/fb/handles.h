#pragma once

#include "data/fb/fbapi.h"

#include <utility>

namespace tirelon::fb {

// Owns one reference-counted Firebird interface. Firebird releases the interface
// itself when its closing call (detach, commit, rollback, close) succeeds, so after
// such a call the owner only forgets the pointer; otherwise it releases it.
template <typename Interface> class Handle {
public:
    Handle() = default;
    explicit Handle(Interface* p) : p_(p) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    Interface* get() const { return p_; }
    Interface* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // The closing call succeeded: Firebird has released the interface.
    void forget() { p_ = nullptr; }
    void reset() {
        if (p_)
            std::exchange(p_, nullptr)->release();
    }

private:
    Interface* p_ = nullptr;
};

} // namespace tirelon::fb
