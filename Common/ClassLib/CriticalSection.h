// rt::CriticalSection: an owning handle over a re-entrant CriticalSection
// object, and a guard that holds it for a scope.
#pragma once
#include <utility>

#include "Common/ClassLib/RuntimeLocks.h"
#include "Common/Ref.h"

namespace rt {

/// Owns one reference to a CriticalSection.
class CriticalSection : public ObjectHandle<CriticalSection> {
public:
    using Handle::Handle;
    CriticalSection() noexcept = default;
    /// A new section nobody is inside.
    static CriticalSection make() { return adopt(RuntimeNewObject(CriticalSectionClass())); }

    /// Enters, waiting while another thread is inside; the owner may enter again.
    void enter() const { criticalsection_enter(get()); }
    bool tryEnter() const { return CriticalSection_TryEnter(get()); }
    /// Leaves once; IllegalLockingException for a thread that is not inside.
    void leave() const { criticalsection_leave(get()); }

    /// Enters for the life of the guard. Its going leaves what it entered and
    /// never raises: a section already left by hand stays as it is.
    class Guard {
    public:
        explicit Guard(const CriticalSection& section) : section_(section) { section_.enter(); }
        ~Guard() { (void)CriticalSectionLeaveIfInside(section_.get()); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        const CriticalSection& section_;
    };
};

} // namespace rt
