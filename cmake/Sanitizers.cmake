# Sanitizers are opt-in; address and undefined combine, thread stands alone.
set(_vm_sanitizers "")
if(VELLUMARK_ASAN)
  list(APPEND _vm_sanitizers address)
endif()
if(VELLUMARK_UBSAN)
  list(APPEND _vm_sanitizers undefined)
endif()
if(VELLUMARK_TSAN)
  if(VELLUMARK_ASAN)
    message(FATAL_ERROR "The thread sanitizer cannot be combined with the address sanitizer")
  endif()
  list(APPEND _vm_sanitizers thread)
endif()
if(_vm_sanitizers)
  list(JOIN _vm_sanitizers "," _vm_sanitizer_list)
  add_compile_options(-fsanitize=${_vm_sanitizer_list} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${_vm_sanitizer_list})
endif()

# The fuzz targets (fuzz/) take libFuzzer, which only clang has. Everything they link is instrumented
# for coverage and built with the address and undefined-behaviour sanitizers, the same pair the
# tests run under.
if(VELLUMARK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VELLUMARK_FUZZ needs clang: configure with -DCMAKE_C_COMPILER=clang-14 "
                        "-DCMAKE_CXX_COMPILER=clang++-14")
  endif()
  if(VELLUMARK_TSAN)
    message(FATAL_ERROR "The fuzz targets run under the address sanitizer, which excludes the thread sanitizer")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
