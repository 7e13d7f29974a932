# Link dependencies beyond Qt, each on the layer that needs it.
find_package(PkgConfig REQUIRED)
# cJSON (request bodies, replies, config.json), SQLite 3 (group.dat) and
# libsodium (the sign-in box).
pkg_check_modules(CAMVIEWER_CJSON REQUIRED IMPORTED_TARGET libcjson)
pkg_check_modules(CAMVIEWER_SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(CAMVIEWER_SODIUM REQUIRED IMPORTED_TARGET libsodium)
target_link_libraries(camviewer_logic PUBLIC
  PkgConfig::CAMVIEWER_CJSON PkgConfig::CAMVIEWER_SQLITE3 PkgConfig::CAMVIEWER_SODIUM)
# The live pipeline: the media libraries (decoders, MP4 writer), and the
# scale of decoded pictures to the size they are shown at.
pkg_check_modules(CAMVIEWER_SWSCALE REQUIRED IMPORTED_TARGET libswscale)
target_link_libraries(camviewer_logic PUBLIC KV_VideoCodec KV_AudioCodec KV_MP4 PkgConfig::CAMVIEWER_SWSCALE)
# SDL2: the render widget only.
pkg_check_modules(CAMVIEWER_SDL2 REQUIRED IMPORTED_TARGET sdl2)
target_link_libraries(camviewer_core PUBLIC PkgConfig::CAMVIEWER_SDL2)
