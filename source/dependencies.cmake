# Link dependencies of camviewer_core beyond Qt: cJSON (request bodies,
# replies, config.json), SQLite 3 (group.dat) and libsodium (the sign-in box).
find_package(PkgConfig REQUIRED)
pkg_check_modules(CAMVIEWER_CJSON REQUIRED IMPORTED_TARGET libcjson)
pkg_check_modules(CAMVIEWER_SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(CAMVIEWER_SODIUM REQUIRED IMPORTED_TARGET libsodium)
target_link_libraries(camviewer_core PUBLIC
  PkgConfig::CAMVIEWER_CJSON PkgConfig::CAMVIEWER_SQLITE3 PkgConfig::CAMVIEWER_SODIUM)
# The device link's plain C header: message types, connection states and
# record layouts shared with the camera (declarations only; nothing linked).
target_include_directories(camviewer_core PUBLIC ${PROJECT_SOURCE_DIR}/tessan/include)
# The live pipeline: the media libraries (decoders, MP4 writer) and SDL2 (the
# render widget).
pkg_check_modules(CAMVIEWER_SDL2 REQUIRED IMPORTED_TARGET sdl2)
target_link_libraries(camviewer_core PUBLIC KV_VideoCodec KV_AudioCodec KV_MP4 PkgConfig::CAMVIEWER_SDL2)
# The decode thread scales pictures to the size they are shown at.
pkg_check_modules(CAMVIEWER_SWSCALE REQUIRED IMPORTED_TARGET libswscale)
target_link_libraries(camviewer_core PUBLIC PkgConfig::CAMVIEWER_SWSCALE)
