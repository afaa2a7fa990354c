# What a desktop program brings besides itself: its menu entry, icons, AppStream description,
# manual pages and the documentation folder with the licences.
set(_pkg ${CMAKE_SOURCE_DIR}/packaging)
set(PARVEL_APP_ID ru.parvel.parvel)

install(FILES ${_pkg}/${PARVEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pkg}/${PARVEL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_pkg}/icons/parvel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(_size 16 24 32 48 64 128 256)
  install(FILES ${_pkg}/icons/parvel-${_size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
          RENAME parvel.png)
endforeach()

# Manual pages and the changelog are compressed as Debian wants them: gzip -9, no name or time.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(_gz ${CMAKE_BINARY_DIR}/packaging)
set(_gz_files)
function(parvel_gzip source target)
  add_custom_command(OUTPUT ${target}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_gz}/ru
    COMMAND ${GZIP_PROGRAM} -9nc ${source} > ${target}
    DEPENDS ${source} VERBATIM)
  set(_gz_files ${_gz_files} ${target} PARENT_SCOPE)
endfunction()
foreach(_page parvel parvel-cli)
  parvel_gzip(${_pkg}/man/${_page}.1 ${_gz}/${_page}.1.gz)
  parvel_gzip(${_pkg}/man/ru/${_page}.1 ${_gz}/ru/${_page}.1.gz)
  install(FILES ${_gz}/${_page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${_gz}/ru/${_page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/ru/man1)
endforeach()
parvel_gzip(${_pkg}/changelog ${_gz}/changelog.gz)
add_custom_target(parvel_packaging_files ALL DEPENDS ${_gz_files})

set(_doc ${CMAKE_INSTALL_DATADIR}/doc/parvel)
install(FILES ${_pkg}/copyright ${_gz}/changelog.gz DESTINATION ${_doc})
install(FILES ${CMAKE_SOURCE_DIR}/data/README.md DESTINATION ${_doc} RENAME DICTIONARIES.md)
