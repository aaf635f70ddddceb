# The payload: by default a sample of the shipped shape, generated into the build tree;
# with SETUP_PAYLOAD_DIR a real product's folder. Either way it is checked against its
# manifest and, in the Windows build, compiled into a resource object that Setup.exe
# (and the test that compares every blob) links.

set(SAMPLE_GENERATOR ${CMAKE_SOURCE_DIR}/tools/make_sample_payload.py)

if(SETUP_PAYLOAD_DIR)
  set(PAYLOAD_DIR ${SETUP_PAYLOAD_DIR})
  add_custom_target(payload_folder)
else()
  set(PAYLOAD_DIR ${CMAKE_BINARY_DIR}/payload)
  set(GENERATOR_ARGS --out ${PAYLOAD_DIR})
  set(GENERATOR_DEPENDS ${SAMPLE_GENERATOR})
  if(WIN32)
    # The sample main program is a real tiny Win32 program, padded to its size.
    add_executable(QuenvaleSample WIN32 sample/Quenvale.cpp)
    target_compile_options(QuenvaleSample PRIVATE -Os)
    target_link_options(QuenvaleSample PRIVATE -s)
    list(APPEND GENERATOR_ARGS --main-program $<TARGET_FILE:QuenvaleSample>)
    list(APPEND GENERATOR_DEPENDS QuenvaleSample)
    # So is the uninstaller, which undoes an installation. Nothing in it throws, and
    # without the unwinding machinery it fits in its size.
    add_executable(UnInstallSample WIN32 sample/UnInstall.cpp sample/uninstall/FileHandles.cpp
      sample/uninstall/FinishingCopy.cpp sample/uninstall/InstallFolder.cpp sample/uninstall/ListedFiles.cpp
      sample/uninstall/Paths.cpp sample/uninstall/Report.cpp sample/uninstall/Shortcuts.cpp
      sample/UnInstall.rc)
    # The resource compiler does not tell what its script includes: the manifest it carries.
    set_source_files_properties(sample/UnInstall.rc PROPERTIES OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/payload/Setup.manifest)
    target_compile_options(UnInstallSample PRIVATE -Os -fno-exceptions)
    target_link_options(UnInstallSample PRIVATE -s)
    # Headers only from the tree: product facts, the rule on who could have changed a
    # file, the COM owners. Its copy's folder is created and opened in one call of ntdll.
    target_include_directories(UnInstallSample PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(UnInstallSample PRIVATE ole32 shell32 uuid ntdll)
    list(APPEND GENERATOR_ARGS --uninstaller $<TARGET_FILE:UnInstallSample>)
    list(APPEND GENERATOR_DEPENDS UnInstallSample)
  endif()
  # The programs are outputs too, so that a change to one is packaged in the same build.
  add_custom_command(
    OUTPUT ${PAYLOAD_DIR}/Count.dat ${PAYLOAD_DIR}/Quenvale.exe ${PAYLOAD_DIR}/UnInstall.exe
    COMMAND python3 ${SAMPLE_GENERATOR} ${GENERATOR_ARGS}
    DEPENDS ${GENERATOR_DEPENDS}
    COMMENT "Making the sample payload")
  add_custom_target(payload_folder DEPENDS ${PAYLOAD_DIR}/Count.dat)
endif()

# A payload the check refuses (a fault, or more than the resource format or a 32-bit
# process can hold) stops the build before anything is written and removes the programs
# built from an earlier payload: this tree's Setup.exe and, in the test tree, its copies
# and the product tree's.
set(PAYLOAD_RC ${CMAKE_BINARY_DIR}/payload.rc)
set(BUILT_FROM_PAYLOAD)
foreach(program Setup.exe Setup-signed.exe product/Setup.exe product/Setup-signed.exe)
  list(APPEND BUILT_FROM_PAYLOAD --built-from ${CMAKE_BINARY_DIR}/${program})
endforeach()
add_custom_command(
  OUTPUT ${PAYLOAD_RC}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/make_payload_rc.py --payload ${PAYLOAD_DIR} --out ${PAYLOAD_RC}
          --depfile ${PAYLOAD_RC}.d ${BUILT_FROM_PAYLOAD}
  DEPENDS payload_folder ${PAYLOAD_DIR}/Count.dat ${CMAKE_SOURCE_DIR}/tools/make_payload_rc.py
  DEPFILE ${PAYLOAD_RC}.d
  COMMENT "Checking the payload and writing its resource script")
add_custom_target(payload_checked DEPENDS ${PAYLOAD_RC})

if(WIN32)
  add_library(payload_resources OBJECT ${PAYLOAD_RC})
  add_dependencies(payload_resources payload_checked)
endif()
