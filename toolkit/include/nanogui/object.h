// Intrusive reference counting of the toolkit layer.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <utility>

namespace nanogui {

// Reference-counted base: deleted when the count drops to 0 through decRef().
class Object {
public:
    Object() = default;
    Object(const Object&) : mRefCount(0) {}
    Object& operator=(const Object&) { return *this; }

    int getRefCount() const { return mRefCount.load(); }
    void incRef() const { ++mRefCount; }
    // Releases one reference; deletes the object at 0 when dealloc is true.
    void decRef(bool dealloc = true) const noexcept {
        int left = --mRefCount;
        if (left <= 0 && dealloc) delete this;
    }

protected:
    virtual ~Object();

private:
    mutable std::atomic<int> mRefCount{0};
};

// Counted reference to an Object (or subclass).
template <typename T>
class ref {
public:
    ref() = default;
    ref(T* ptr) : mPtr(ptr) {
        if (mPtr) static_cast<const Object*>(mPtr)->incRef();
    }
    ref(const ref& r) : mPtr(r.mPtr) {
        if (mPtr) static_cast<const Object*>(mPtr)->incRef();
    }
    template <typename U, typename = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    ref(const ref<U>& r) : mPtr(r.get()) {
        if (mPtr) static_cast<const Object*>(mPtr)->incRef();
    }
    ref(ref&& r) noexcept : mPtr(r.mPtr) { r.mPtr = nullptr; }
    ~ref() {
        if (mPtr) static_cast<const Object*>(mPtr)->decRef();
    }

    ref& operator=(ref&& r) noexcept {
        if (&r != this) {
            if (mPtr) static_cast<const Object*>(mPtr)->decRef();
            mPtr = r.mPtr;
            r.mPtr = nullptr;
        }
        return *this;
    }
    ref& operator=(const ref& r) {
        if (r.mPtr) static_cast<const Object*>(r.mPtr)->incRef();
        if (mPtr) static_cast<const Object*>(mPtr)->decRef();
        mPtr = r.mPtr;
        return *this;
    }
    ref& operator=(T* ptr) {
        if (ptr) static_cast<const Object*>(ptr)->incRef();
        if (mPtr) static_cast<const Object*>(mPtr)->decRef();
        mPtr = ptr;
        return *this;
    }

    bool operator==(const ref& r) const { return mPtr == r.mPtr; }
    bool operator!=(const ref& r) const { return mPtr != r.mPtr; }
    bool operator==(const T* ptr) const { return mPtr == ptr; }
    bool operator!=(const T* ptr) const { return mPtr != ptr; }
    // Ordering by address (for std::set<ref<Group>>).
    bool operator<(const ref& r) const { return std::less<const T*>()(mPtr, r.mPtr); }

    T* operator->() const { return mPtr; }
    T& operator*() const { return *mPtr; }
    operator T*() const { return mPtr; }
    T* get() const { return mPtr; }
    explicit operator bool() const { return mPtr != nullptr; }

private:
    T* mPtr = nullptr;
};

// Holds a reference for a scope when the object is already referenced (an
// object nobody references yet, e.g. a Screen kept by a raw pointer, is left
// alone instead of being deleted at the end of the scope).
class KeepAlive {
public:
    explicit KeepAlive(const Object* object)
        : mObject(object && object->getRefCount() > 0 ? object : nullptr) {
        if (mObject) mObject->incRef();
    }
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;
    ~KeepAlive() {
        if (mObject) mObject->decRef();
    }

private:
    const Object* mObject;
};

// A visibility group: widgets that belong to a hidden group are hidden.
class Group : public Object {
public:
    Group() = default;
    bool visible() const { return mVisible; }
    void setVisible(bool visible) { mVisible = visible; }

protected:
    ~Group() override = default;

private:
    bool mVisible = true;
};

}  // namespace nanogui
