/* Image tool input it must refuse: a 16-bit address, which no relocation of
 * an image can hold. */
        .data
        .word   ImageMain
        .section .note.GNU-stack,"",@progbits
