// rt::Ref<T>: an owning handle over a runtime object of no particular class.
// It adds ownership and nothing else; every behaviour stays in the entry points.
#pragma once
#include "Common/Handle.h"

namespace rt {

/// Owns one reference to an object whose record starts with RuntimeObject.
template <typename T = RuntimeObject>
class Ref : public ObjectHandle<Ref<T>, T> {
public:
    using Handle<T, ObjectCount<T>, Ref<T>>::Handle;
    Ref() noexcept = default;

    T* operator->() const noexcept { return this->get(); }
};

} // namespace rt
