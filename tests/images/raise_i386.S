/* Image code laid out the way a compiler lays out functions that realign the
 * stack (push ebp; mov ebp, esp; and esp, -16), 32-bit x86 cdecl, for the
 * images that raise with a handler two frames up, with none, and again from a
 * landing. Raiser raises a FunctionNotFoundException, and lets its two texts
 * go when the raise returns; Middle calls it; every function says on standard
 * output what it got to. Frame slots lie below the
 * frame pointer: the exception slot at -4, the landing code's stack pointer
 * at -8. */
        .text

.macro  open_frame
        pushl   %ebp
        movl    %esp, %ebp
        andl    $-16, %esp
        subl    $32, %esp
        movl    $0, -4(%ebp)
        movl    %esp, -8(%ebp)
.endm

.macro  close_frame
        movl    %ebp, %esp
        popl    %ebp
        ret
.endm

.macro  say text
        movl    $\text, (%esp)
        call    Say
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

/* void Say(const char* text): prints the text as one line. */
Say:
        open_frame
        movl    8(%ebp), %eax
        movl    %eax, (%esp)
        call    StringFromCString
        movl    %eax, 16(%esp)
        movl    %eax, (%esp)
        call    RuntimeConsolePrint
        movl    16(%esp), %eax
        movl    %eax, (%esp)
        call    RuntimeUnlockString
        close_frame

Raiser:
        open_frame
        movl    $missingFunction, (%esp)
        call    StringFromCString
        movl    %eax, 16(%esp)
        movl    $missingLibrary, (%esp)
        call    StringFromCString
        movl    %eax, 20(%esp)
        movl    %eax, 4(%esp)
        movl    16(%esp), %eax
        movl    %eax, (%esp)
        call    RuntimeRaiseFunctionNotFoundException
        say     afterRaise
        movl    16(%esp), %eax
        movl    %eax, (%esp)
        call    RuntimeUnlockString
        movl    20(%esp), %eax
        movl    %eax, (%esp)
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
        movl    -4(%ebp), %eax
        movl    %eax, (%esp)
        movl    $0, -4(%ebp)
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
        movl    -4(%ebp), %eax
        movl    %eax, (%esp)
        call    RuntimeReraiseException
        say     afterReraise
        movl    -4(%ebp), %eax
        movl    %eax, (%esp)
        movl    $0, -4(%ebp)
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
