# Compile options shared by every target of the project. Included by the top-level
# build and by engine/ when it is built on its own.
include_guard(GLOBAL)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

add_library(rimglider_options INTERFACE)
target_compile_features(rimglider_options INTERFACE cxx_std_20)
target_compile_options(rimglider_options INTERFACE
  -Wall -Wextra -Wpedantic -Wswitch-enum -Wshadow -Wnon-virtual-dtor
  -Wimplicit-fallthrough -Wold-style-cast)

# The project's own scripts and CI turn warnings into errors; packagers and users building with
# their own compiler and flags get the warnings without a failed build.
option(RIMGLIDER_WERROR "Treat compiler warnings as errors" OFF)
if(RIMGLIDER_WERROR)
  target_compile_options(rimglider_options INTERFACE -Werror)
endif()

set(RIMGLIDER_SANITIZE "" CACHE STRING
  "Sanitizers for every target, for example address,undefined or thread")
if(RIMGLIDER_SANITIZE)
  target_compile_options(rimglider_options INTERFACE
    -fsanitize=${RIMGLIDER_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(rimglider_options INTERFACE -fsanitize=${RIMGLIDER_SANITIZE})
endif()
