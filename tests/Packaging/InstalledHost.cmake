# Installs the build tree into a fresh prefix, then configures, builds and
# runs tests/Packaging/host against it with nothing but the installed CMake
# package to find the core. Run with cmake -P and:
#   BUILD_DIR  the build tree to install
#   WORK_DIR   a scratch folder (emptied first)
#   HOST_DIR   the host project
#   GENERATOR, CXX_COMPILER, CXX_FLAGS, LINKER_FLAGS  as the build tree's
cmake_minimum_required(VERSION 3.25)

function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${output}")
  endif()
  set(step_output "${output}" PARENT_SCOPE)
endfunction()

set(prefix "${WORK_DIR}/prefix")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

run_step("Installing the build tree" ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")

# What a host and a learner need is there.
foreach(file
    bin/tavro
    libexec/tavro/TavroUpdateInstaller libexec/tavro/codesign libexec/tavro/xattr
    libexec/tavro/lipo libexec/tavro/open
    lib/libTavroCore.a lib/libTavroSupport.a lib/libTavroPlatform.a lib/libTavroUpdate.a
    include/TavroCore/input/Matcher.h include/Support/Text.h
    lib/cmake/Tavro/TavroConfig.cmake lib/cmake/Tavro/TavroConfigVersion.cmake)
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "Not installed: ${file}")
  endif()
endforeach()

# The host sees the installed prefix and not the source or build tree: the
# installed headers must be complete on their own.
run_step("Configuring the host"
  ${CMAKE_COMMAND} -S "${HOST_DIR}" -B "${WORK_DIR}/host-build" -G "${GENERATOR}"
  -DCMAKE_BUILD_TYPE=Release
  "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}"
  "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
  "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}"
  "-DCMAKE_PREFIX_PATH=${prefix}"
  -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON)
run_step("Building the host" ${CMAKE_COMMAND} --build "${WORK_DIR}/host-build")
run_step("Running the host" "${WORK_DIR}/host-build/tavro-host")
message(STATUS "${step_output}")

# The installed tutor runs from the prefix.
run_step("Running the installed tavro --version" "${prefix}/bin/tavro" --version)
if(NOT step_output MATCHES "^tavro [0-9]+\\.[0-9]+\\.[0-9]+")
  message(FATAL_ERROR "Unexpected tavro --version output: ${step_output}")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
