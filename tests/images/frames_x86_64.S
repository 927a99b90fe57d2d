/* Image functions for the frame-walk tests, x86-64. Each keeps a frame
 * pointer; the handlers carry handler records with their exception slot at
 * -8 and the stack pointer for the landing code at -16. The landing codes tell
 * the test what ran through TestNote(letter) and TestCaught(exception). */
        .text

/* Opens a function with a frame of \size bytes below the saved frame pointer. */
.macro  enter_frame size
        .cfi_startproc
        pushq   %rbp
        .cfi_def_cfa_offset 16
        .cfi_offset %rbp, -16
        movq    %rsp, %rbp
        .cfi_def_cfa_register %rbp
        subq    $\size, %rsp
        movq    $0, -8(%rbp)
        movq    %rsp, -16(%rbp)
.endm

/* A handler record whose normal flow continues at label 2. */
.macro  handler_record
        .byte   0xE9
        .long   2f - 1f
1:      .long   0x411
        .short  0
        .short  -8
        movq    -16(%rbp), %rsp
.endm

.macro  leave_frame
2:      leave
        .cfi_def_cfa %rsp, 8
        ret
        .cfi_endproc
.endm

/* A cleanup handler: notes \letter, then re-raises and lets its slot go. */
.macro  cleanup_function name, callee, letter
        .globl  \name
        .type   \name, @function
\name:
        enter_frame 16
        call    \callee
        handler_record
        movl    $\letter, %edi
        call    TestNote
        movq    -8(%rbp), %rdi
        testq   %rdi, %rdi
        jz      2f
        call    RuntimeReraiseException
        movq    -8(%rbp), %rdi
        movq    $0, -8(%rbp)
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
        call    \callee
        xorl    %eax, %eax
        handler_record
        movq    -8(%rbp), %rdi
        call    TestCaught
        movq    -8(%rbp), %rdi
        movq    $0, -8(%rbp)
        call    RuntimeUnlockObject
        movl    $1, %eax
        leave_frame
.endm

/* void RaiseIn(exception): raises it, without a handler of its own. */
        .globl  RaiseIn
        .type   RaiseIn, @function
RaiseIn:
        enter_frame 16
        call    RuntimeRaiseException
        movl    $'R', %edi
        call    TestNote
        leave_frame

/* void RaiseWithBrokenChain(exception): raises with a frame link of 0. */
        .globl  RaiseWithBrokenChain
        .type   RaiseWithBrokenChain, @function
RaiseWithBrokenChain:
        enter_frame 16
        xorl    %ebp, %ebp
        call    RuntimeRaiseException
        movq    %rsp, %rbp
        addq    $16, %rbp
        leave_frame

        cleanup_function Inner, RaiseIn, 'I'
        cleanup_function Outer, Inner, 'O'
        catch_function CatchAll, Outer, 16
        catch_function CatchAroundBigFrame, BigFrame, 16
        catch_function CatchBrokenChain, RaiseWithBrokenChain, 16
        /* A frame of more than 4,096 bytes: the walk ends below it. */
        catch_function BigFrame, RaiseIn, 8208

        /* Exceptions raised by runtime code that image code called: a runtime
         * entry point given nil, one behind a C++ frame with a destructor, and
         * one passing C++ frames that called back into the image (Inner). */
        catch_function CatchNilFromRuntime, RuntimeExceptionStack, 16
        cleanup_function InnerGuarded, TestGuardedNil, 'I'
        catch_function CatchAroundGuard, InnerGuarded, 16
        cleanup_function OuterAroundCallBack, TestCallBack, 'O'
        catch_function CatchAroundCallBack, OuterAroundCallBack, 16
        catch_function BigFrameAroundRuntime, RuntimeExceptionStack, 8208
        catch_function CatchAroundBigFrameAroundRuntime, BigFrameAroundRuntime, 16
        /* A C++ exception of another kind, which image code cannot take. */
        catch_function CatchAroundCppThrow, TestThrowCpp, 16

        .section .note.GNU-stack,"",@progbits
