// Every runtime exception is thrown as a C++ exception (rt::RaisedException),
// whether image code or runtime code raised it. The C++ unwinder's two phases
// then give every frame its due in order: typed catches and cleanups of C++
// frames run as in any C++ program, and the first image frame on the way out
// is where the exception turns into an image delivery. That frame's
// personality (below) runs the frame walk from the call the exception came
// out of and resumes image code at the (possibly diverted) return address,
// with the registers the image function had when it made the call: the
// unwinder restores them from the C++ frames' own descriptions. Image code
// needs no unwind information of its own and keeps the contract of the code it
// stands for: a raise returns, and landing code runs when a return arrives at it.
//
// An exception that no image frame will handle never resumes image code: the
// search passes the image frames by, so the C++ code around the image (the
// host's unhandled processing) takes it before anything after the raise runs.
// Where image code lies further out, behind C++ frames that called back into
// the image, the way back into C++ code goes by a diverted return instead: the
// outermost image function of the inner run returns into a small routine that
// rethrows the exception as if the C++ call had raised it.
#include "Common/Image/ImageUnwind.h"

#include <cxxabi.h>
#include <unwind.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <utility>
#include <vector>

#include "Common/exceptions.h"
#include "Common/Image/loaderX86.h"
#include "Common/objects.h"

extern "C" void __register_frame(void* begin);  // the C++ unwinder's table of frame descriptions

namespace {

constexpr size_t kWord = sizeof(void*);

// DWARF register numbers of the frame pointer and the return address column.
#if UINTPTR_MAX > 0xFFFFFFFFu
constexpr uint8_t kFramePointerRegister = 6;  // rbp
constexpr uint8_t kReturnAddressColumn = 16;
#else
constexpr uint8_t kFramePointerRegister = 5;  // ebp
constexpr uint8_t kReturnAddressColumn = 8;
#endif

constexpr uint8_t kCfaDefCfa = 0x0C;
constexpr uint8_t kCfaOffset = 0x80;
constexpr uint8_t kPointerEncodingAbsolute = 0x00;

// Whether an exception class is that of a C++ exception (the last byte tells
// a primary from a dependent one).
bool isCppException(_Unwind_Exception_Class exceptionClass) {
    return (exceptionClass >> 8) == 0x474E5543432B2BULL;  // "GNUCC++"
}

// The call from image code whose frame `context` describes. The call ends at
// the canonical frame address, the image function's stack pointer after the
// return; a frame record of the callee would sit just below it.
ImageCallFrame callFrameOf(_Unwind_Context* context) {
    return {uintptr_t(_Unwind_GetCFA(context)) - 2 * kWord, uintptr_t(_Unwind_GetGR(context, kFramePointerRegister)),
            uintptr_t(_Unwind_GetIP(context))};
}

// Catches the C++ exception that reached image code and gives the runtime
// exception it carries, with a reference of its own; null for any other kind.
RuntimeObject* takeRuntimeException(_Unwind_Exception* unwinding) {
    __cxxabiv1::__cxa_begin_catch(unwinding);
    RuntimeObject* exc = nullptr;
    try {
        throw;
    } catch (const rt::RaisedException& raised) {
        exc = raised.object();
        RuntimeLockObject(exc);
    } catch (...) {
        return nullptr;  // still caught: std::terminate names it
    }
    __cxxabiv1::__cxa_end_catch();  // the C++ exception is done with
    return exc;
}

// Whether image code lies on the stack further out than `exitSlot`, the
// return from one run of image frames into the C++ code that called them.
bool imageCodeBeyond(uintptr_t exitSlot) {
    struct Search {
        uintptr_t exitSlot;
        bool found;
    } search{exitSlot, false};
    _Unwind_Backtrace(
        [](_Unwind_Context* context, void* state) {
            auto* s = static_cast<Search*>(state);
            if (RuntimeIsImageCode(uintptr_t(_Unwind_GetIP(context))) && uintptr_t(_Unwind_GetCFA(context)) > s->exitSlot) {
                s->found = true;
                return _URC_NORMAL_STOP;
            }
            return _URC_NO_REASON;
        },
        &search);
    return search.found;
}

// Whether the exception leaves image code for good with no image handler on
// the way: it is then the C++ caller's at once, as in code where a raise that
// nothing handles ends the walk. Nothing after the raise runs in image code,
// which knows no other way to stop a raise from returning.
bool leavesImageUnhandled(_Unwind_Context* context) {
    uintptr_t exitSlot = 0;
    return PlanImageDelivery(callFrameOf(context), exitSlot) == FrameWalkResult::LeftImage &&
           !imageCodeBeyond(exitSlot);
}

// The personality of image frames. In the search phase an image frame takes
// every C++ exception that an image handler record could see: image code
// cannot let one pass a handler. When no image frame will ever handle it, the
// search goes on in the C++ code around the image instead, and the cleanup
// phase passes every image frame by: they hold no cleanup. Otherwise the
// cleanup phase takes the runtime exception out of the C++ one and walks the
// image's frames for a handler record; any other C++ exception ends the
// process, as one leaving a noexcept function does.
_Unwind_Reason_Code imageFramePersonality(int version, _Unwind_Action actions, _Unwind_Exception_Class exceptionClass,
                                          _Unwind_Exception* unwinding, _Unwind_Context* context) {
    if (version != 1) return _URC_FATAL_PHASE1_ERROR;
    auto returnAddress = uintptr_t(_Unwind_GetIP(context));
    if ((actions & _UA_FORCE_UNWIND) || !isCppException(exceptionClass) || !RuntimeIsImageCode(returnAddress))
        return _URC_CONTINUE_UNWIND;
    if (actions & _UA_SEARCH_PHASE) return leavesImageUnhandled(context) ? _URC_CONTINUE_UNWIND : _URC_HANDLER_FOUND;
    if (!(actions & _UA_HANDLER_FRAME)) return _URC_CONTINUE_UNWIND;  // the search passed it by

    RuntimeObject* exc = takeRuntimeException(unwinding);
    if (!exc) std::terminate();

    ImageCallFrame first = callFrameOf(context);
    if (DeliverThroughImageFrames(exc, first) == FrameWalkResult::Ended) RuntimeEndUnhandled(exc);
    RuntimeUnlockObject(exc);
    _Unwind_SetIP(context, first.returnAddress);
    return _URC_INSTALL_CONTEXT;
}

// Little-endian writer of one frame description table.
class FrameTable {
public:
    void byte(uint8_t value) { bytes_.push_back(value); }
    void word32(uint32_t value) { append(&value, 4); }
    void pointer(uintptr_t value) { append(&value, kWord); }
    void text(const char* value) { append(value, std::strlen(value) + 1); }

