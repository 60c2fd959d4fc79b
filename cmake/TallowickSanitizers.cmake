# Sanitizer builds apply to every target, libraries and tests alike. Any
# report ends the program with an error, so that a test, and CI, fails on it.
if(TLW_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
if(TLW_TSAN)
  if(TLW_SANITIZE OR TLW_FUZZ)
    message(FATAL_ERROR "TLW_TSAN cannot be combined with TLW_SANITIZE or TLW_FUZZ")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
# The fuzz preset: the code under test is instrumented for libFuzzer's
# coverage and checked by ASan and UBSan; the fuzz programs link libFuzzer
# itself (tests/fuzz/CMakeLists.txt).
if(TLW_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TLW_FUZZ needs clang (libFuzzer)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
# Sanitizer builds are Debug (assertions on) at -O1: much faster tests than
# -O0 and still exact stacks.
if(TLW_SANITIZE OR TLW_TSAN OR TLW_FUZZ)
  add_compile_options(-O1)
endif()
