# Writes the header that names the version `sperrow --version` prints: the project's version
# and the commit the source tree is at ("1.0.0 (commit 0123456789ab)", with ", modified" when
# tracked files differ from it), or the bare version when the source tree is not a git
# checkout of its own (an unpacked release, a copy, a folder inside some other repository).
# Run at every build; the header is rewritten only when its text changes, so an unchanged
# commit rebuilds nothing.
#   cmake -DSOURCE_DIR=<tree> -DVERSION=<x.y.z> -DOUT=<header> [-DUSE_GIT=OFF] -P BuildVersion.cmake
cmake_minimum_required(VERSION 3.24)

function(git_commit_of tree out)
  set(${out} "" PARENT_SCOPE)
  find_program(GIT_PROGRAM git)
  if(NOT GIT_PROGRAM)
    return()
  endif()
  execute_process(COMMAND ${GIT_PROGRAM} -C ${tree} rev-parse --show-toplevel
    OUTPUT_VARIABLE top RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT rc EQUAL 0 OR top STREQUAL "")
    return()
  endif()
  # A tree copied into another repository's folder would otherwise take that one's commit.
  file(REAL_PATH "${top}" top)
  file(REAL_PATH "${tree}" tree)
  if(NOT top STREQUAL tree)
    return()
  endif()
  execute_process(COMMAND ${GIT_PROGRAM} -C ${tree} rev-parse --short=12 HEAD
    OUTPUT_VARIABLE commit RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT rc EQUAL 0 OR NOT commit MATCHES "^[0-9a-f]+$")
    return()
  endif()
  execute_process(COMMAND ${GIT_PROGRAM} -C ${tree} status --porcelain --untracked-files=no
    OUTPUT_VARIABLE changes RESULT_VARIABLE rc ERROR_QUIET)
  if(rc EQUAL 0 AND NOT changes STREQUAL "")
    string(APPEND commit ", modified")
  endif()
  set(${out} "${commit}" PARENT_SCOPE)
endfunction()

foreach(var SOURCE_DIR VERSION OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "BuildVersion.cmake: -D${var}=... is missing")
  endif()
endforeach()

set(text "${VERSION}")
if(NOT DEFINED USE_GIT OR USE_GIT)
  git_commit_of("${SOURCE_DIR}" commit)
  if(commit)
    string(APPEND text " (commit ${commit})")
  endif()
endif()

set(header "// Written by cmake/BuildVersion.cmake at build time.\n#pragma once\n#define SPERROW_VERSION_TEXT \"${text}\"\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
else()
  set(old "")
endif()
if(NOT old STREQUAL header)
  file(WRITE "${OUT}" "${header}")
endif()
