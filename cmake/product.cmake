# Setup.exe is built in a tree of its own (product/ in this build folder), in the win32
# thread model: the posix model's C++ runtime links a pthreads library (about 30 KB)
# that its unwinder calls into, and the program's one worker is a Win32 thread
# (framework/WorkerThread.h). The tests stay in the posix model, which GoogleTest needs
# (it uses std::mutex, which the win32 model's library lacks). The product tree takes
# this tree's payload and signing settings, and its Setup.exe (and Setup-signed.exe) are
# copied here, where the tests and tools look.
include(ExternalProject)

set(PRODUCT_DIR ${CMAKE_BINARY_DIR}/product)
set(PRODUCT_TARGETS Setup)
set(PRODUCT_COPY ${CMAKE_COMMAND} -E copy_if_different ${PRODUCT_DIR}/Setup.exe ${CMAKE_BINARY_DIR}/Setup.exe)
if(SETUP_SIGNING_CERT OR SETUP_SIGNING_KEY)
  list(APPEND PRODUCT_TARGETS SetupSigned)
  list(APPEND PRODUCT_COPY
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PRODUCT_DIR}/Setup-signed.exe ${CMAKE_BINARY_DIR}/Setup-signed.exe)
endif()

ExternalProject_Add(product
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${PRODUCT_DIR}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-mingw-i686-product.cmake
    -DSETUP_PRODUCT_ONLY=ON -DSETUP_PAYLOAD_DIR=${PAYLOAD_DIR}
    -DSETUP_SIGNING_CERT=${SETUP_SIGNING_CERT} -DSETUP_SIGNING_KEY=${SETUP_SIGNING_KEY}
    -DSETUP_SIGNING_TIMESTAMP_URL=${SETUP_SIGNING_TIMESTAMP_URL}
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${PRODUCT_DIR} --target ${PRODUCT_TARGETS}
  INSTALL_COMMAND ${PRODUCT_COPY}
  BUILD_ALWAYS ON
  # This tree's check first: a payload it refuses builds no product.
  DEPENDS payload_checked)

add_custom_target(Setup ALL)
add_dependencies(Setup product)
if(SETUP_SIGNING_CERT OR SETUP_SIGNING_KEY)
  add_custom_target(SetupSigned ALL)
  add_dependencies(SetupSigned product)
endif()
