# Warnings for the project's own code, optional sanitizers for everything.
function(draxo_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wformat=2)
    if(DRAXO_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

if(DRAXO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Coverage for the fuzzing engine in everything the fuzz targets reach. The
# engine (libFuzzer) comes with clang; with another compiler the fuzz targets
# are left out.
if(DRAXO_BUILD_FUZZ)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_compile_options(-fsanitize=fuzzer-no-link)
  else()
    message(STATUS "Fuzz targets: not built, they need clang (configure with CC=clang CXX=clang++)")
    set(DRAXO_BUILD_FUZZ OFF)
  endif()
endif()
