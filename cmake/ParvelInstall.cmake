# Where `cmake --install` puts the program. The programs find their data as "Data/" beside
# their own executable (symbolic links resolved), so the executables, Data/ and office/ stay
# together in one private folder and the PATH gets links to them.
include(GNUInstallDirs)

if(WIN32)
  set(PARVEL_APP_DIR ${CMAKE_INSTALL_BINDIR})
else()
  set(PARVEL_APP_DIR lib/parvel)
endif()

install(TARGETS parvel-cli RUNTIME DESTINATION ${PARVEL_APP_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${PARVEL_APP_DIR}/Data
        PATTERN "*.md" EXCLUDE)
set(_parvel_programs parvel-cli)
if(TARGET parvel)
  install(TARGETS parvel RUNTIME DESTINATION ${PARVEL_APP_DIR})
  # Run through python3, never by itself.
  install(FILES ${CMAKE_SOURCE_DIR}/src/output/office/parvel_office.py DESTINATION ${PARVEL_APP_DIR}/office)
  list(APPEND _parvel_programs parvel)
endif()

if(NOT WIN32)
  # Relative links, so that the tree works wherever it is unpacked.
  set(_links ${CMAKE_BINARY_DIR}/install-links)
  file(MAKE_DIRECTORY ${_links})
  foreach(_p ${_parvel_programs})
    file(CREATE_LINK ../${PARVEL_APP_DIR}/${_p} ${_links}/${_p} SYMBOLIC)
    install(FILES ${_links}/${_p} DESTINATION ${CMAKE_INSTALL_BINDIR})
  endforeach()
endif()

if(TARGET parvel AND NOT WIN32)
  include(ParvelDesktop)
endif()
