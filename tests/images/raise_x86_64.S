/* Image code laid out the way a compiler lays out functions that realign the
 * stack (push rbp; mov rbp, rsp; and rsp, -16), x86-64, for the images that
 * raise with a handler two frames up, with none, and again from a landing.
 * Raiser raises a FunctionNotFoundException, and lets its two texts go when
 * the raise returns; Middle calls it; every function says on standard output
 * what it got to. Frame slots lie below the frame
 * pointer: the exception slot at -8, the landing code's stack pointer at -16. */
        .text

.macro  open_frame
        pushq   %rbp
        movq    %rsp, %rbp
        andq    $-16, %rsp
        subq    $32, %rsp
        movq    $0, -8(%rbp)
        movq    %rsp, -16(%rbp)
.endm

.macro  close_frame
        movq    %rbp, %rsp
        popq    %rbp
        ret
.endm

.macro  say text
        leaq    \text(%rip), %rdi
        call    Say
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

/* void Say(const char* text): prints the text as one line. */
Say:
        open_frame
        call    StringFromCString
        movq    %rax, -24(%rbp)
        movq    %rax, %rdi
        call    RuntimeConsolePrint
        movq    -24(%rbp), %rdi
        call    RuntimeUnlockString
        close_frame

Raiser:
        open_frame
        leaq    missingFunction(%rip), %rdi
        call    StringFromCString
        movq    %rax, -24(%rbp)
        leaq    missingLibrary(%rip), %rdi
        call    StringFromCString
        movq    %rax, -32(%rbp)
        movq    %rax, %rsi
        movq    -24(%rbp), %rdi
        call    RuntimeRaiseFunctionNotFoundException
        say     afterRaise
        movq    -24(%rbp), %rdi
        call    RuntimeUnlockString
        movq    -32(%rbp), %rdi
        call    RuntimeUnlockString
        close_frame

Middle:
        open_frame
        call    Raiser
        say     afterRaiser
        close_frame

/* Catches what Raiser raises two frames up, and gives 23. */
        .globl  CatchTwoUp
CatchTwoUp:
        open_frame
        call    RuntimeInitExternalClasses
        say     start
        call    Middle
        handler_record
        say     caught
        movq    -8(%rbp), %rdi
        movq    $0, -8(%rbp)
        call    RuntimeUnlockObject
2:      movl    $23, %eax
        close_frame

/* Handles nothing: gives 23 only if the raise came back. */
        .globl  RaiseUnhandled
RaiseUnhandled:
        open_frame
        call    RuntimeInitExternalClasses
        say     start
        call    Middle
        say     backInEntry
        movl    $23, %eax
        close_frame

/* A cleanup around Middle that raises the exception again. */
CleanUp:
        open_frame
        call    Middle
        handler_record
        say     cleanup
        movq    -8(%rbp), %rdi
        call    RuntimeReraiseException
        say     afterReraise
        movq    -8(%rbp), %rdi
        movq    $0, -8(%rbp)
        call    RuntimeUnlockObject
2:      close_frame

        .globl  ReraiseFromLanding
ReraiseFromLanding:
        open_frame
        call    RuntimeInitExternalClasses
        say     start
        call    CleanUp
        say     backInEntry
        movl    $23, %eax
        close_frame

        .section .rodata
missingFunction:  .asciz "Missing"
missingLibrary:   .asciz "libnowhere.so"
start:            .asciz "start"
afterRaise:       .asciz "after the raise"
afterRaiser:      .asciz "after Raiser"
caught:           .asciz "caught"
cleanup:          .asciz "cleanup"
afterReraise:     .asciz "after the re-raise"
backInEntry:      .asciz "back in the entry routine"

        .section .note.GNU-stack,"",@progbits
