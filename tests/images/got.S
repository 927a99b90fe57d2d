/* Image tool input it must refuse: a reference through the global offset
 * table, which an image does not have. */
        .data
#ifdef __x86_64__
        .long   shared@GOTPCREL
#else
        .long   shared@GOT
#endif
        .section .note.GNU-stack,"",@progbits
