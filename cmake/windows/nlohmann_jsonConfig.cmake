# The host's header-only JSON library, for the MinGW build. The package's own files would put the
# host's /usr/include on the include path, ahead of MinGW's headers; so only the library's own
# folder is copied beside the build and used from there.
set(_kov_json_headers "${CMAKE_BINARY_DIR}/host-headers")
if(NOT EXISTS "${_kov_json_headers}/nlohmann/json.hpp")
  file(COPY /usr/include/nlohmann DESTINATION "${_kov_json_headers}")
endif()
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${_kov_json_headers}")
endif()