    // Opens an entry (CIE or FDE); gives its position.
    size_t open() {
        size_t at = bytes_.size();
        word32(0);
        return at;
    }
    // Pads the entry opened at `at` with DW_CFA_nop to a whole number of words
    // and fills in its length.
    void close(size_t at) {
        while (bytes_.size() % kWord) byte(0);
        auto length = uint32_t(bytes_.size() - at - 4);
        std::memcpy(bytes_.data() + at, &length, 4);
    }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    void append(const void* data, size_t size) {
        auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    std::vector<uint8_t> bytes_;
};

// The exception each diverted return will raise in the C++ caller, by the
// slot of the return address it replaced.
struct PendingRaise {
    uintptr_t* returnSlot;
    uintptr_t returnAddress;
    RuntimeObject* exc;
};
thread_local std::vector<PendingRaise> tPendingRaises;

} // namespace

// Entered by a return from image code, with the slot that held the return
// address; puts the original return address back there, so that the slot reads
// as the return address of a call from the C++ caller, and raises.
extern "C" [[noreturn]] void ImageRaiseInCaller(uintptr_t* returnSlot) {
    auto pending = tPendingRaises.end();
    while (pending != tPendingRaises.begin() && (pending - 1)->returnSlot != returnSlot) --pending;
    if (pending == tPendingRaises.begin()) std::abort();  // a return nobody diverted: the stack is corrupt
    --pending;
    *returnSlot = pending->returnAddress;
    RuntimeObject* exc = pending->exc;
    tPendingRaises.erase(pending);
    struct Release {
        RuntimeObject* exc;
        ~Release() { RuntimeUnlockObject(exc); }
    } release{exc};
    throw rt::RaisedException(exc);
}

// The routine a diverted return arrives at. The stack pointer then lies just
// above the slot that held the return address; stepping back onto it makes a
// frame that the unwinder reads as a call from the C++ caller, once
// ImageRaiseInCaller has put the caller's address back. Its frame
// description therefore holds from the first instruction after that step on.
extern "C" char ImageRaiseInCallerStub[];
#if UINTPTR_MAX > 0xFFFFFFFFu
asm(R"(
        .text
        .p2align 4
        .globl  ImageRaiseInCallerStub
        .hidden ImageRaiseInCallerStub
        .type   ImageRaiseInCallerStub, @function
ImageRaiseInCallerStub:
        .cfi_startproc
        subq    $8, %rsp
        movq    %rsp, %rdi
        subq    $8, %rsp
        .cfi_adjust_cfa_offset 8
        call    ImageRaiseInCaller
        ud2
        .cfi_endproc
        .size   ImageRaiseInCallerStub, .-ImageRaiseInCallerStub
)");
#else
asm(R"(
        .text
        .p2align 4
        .globl  ImageRaiseInCallerStub
        .hidden ImageRaiseInCallerStub
        .type   ImageRaiseInCallerStub, @function
ImageRaiseInCallerStub:
        .cfi_startproc
        subl    $4, %esp
        movl    %esp, %eax
        subl    $8, %esp
        .cfi_adjust_cfa_offset 8
        pushl   %eax
        .cfi_adjust_cfa_offset 4
        call    ImageRaiseInCaller
        ud2
        .cfi_endproc
        .size   ImageRaiseInCallerStub, .-ImageRaiseInCallerStub
)");
#endif

void RaiseInCallerOnReturn(uintptr_t* returnSlot, RuntimeObject* exc) {
    auto stub = reinterpret_cast<uintptr_t>(ImageRaiseInCallerStub);
    RuntimeLockObject(exc);
    if (*returnSlot == stub) {
        // A later exception overtook one that was already on its way out.
        for (PendingRaise& pending : tPendingRaises) {
            if (pending.returnSlot == returnSlot) {
                RuntimeUnlockObject(std::exchange(pending.exc, exc));
                return;
            }
        }
    }
    tPendingRaises.push_back({returnSlot, *returnSlot, exc});
    *returnSlot = stub;
}

std::optional<ImageCallFrame> InnermostImageCall(void** frame) {
    ImageCallFrame own{reinterpret_cast<uintptr_t>(frame), reinterpret_cast<uintptr_t>(frame[0]),
                       reinterpret_cast<uintptr_t>(frame[1])};
    if (RuntimeIsImageCode(own.returnAddress)) return own;
    if (RuntimeImageCodeBlock().empty()) return std::nullopt;
    // C++ frames need not keep frame pointers: their own descriptions lead out.
    std::optional<ImageCallFrame> found;
    _Unwind_Backtrace(
        [](_Unwind_Context* context, void* result) {
            if (!RuntimeIsImageCode(uintptr_t(_Unwind_GetIP(context)))) return _URC_NO_REASON;
            *static_cast<std::optional<ImageCallFrame>*>(result) = callFrameOf(context);
            return _URC_NORMAL_STOP;
        },
        &found);
    return found;
}

namespace {
// The exception core's view of the stack: the image methods from `frame` out.
std::vector<std::string> imageStackNames(void** frame) {
    std::optional<ImageCallFrame> call = InnermostImageCall(frame);
    return call ? ImageStackNames(*call) : std::vector<std::string>();
}
} // namespace

void RegisterImageFrames(const uint8_t* code, size_t size) {
    // From now on image code may be on the stack when an exception is raised.
    RuntimeSetImageStackNamer(&imageStackNames);
    static std::deque<FrameTable> tables;  // the unwinder reads them for the life of the process
    FrameTable& table = tables.emplace_back();

    // The common part: frames linked by frame pointers, each function's
    // frame pointer saved just below its return address.
    size_t cie = table.open();
    table.word32(0);  // marks a CIE
    table.byte(1);    // version
    table.text("zP");
    table.byte(1);                           // code alignment
    table.byte(uint8_t(-int(kWord)) & 0x7F);  // data alignment, -kWord as SLEB128
    table.byte(kReturnAddressColumn);
    table.byte(1 + kWord);  // augmentation data: the personality
    table.byte(kPointerEncodingAbsolute);
    table.pointer(reinterpret_cast<uintptr_t>(&imageFramePersonality));
    table.byte(kCfaDefCfa);
    table.byte(kFramePointerRegister);
    table.byte(2 * kWord);
    table.byte(kCfaOffset | kReturnAddressColumn);
    table.byte(1);
    table.byte(kCfaOffset | kFramePointerRegister);
    table.byte(2);
    table.close(cie);

    // One description for the whole code block.
    size_t fde = table.open();
    table.word32(uint32_t(fde + 4 - cie));
    table.pointer(reinterpret_cast<uintptr_t>(code));
    table.pointer(size);
    table.byte(0);  // no augmentation data
    table.close(fde);
    table.word32(0);  // the end of the table
    __register_frame(table.bytes().data());
}
