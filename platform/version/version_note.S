/* The program's file version as an ELF note, read back by file_version.cpp.
   Layout: namesz, descsz, type, "Korvale\0", then four 16-bit little-endian
   parts (major, minor, build, revision). The section is allocated ("a") so the
   linker keeps it in the image like the other .note sections. */
#ifndef KORVALE_VERSION_MAJOR
#define KORVALE_VERSION_MAJOR 0
#endif
#ifndef KORVALE_VERSION_MINOR
#define KORVALE_VERSION_MINOR 0
#endif
#ifndef KORVALE_VERSION_BUILD
#define KORVALE_VERSION_BUILD 0
#endif
#ifndef KORVALE_VERSION_REVISION
#define KORVALE_VERSION_REVISION 0
#endif

        .section .note.korvale.version, "a", %note
        .balign 4
        .long 8                 /* name size, "Korvale" and its zero */
        .long 8                 /* descriptor size, four 16-bit parts */
        .long 1                 /* note type: file version */
        .ascii "Korvale\0"
        .short KORVALE_VERSION_MAJOR, KORVALE_VERSION_MINOR
        .short KORVALE_VERSION_BUILD, KORVALE_VERSION_REVISION
        .balign 4

        /* No executable stack for programs that link this object. */
        .section .note.GNU-stack, "", %progbits
