/* Image functions for the frame-walk tests, 32-bit x86 cdecl. Each keeps a
 * frame pointer; the handlers carry handler records with their exception slot
 * at -4 and the stack pointer for the landing code at -8. The landing codes
 * tell the test what ran through TestNote(letter) and TestCaught(exception). */
        .text

/* Opens a function with a frame of \size bytes below the saved frame pointer;
 * \size keeps calls 16-byte aligned. */
.macro  enter_frame size
        .cfi_startproc
        pushl   %ebp
        .cfi_def_cfa_offset 8
        .cfi_offset %ebp, -8
        movl    %esp, %ebp
        .cfi_def_cfa_register %ebp
        subl    $\size, %esp
        movl    $0, -4(%ebp)
        movl    %esp, -8(%ebp)
.endm

/* Calls \function with the caller's first argument. */
.macro  pass_argument function
        movl    8(%ebp), %eax
        movl    %eax, (%esp)
        call    \function
.endm

/* A handler record whose normal flow continues at label 2. */
.macro  handler_record
        .byte   0xE9
        .long   2f - 1f
1:      .long   0x411
        .short  0
        .short  -4
        movl    -8(%ebp), %esp
.endm

.macro  leave_frame
2:      leave
        .cfi_def_cfa %esp, 4
        ret
        .cfi_endproc
.endm

/* A cleanup handler: notes \letter, then re-raises and lets its slot go. */
.macro  cleanup_function name, callee, letter
        .globl  \name
        .type   \name, @function
\name:
        enter_frame 24
        pass_argument \callee
        handler_record
        movl    $\letter, (%esp)
        call    TestNote
        movl    -4(%ebp), %eax
        testl   %eax, %eax
        jz      2f
        movl    %eax, (%esp)
        call    RuntimeReraiseException
        movl    -4(%ebp), %eax
        movl    %eax, (%esp)
        movl    $0, -4(%ebp)
        call    RuntimeUnlockObject
        leave_frame
.endm

/* A catching handler: hands the exception in its slot to TestCaught, lets it
 * go and gives 1; gives 0 when nothing was raised. */
.macro  catch_function name, callee, size
        .globl  \name
        .type   \name, @function
\name:
        enter_frame \size
        pass_argument \callee
        xorl    %eax, %eax
        handler_record
        movl    -4(%ebp), %eax
        movl    %eax, (%esp)
        call    TestCaught
        movl    -4(%ebp), %eax
        movl    %eax, (%esp)
        movl    $0, -4(%ebp)
        call    RuntimeUnlockObject
        movl    $1, %eax
        leave_frame
.endm

/* void RaiseIn(exception): raises it, without a handler of its own. */
        .globl  RaiseIn
        .type   RaiseIn, @function
RaiseIn:
        enter_frame 24
        pass_argument RuntimeRaiseException
        movl    $'R', (%esp)
        call    TestNote
        leave_frame

/* void RaiseWithBrokenChain(exception): raises with a frame link of 0. */
        .globl  RaiseWithBrokenChain
        .type   RaiseWithBrokenChain, @function
RaiseWithBrokenChain:
        enter_frame 24
        movl    8(%ebp), %eax
        movl    %eax, (%esp)
        xorl    %ebp, %ebp
        call    RuntimeRaiseException
        leal    24(%esp), %ebp
        leave_frame

        cleanup_function Inner, RaiseIn, 'I'
        cleanup_function Outer, Inner, 'O'
        catch_function CatchAll, Outer, 24
        catch_function CatchAroundBigFrame, BigFrame, 24
        catch_function CatchBrokenChain, RaiseWithBrokenChain, 24
        /* A frame of more than 4,096 bytes: the walk ends below it. */
        catch_function BigFrame, RaiseIn, 8216

        /* Exceptions raised by runtime code that image code called: a runtime
         * entry point given nil, one behind a C++ frame with a destructor, and
         * one passing C++ frames that called back into the image (Inner). */
        catch_function CatchNilFromRuntime, RuntimeExceptionStack, 24
        cleanup_function InnerGuarded, TestGuardedNil, 'I'
        catch_function CatchAroundGuard, InnerGuarded, 24
        cleanup_function OuterAroundCallBack, TestCallBack, 'O'
        catch_function CatchAroundCallBack, OuterAroundCallBack, 24
        catch_function BigFrameAroundRuntime, RuntimeExceptionStack, 8216
        catch_function CatchAroundBigFrameAroundRuntime, BigFrameAroundRuntime, 24
        /* A C++ exception of another kind, which image code cannot take. */
        catch_function CatchAroundCppThrow, TestThrowCpp, 24

        .section .note.GNU-stack,"",@progbits
