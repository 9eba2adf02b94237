# One version for everything the user sees: project(VERSION) gives
# celkit --version, the Windows version resources and manifests, and the
# package names. The generated header and manifests live in
# build/<preset>/generated.
set(CELPACK_COPYRIGHT "Copyright (c) 2026 the celpack authors")
set(CELPACK_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)

# Windows wants four numbers; the release has three.
set(CELPACK_VERSION_PATCH 0)
if(PROJECT_VERSION_PATCH)
  set(CELPACK_VERSION_PATCH ${PROJECT_VERSION_PATCH})
endif()

configure_file(${PROJECT_SOURCE_DIR}/resources/celpack_version.h.in
  ${CELPACK_GENERATED_DIR}/celpack_version.h @ONLY)
if(WIN32)
  foreach(program celpack celkit)
    configure_file(${PROJECT_SOURCE_DIR}/resources/${program}.manifest.in
      ${CELPACK_GENERATED_DIR}/${program}.manifest @ONLY)
  endforeach()
endif()
