/* int CatchRuntimeException(void (*body)(void)), 32-bit x86 cdecl.
 * The handler record after the call makes the runtime's frame walk divert the
 * return out of body to the landing code, with the exception in the slot. */
        .text
        .globl  CatchRuntimeException
        .type   CatchRuntimeException, @function
CatchRuntimeException:
        .cfi_startproc
        pushl   %ebp
        .cfi_def_cfa_offset 8
        .cfi_offset %ebp, -8
        movl    %esp, %ebp
        .cfi_def_cfa_register %ebp
        subl    $24, %esp               /* keeps calls 16-byte aligned */
        movl    $0, -4(%ebp)            /* exception slot */
        movl    %esp, -8(%ebp)          /* stack pointer for the landing code */
        call    *8(%ebp)
        xorl    %eax, %eax
        .byte   0xE9                    /* handler record: jump over it and the landing code */
        .long   2f - 1f
1:      .long   0x411
        .short  0
        .short  -4
        movl    -8(%ebp), %esp          /* landing code */
        movl    -4(%ebp), %eax
        movl    %eax, (%esp)
        movl    $0, -4(%ebp)
        call    RuntimeUnlockObject     /* caught: let the exception go */
        movl    $1, %eax
2:      leave
        .cfi_def_cfa %esp, 4
        ret
        .cfi_endproc
        .size   CatchRuntimeException, .-CatchRuntimeException
        .section .note.GNU-stack,"",@progbits
