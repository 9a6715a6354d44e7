# The version is the host package's.
include(/usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake)
