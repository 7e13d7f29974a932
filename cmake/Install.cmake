# cmake --install <build> --prefix P lays the program out the way a Linux
# desktop program lives:
#   P/bin/camviewer
#   P/lib/libTessan.so, libVornet.so and the media libraries (found through
#     the program's and the libraries' run paths, relative to themselves)
#   P/share/camviewer/Orvanta_image/ and countrycode.json (app_paths finds
#     them at ../share/camviewer from the program)
#   P/share/applications/camviewer.desktop and the icon in
#     P/share/icons/hicolor/128x128/apps/camviewer.png
# The program writes nothing there: its data folder is the user's own
# (app_paths).
include(GNUInstallDirs)

file(RELATIVE_PATH camviewer_bin_to_lib
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(camviewer PROPERTIES INSTALL_RPATH "$ORIGIN/${camviewer_bin_to_lib}")
set(camviewer_libraries Vornet Tessan KV_VideoCodec KV_AudioCodec KV_MP4)
set_target_properties(${camviewer_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS camviewer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS ${camviewer_libraries} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

set(camviewer_share ${CMAKE_INSTALL_DATADIR}/camviewer)
install(DIRECTORY ${CAMVIEWER_PROGRAM_DIR}/Orvanta_image DESTINATION ${camviewer_share})
install(FILES ${CAMVIEWER_PROGRAM_DIR}/countrycode.json DESTINATION ${camviewer_share})
install(FILES ${PROJECT_SOURCE_DIR}/source/camviewer.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CAMVIEWER_PROGRAM_DIR}/Orvanta_image/ic_launcher.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps RENAME camviewer.png)
