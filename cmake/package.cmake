# The release archive, made from the two Windows build trees:
#   cmake [-DWIN64_DIR=build/win64] [-DWIN32_DIR=build/win32] [-DOUT_DIR=build/package]
#         -P cmake/package.cmake
# writes OUT_DIR/quillon-<version>.zip holding one folder quillon-<version>/ with
#   x64/ and x86/   Quillon.dll, Quillon.tlb and any *.manifest found beside each DLL
#   include/        quillon.h
#   examples/       the host programs (without their build file)
#   docs/           install.md
#   README.md, LICENSE, CHANGELOG.md, and SHA256SUMS (sha256sum's format) of every other file.
# Relative folders are taken from the source tree's top.
cmake_minimum_required(VERSION 3.25)
get_filename_component(source ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
foreach(var WIN64_DIR:build/win64 WIN32_DIR:build/win32 OUT_DIR:build/package)
  string(REPLACE ":" ";" pair ${var})
  list(GET pair 0 name)
  list(GET pair 1 default)
  if(NOT ${name})
    set(${name} ${default})
  endif()
  get_filename_component(${name} ${${name}} ABSOLUTE BASE_DIR ${source})
endforeach()

# The version is the project's own (the DLL's version record carries the same).
file(STRINGS ${source}/CMakeLists.txt line REGEX "^project\\(Quillon VERSION [0-9.]+")
string(REGEX REPLACE ".*VERSION ([0-9.]+).*" "\\1" version "${line}")
if(NOT version)
  message(FATAL_ERROR "package: no version in ${source}/CMakeLists.txt")
endif()

set(name quillon-${version})
set(stage ${OUT_DIR}/${name})
file(REMOVE_RECURSE ${stage} ${OUT_DIR}/${name}.zip)

# Each file to copy: its source and the folder it goes to in the archive; a missing one ends it.
function(put file folder)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "package: ${file} is missing (build both presets first: "
                        "cmake --build --preset win64, cmake --build --preset win32)")
  endif()
  file(COPY ${file} DESTINATION ${stage}/${folder})
endfunction()

foreach(platform x64:${WIN64_DIR} x86:${WIN32_DIR})
  string(REPLACE ":" ";" pair ${platform})
  list(GET pair 0 folder)
  list(GET pair 1 build)
  put(${build}/src/housing/Quillon.dll ${folder})
  put(${build}/src/housing/generated/Quillon.tlb ${folder})
  file(GLOB manifests ${build}/src/housing/*.manifest)
  foreach(m ${manifests})
    put(${m} ${folder})
  endforeach()
endforeach()
put(${WIN64_DIR}/src/housing/generated/quillon.h include)
file(GLOB examples ${source}/examples/*)
list(FILTER examples EXCLUDE REGEX "/CMakeLists\\.txt$")
foreach(e ${examples})
  put(${e} examples)
endforeach()
put(${source}/docs/install.md docs)
foreach(f README.md LICENSE CHANGELOG.md)
  put(${source}/${f} .)
endforeach()

# SHA256SUMS: one line a file, "<sum>  <path>", paths from the archive's folder, sorted.
file(GLOB_RECURSE files RELATIVE ${stage} ${stage}/*)
list(SORT files)
set(sums "")
foreach(f ${files})
  file(SHA256 ${stage}/${f} sum)
  string(APPEND sums "${sum}  ${f}\n")
endforeach()
file(WRITE ${stage}/SHA256SUMS "${sums}")

file(GLOB_RECURSE files RELATIVE ${OUT_DIR} ${stage}/*)
list(SORT files)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${name}.zip --format=zip ${files}
                WORKING_DIRECTORY ${OUT_DIR} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "package: making ${name}.zip failed")
endif()
message(STATUS "package: ${OUT_DIR}/${name}.zip")
