# cmake -DPROGRAM=... -DIMAGE=... -DASM=... [-DSTRIP=...] -P embed_image.cmake
# Copies the built editor program to IMAGE, without its symbols and debug
# information (the plug-in writes the image out at every first editor open,
# and nobody debugs that copy), and writes ASM, which embeds it as the
# global read-only symbols `uifile` and `uifile_size`.
get_filename_component(image_dir ${IMAGE} DIRECTORY)
file(MAKE_DIRECTORY ${image_dir})
if(STRIP)
  execute_process(COMMAND ${STRIP} --strip-all -o ${IMAGE} ${PROGRAM} RESULT_VARIABLE stripped)
  if(NOT stripped EQUAL 0)
    message(FATAL_ERROR "could not strip ${PROGRAM}")
  endif()
else()
  file(COPY_FILE ${PROGRAM} ${IMAGE})
endif()
file(SIZE ${IMAGE} size)
file(WRITE ${ASM}
"/* Generated at build time: the editor program's image. */
\t.section .rodata
\t.globl uifile
\t.type uifile, @object
\t.balign 16
uifile:
\t.incbin \"${IMAGE}\"
\t.size uifile, . - uifile
\t.globl uifile_size
\t.type uifile_size, @object
\t.balign 4
uifile_size:
\t.long ${size}
\t.size uifile_size, 4
\t.section .note.GNU-stack,\"\",@progbits
")
