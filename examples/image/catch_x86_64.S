/* int CatchRuntimeException(void (*body)(void)), x86-64 System V.
 * The handler record after the call makes the runtime's frame walk divert the
 * return out of body to the landing code, with the exception in the slot. */
        .text
        .globl  CatchRuntimeException
        .type   CatchRuntimeException, @function
CatchRuntimeException:
        .cfi_startproc
        pushq   %rbp
        .cfi_def_cfa_offset 16
        .cfi_offset %rbp, -16
        movq    %rsp, %rbp
        .cfi_def_cfa_register %rbp
        subq    $16, %rsp
        movq    $0, -8(%rbp)            /* exception slot */
        movq    %rsp, -16(%rbp)         /* stack pointer for the landing code */
        call    *%rdi
        xorl    %eax, %eax
        .byte   0xE9                    /* handler record: jump over it and the landing code */
        .long   2f - 1f
1:      .long   0x411
        .short  0
        .short  -8
        movq    -16(%rbp), %rsp         /* landing code */
        movq    -8(%rbp), %rdi
        movq    $0, -8(%rbp)
        call    RuntimeUnlockObject     /* caught: let the exception go */
        movl    $1, %eax
2:      leave
        .cfi_def_cfa %rsp, 8
        ret
        .cfi_endproc
        .size   CatchRuntimeException, .-CatchRuntimeException
        .section .note.GNU-stack,"",@progbits
