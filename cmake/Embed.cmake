# Embeds files into the executable as byte blocks: a 32-bit 1, a 32-bit byte
# count, then the file's bytes. The exported symbol names the first data byte,
# so the word in front of it is the count.
#
#   gift_embed(<target> <C symbol name> <file>)
#
# adds a generated assembler source to <target>. Declare the symbol in C++ as
#   extern "C" const unsigned char <name>[];
include_guard(GLOBAL)

function(gift_embed target symbol file)
  get_filename_component(abs "${file}" ABSOLUTE)
  if(NOT EXISTS "${abs}")
    message(FATAL_ERROR "embedded file is missing: ${abs}")
  endif()
  file(SIZE "${abs}" size)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/embed/${symbol}.S")
  # 32-bit Windows C symbols carry a leading underscore; 64-bit ones do not.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(prefix "_")
  else()
    set(prefix "")
  endif()
  file(CONFIGURE OUTPUT "${out}" CONTENT
"    .section .rdata,\"dr\"
    .balign 4
    .long 1
    .long ${size}
    .globl ${prefix}${symbol}
${prefix}${symbol}:
    .incbin \"${abs}\"
    .byte 0
" @ONLY)
  target_sources(${target} PRIVATE "${out}")
  set_property(SOURCE "${out}" APPEND PROPERTY OBJECT_DEPENDS "${abs}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${abs}")
endfunction()
