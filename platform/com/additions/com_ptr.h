// ComPtr: owns one reference to a COM interface and gives it back when it goes, so that
// no path out of a function (an early return among them) keeps or loses a reference.
#pragma once

#include <cstddef>
#include <utility>

#include <unknwn.h>

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    ComPtr(const ComPtr& other) noexcept : pointer_(other.pointer_)
    {
        if (pointer_ != nullptr) {
            pointer_->AddRef();
        }
    }
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(pointer_, other.pointer_);
        return *this;
    }

    // Takes over a reference that the caller holds, without adding one.
    static ComPtr Adopt(T* pointer) noexcept
    {
        ComPtr owner;
        owner.pointer_ = pointer;
        return owner;
    }
    // Takes a reference of its own to an interface that someone else holds.
    static ComPtr Share(T* pointer) noexcept
    {
        if (pointer != nullptr) {
            pointer->AddRef();
        }
        return Adopt(pointer);
    }

    T* Get() const noexcept { return pointer_; }
    T* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

    // Gives the reference back now; the pointer is null afterwards.
    void Reset() noexcept
    {
        if (T* const pointer = std::exchange(pointer_, nullptr)) {
            pointer->Release();
        }
    }
    // Hands the reference to the caller, who must give it back.
    T* Detach() noexcept { return std::exchange(pointer_, nullptr); }

    // For an out-parameter that receives a new reference: what was held is given back
    // first, so that filling the pointer again cannot lose a reference.
    T** Put() noexcept
    {
        Reset();
        return &pointer_;
    }
    // The same, typed for QueryInterface, CoCreateInstance and the binding calls.
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.pointer_ == b.pointer_; }
    friend bool operator==(const ComPtr& a, const T* b) noexcept { return a.pointer_ == b; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) noexcept { return a.pointer_ == nullptr; }

private:
    T* pointer_ = nullptr;
};
