# Every compiler and linker flag of both builds, in one place.

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

# Warnings on in both builds; the code is kept clean of them.
set(SETUP_WARNINGS -Wall -Wextra -Wshadow $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)

# Reproducible output: no build paths inside the binaries.
set(SETUP_COMMON_FLAGS -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)

if(WIN32)
  # The product calls the wide API with UTF-8 texts converted at the call (no UNICODE, so
  # that every call names its form) and targets Windows XP and later. The sources and the
  # narrow string literals are UTF-8, whatever the system's code page.
  set(SETUP_PLATFORM_FLAGS -finput-charset=UTF-8 -fexec-charset=UTF-8
      -DWINVER=0x0501 -D_WIN32_WINNT=0x0501 -D_WIN32_IE=0x0600 -DWIN32_LEAN_AND_MEAN -DNOMINMAX)
  # Small code: each function and datum in a section of its own, so that the linker
  # drops whatever the program does not use of the statically linked runtimes.
  list(APPEND SETUP_PLATFORM_FLAGS -ffunction-sections -fdata-sections)
  # One file that runs on a bare system: the C and C++ runtimes are linked in.
  # No timestamp in the PE header, so that identical sources give identical files.
  set(SETUP_LINK_FLAGS -static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp -Wl,--gc-sections)
else()
  option(SETUP_SANITIZERS "Build the host tree with AddressSanitizer and UBSan (off for the benchmark)" ON)
  if(SETUP_SANITIZERS)
    # Host tests run with AddressSanitizer and UBSan; any report fails the test.
    set(SETUP_PLATFORM_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
    set(SETUP_LINK_FLAGS -fsanitize=address,undefined)
  endif()
endif()

add_compile_options(${SETUP_WARNINGS} ${SETUP_COMMON_FLAGS} ${SETUP_PLATFORM_FLAGS})
add_link_options(${SETUP_LINK_FLAGS})
