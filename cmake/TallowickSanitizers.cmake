# Sanitizer builds apply to every target, libraries and tests alike.
if(TLW_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(TLW_TSAN)
  if(TLW_SANITIZE)
    message(FATAL_ERROR "TLW_TSAN and TLW_SANITIZE cannot be combined")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
